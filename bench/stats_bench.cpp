// Per-link cost of the validation statistics: ValidationStats::add_link on
// the links of a generated validation network (counts on about a third of
// them), with the default targets (no GEH) and with an hour factor (GEH
// computed for every counted link); "counted_only" feeds the counted links
// alone, the cost of the link that updates every group.
//
//   build/bench/bench/korvo_bench --benchmark_filter=ValidationStats

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "city_model.h"
#include "evaluation/validation_stats.h"
#include "input/targets_file.h"
#include "scenario_generator.h"

namespace {

using korvo::fixtures::GeneratedLink;

// The generated links as the link loop would hand them over. Classes are
// the codes' leading digit (11 is class 1), as the default validation
// labels give them; connectors and codes without a class get their status.
std::vector<korvo::StatsLink> generated_links(std::int64_t n) {
  korvo::fixtures::ScenarioOptions o;
  o.links = n;
  o.seed = 1;
  korvo::fixtures::CityNetwork city(o);
  std::vector<korvo::StatsLink> links;
  GeneratedLink g;
  std::int64_t record = 0;
  while (city.next(g)) {
    korvo::StatsLink l;
    l.anode = g.anode;
    l.bnode = g.bnode;
    l.record = ++record;
    l.ft_code = g.facility_type;
    l.at_code = g.area_type;
    l.ft_class = g.facility_type / 10;
    l.at_class = g.area_type;
    l.screenline = g.screenline;
    l.volume = g.volume;
    l.count = g.count;
    l.capacity = g.capacity;
    l.miles = g.distance * 0.01;
    l.minutes = g.congested_time * 0.01;
    if (g.facility_type == korvo::fixtures::kCentroidConnector) {
      l.status = korvo::LinkOutcome::kConnectorPassedOver;
    } else if (g.facility_type == korvo::fixtures::kPrivateRoad) {
      l.status = korvo::LinkOutcome::kUnclassified;
    } else if (g.congested_time == 0 && g.cost == 0) {
      l.status = korvo::LinkOutcome::kZeroTimePassedOver;
    }
    links.push_back(l);
  }
  return links;
}

void BM_ValidationStatsAddLink(benchmark::State& state) {
  auto links = generated_links(200'000);
  if (state.range(1) != 0) {
    std::erase_if(
        links, [](const korvo::StatsLink& l) { return l.status != korvo::LinkOutcome::kEvaluated || !(l.count > 0); });
  }
  korvo::Targets targets;
  korvo::set_default_targets(targets);
  if (state.range(0) != 0) {
    targets.geh = true;
    targets.hour_factor = 0.1;
  }
  auto stats = std::make_unique<korvo::ValidationStats>();
  stats->reset(targets);
  std::size_t i = 0;
  for (auto _ : state) {
    stats->add_link(links[i]);
    if (++i == links.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  std::int64_t counted = 0;
  for (const auto& l : links) counted += l.status == korvo::LinkOutcome::kEvaluated && l.count > 0;
  state.counters["counted_share"] = static_cast<double>(counted) / static_cast<double>(links.size());
  benchmark::DoNotOptimize(stats->counted_links());
}
BENCHMARK(BM_ValidationStatsAddLink)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"geh", "counted_only"});

}  // namespace
