#pragma once
// The state objects of one run, wired together: the readers' state (input),
// the evaluation's, and the report and side files (reports). The object is
// allocated once, before the run; every table in it has a fixed size. A
// whole run can be made in-process: tests build one per run in a temporary
// directory.

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/fixed_text.h"
#include "common/work_dir.h"
#include "evaluation/evaluation.h"
#include "evaluation/validation_stats.h"
#include "input/aux_link_file.h"
#include "input/aux_network_file.h"
#include "input/binary_network.h"
#include "input/dbf_reader.h"
#include "input/link_record.h"
#include "input/profile.h"
#include "input/targets_file.h"
#include "reports/links_csv.h"
#include "reports/report.h"
#include "reports/report_events.h"
#include "reports/side_files.h"

namespace korvo {

// Fixed file names of the working directory (the side files' names are in
// reports/side_files.h).
inline constexpr const char* kReportFile = "KORVO.OUT";
inline constexpr const char* kProfileFile = "PROFILE.MAS";
inline constexpr const char* kControlFile = "VELMAR.CTL";
inline constexpr const char* kTitleFile = "TITLE";
inline constexpr const char* kRatesFile = "KVRATES.SYN";
inline constexpr const char* kLabelsFile = "KVLABELS.SYN";
inline constexpr const char* kScreenNamesFile = "KVSCREEN.SYN";
inline constexpr const char* kDatabaseControlFile = "DATABASE.CTL";

// The clock of the machine, in local time.
LocalTime system_local_time();

// The threads a run uses, from the value of the environment variable
// KORVO_THREADS (null when it is not set) and the machine's cores (0 when
// unknown). "1", "2" or "3" is that many threads. Unset, empty or any other
// value takes one thread per core, up to three (any other value is named on
// the error output: threads_notice).
//
// With one thread, everything runs on the link loop's thread. A second one
// converts a dBASE file's records ahead of the loop, or, on a binary
// network, adds up the links' measures and statistics behind it. A third
// adds up a dBASE run's measures and statistics; a binary run has no use for
// it. On two cores, three threads make a dBASE run slower, not faster: they
// take turns on the cores.
int threads_setting(const char* value, unsigned cores);
int threads_setting(const char* value);  // with usable_cores()

// What the error output says of a KORVO_THREADS that threads_setting does
// not take (a typing slip in a batch script would otherwise go unseen): one
// line with the value and `threads`, those the run takes instead. Empty when
// the variable is unset, empty, or 1, 2 or 3.
std::string threads_notice(const char* value, int threads);

// The cores this thread may run on: on Linux its affinity, which taskset and
// a container's cpuset narrow (the machine's count does not: under
// `taskset -c 0`, a run on two threads took 10-20 % longer than on one);
// elsewhere the machine's logical processors. 0 when unknown.
unsigned usable_cores();

class SumsThread;

struct RunContext {
  RunContext(WorkDir dir, Console console, std::function<LocalTime()> clock = system_local_time)
      : work(std::move(dir)),
        console(console),
        clock(std::move(clock)),
        side_files(work),
        events(report, side_files, this->console) {
    eval.events = &events;
  }
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  // Allocates a context on the heap (it holds several megabytes of tables).
  static std::unique_ptr<RunContext> create(WorkDir dir, Console console,
                                            std::function<LocalTime()> clock = system_local_time) {
    return std::make_unique<RunContext>(std::move(dir), console, std::move(clock));
  }

  // Environment.
  WorkDir work;
  Console console;
  std::function<LocalTime()> clock;
  int threads = threads_setting(std::getenv("KORVO_THREADS"));

  // Input: the profile's settings, the link record and the link sources.
  RunSettings settings;
  LinkRecord link;
  DbfLinkSource dbf;
  BinaryNetwork binary;
  AuxLinkTable aux;                            // from an auxiliary dBASE file
  FixedText<32> aux_file_name{"VOLNAUX.XXX"};  // the auxiliary network file
  AuxNetworkFile aux_file;

  // Evaluation.
  Evaluation eval;
  // The statistics streamed with the links, for KVSTATS.CSV and the page:
  // collected when a run writes either (stats_on); the targets from
  // KVTARGET.SYN (validation runs) or the defaults.
  Targets targets;
  // On cache lines of their own: while the link loop runs, a second thread
  // may add up the statistics with the measures (sums_thread), and the loop
  // reads the members after them with every link.
  alignas(64) ValidationStats stats;
  alignas(64) bool stats_on = false;
  SumsThread* sums_thread = nullptr;  // set while the link loop runs
  bool evaluated = false;             // the reports were written
  std::vector<StatsRow> stats_rows;   // KVSTATS.CSV's rows, after the reports

  // Reports.
  Report report;  // "KORVO.OUT"
  SideFiles side_files;
  ReportEvents events;
  LinksCsvWriter links_csv;  // "KVLINKS.CSV", with LINKCSV
};

}  // namespace korvo
