#pragma once
// The options of a generated scenario, shared by the city model, the side
// files and the network writers (scenario_generator.h puts them together).

#include <cstdint>
#include <optional>
#include <string>

namespace korvo::fixtures {

enum class ScenarioRunType { kValidation, kAnalysis };
enum class ScenarioSource { kDbf, kBinary };

struct ScenarioOptions {
  std::int64_t links = 10'000;  // at least 1
  ScenarioRunType run_type = ScenarioRunType::kValidation;
  ScenarioSource source = ScenarioSource::kDbf;
  std::uint64_t seed = 1;
  // "HRLDXY.ASC" with counts and its two-way form "HRLDXY2.ASC". By default
  // on when the network fits the two-way conversion's table (200,000 links).
  std::optional<bool> ascii_output = std::nullopt;
  // Also give an auxiliary dBASE file (profile key VOLNAUXDBF). On the dBASE
  // path the link file is that file (the profile keeps one dBASE name), so
  // it gains a sequence and a one-way field; on the binary path a separate
  // "NETAUX.DBF" with one record per street takes the place of VOLNAUX.
  // Needs a network whose entries fit the auxiliary table.
  bool aux_dbf = false;
  // The build alternative of an analysis scenario: the main street (the
  // divided arterial across the middle of the grid) has one lane more in
  // each direction, with that lane's capacity, construction code 1 (add two
  // lanes) and a tenth more traffic, which the wider street attracts. Every
  // other link is that of the scenario without it. Its code is 45B.
  bool widen_main_street = false;
};

inline bool is_analysis(const ScenarioOptions& options) { return options.run_type == ScenarioRunType::kAnalysis; }

// The scenario's three-character code: the file extension of the binary
// network and the year/alternative of the report titles.
inline std::string scenario_code(const ScenarioOptions& options) {
  if (!is_analysis(options)) return "26A";
  return options.widen_main_street ? "45B" : "45A";
}

}  // namespace korvo::fixtures
