#pragma once
// The evaluation layer on its own: an Evaluation with the default classes
// (NFT 10, NAT 6), zeroed accumulators, the run's settings and link record,
// and the link loop's events recorded as short lines, so that a test feeds
// links and looks at the sums and at what was reported.

#include <memory>
#include <string>
#include <vector>

#include "evaluation/class_tables.h"
#include "evaluation/evaluation.h"
#include "evaluation/link_evaluation.h"
#include "input/link_record.h"
#include "input/profile.h"

namespace korvo::testing {

// Each event as one line: "screenline list full at 200",
// "screenline 6 not the same for 20-10", "skipped 1-2 (FT 0, AT 1)",
// "construction code inconsistent", "aux link 5-6 not found",
// "aux mismatch: link 10-20, record 10-21".
class RecordingEvents final : public EvaluationEvents {
 public:
  void screenline_list_full(int limit) override { add("screenline list full at " + std::to_string(limit)); }
  void no_volume_list_full(int limit) override { add("no-volume list full at " + std::to_string(limit)); }
  void screenline_not_the_same(std::int32_t anode, std::int32_t bnode, int screenline) override {
    add("screenline " + std::to_string(screenline) + " not the same for " + pair(anode, bnode));
  }
  void link_skipped(const LinkRecord& link, int ft_code) override {
    add("skipped " + pair(link.anode, link.bnode) + " (FT " + std::to_string(ft_code) + ", AT " +
        std::to_string(link.area_type) + ")");
  }
  void construction_code_inconsistent() override { add("construction code inconsistent"); }
  void aux_link_not_found(std::int32_t anode, std::int32_t bnode) override {
    add("aux link " + pair(anode, bnode) + " not found");
  }
  void aux_network_mismatch(std::int32_t anode, std::int32_t bnode, std::int32_t from, std::int32_t to) override {
    add("aux mismatch: link " + pair(anode, bnode) + ", record " + pair(from, to));
  }

  std::vector<std::string> lines;

 private:
  static std::string pair(std::int32_t a, std::int32_t b) { return std::to_string(a) + "-" + std::to_string(b); }
  void add(std::string line) { lines.push_back(std::move(line)); }
};

struct EvaluationHarness {
  EvaluationHarness()
      : owner(std::make_unique<Evaluation>()),
        e(*owner),
        classes(e.classes),
        rates(e.rates),
        acc(e.acc),
        eval(e.state) {
    e.events = &events;
    set_default_classes(classes);
    reset_accumulators(acc, classes);
    link.time_slot_count = 1;
    link.volume_slot_count = 1;
    settings.dbf_input_given = true;
    settings.profile_seen = true;
    set_volume_weights(eval, nullptr, 1);
  }

  // An analysis run with the analysis maps.
  void analysis() {
    settings.validate_mode = false;
    settings.analysis_mode = true;
  }

  // Everything the evaluation does with the link in `link`, its measures
  // added on this thread as the driver adds them without a second one.
  void process() {
    LinkValues v = begin_link(eval, link, settings);
    const LinkOutcome outcome = finish_link(e, link, v, settings);
    add_measures(v, outcome);
  }

  // The measures of the link in `link` with the working values v.
  void add_measures(const LinkValues& v, LinkOutcome outcome = LinkOutcome::kEvaluated) {
    if (outcome == LinkOutcome::kEvaluated) add_link_measures(acc, rates, link, v, settings.validate_mode);
  }

  // Rates that depend on both the row and the facility-type column, so that
  // a wrong row or column shows in the result.
  void set_varied_rates() {
    RateTables& r = rates;
    for (int c = 1; c <= kRateFtClasses; ++c) {
      const auto cc = static_cast<std::size_t>(c);
      r.accident[cc] = static_cast<float>(c);
      r.injury[cc] = 2.0f * static_cast<float>(c);
      r.fatality[cc] = 0.2f * static_cast<float>(c);
      for (int row = 1; row <= kSpeedClasses11; ++row) {
        const auto rr = static_cast<std::size_t>(row);
        const float base = static_cast<float>(row + 100 * c);
        if (row <= kSpeedClasses10) {
          r.carbon_monoxide[rr][cc] = base;
          r.hydrocarbons[rr][cc] = static_cast<float>(2 * row + 100 * c);
          r.nitrogen_oxides[rr][cc] = static_cast<float>(3 * row + 100 * c);
          r.construction_cost[rr][cc] = static_cast<float>(10 * row + 1000 * c);
        }
        r.fuel[rr][cc] = base / 1000.0f;
        r.user_cost[rr][cc] = base / 100.0f;
        if (row <= kRateLaneClasses) r.maintenance_cost[rr][cc] = base;
      }
    }
  }

  // A slot summed over every cell of the table.
  float slot_total(Slot slot) const {
    const EvalSums& s = acc.sums;
    float total = 0;
    for (int k = 1; k <= kLaneClassCount; ++k)
      for (int j = 1; j <= s.nat(); ++j)
        for (int i = 1; i <= s.nft(); ++i) total += s.at(i, j, k, slot);
    return total;
  }

  std::unique_ptr<Evaluation> owner;
  Evaluation& e;
  ClassTables& classes;
  RateTables& rates;
  Accumulators& acc;
  EvaluationState& eval;
  RunSettings settings;
  LinkRecord link;
  RecordingEvents events;
};

}  // namespace korvo::testing
