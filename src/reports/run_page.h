#pragma once
// "KORVO.HTML": the run on one self-contained page, made with the HTML kit
// (reports/html/), beside the report.
//
// Both run types start with the run: scenario, titles, run date, the input
// files, the link records read and what became of them, and the data-check
// warnings. Then:
// - validation: verdict cards (areawide %RMSE, VMT ratio, links within the
//   maximum desirable deviation, GEH), the volume-against-count scatter
//   with y = x and the MDD band, %RMSE by count group, VMT ratio by
//   facility-type and area-type class, screenline deviations against the MDD
//   curve and the 25 counted links with the largest deviation;
// - analysis: VMT by level of service per facility-type class, the V/C
//   distribution, delay, emissions and fuel, safety, the construction
//   summary and the costs, by facility-type class with totals.
//
// Every figure comes from the finished data the CSV files are written from:
// the rows of KVSTATS.CSV (ValidationStats::finish) and the completed tables
// (the values of KVTABLES.CSV). The page recomputes nothing but shares and
// the deviations it draws. The same data give the same bytes.

#include <array>
#include <span>
#include <string>
#include <vector>

#include "evaluation/accumulators.h"
#include "evaluation/class_tables.h"
#include "evaluation/validation_stats.h"
#include "input/run_type.h"
#include "input/targets_file.h"

namespace korvo {

inline constexpr const char* kRunPageFile = "KORVO.HTML";

struct RunPageHeader {
  RunType type = RunType::kValidation;
  std::string scenario;                  // the scenario code ("05A")
  std::array<std::string, 3> titles{};   // the report's title lines, trimmed; empty lines are left out
  std::string run_date;                  // as the report prints it: "04JUL26  09:05:07"
  std::vector<std::string> input_files;  // the files the run read, in the order read
};

// What the page is made from; every pointer must be set.
struct RunPageData {
  RunPageHeader header;
  const ClassTables* classes = nullptr;
  const Accumulators* acc = nullptr;       // completed (complete_tables)
  const ValidationStats* stats = nullptr;  // fed with every link record read
  const Targets* targets = nullptr;        // those given to stats->reset
  std::span<const StatsRow> rows;          // validation: stats->finish(...)
};

std::string run_page(const RunPageData& data);

}  // namespace korvo
