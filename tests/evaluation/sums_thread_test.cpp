// What a SumsThread adds up is what LinkSums adds on the loop's own thread,
// bit for bit, in both run types and with or without statistics; and the
// figures a link is handed on as give add_link_measures and the statistics
// the values finish_link formed.

#include "evaluation/sums_thread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "evaluation/evaluation_harness.h"
#include "support/coded_link.h"

namespace korvo {
namespace {

// Links of every outcome, class triple, construction code (the inconsistent
// ones included) and speed class, and the rare cases: no time, too long, no
// capacity, no count, one direction of a two-way link.
std::vector<LinkFigures> varied_figures(int nft, int nat, int n) {
  std::mt19937 random(7);
  auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  std::vector<LinkFigures> links;
  for (int i = 0; i < n; ++i) {
    LinkFigures f;
    f.record = i + 1;
    f.anode = pick(1, 5000);
    f.bnode = pick(1, 5000);
    f.status = pick(0, 9) == 0 ? static_cast<LinkOutcome>(pick(1, kLinkOutcomeCount - 1)) : LinkOutcome::kEvaluated;
    f.ft_code = static_cast<std::int16_t>(pick(1, 60));
    f.at_code = static_cast<std::int16_t>(pick(1, 9));
    f.ftc = static_cast<std::int16_t>(pick(1, nft - 1));
    f.atc = static_cast<std::int16_t>(pick(1, nat - 1));
    f.lane_class = static_cast<std::int16_t>(pick(1, 9));
    f.lanes_value = static_cast<std::int16_t>(pick(0, 6));
    f.construct = static_cast<std::int16_t>(pick(0, 12));
    f.distance = static_cast<std::int16_t>(pick(0, 12000));
    f.time = static_cast<std::int16_t>(pick(0, 900));
    f.original_time = static_cast<std::int16_t>(pick(0, 900));
    f.vol = static_cast<float>(pick(0, 40000)) * (pick(0, 1) == 0 ? 1.0f : 0.37f);
    f.capacity = pick(0, 9) == 0 ? 0 : pick(100, 30000);
    f.count = pick(0, 2) == 0 ? 0 : pick(1, 60000);
    f.screenline = static_cast<std::int16_t>(pick(0, 99));
    f.two_way = pick(0, 1) == 0;
    links.push_back(f);
  }
  return links;
}

bool same_bits(const void* a, const void* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

// A run's accumulators and statistics.
struct Sums {
  explicit Sums(bool validation, bool with_stats) : stats(std::make_unique<ValidationStats>()) {
    h.set_varied_rates();
    if (!validation) h.analysis();
    set_default_targets(targets);
    if (validation) {
      stats->reset(targets);
    } else {
      stats->reset_without_counts(targets);
    }
    sums = LinkSums{&h.acc, &h.rates, with_stats ? stats.get() : nullptr, validation, h.classes.nft, h.classes.nat};
  }

  // The statistics' rows, each figure with its kind and exact value.
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    const std::vector<float> zeros(kMaxScreenline + 1, 0.0f);
    for (const StatsRow& r : stats->finish(targets, {zeros, zeros}, h.classes)) {
      std::string line = r.key + "|" + r.label + "|" + std::to_string(static_cast<int>(r.result));
      for (const Figure& f :
           {r.links, r.count_sum, r.volume_sum, r.ratio, r.rmse_pct, r.vmt_count, r.vmt_volume, r.vmt_ratio, r.r2}) {
        char bits[64];
        std::snprintf(bits, sizeof bits, "|%d:%lld:%a", static_cast<int>(f.kind), static_cast<long long>(f.whole_value),
                      f.value);
        line += bits;
      }
      out.push_back(line);
    }
    return out;
  }

  testing::EvaluationHarness h;
  Targets targets;
  std::unique_ptr<ValidationStats> stats;
  LinkSums sums;
};

// Every accumulator the sums add into, bit for bit, and the statistics.
void expect_same_sums(Sums& here, Sums& there) {
  const Accumulators& a = here.h.acc;
  const Accumulators& b = there.h.acc;
  EXPECT_TRUE(same_bits(a.work_area.data(), b.work_area.data(), a.sums.cells_used() * sizeof(float)));
  EXPECT_TRUE(same_bits(&a.user_cost, &b.user_cost, sizeof(float)));
  EXPECT_TRUE(same_bits(&a.maint_cost, &b.maint_cost, sizeof(float)));
  EXPECT_TRUE(same_bits(a.los_miles.data(), b.los_miles.data(), sizeof(a.los_miles)));
  EXPECT_TRUE(same_bits(a.los_vmt.data(), b.los_vmt.data(), sizeof(a.los_vmt)));
  EXPECT_EQ(a.vc_capacity.links, b.vc_capacity.links);
  EXPECT_TRUE(same_bits(a.vc_capacity.vmt.data(), b.vc_capacity.vmt.data(), sizeof(a.vc_capacity.vmt)));
  EXPECT_EQ(a.vc_capacity.no_divisor_links, b.vc_capacity.no_divisor_links);
  EXPECT_EQ(here.rows(), there.rows());
  for (int s = 0; s < kLinkOutcomeCount; ++s) {
    const auto status = static_cast<LinkOutcome>(s);
    EXPECT_EQ(here.stats->status_count(status), there.stats->status_count(status));
  }
  const std::vector<TopLink> top_here = here.stats->top_deviations();
  const std::vector<TopLink> top_there = there.stats->top_deviations();
  ASSERT_EQ(top_here.size(), top_there.size());
  for (std::size_t i = 0; i < top_here.size(); ++i) {
    EXPECT_EQ(top_here[i].record, top_there[i].record);
    EXPECT_TRUE(same_bits(&top_here[i].volume, &top_there[i].volume, sizeof(double)));
  }
}

struct Case {
  const char* name;
  bool validation;
  bool with_stats;
};

TEST(SumsThread, AddsWhatTheLoopsOwnCallsAdd) {
  for (const Case c : {Case{"validation with statistics", true, true}, Case{"validation", true, false},
                       Case{"analysis with statistics", false, true}, Case{"analysis", false, false}}) {
    SCOPED_TRACE(c.name);
    Sums here(c.validation, c.with_stats);   // added on this thread
    Sums there(c.validation, c.with_stats);  // added on a SumsThread
    // Several blocks, the last one partly filled.
    const std::vector<LinkFigures> links = varied_figures(
        here.h.classes.nft, here.h.classes.nat, 3 * static_cast<int>(HandOffRing<LinkFigures>::kBlockItems) + 77);

    for (const LinkFigures& f : links) here.sums(f);
    {
      SumsThread thread(there.sums);
      for (const LinkFigures& f : links) thread.emplace([&f](LinkFigures& to) { to = f; });
      thread.finish();
    }

    expect_same_sums(here, there);

    // The links reached the sums at all, and the statistics when asked to.
    EXPECT_GT(here.h.slot_total(Slot::VOL_ALL), 0.0f);
    EXPECT_GT(here.h.slot_total(Slot::VOL_REF), 0.0f);
    EXPECT_EQ(here.h.slot_total(Slot::FUEL_GAL) > 0.0f, !c.validation);
    EXPECT_EQ(here.h.acc.user_cost > 0.0f, !c.validation);
    EXPECT_EQ(here.stats->status_count(LinkOutcome::kEvaluated) > 0, c.with_stats);
  }
}

// The loop's own thread adds a link from its record and working values,
// without its figures: the same sums as the figures give, for links of every
// outcome through begin_link and finish_link.
TEST(LinkSums, FromTheRecordAddsWhatTheFiguresAdd) {
  for (const Case c : {Case{"validation with statistics", true, true}, Case{"analysis with statistics", false, true}}) {
    SCOPED_TRACE(c.name);
    Sums here(c.validation, c.with_stats);   // from the record
    Sums there(c.validation, c.with_stats);  // from the figures
    std::mt19937 random(11);
    auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int i = 0; i < 5000; ++i) {
      testing::CodedLink coded;
      coded.anode = pick(1, 9000);
      coded.bnode = pick(1, 9000);
      coded.distance = pick(0, 12000);
      // Mostly classified links; connectors and codes without a class among them.
      coded.facility_type = pick(0, 4) == 0 ? pick(0, 60) : pick(1, 9);
      coded.area_type = pick(0, 4) == 0 ? pick(0, 7) : pick(1, 5);
      coded.lanes = pick(0, 6);
      coded.time = pick(0, 900);
      coded.congested_time = pick(0, 3) == 0 ? 0 : pick(1, 900);
      coded.capacity = pick(0, 9) == 0 ? 0 : pick(100, 30000);
      coded.count = pick(0, 2) == 0 ? 0 : pick(1, 60000);
      coded.volume = pick(0, 40000);
      coded.two_way = pick(0, 1) == 0;
      coded.construct = pick(0, 12);
      fixtures::copy_link_attributes(coded, here.h.link);
      LinkValues v = begin_link(here.h.eval, here.h.link, here.h.settings);
      const LinkOutcome outcome = finish_link(here.h.e, here.h.link, v, here.h.settings);
      const std::int64_t record = here.h.eval.counts.read;
      here.sums(here.h.link, v, outcome, record);
      LinkFigures f;
      fill_link_figures(f, here.h.link, v, outcome, record);
      there.sums(f);
    }
    expect_same_sums(here, there);
    // Links of several outcomes reached both.
    EXPECT_GT(here.stats->status_count(LinkOutcome::kEvaluated), 1000);
    EXPECT_GT(here.stats->status_count(LinkOutcome::kConnectorPassedOver), 0);
    EXPECT_GT(here.stats->status_count(LinkOutcome::kUnclassified), 0);
    EXPECT_GT(here.h.slot_total(Slot::VOL_ALL), 0.0f);
  }
}

// The statistics take a handed-on link's status, miles, minutes, volume and
// count apart and form its whole view only when it is counted: the same
// statistics as the view of every link gives.
TEST(LinkSums, StatisticsAreThoseOfEachLinksView) {
  Sums here(true, true);   // LinkSums, from the figures
  Sums there(true, true);  // the measures, and the view of every link
  const std::vector<LinkFigures> links = varied_figures(here.h.classes.nft, here.h.classes.nat, 20000);
  for (const LinkFigures& f : links) {
    here.sums(f);
    add_link_measures(there.h.acc, there.h.rates, f, true);
    there.stats->add_link(stats_link(f, there.h.classes.nft, there.h.classes.nat));
  }
  expect_same_sums(here, there);
  for (int k = 0; k < kDataCheckCount; ++k) {
    EXPECT_EQ(here.stats->check_count(static_cast<DataCheck>(k)), there.stats->check_count(static_cast<DataCheck>(k)));
  }
  EXPECT_EQ(here.stats->mdd_within(), there.stats->mdd_within());
  const auto a = here.stats->scatter();
  const auto b = there.stats->scatter();
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].key, b[i].key);
    EXPECT_EQ(a[i].ft_class, b[i].ft_class);
  }
  // Counted links, links without a count and links of other outcomes.
  EXPECT_GT(here.stats->counted_links(), 5000);
  EXPECT_GT(here.stats->check_count(DataCheck::kNoCount), 2000);
  EXPECT_GT(here.stats->status_count(LinkOutcome::kUnclassified), 100);
}

// Only an evaluated link's measures are added: a link of any other outcome
// still reaches the statistics, but no table.
TEST(SumsThread, LinksNotEvaluatedAddNoMeasure) {
  Sums s(true, true);
  std::vector<LinkFigures> links = varied_figures(s.h.classes.nft, s.h.classes.nat, 500);
  for (LinkFigures& f : links) {
    if (f.status == LinkOutcome::kEvaluated) f.status = LinkOutcome::kUnclassified;
  }
  for (const LinkFigures& f : links) s.sums(f);
  int filled = 0;
  for (std::size_t i = 0; i < s.h.acc.sums.cells_used(); ++i) filled += s.h.acc.work_area[i] != 0.0f ? 1 : 0;
  EXPECT_EQ(filled, 0);
  std::int64_t reached = 0;
  for (int k = 0; k < kLinkOutcomeCount; ++k) reached += s.stats->status_count(static_cast<LinkOutcome>(k));
  EXPECT_EQ(reached, 500);
  EXPECT_EQ(s.stats->status_count(LinkOutcome::kEvaluated), 0);
}

// A link record through begin_link, finish_link and its figures: the
// statistics see the record's own numbers in double, and the classes only
// where the table has them.
TEST(LinkFigures, GiveTheStatisticsTheRecordsNumbers) {
  testing::EvaluationHarness h;
  LinkRecord& r = h.link;
  r.anode = 101;
  r.bnode = 102;
  r.facility_type = 2;
  r.area_type = 3;
  r.lanes = 2;
  r.distance = 1234;        // 12.34 miles
  r.period_times[1] = 777;  // 7.77 minutes congested
  r.time = 555;
  r.count = 16'777'217;  // not a float: the statistics keep it whole
  r.capacity = 2100;
  r.screenline = 7;
  r.volume(1, 1) = 1500;
  LinkValues v = begin_link(h.eval, r, h.settings);
  const LinkOutcome outcome = finish_link(h.e, r, v, h.settings);
  ASSERT_EQ(outcome, LinkOutcome::kEvaluated);
  LinkFigures f;
  fill_link_figures(f, r, v, outcome, 42);

  const StatsLink s = stats_link(f, h.classes.nft, h.classes.nat);
  EXPECT_EQ(s.anode, 101);
  EXPECT_EQ(s.bnode, 102);
  EXPECT_EQ(s.record, 42);
  EXPECT_EQ(s.ft_code, 2);
  EXPECT_EQ(s.at_code, 3);
  EXPECT_EQ(s.ft_class, v.ftc);
  EXPECT_EQ(s.at_class, v.atc);
  EXPECT_EQ(s.screenline, 7);
  EXPECT_EQ(s.status, LinkOutcome::kEvaluated);
  EXPECT_EQ(s.volume, 1500.0);
  EXPECT_EQ(s.count, 16'777'217.0);
  EXPECT_EQ(s.capacity, 2100.0);
  EXPECT_EQ(s.miles, 1234 * 0.01);
  EXPECT_EQ(s.minutes, 777 * 0.01);

  // Classes outside the table are none.
  f.ftc = static_cast<std::int16_t>(h.classes.nft);
  f.atc = 0;
  const StatsLink outside = stats_link(f, h.classes.nft, h.classes.nat);
  EXPECT_EQ(outside.ft_class, 0);
  EXPECT_EQ(outside.at_class, 0);
}

}  // namespace
}  // namespace korvo
