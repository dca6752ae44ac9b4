#pragma once
// Golden-file cases: tests/golden/<case>/input holds the side files of a run
// (profile, rates, labels, ...), tests/golden/<case>/expected the files the
// run must write, byte for byte, and its console text ("console.txt").
//
// With KORVO_REGENERATE_GOLDENS=1 in the environment, the tests first write
// the run's files over the expected ones (scripts/regenerate.sh goldens);
// the key-number checks of each test then run against the new files, so a
// regenerated file that no longer adds up still fails.
//
// The parsing helpers read numbers back out of a report as a reader of the
// printed page would: by caption, row label and column.

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace korvo::testing {

// The files a run may write besides the console, in the working directory.
inline constexpr std::array<std::string_view, 5> kGoldenOutputs = {"KORVO.OUT", "HRLDXY.ASC", "HRLDXY2.ASC",
                                                                   "SCRNLINE.ASC", "KVSKIP.LNK"};
inline constexpr std::string_view kConsoleFile = "console.txt";

bool regenerating_goldens();

class GoldenCase {
 public:
  explicit GoldenCase(const std::string& name);

  std::filesystem::path input_dir() const { return dir_ / "input"; }
  // Side files every case shares (the rates file); a case's own input
  // file of the same name takes their place.
  std::filesystem::path shared_dir() const { return dir_.parent_path() / "shared"; }
  std::filesystem::path expected_dir() const { return dir_ / "expected"; }

  // Copies the shared files and every file of input/ into the run directory.
  void copy_inputs(const TempDir& run) const;
  // Writes the run's outputs and console over the expected files (and
  // removes the expected copy of a file the run did not write).
  void regenerate(const TempDir& run, const RunResult& result) const;
  // Compares each of kGoldenOutputs and the console with the expected
  // files: a file the case expects must be there and equal, one it does not
  // expect must be absent.
  void check_outputs(const TempDir& run, const RunResult& result) const;
  // An expected file, empty when the case has none.
  std::string expected(std::string_view file) const;

 private:
  std::filesystem::path dir_;
};

// One whole run of a case, made once per test suite and read by its tests.
struct GoldenRun {
  explicit GoldenRun(const std::string& name) : golden(name) {}
  GoldenCase golden;
  TempDir dir;
  RunResult result;
  // The expected report: the numbers a test checks come from here.
  std::string report() const { return golden.expected("KORVO.OUT"); }
};

// Copies the case's inputs, lets `prepare` write the files built in code
// (link tables, binary networks), runs the program with the console input
// and, when regenerating, rewrites the expected files.
template <typename Prepare>
std::unique_ptr<GoldenRun> run_golden_case(const std::string& name, Prepare prepare,
                                           std::string_view console_input = {}) {
  auto run = std::make_unique<GoldenRun>(name);
  run->golden.copy_inputs(run->dir);
  prepare(run->dir);
  run->result = run_korvo(run->dir, console_input);
  if (regenerating_goldens()) run->golden.regenerate(run->dir, run->result);
  return run;
}

// Where two texts part: "line 12:\n  expected: ...\n  actual:   ...", with
// control bytes shown as \f, \xB3 and so on; empty when they are equal.
std::string first_difference(std::string_view expected, std::string_view actual);

// ---- Reading a report ------------------------------------------------------

std::vector<std::string> split_lines(std::string_view text);

// A number as the report prints it ("12.50", "600.", "-3", "1234*"; a
// trailing "*" of a subtotal is dropped); nothing for asterisks or text.
std::optional<double> parse_number(std::string_view token);

// Columns first..last (1-based) of a line, blank beyond its end.
std::string_view columns_of(std::string_view line, int first, int last);

// The blank-separated numbers of a line from column `first` on.
std::vector<double> numbers_from(std::string_view line, int first);

// The value of a system totals line: the caption from column 5, the value
// after it. Searches the last page (the STATISTICS banner's).
std::optional<double> total_value(std::string_view report, std::string_view caption);

// The lines of every page whose title ends in "-- REPORT: <caption>".
std::vector<std::string> report_table(std::string_view report, std::string_view caption);

// From a lane table, the lines of one area-type block: heading is the
// at_class_label ("AREA TYPE: <label>") or "TOTAL AREA TYPES".
std::vector<std::string> area_block(const std::vector<std::string>& table, std::string_view heading);

// The values (from column 18 on) of the first line whose label, from column
// 2, is `label` ("Freeway", "Total Freeway", "Totals"); nothing when no line
// carries it.
std::optional<std::vector<double>> row_values(const std::vector<std::string>& lines, std::string_view label);

// The lines from the first one that contains `from` up to (not including)
// the next one that contains `to` (to the end when `to` is empty or absent).
std::vector<std::string> section(std::string_view report, std::string_view from, std::string_view to = {});

// A screenline line of the summaries: the link lines and the total lines
// share the columns of the volume (24-34), the reference (35-45) and the
// ratio (51-56).
struct ScreenlineLine {
  double volume = 0;
  double reference = 0;
  double ratio = 0;
  std::string rest;  // from column 57 on: codes, remarks, the name
};
// The "TOTALS" line of screenline s.
std::optional<ScreenlineLine> screenline_total(std::string_view report, int s);
// The link line of screenline s for link anode-bnode.
std::optional<ScreenlineLine> screenline_link(std::string_view report, int s, int anode, int bnode);

}  // namespace korvo::testing
