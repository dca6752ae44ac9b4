#include "reports/run_page.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "evaluation/evaluation_harness.h"
#include "evaluation/table_completion.h"
#include "reports/html/html_writer.h"
#include "support/markup_check.h"

namespace korvo {
namespace {

// Synthetic validation statistics: n counted links over facility-type
// classes 1..3 and area-type classes 1..2, plus a few links of each skip
// cause. Link i has count 200 + 37 i and a volume a little off it.
struct SyntheticValidation {
  explicit SyntheticValidation(int n, bool reversed = false) {
    set_default_targets(targets);
    set_default_classes(classes);
    classes.screenline_name[4].assign("River <north> & \"east\"");
    acc = std::make_unique<Accumulators>();
    reset_accumulators(*acc, classes);
    stats = std::make_unique<ValidationStats>();
    stats->reset(targets);
    for (int k = 0; k < n; ++k) {
      const int i = reversed ? n - 1 - k : k;
      StatsLink l;
      l.anode = 1000 + i;
      l.bnode = 2000 + i;
      l.record = i + 1;
      l.ft_class = l.ft_code = 1 + i % 3;
      l.at_class = l.at_code = 1 + i % 2;
      l.count = 200.0 + 37.0 * i;
      l.volume = l.count * (0.8 + 0.05 * (i % 9));
      l.miles = 0.5;
      l.minutes = 1.0;
      stats->add_link(l);
    }
    for (LinkOutcome skip : {LinkOutcome::kUnclassified, LinkOutcome::kConnectorPassedOver}) {
      StatsLink l;
      l.status = skip;
      stats->add_link(l);
    }
    // Two screenlines, one within its MDD and one far outside it.
    acc->screenlines.reference[4] = 50000.0f;
    acc->screenlines.volume[4] = 52000.0f;
    acc->screenlines.reference[7] = 8000.0f;
    acc->screenlines.volume[7] = 16000.0f;
    rows = stats->finish(targets, {acc->screenlines.volume, acc->screenlines.reference}, classes);
  }

  std::string page() const {
    RunPageData d;
    d.header.type = RunType::kValidation;
    d.header.scenario = "05A";
    d.header.titles = {"", "NORDAL CITY 2026", "Base year"};
    d.header.run_date = "04JUL26  09:05:07";
    d.header.input_files = {"PROFILE.MAS", "KVRATES.SYN", "LOADED05A.DBF"};
    d.classes = &classes;
    d.acc = acc.get();
    d.stats = stats.get();
    d.targets = &targets;
    d.rows = rows;
    return run_page(d);
  }

  Targets targets;
  ClassTables classes;
  std::unique_ptr<Accumulators> acc;
  std::unique_ptr<ValidationStats> stats;
  std::vector<StatsRow> rows;
};

std::string section(const std::string& page, const std::string& id) {
  const std::size_t a = page.find("<section class=\"sheet\" id=\"" + id + "\"");
  const std::size_t a_first = page.find("<section class=\"sheet first\" id=\"" + id + "\"");
  const std::size_t from = a != std::string::npos ? a : a_first;
  if (from == std::string::npos) return {};
  return page.substr(from, page.find("</section>", from) - from);
}

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
  return n;
}

TEST(RunPage, ValidationPageIsWellFormedAndShowsEverySection) {
  const SyntheticValidation run(300);
  const std::string page = run.page();
  const auto errors = testing::markup_errors(page);
  if (errors) {
    EXPECT_EQ(*errors, "");
  }
  for (const char* id : {"run", "verdict", "scatter", "count-groups", "vmt-ratio", "screenlines", "largest"}) {
    EXPECT_FALSE(section(page, id).empty()) << id;
  }
  // A planner's text is escaped, never markup.
  EXPECT_NE(page.find("River &lt;north&gt; &amp; &quot;east&quot;"), std::string::npos);
  EXPECT_EQ(page.find("River <north>"), std::string::npos);
  // Nothing is loaded from elsewhere and nothing runs (the SVG namespace
  // is a name, not an address that is fetched).
  std::string rest = page;
  const std::string svg_namespace = "xmlns=\"http://www.w3.org/2000/svg\"";
  for (std::size_t p = rest.find(svg_namespace); p != std::string::npos; p = rest.find(svg_namespace)) {
    rest.erase(p, svg_namespace.size());
  }
  for (const char* outside : {"<script", "<link", "src=", "http:", "https:", "@import", "url(http"}) {
    EXPECT_EQ(rest.find(outside), std::string::npos) << outside;
  }
}

TEST(RunPage, VerdictCardsCarryTheFiguresAndWordsOfTheStatistics) {
  const SyntheticValidation run(300);
  const std::string cards = section(run.page(), "verdict");
  const StatsRow& rmse = run.rows[0];
  const StatsRow& vmt = run.rows[1];
  ASSERT_EQ(rmse.key, "rmse");
  ASSERT_EQ(vmt.key, "vmt");
  EXPECT_NE(cards.find(html::format_number(rmse.rmse_pct.value, {1, true, false}) + "\xC2\xA0%"), std::string::npos);
  EXPECT_NE(cards.find(html::format_number(vmt.vmt_ratio.value, {3, true, false})), std::string::npos);
  // Every verdict's colour comes with its word.
  for (const StatsRow* row : {&rmse, &vmt}) {
    ASSERT_NE(row->result, Verdict::kNone);
    EXPECT_NE(cards.find(">" + std::string(verdict_name(row->result)) + "</span>"), std::string::npos);
  }
  // Without a GEH hour factor the card says why there is no figure.
  EXPECT_NE(cards.find("not computed"), std::string::npos);
}

TEST(RunPage, ScreenlinesAreNamedAndJudgedAgainstTheirMdd) {
  const SyntheticValidation run(50);
  const std::string s = section(run.page(), "screenlines");
  // 52,000 against 50,000 is 4 % off, within the MDD of 50,000 (19.8 %);
  // 16,000 against 8,000 is 100 % off, outside the MDD of 8,000 (39.6 %).
  EXPECT_NE(s.find("+4.0\xC2\xA0%"), std::string::npos);
  EXPECT_NE(s.find("+100.0\xC2\xA0%"), std::string::npos);
  EXPECT_NE(s.find(">acceptable</span>"), std::string::npos);
  EXPECT_NE(s.find(">outside</span>"), std::string::npos);
  EXPECT_GE(occurrences(s, "4 River &lt;north&gt;"), 2u);  // the chart's label and the table's row
  EXPECT_GE(occurrences(s, ">Screenline 7<"), 2u);
}

TEST(RunPage, ScatterIsASampleBeyondTwentyThousandLinksAndTheSameBytesEveryTime) {
  const SyntheticValidation forward(25000);
  const SyntheticValidation again(25000);
  const SyntheticValidation reversed(25000, true);
  const std::string page = forward.page();
  EXPECT_EQ(page, again.page());
  const std::string scatter = section(page, "scatter");
  EXPECT_NE(scatter.find("A sample of 20,000 of 25,000 counted links"), std::string::npos);
  EXPECT_EQ(occurrences(scatter, "h0"), 20000u);
  // The sample is chosen by the links, not by their order in the file.
  EXPECT_EQ(scatter, section(reversed.page(), "scatter"));
  // Bounded whatever the network's size.
  EXPECT_LT(page.size(), 2u * 1024 * 1024);

  const std::string small = section(SyntheticValidation(40).page(), "scatter");
  EXPECT_NE(small.find("All 40 counted links."), std::string::npos);
  EXPECT_EQ(occurrences(small, "h0"), 40u);
}

TEST(RunPage, LargestDeviationsAreListedLargestFirst) {
  const SyntheticValidation run(300);
  const std::string s = section(run.page(), "largest");
  const auto top = run.stats->top_deviations();
  ASSERT_EQ(top.size(), 25u);
  std::size_t last = 0;
  for (const TopLink& t : top) {
    const std::size_t at = s.find(">" + std::to_string(t.anode) + "</td>");
    ASSERT_NE(at, std::string::npos) << t.anode;
    EXPECT_GT(at, last);
    last = at;
  }
}

// An analysis run through the evaluation: the page's level-of-service VMT
// must add up to the report's VMT, and the V/C bins hold the right links.
TEST(RunPage, AnalysisPageAddsUpToTheReportsTotals) {
  testing::EvaluationHarness h;
  h.analysis();
  use_analysis_maps(h.classes);
  reset_accumulators(h.acc, h.classes);
  struct Link {
    int ft;
    std::int32_t volume, capacity;
    int expected_bin;  // -1: no capacity
  };
  static constexpr Link kLinks[] = {
      {1, 500, 1000, 5},   {1, 999, 1000, 9},   {2, 1000, 1000, 10}, {2, 1900, 1000, 19},
      {3, 2000, 1000, 20}, {3, 5000, 1000, 20}, {4, 0, 1000, 0},     {4, 300, 0, -1},
  };
  std::int32_t node = 1;
  for (const Link& l : kLinks) {
    h.link = LinkRecord{};
    h.link.time_slot_count = 1;
    h.link.volume_slot_count = 1;
    h.link.anode = node++;
    h.link.bnode = node++;
    h.link.facility_type = l.ft;
    h.link.area_type = 1;
    h.link.lanes = 2;
    h.link.distance = 150;  // 1.5 miles
    h.link.time = 200;
    h.link.period_times[1] = 250;
    h.link.capacity = l.capacity;
    h.link.volume(1, 1) = l.volume;
    h.process();
  }
  complete_tables(h.acc, h.rates, false, true);
  const VcDistribution& vc = h.acc.vc_capacity;
  std::array<std::int64_t, VcDistribution::kBins> expected{};
  for (const Link& l : kLinks) {
    if (l.expected_bin >= 0) ++expected[static_cast<std::size_t>(l.expected_bin)];
  }
  EXPECT_EQ(vc.links, expected);
  EXPECT_EQ(vc.no_divisor_links, 1);
  const EvalSums& sums = h.acc.sums;
  const double vmt = sums.at(sums.nft(), sums.nat(), kLaneClassCount, Slot::VMT_ALL);
  EXPECT_NEAR(h.acc.los_vmt[static_cast<std::size_t>(sums.nft())][kLosLevels], vmt, vmt * 1e-6);
  EXPECT_DOUBLE_EQ(h.acc.los_vmt[3][6], (2000.0 + 5000.0) * 1.5);  // level F: both links of class 3

  auto stats = std::make_unique<ValidationStats>();
  Targets targets;
  set_default_targets(targets);
  stats->reset(targets);
  RunPageData d;
  d.header.type = RunType::kAnalysis;
  d.header.scenario = "45A";
  d.classes = &h.classes;
  d.acc = &h.acc;
  d.stats = stats.get();
  d.targets = &targets;
  const std::string page = run_page(d);
  const auto errors = testing::markup_errors(page);
  if (errors) {
    EXPECT_EQ(*errors, "");
  }
  for (const char* id : {"run", "level-of-service", "vc-distribution", "impacts", "costs"}) {
    EXPECT_FALSE(section(page, id).empty()) << id;
  }
  EXPECT_EQ(section(page, "verdict"), "");
  // The Total row of the level-of-service table: the report's VMT.
  EXPECT_NE(section(page, "level-of-service").find(html::format_number(vmt, {0, true, false})), std::string::npos);
}

}  // namespace
}  // namespace korvo
