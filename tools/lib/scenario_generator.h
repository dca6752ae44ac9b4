#pragma once
// Seeded, deterministic scenarios for KORVO: a city of streets on a grid and
// every side file that a run needs, written into one directory that KORVO
// runs as it stands.
//
//   ScenarioOptions options;
//   options.links = 1'000'000;
//   options.run_type = ScenarioRunType::kAnalysis;
//   options.source = ScenarioSource::kBinary;
//   ScenarioSummary summary = write_scenario(options, "scratch/analysis-1m");
//
// The city and its links come from city_model.h, the side files from
// scenario_texts.h and the link files from link_source_writers.h. Everything
// written depends on the options alone: the same options give the same
// bytes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scenario_options.h"

namespace korvo::fixtures {

// What a scenario holds, for the tool's report and the tests.
struct ScenarioSummary {
  std::int64_t links = 0;
  std::int64_t two_way_links = 0;
  std::int64_t one_way_links = 0;
  std::int64_t connectors = 0;        // facility type 51: passed over by a run
  std::int64_t unclassified = 0;      // facility type 71: listed as skipped
  std::int64_t counted = 0;           // links with a ground count
  std::int64_t no_volume = 0;         // links with a volume below 2
  std::int64_t screenline_links = 0;  // links on screenlines 1 to 3
  std::int64_t count_stations = 0;    // links on screenline 99
  std::int64_t construction = 0;      // links with a construction code
  // Links by level of service A..F of their volume over capacity, as a run
  // classes them (connectors and private roads left out).
  std::int64_t level_of_service[6] = {};
  int columns = 0;
  int rows = 0;
  int zones = 0;
  int copies = 0;
  std::int64_t grid_links = 0;  // links equals this for a whole city
  std::int32_t max_node = 0;
  std::string scenario_code;       // "26A" for the base year, "45A" for the future
  std::string network_file;        // the link file's name
  std::vector<std::string> files;  // every file written, in order
};

// Writes the scenario's files into directory (created when missing; files of
// the same names are replaced). Throws std::runtime_error when a file cannot
// be written and std::invalid_argument for options it cannot honour.
ScenarioSummary write_scenario(const ScenarioOptions& options, const std::filesystem::path& directory);

}  // namespace korvo::fixtures
