#pragma once
// All run-wide state of one run in one object, so that a whole run can be
// made in-process (tests build one per run in a temporary directory). Every
// table has a fixed size; the object is allocated once, before the run.

#include <functional>
#include <memory>

#include "common/console.h"
#include "common/fixed_text.h"
#include "common/text_file.h"
#include "common/work_dir.h"
#include "evaluation/accumulators.h"
#include "evaluation/aux_construction.h"
#include "evaluation/class_tables.h"
#include "evaluation/evaluation_driver.h"
#include "input/rate_tables.h"
#include "input/aux_link_file.h"
#include "input/dbf_reader.h"
#include "input/link_record.h"
#include "reports/table_layouts.h"
#include "input/binary_network.h"
#include "reports/page_header.h"
#include "input/settings.h"

namespace korvo {

// Fixed file names of the working directory.
inline constexpr const char* kReportFile = "KORVO.OUT";
inline constexpr const char* kProfileFile = "PROFILE.MAS";
inline constexpr const char* kControlFile = "VELMAR.CTL";
inline constexpr const char* kTitleFile = "TITLE";
inline constexpr const char* kAsciiNetworkFile = "HRLDXY.ASC";
inline constexpr const char* kTwoWayFile = "HRLDXY2.ASC";
inline constexpr const char* kScreenlineFile = "SCRNLINE.ASC";
inline constexpr const char* kSkipFile = "KVSKIP.LNK";
inline constexpr const char* kRatesFile = "KVRATES.SYN";
inline constexpr const char* kLabelsFile = "KVLABELS.SYN";
inline constexpr const char* kScreenNamesFile = "KVSCREEN.SYN";
inline constexpr const char* kDatabaseControlFile = "DATABASE.CTL";

// The clock of the machine, in local time.
LocalTime system_local_time();

struct RunContext {
  RunContext(WorkDir dir, Console console, std::function<LocalTime()> clock = system_local_time)
      : work(std::move(dir)), console(console), clock(std::move(clock)) {}

  // Allocates a context on the heap (it holds several megabytes of tables).
  static std::unique_ptr<RunContext> create(WorkDir dir, Console console,
                                            std::function<LocalTime()> clock = system_local_time) {
    return std::make_unique<RunContext>(std::move(dir), console, std::move(clock));
  }

  // Environment.
  WorkDir work;
  Console console;
  std::function<LocalTime()> clock;

  // Run control.
  RunSettings settings;
  TitleLines titles;
  FixedText<3> scenario_code{"YYA"};
  RunStamp stamp;
  PageState page;
  TextWriter report;     // "KORVO.OUT"
  TextWriter ascii_out;  // "HRLDXY.ASC" during the link loop, then "SCRNLINE.ASC"
  TextWriter skip_list;  // "KVSKIP.LNK"

  // Link input.
  LinkRecord link;
  DbfLinkSource dbf;
  BinaryNetwork binary;
  AuxLinkTable aux;

  // Evaluation.
  ClassTables classes;
  RateTables rates;
  Accumulators acc;
  AuxMergeState aux_merge;
  EvaluationState eval;

  // Reports.
  TableLayoutTexts table_layouts;

  // Page handling for report writers.
  PageHeaderText header_text() const { return {&titles, &stamp}; }
  // Reserves n lines: a new page (with its header) begins when they do not
  // fit. Returns page_started.
  bool reserve_lines(int n) {
    page.lines_to_add = n;
    check_page_break(page, header_text(), report);
    return page.page_started;
  }
  // Starts a new page now. lines_to_add keeps the value it last had.
  void start_new_page() {
    page.force_new_page = true;
    check_page_break(page, header_text(), report);
  }
};

}  // namespace korvo
