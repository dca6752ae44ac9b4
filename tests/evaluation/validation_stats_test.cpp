#include "evaluation/validation_stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/allocation_counter.h"

namespace korvo {
namespace {

// A counted or uncounted evaluated link; 60 mph unless said.
StatsLink link(std::int64_t record, int ftc, int atc, double v, double c, double miles = 1.0, int screenline = 0) {
  StatsLink l;
  l.anode = static_cast<std::int32_t>(record);
  l.bnode = static_cast<std::int32_t>(record + 1);
  l.record = record;
  l.ft_code = ftc;
  l.at_code = atc;
  l.ft_class = ftc;
  l.at_class = atc;
  l.screenline = screenline;
  l.volume = v;
  l.count = c;
  l.capacity = 1000;
  l.miles = miles;
  l.minutes = miles;
  return l;
}

Targets default_targets() {
  Targets t;
  set_default_targets(t);
  return t;
}

Targets targets_from(const std::string& text) {
  TextReader in = TextReader::from_memory(text, kTargetsFile);
  Targets t;
  read_targets(in, t);
  return t;
}

ClassTables labels() {
  ClassTables c;
  c.nft = 10;
  c.nat = 6;
  c.ft_class_label[1].assign("Freeway");
  c.ft_class_label[2].assign("Div Art");
  c.at_class_label[1].assign("  CBD");
  c.at_class_label[2].assign("Fringe, inner");
  c.screenline_name[3].assign("River crossings");
  c.screenline_name[9].assign("Rail \"north\"");
  return c;
}

struct Screens {
  std::array<float, 100> volume{};
  std::array<float, 100> reference{};
  ScreenlineTotals totals() const { return {volume, reference}; }
};

const StatsRow* find(const std::vector<StatsRow>& rows, StatsSection section, const std::string& key) {
  for (const StatsRow& r : rows) {
    if (r.section == section && r.key == key) return &r;
  }
  return nullptr;
}

double value(const Figure& f) {
  EXPECT_TRUE(f.has_value());
  return f.kind == Figure::Kind::kWhole ? static_cast<double>(f.whole_value) : f.value;
}

// The ValidationStats object is large: on the heap, as a run holds it.
std::unique_ptr<ValidationStats> make_stats(const Targets& t) {
  auto s = std::make_unique<ValidationStats>();
  s->reset(t);
  return s;
}

// Four counted links (V, C, d) on two FT and two AT classes:
//   1: FT 1 AT 1  110, 100, 1     (screenline 3)
//   2: FT 1 AT 1  190, 200, 2     (screenline 3)
//   3: FT 2 AT 2  300, 300, 0.5
//   4: FT 5 AT 2  520, 400, 0
TEST(ValidationStats, WorkedNetworkGivesEverySection) {
  const Targets targets = default_targets();
  auto stats = make_stats(targets);
  stats->add_link(link(1, 1, 1, 110, 100, 1, 3));
  stats->add_link(link(2, 1, 1, 190, 200, 2, 3));
  stats->add_link(link(3, 2, 2, 300, 300, 0.5));
  StatsLink l4 = link(4, 5, 2, 520, 400, 0);
  stats->add_link(l4);
  Screens sl;
  sl.volume[3] = 300;  // the report's totals of screenline 3: links 1 and 2
  sl.reference[3] = 300;
  sl.volume[4] = 50;  // printed by the report, but no count: no row
  sl.volume[9] = 7000;
  sl.reference[9] = 5000;
  sl.volume[11] = 120000;
  sl.reference[11] = 100000;
  const auto rows = stats->finish(targets, sl.totals(), labels());

  // The sections in order, with their keys.
  std::vector<std::string> order;
  for (const StatsRow& r : rows) order.push_back(std::string(stats_section_name(r.section)) + " " + r.key);
  const std::vector<std::string> expected_order = {"areawide rmse",
                                                   "areawide vmt",
                                                   "count_group 0-4999",
                                                   "count_group 5000-9999",
                                                   "count_group 10000-14999",
                                                   "count_group 15000-19999",
                                                   "count_group 20000-29999",
                                                   "count_group 30000-49999",
                                                   "count_group 50000-59999",
                                                   "count_group 60000+",
                                                   "ft_class 1",
                                                   "ft_class 2",
                                                   "ft_class 5",
                                                   "at_class 1",
                                                   "at_class 2",
                                                   "screenline 3",
                                                   "screenline 9",
                                                   "screenline 11",
                                                   "geh not_computed",
                                                   "mdd within",
                                                   "check unclassified",
                                                   "check connector_passed_over",
                                                   "check zero_time_passed_over",
                                                   "check location_deselected",
                                                   "check counted_zero_volume",
                                                   "check no_count",
                                                   "check speed_implausible"};
  EXPECT_EQ(order, expected_order);

  // Areawide: ΣV = 1120, ΣC = 1000, ratio 1.12.
  //   (V - C)² = 100 + 100 + 0 + 14400 = 14600; sqrt(14600 / 3) = 69.7615;
  //   ΣC / n = 250; %RMSE = 69.7615 / 250 x 100 = 27.9046.
  //   ΣVd = 110 + 380 + 150 + 0 = 640, ΣCd = 100 + 400 + 150 + 0 = 650.
  //   Means 280 and 250; deviations V -170 -90 20 240, C -150 -50 50 150;
  //   Sxy = 25500 + 4500 + 1000 + 36000 = 67000, Sxx = 95000, Syy = 50000;
  //   r² = 67000² / (95000 x 50000) = 0.945053.
  const StatsRow& rmse = *find(rows, StatsSection::kAreawide, "rmse");
  EXPECT_EQ(rmse.label, "All counted links");
  EXPECT_EQ(value(rmse.links), 4);
  EXPECT_EQ(value(rmse.count_sum), 1000);
  EXPECT_EQ(value(rmse.volume_sum), 1120);
  EXPECT_DOUBLE_EQ(value(rmse.ratio), 1.12);
  EXPECT_DOUBLE_EQ(value(rmse.rmse_pct), 27.904599381941804);
  EXPECT_EQ(value(rmse.vmt_count), 650);
  EXPECT_EQ(value(rmse.vmt_volume), 640);
  EXPECT_DOUBLE_EQ(value(rmse.vmt_ratio), 640.0 / 650.0);
  EXPECT_NEAR(value(rmse.r2), 67000.0 * 67000.0 / (95000.0 * 50000.0), 1e-12);
  // 27.9 <= 35 (AREA RMSE 45 / 35): preferable.
  EXPECT_EQ(value(rmse.target_acceptable), 45);
  EXPECT_EQ(value(rmse.target_preferable), 35);
  EXPECT_EQ(rmse.result, Verdict::kPreferable);
  // The VMT row: same sums; |640 - 650| / 650 = 1.54 % <= 2 (AREA VMT 5 / 2).
  const StatsRow& vmt = *find(rows, StatsSection::kAreawide, "vmt");
  EXPECT_EQ(value(vmt.links), 4);
  EXPECT_DOUBLE_EQ(value(vmt.rmse_pct), 27.904599381941804);
  EXPECT_EQ(value(vmt.target_acceptable), 5);
  EXPECT_EQ(value(vmt.target_preferable), 2);
  EXPECT_EQ(vmt.result, Verdict::kPreferable);

  // Every count lies below 5000: the first group holds the areawide sums,
  // the other groups are written empty with their targets.
  const StatsRow& g1 = *find(rows, StatsSection::kCountGroup, "0-4999");
  EXPECT_EQ(g1.label, "Counts 0 to 4999");
  EXPECT_EQ(value(g1.links), 4);
  EXPECT_DOUBLE_EQ(value(g1.rmse_pct), 27.904599381941804);
  EXPECT_EQ(g1.result, Verdict::kPreferable);  // 27.9 <= 45
  const StatsRow& open = *find(rows, StatsSection::kCountGroup, "60000+");
  EXPECT_EQ(open.label, "Counts 60000 and above");
  EXPECT_EQ(value(open.links), 0);
  for (const Figure* f : {&open.count_sum, &open.volume_sum, &open.ratio, &open.rmse_pct, &open.vmt_count,
                          &open.vmt_volume, &open.vmt_ratio, &open.r2}) {
    EXPECT_FALSE(f->has_value());
  }
  EXPECT_EQ(value(open.target_acceptable), 19);
  EXPECT_EQ(open.result, Verdict::kNone);

  // FT 1: links 1 and 2. ΣV = ΣC = 300; sqrt((100 + 100) / 1) = 14.142,
  // ΣC / n = 150: %RMSE 9.428; ΣVd = 490, ΣCd = 500: VMT ratio 0.98, 2 % <= 6
  // (FT 1: 7 / 6). Two points lie on a line: r² = 1.
  const StatsRow& ft1 = *find(rows, StatsSection::kFtClass, "1");
  EXPECT_EQ(ft1.label, "Freeway");
  EXPECT_EQ(value(ft1.links), 2);
  EXPECT_DOUBLE_EQ(value(ft1.ratio), 1.0);
  EXPECT_DOUBLE_EQ(value(ft1.rmse_pct), 9.428090415820634);
  EXPECT_DOUBLE_EQ(value(ft1.vmt_ratio), 0.98);
  EXPECT_DOUBLE_EQ(value(ft1.r2), 1.0);
  EXPECT_EQ(ft1.result, Verdict::kPreferable);
  // FT 2: one link (n < 2): ratio and VMT ratio 1, no %RMSE, no r².
  const StatsRow& ft2 = *find(rows, StatsSection::kFtClass, "2");
  EXPECT_EQ(value(ft2.links), 1);
  EXPECT_DOUBLE_EQ(value(ft2.ratio), 1.0);
  EXPECT_FALSE(ft2.rmse_pct.has_value());
  EXPECT_FALSE(ft2.r2.has_value());
  EXPECT_DOUBLE_EQ(value(ft2.vmt_ratio), 1.0);
  EXPECT_EQ(value(ft2.target_acceptable), 15);
  EXPECT_EQ(ft2.result, Verdict::kPreferable);
  // FT 5: no target, and no miles (d = 0): VMT sums 0, no VMT ratio, no verdict.
  const StatsRow& ft5 = *find(rows, StatsSection::kFtClass, "5");
  EXPECT_EQ(ft5.label, "");
  EXPECT_DOUBLE_EQ(value(ft5.ratio), 1.3);
  EXPECT_EQ(value(ft5.vmt_count), 0);
  EXPECT_FALSE(ft5.vmt_ratio.has_value());
  EXPECT_FALSE(ft5.target_acceptable.has_value());
  EXPECT_EQ(ft5.result, Verdict::kNone);

  // AT 1 has FT 1's links; its label is trimmed on both sides.
  const StatsRow& at1 = *find(rows, StatsSection::kAtClass, "1");
  EXPECT_EQ(at1.label, "CBD");
  EXPECT_DOUBLE_EQ(value(at1.rmse_pct), 9.428090415820634);
  // AT 2: links 3 and 4. ΣV = 820, ΣC = 700, ratio 1.1714; (0 + 14400) / 1,
  // sqrt = 120, ΣC / n = 350: %RMSE 34.29; ΣVd = ΣCd = 150: VMT ratio 1,
  // preferable (AT 25 / 15).
  const StatsRow& at2 = *find(rows, StatsSection::kAtClass, "2");
  EXPECT_EQ(at2.label, "Fringe, inner");
  EXPECT_DOUBLE_EQ(value(at2.ratio), 820.0 / 700.0);
  EXPECT_DOUBLE_EQ(value(at2.rmse_pct), 120.0 / 350.0 * 100.0);
  EXPECT_DOUBLE_EQ(value(at2.vmt_ratio), 1.0);
  EXPECT_EQ(value(at2.target_acceptable), 25);
  EXPECT_EQ(at2.result, Verdict::kPreferable);

  // Screenline 3: the report's totals 300 / 300, two counted links;
  // MDD(300) = 1165 x 300^-0.37752 = 135.26 %.
  const StatsRow& s3 = *find(rows, StatsSection::kScreenline, "3");
  EXPECT_EQ(s3.label, "River crossings");
  EXPECT_EQ(value(s3.links), 2);
  EXPECT_EQ(s3.count_sum.kind, Figure::Kind::kFloat);
  EXPECT_EQ(value(s3.count_sum), 300);
  EXPECT_EQ(value(s3.volume_sum), 300);
  EXPECT_DOUBLE_EQ(value(s3.ratio), 1.0);
  EXPECT_DOUBLE_EQ(value(s3.target_acceptable), 135.25804605096653);
  EXPECT_FALSE(s3.target_preferable.has_value());
  EXPECT_EQ(s3.result, Verdict::kAcceptable);
  // Screenline 9: 7000 / 5000 = 1.4, 40 % <= MDD(5000) = 46.76 %.
  const StatsRow& s9 = *find(rows, StatsSection::kScreenline, "9");
  EXPECT_EQ(s9.label, "Rail \"north\"");
  EXPECT_EQ(value(s9.links), 0);
  EXPECT_DOUBLE_EQ(value(s9.ratio), 1.4);
  EXPECT_DOUBLE_EQ(value(s9.target_acceptable), 46.76175146472197);
  EXPECT_EQ(s9.result, Verdict::kAcceptable);
  // Screenline 11: 120000 / 100000 = 1.2, 20 % > MDD(100000) = 15.7 - 2 = 13.7 %.
  const StatsRow& s11 = *find(rows, StatsSection::kScreenline, "11");
  EXPECT_DOUBLE_EQ(value(s11.target_acceptable), 13.7);
  EXPECT_EQ(s11.result, Verdict::kOutside);

  // No hour factor: one GEH row that says why.
  const StatsRow& geh_row = *find(rows, StatsSection::kGeh, "not_computed");
  EXPECT_EQ(geh_row.label, "GEH needs hourly flows: set GEH hourfactor share in KVTARGET.SYN");
  EXPECT_FALSE(geh_row.links.has_value());
  // MDD: 10 %, 5 %, 0 %, 30 % against MDD(100) = 204.8, MDD(200), MDD(300),
  // MDD(400) = 121.3: all within.
  const StatsRow& mdd = *find(rows, StatsSection::kMdd, "within");
  EXPECT_EQ(value(mdd.links), 4);
  EXPECT_EQ(value(mdd.ratio), 1.0);
  // Every check row is written, 0 included.
  const StatsRow& no_count = *find(rows, StatsSection::kCheck, "no_count");
  EXPECT_EQ(value(no_count.links), 0);
  EXPECT_FALSE(no_count.label.empty());
}

TEST(ValidationStats, CountGroupEdgesSmallGroupsAndZeroVariance) {
  const Targets targets = default_targets();
  auto stats = make_stats(targets);
  stats->add_link(link(1, 1, 1, 5099, 4999));      // 0-4999, its upper edge
  stats->add_link(link(2, 1, 1, 5500, 5000));      // 5000-9999, its lower edge
  stats->add_link(link(3, 1, 1, 4600, 5000));      //   the same count again
  stats->add_link(link(4, 1, 1, 66000, 60000));    // 60000+
  stats->add_link(link(5, 1, 1, 250000, 250000));  //   open above
  const auto rows = stats->finish(targets, Screens{}.totals(), labels());

  // One link (n < 2): a ratio, no %RMSE, no r², no verdict on %RMSE.
  const StatsRow& low = *find(rows, StatsSection::kCountGroup, "0-4999");
  EXPECT_EQ(value(low.links), 1);
  EXPECT_DOUBLE_EQ(value(low.ratio), 5099.0 / 4999.0);
  EXPECT_FALSE(low.rmse_pct.has_value());
  EXPECT_FALSE(low.r2.has_value());
  EXPECT_EQ(low.result, Verdict::kNone);

  // 5000-9999: both counts 5000, so C has no variance: r² empty, %RMSE not.
  //   sqrt((500² + 400²) / 1) = sqrt(410000) = 640.31; ΣC / n = 5000:
  //   %RMSE = 12.806 <= 35: preferable.
  const StatsRow& mid = *find(rows, StatsSection::kCountGroup, "5000-9999");
  EXPECT_EQ(value(mid.links), 2);
  EXPECT_DOUBLE_EQ(value(mid.rmse_pct), std::sqrt(410000.0) / 5000.0 * 100.0);
  EXPECT_FALSE(mid.r2.has_value());
  EXPECT_EQ(mid.result, Verdict::kPreferable);

  // 60000+: sqrt((6000² + 0) / 1) = 6000; ΣC / n = 155000: 3.871 % <= 10.
  const StatsRow& open = *find(rows, StatsSection::kCountGroup, "60000+");
  EXPECT_EQ(value(open.links), 2);
  EXPECT_DOUBLE_EQ(value(open.rmse_pct), 6000.0 / 155000.0 * 100.0);
  EXPECT_EQ(open.result, Verdict::kPreferable);

  EXPECT_EQ(value(find(rows, StatsSection::kCountGroup, "10000-14999")->links), 0);

  // A constant volume has no variance either.
  auto flat = make_stats(targets);
  flat->add_link(link(1, 1, 1, 1000, 900));
  flat->add_link(link(2, 1, 1, 1000, 1100));
  EXPECT_FALSE(flat->areawide().r2().has_value());
  EXPECT_TRUE(flat->areawide().rmse_pct().has_value());
}

// Each link goes to the group a scan of every group gives, for every group
// count up to the limit: groups with gaps between them or none, an open last
// group or not, and counts on, beside and between the groups' ends.
TEST(ValidationStats, CountGroupIsTheOneAScanFinds) {
  std::mt19937_64 random(5);
  for (int groups = 1; groups <= kMaxTargetLines; ++groups) {
    Targets targets = default_targets();
    targets.group_count = groups;
    std::int64_t lo = static_cast<std::int64_t>(random() % 3) * 100;
    for (int k = 0; k < groups; ++k) {
      CountGroup& g = targets.groups[static_cast<std::size_t>(k)];
      g.lo = lo;
      g.hi = lo + 1 + static_cast<std::int64_t>(random() % 500);
      // The next group starts right above this one or after a gap.
      lo = g.hi + 1 + static_cast<std::int64_t>(random() % 2) * static_cast<std::int64_t>(random() % 300);
      g.open = k == groups - 1 && groups % 2 == 0;
      if (g.open) g.hi = std::numeric_limits<std::int64_t>::max();
    }
    std::vector<double> counts{0.5, 1e9};
    for (int k = 0; k < groups; ++k) {
      const CountGroup& g = targets.groups[static_cast<std::size_t>(k)];
      const auto low = static_cast<double>(g.lo);
      const auto high = static_cast<double>(g.hi);
      for (double c : {low - 0.5, low, low + 0.5, high - 0.5, high, high + 0.5}) {
        if (c > 0 && c < 1e12) counts.push_back(c);
      }
    }
    auto stats = make_stats(targets);
    std::vector<std::int64_t> expected(static_cast<std::size_t>(groups), 0);
    for (std::size_t i = 0; i < counts.size(); ++i) {
      const double c = counts[i];
      stats->add_link(link(static_cast<std::int64_t>(i) + 1, 1, 1, c, c));
      for (int k = 0; k < groups; ++k) {
        const CountGroup& g = targets.groups[static_cast<std::size_t>(k)];
        if (c >= static_cast<double>(g.lo) && c <= static_cast<double>(g.hi)) ++expected[static_cast<std::size_t>(k)];
      }
    }
    for (int k = 0; k < groups; ++k) {
      ASSERT_EQ(stats->count_group(k).n, expected[static_cast<std::size_t>(k)]) << groups << " groups, group " << k;
    }
  }
}

TEST(ValidationStats, TargetsFileReplacingOneKindChangesOnlyThoseRows) {
  // FT 2 gets 10 / 5; FT 1 loses its default; AT keeps 25 / 15; one RMSE
  // group with a gap below it: a count of 500 belongs to no group.
  const Targets targets = targets_from("FT 2 10 5\nRMSE 1000 - 50 40\n");
  auto stats = make_stats(targets);
  stats->add_link(link(1, 1, 1, 1100, 1000));
  stats->add_link(link(2, 2, 1, 1080, 1000));
  stats->add_link(link(3, 2, 1, 600, 500));
  const auto rows = stats->finish(targets, Screens{}.totals(), labels());

  const StatsRow& ft1 = *find(rows, StatsSection::kFtClass, "1");
  EXPECT_FALSE(ft1.target_acceptable.has_value());
  EXPECT_EQ(ft1.result, Verdict::kNone);
  const StatsRow& ft2 = *find(rows, StatsSection::kFtClass, "2");
  EXPECT_EQ(value(ft2.target_acceptable), 10);
  EXPECT_EQ(value(ft2.target_preferable), 5);
  // (1080 + 600) / (1000 + 500) = 1.12: 12 % > 10: outside.
  EXPECT_DOUBLE_EQ(value(ft2.vmt_ratio), 1.12);
  EXPECT_EQ(ft2.result, Verdict::kOutside);
  EXPECT_EQ(value(find(rows, StatsSection::kAtClass, "1")->target_acceptable), 25);

  ASSERT_EQ(find(rows, StatsSection::kCountGroup, "0-4999"), nullptr);
  const StatsRow& group = *find(rows, StatsSection::kCountGroup, "1000+");
  EXPECT_EQ(value(group.links), 2);  // links 1 and 2; link 3 (500) is in no group
  EXPECT_EQ(value(find(rows, StatsSection::kAreawide, "rmse")->links), 3);
}

TEST(ValidationStats, MddAtItsBreakpoints) {
  struct Case {
    double x;
    double percent;  // worked out below
  };
  const Case cases[] = {
      {1000, 85.85506579180195},    // 1165 x 1000^-0.37752 = 1165 x e^(-2.60782)
      {50000, 19.60517707953008},   // 1165 x 50000^-0.37752, the last count of the first piece
      {50001, 20.54825318464289},   // 40000 x 50001^-0.7
      {90000, 13.617275834668474},  // 40000 x 90000^-0.7, the last count of the second piece
      {90001, 13.89998},            // 15.7 - 0.00002 x 90001 = 15.7 - 1.80002
      {499999, 5.70002},            // 15.7 - 9.99998
      {500000, 5.7},                // 15.7 - 10
      {600000, 5.7},                // 15.7 - 12 = 3.7, held at 5.7
  };
  for (const Case& c : cases) EXPECT_NEAR(mdd_percent(c.x).value(), c.percent, 1e-9) << c.x;
  EXPECT_FALSE(mdd_percent(0).has_value());
  EXPECT_FALSE(mdd_percent(-5).has_value());
}

TEST(ValidationStats, GehWithAndWithoutHourFactor) {
  struct Case {
    double v, c, h, geh;
  };
  const Case cases[] = {
      {1100, 1000, 1, std::sqrt(2 * 100.0 * 100.0 / 2100)},  // daily flows: 3.086
      {1100, 1000, 0.1, std::sqrt(2 * 10.0 * 10.0 / 210)},   // hourly: 110 vs 100, 0.976
      {75, 25, 0.5, 5},                                      // 2 x 25² / 50 = 25
      {300, 100, 0.5, 10},                                   // 2 x 100² / 200 = 100
      {0, 0, 0.1, 0},                                        // no flow: 0
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(geh(c.v, c.c, c.h), c.geh) << c.v << " " << c.c << " " << c.h;

  // With an hour factor of 0.5: GEH 5 and 10 fall into the upper bins.
  //   link 1: 37.5 vs 12.5: GEH 5, "5to10"; link 2: 150 vs 50: 10, "ge10";
  //   link 3: 50 vs 50: 0; link 4: 55 vs 50: 0.69: both "lt5".
  const Targets targets = targets_from("GEH 0.5 50\n");
  auto stats = make_stats(targets);
  stats->add_link(link(1, 1, 1, 75, 25));
  stats->add_link(link(2, 1, 1, 300, 100));
  stats->add_link(link(3, 1, 1, 100, 100));
  stats->add_link(link(4, 1, 1, 110, 100));
  auto rows = stats->finish(targets, Screens{}.totals(), labels());
  EXPECT_EQ(find(rows, StatsSection::kGeh, "not_computed"), nullptr);
  const StatsRow& lt5 = *find(rows, StatsSection::kGeh, "lt5");
  EXPECT_EQ(value(lt5.links), 2);
  EXPECT_EQ(value(lt5.ratio), 0.5);
  EXPECT_EQ(value(lt5.target_acceptable), 50);
  EXPECT_EQ(lt5.result, Verdict::kAcceptable);  // 2 of 4 is exactly 50 %
  EXPECT_EQ(value(find(rows, StatsSection::kGeh, "5to10")->links), 1);
  EXPECT_EQ(value(find(rows, StatsSection::kGeh, "5to10")->ratio), 0.25);
  EXPECT_EQ(value(find(rows, StatsSection::kGeh, "ge10")->links), 1);
  EXPECT_FALSE(find(rows, StatsSection::kGeh, "ge10")->target_acceptable.has_value());

  // The default share of 85 % is missed by the same links.
  const Targets strict = targets_from("GEH 0.5 85\n");
  stats->reset(strict);
  for (int r = 1; r <= 4; ++r) stats->add_link(link(r, 1, 1, r == 1 ? 75 : 100, r == 1 ? 25 : 100));
  rows = stats->finish(strict, Screens{}.totals(), labels());
  EXPECT_EQ(find(rows, StatsSection::kGeh, "lt5")->result, Verdict::kOutside);  // 3 of 4 = 75 %
}

TEST(ValidationStats, MddWithinCountsEachLinkAgainstItsOwnCount) {
  // MDD(1000) = 85.855 %: 1850 (85 %) is within, 1900 (90 %) not.
  // MDD(100000) = 13.7 %: 113000 (13 %) is within, 114000 (14 %) not.
  const Targets targets = default_targets();
  auto stats = make_stats(targets);
  stats->add_link(link(1, 1, 1, 1850, 1000));
  stats->add_link(link(2, 1, 1, 1900, 1000));
  stats->add_link(link(3, 1, 1, 113000, 100000));
  stats->add_link(link(4, 1, 1, 114000, 100000));
  stats->add_link(link(5, 1, 1, 150, 1000));  // 85 % under: within
  EXPECT_EQ(stats->mdd_within(), 3);
  const auto rows = stats->finish(targets, Screens{}.totals(), labels());
  EXPECT_EQ(value(find(rows, StatsSection::kMdd, "within")->ratio), 0.6);
}

// The table's answer against the plain rule, at the curve of every whole
// count up to past the last piece with a pow() (where a table bound that is
// off would show), a hair on each side of it, at the floor, and at random
// counts with fractions.
TEST(ValidationStats, MddCheckGivesThePlainRulesAnswer) {
  const MddCheck check;
  std::int64_t within = 0;
  std::int64_t compared = 0;
  auto same = [&](double deviation_pct, double c) {
    const bool plain = within_mdd(deviation_pct, c);
    ++compared;
    within += plain ? 1 : 0;
    if (check.within(deviation_pct, c) == plain) return true;
    ADD_FAILURE() << "deviation " << deviation_pct << " % of count " << c;
    return false;
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (int count = 1; count <= 100000; ++count) {
    const auto c = static_cast<double>(count);
    const double m = mdd_percent(c).value();
    const double deviations[] = {m,
                                 std::nextafter(m, 0.0),
                                 std::nextafter(m, kInf),
                                 m * 0.999,
                                 m * 1.001,
                                 m * 0.98,
                                 m * 1.02,
                                 5.7,
                                 std::nextafter(5.7, kInf),
                                 0.0};
    for (double d : deviations) {
      if (!same(d, c)) return;
    }
  }
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> count_of(0.0, 120000.0);
  std::uniform_real_distribution<double> scale(0.9, 1.1);
  for (int k = 0; k < 200000; ++k) {
    const double c = count_of(random);
    const double m = mdd_percent(c).value_or(0);
    if (!same(m * scale(random), c)) return;
  }
  // Neither answer is the same throughout, and odd inputs agree too.
  EXPECT_GT(within, compared / 4);
  EXPECT_LT(within, compared * 3 / 4);
  for (double c : {0.0, 0.5, -3.0, std::numeric_limits<double>::quiet_NaN(), kInf}) {
    for (double d : {0.0, 6.0, 1e9, std::numeric_limits<double>::quiet_NaN()}) same(d, c);
  }
}

// The sample against a sort of every key: wide keys, keys that tie by the
// thousand, keys in falling order (each a candidate), the largest key, and
// streams shorter than, equal to and just past the limit and the buffer.
TEST(ValidationStats, ScatterSampleKeepsTheSmallestKeys) {
  constexpr std::size_t kLimit = ScatterSample::kLimit;
  enum class Keys { kRandom, kFewValues, kFalling, kTopValues };
  struct Case {
    std::size_t n;
    Keys keys;
    bool look_midway;  // read the points halfway through as well
  };
  const Case cases[] = {
      {0, Keys::kRandom, false},
      {1, Keys::kRandom, false},
      {kLimit - 1, Keys::kRandom, true},
      {kLimit, Keys::kRandom, false},
      {kLimit + 1, Keys::kRandom, false},
      {2 * kLimit, Keys::kRandom, false},
      {2 * kLimit + 1, Keys::kRandom, true},
      {150000, Keys::kRandom, true},
      {150000, Keys::kFewValues, true},
      {90000, Keys::kFalling, false},
      {50000, Keys::kTopValues, false},
  };
  auto sample = std::make_unique<ScatterSample>();
  for (const Case& c : cases) {
    sample->clear();
    std::mt19937_64 random(c.n);
    std::vector<std::uint64_t> keys(c.n);
    for (std::size_t i = 0; i < c.n; ++i) {
      switch (c.keys) {
        case Keys::kRandom: keys[i] = random(); break;
        case Keys::kFewValues: keys[i] = random() % 40; break;
        case Keys::kFalling: keys[i] = c.n - i; break;
        case Keys::kTopValues: keys[i] = ~std::uint64_t{0} - random() % 3; break;
      }
    }
    for (std::size_t i = 0; i < c.n; ++i) {
      if (c.look_midway && i == c.n / 2) (void)sample->points();
      if (!sample->wants(keys[i])) continue;
      ScatterPoint p{};
      p.key = keys[i];
      p.volume = static_cast<float>(i);  // which point it is
      sample->add(p);
    }
    const auto points = sample->points();
    std::vector<std::uint64_t> kept;
    std::set<std::size_t> offered;
    for (const ScatterPoint& p : points) {
      const auto i = static_cast<std::size_t>(p.volume);
      ASSERT_LT(i, c.n);
      EXPECT_EQ(p.key, keys[i]) << "a point with another's key";
      EXPECT_TRUE(offered.insert(i).second) << "point " << i << " kept twice";
      kept.push_back(p.key);
    }
    std::sort(kept.begin(), kept.end());
    std::sort(keys.begin(), keys.end());
    keys.resize(std::min(c.n, kLimit));
    EXPECT_EQ(kept, keys) << c.n << " points, key kind " << static_cast<int>(c.keys);
  }
}

TEST(ValidationStats, DataChecksCountEveryLinkRecord) {
  const Targets targets = default_targets();
  auto stats = make_stats(targets);
  auto with_status = [](std::int64_t record, LinkOutcome status) {
    StatsLink l = link(record, 1, 1, 500, 400);
    l.status = status;
    return l;
  };
  stats->add_link(with_status(1, LinkOutcome::kUnclassified));
  stats->add_link(with_status(2, LinkOutcome::kConnectorPassedOver));
  stats->add_link(with_status(3, LinkOutcome::kConnectorPassedOver));
  stats->add_link(with_status(4, LinkOutcome::kZeroTimePassedOver));
  stats->add_link(with_status(5, LinkOutcome::kLocationDeselected));
  stats->add_link(link(6, 1, 1, 500, 0));   // evaluated, no count
  stats->add_link(link(7, 1, 1, 500, -1));  // a negative count is no count either
  stats->add_link(link(8, 1, 1, 0, 400));   // counted, no volume
  // Speeds: 150 and 1.5 mph are implausible; 120 and 2 mph are the limits.
  auto timed = [](std::int64_t record, double miles, double minutes) {
    StatsLink l = link(record, 1, 1, 500, 400, miles);
    l.minutes = minutes;
    return l;
  };
  stats->add_link(timed(9, 1, 0.4));  // 150 mph
  stats->add_link(timed(10, 1, 40));  // 1.5 mph
  stats->add_link(timed(11, 2, 1));   // 120 mph
  stats->add_link(timed(12, 1, 30));  // 2 mph
  stats->add_link(timed(13, 0, 5));   // no distance: not checked
  stats->add_link(timed(14, 1, 0));   // no time: not checked

  EXPECT_EQ(stats->counted_links(), 7);  // records 8..14; the others are not evaluated or not counted
  const auto rows = stats->finish(targets, Screens{}.totals(), labels());
  struct Case {
    const char* key;
    std::int64_t links;
  };
  const Case cases[] = {{"unclassified", 1},        {"connector_passed_over", 2}, {"zero_time_passed_over", 1},
                        {"location_deselected", 1}, {"counted_zero_volume", 1},   {"no_count", 2},
                        {"speed_implausible", 2}};
  for (const Case& c : cases) EXPECT_EQ(value(find(rows, StatsSection::kCheck, c.key)->links), c.links) << c.key;
}

TEST(ValidationStats, VerdictRule) {
  TargetPair t{true, 5, 2};
  struct Case {
    double a, b;
    Verdict verdict;
  };
  const Case cases[] = {
      {102, 100, Verdict::kPreferable},  // 2 %: the preferable edge
      {98, 100, Verdict::kPreferable},  {103, 100, Verdict::kAcceptable},
      {105, 100, Verdict::kAcceptable},  // 5 %: the acceptable edge (1.05 - 1 is 5.0000000000000044 %)
      {95, 100, Verdict::kAcceptable},  {106, 100, Verdict::kOutside},
      {0, 100, Verdict::kOutside},      {100, 0, Verdict::kNone},  // no divisor, no figure
  };
  for (const Case& c : cases) EXPECT_EQ(ratio_verdict(c.a, c.b, t), c.verdict) << c.a << "/" << c.b;
  EXPECT_EQ(ratio_verdict(100, 100, TargetPair{}), Verdict::kNone);

  EXPECT_EQ(rmse_verdict(35.0, TargetPair{true, 45, 35}), Verdict::kPreferable);
  EXPECT_EQ(rmse_verdict(35.5, TargetPair{true, 45, 35}), Verdict::kAcceptable);
  EXPECT_EQ(rmse_verdict(45.0, TargetPair{true, 45, 35}), Verdict::kAcceptable);
  EXPECT_EQ(rmse_verdict(45.01, TargetPair{true, 45, 35}), Verdict::kOutside);
  EXPECT_EQ(rmse_verdict(std::nullopt, TargetPair{true, 45, 35}), Verdict::kNone);
  EXPECT_EQ(rmse_verdict(1.0, TargetPair{}), Verdict::kNone);
}

TEST(ValidationStats, RSquaredIsStableFarFromZero) {
  // Counts near 1e8 that differ by a few vehicles: the textbook sums
  // (Σxy - Σx Σy / n) lose every digit here; the co-moment does not.
  // V = C + 1 exactly, so r² = 1.
  auto stats = make_stats(default_targets());
  for (int k = 0; k < 1000; ++k) {
    const double c = 1e8 + (k % 7);
    stats->add_link(link(k + 1, 1, 1, c + 1, c));
  }
  EXPECT_NEAR(stats->areawide().r2().value(), 1.0, 1e-9);
}

TEST(ValidationStats, VcDistributionBins) {
  struct Case {
    double ratio;
    int bin;
  };
  const Case cases[] = {{0, 0},    {-1, 0},   {0.05, 0},  {0.1, 1},  {0.3, 3},
                        {0.99, 9}, {1.0, 10}, {1.95, 19}, {2.0, 20}, {7.5, 20}};
  for (const Case& c : cases) EXPECT_EQ(VcDistribution::bin(c.ratio), c.bin) << c.ratio;

  auto stats = make_stats(default_targets());
  stats->add_link(link(1, 1, 1, 1050, 1000, 2.0));  // 1.05: bin 10, VMT 2100
  stats->add_link(link(2, 1, 1, 1000, 1000, 1.0));  // 1.0: bin 10, VMT 1000
  stats->add_link(link(3, 1, 1, 500, 0, 3.0));      // no count: apart, VMT 1500
  StatsLink skipped = link(4, 1, 1, 500, 100);
  skipped.status = LinkOutcome::kUnclassified;  // not evaluated: not in the distribution
  stats->add_link(skipped);
  const VcDistribution& d = stats->vc_distribution();
  EXPECT_EQ(d.links[10], 2);
  EXPECT_EQ(d.vmt[10], 3100);
  EXPECT_EQ(d.no_divisor_links, 1);
  EXPECT_EQ(d.no_divisor_vmt, 1500);
  std::int64_t total = 0;
  for (auto n : d.links) total += n;
  EXPECT_EQ(total, 2);
}

// An analysis run gathers what its page shows (every status, the checks
// that do not concern counts) as a validation run does, and nothing against
// counts, although its links may carry them. add_outcome, which the link
// loop calls on such a run, gathers the same from status, miles and minutes.
TEST(ValidationStats, WithoutCountsGathersStatusesAndChecksOnly) {
  const Targets targets = default_targets();
  auto with = make_stats(targets);
  auto without = make_stats(targets);
  without->reset_without_counts(targets);
  auto outcomes = make_stats(targets);
  outcomes->reset_without_counts(targets);
  for (std::int64_t r = 1; r <= 300; ++r) {
    StatsLink l = link(r, 1 + static_cast<int>(r % 3), 1, static_cast<double>(r % 7) * 100, (r % 4 == 0) ? 0 : 500);
    l.status = static_cast<LinkOutcome>(r % kLinkOutcomeCount);
    if (r % 11 == 0) l.minutes = 0.01;  // 1 mile in 0.01 minutes: implausibly fast
    with->add_link(l);
    without->add_link(l);
    EXPECT_EQ(outcomes->add_outcome(l.status, l.miles, l.minutes), l.status == LinkOutcome::kEvaluated) << r;
  }
  for (int k = 0; k < kLinkOutcomeCount; ++k) {
    const auto status = static_cast<LinkOutcome>(k);
    EXPECT_EQ(without->status_count(status), with->status_count(status)) << k;
    EXPECT_EQ(outcomes->status_count(status), with->status_count(status)) << k;
    EXPECT_GT(without->status_count(status), 0) << k;
  }
  for (const DataCheck check :
       {DataCheck::kUnclassified, DataCheck::kConnectorPassedOver, DataCheck::kZeroTimePassedOver,
        DataCheck::kLocationDeselected, DataCheck::kSpeedImplausible}) {
    EXPECT_EQ(without->check_count(check), with->check_count(check)) << static_cast<int>(check);
    EXPECT_EQ(outcomes->check_count(check), with->check_count(check)) << static_cast<int>(check);
  }
  EXPECT_GT(without->check_count(DataCheck::kSpeedImplausible), 0);
  EXPECT_GT(with->counted_links(), 0);
  EXPECT_GT(with->check_count(DataCheck::kNoCount), 0);
  EXPECT_EQ(without->counted_links(), 0);
  EXPECT_EQ(without->check_count(DataCheck::kNoCount), 0);
  EXPECT_EQ(without->check_count(DataCheck::kCountedZeroVolume), 0);
  EXPECT_TRUE(without->scatter().empty());
  EXPECT_TRUE(without->top_deviations().empty());
  // A later reset gathers everything again.
  without->reset(targets);
  without->add_link(link(1, 1, 1, 100, 100));
  EXPECT_EQ(without->counted_links(), 1);
}

// The sample's hash is deterministic and the sample is the bottom 20,000
// by it: the same input gives the same set, whatever else the links carry.
TEST(ValidationStats, ScatterSampleIsBoundedAndDeterministic) {
  const Targets targets = default_targets();
  auto first = make_stats(targets);
  auto second = make_stats(targets);
  std::vector<std::uint64_t> keys;
  std::mt19937 random(7);
  for (std::int64_t r = 1; r <= 100000; ++r) {
    StatsLink l = link(r, 1 + static_cast<int>(r % 3), 1, 100 + static_cast<double>(random() % 50000),
                       100 + static_cast<double>(r % 40000));
    l.anode = static_cast<std::int32_t>(random() % 30000);
    l.bnode = static_cast<std::int32_t>(random() % 30000);
    first->add_link(l);
    second->add_link(l);
    keys.push_back(ValidationStats::sample_key(l.anode, l.bnode, l.record));
  }
  EXPECT_EQ(first->scatter_population(), 100000);
  ASSERT_EQ(first->scatter().size(), 20000u);

  auto key_set = [](std::span<const ScatterPoint> points) {
    std::vector<std::uint64_t> k;
    for (const auto& p : points) k.push_back(p.key);
    std::sort(k.begin(), k.end());
    return k;
  };
  const auto kept = key_set(first->scatter());
  EXPECT_EQ(kept, key_set(second->scatter()));
  // The bottom 20,000 keys of all 100,000.
  std::sort(keys.begin(), keys.end());
  keys.resize(20000);
  EXPECT_EQ(kept, keys);
  // Keys of distinct links differ (a weak hash would collapse them).
  EXPECT_EQ(std::set<std::uint64_t>(kept.begin(), kept.end()).size(), 20000u);
  // The points come by class, then key (the page draws them in this order).
  const auto by_class_then_key = [](const ScatterPoint& a, const ScatterPoint& b) {
    return std::pair(a.ft_class, a.key) < std::pair(b.ft_class, b.key);
  };
  EXPECT_TRUE(std::is_sorted(first->scatter().begin(), first->scatter().end(), by_class_then_key));
  EXPECT_NE(first->scatter().front().ft_class, first->scatter().back().ft_class);
  // Links added after the points were read are ordered in with them.
  for (std::int64_t r = 100001; r <= 100100; ++r) first->add_link(link(r, 1, 1, 100, 100));
  EXPECT_TRUE(std::is_sorted(first->scatter().begin(), first->scatter().end(), by_class_then_key));
  EXPECT_EQ(first->scatter().size(), 20000u);

  // Below the limit every counted link is a point.
  auto small = make_stats(targets);
  for (std::int64_t r = 1; r <= 10; ++r) small->add_link(link(r, 1, 1, 10, 10));
  small->add_link(link(11, 1, 1, 10, 0));  // not counted
  EXPECT_EQ(small->scatter().size(), 10u);
}

TEST(ValidationStats, TopDeviationsMatchABruteForceSort) {
  const Targets targets = default_targets();
  for (unsigned seed : {1u, 2u, 3u}) {
    auto stats = make_stats(targets);
    std::mt19937 random(seed);
    std::vector<TopLink> all;
    for (std::int64_t r = 1; r <= 5000; ++r) {
      // Few distinct values, so that many deviations tie.
      const double c = 100 + static_cast<double>(random() % 20) * 10;
      const double v = 100 + static_cast<double>(random() % 20) * 10;
      stats->add_link(link(r, 1, 1, v, c));
      TopLink t;
      t.deviation = std::fabs(v - c);
      t.record = r;
      all.push_back(t);
    }
    // Largest first, ties: earlier record first.
    std::sort(all.begin(), all.end(), [](const TopLink& a, const TopLink& b) {
      return a.deviation != b.deviation ? a.deviation > b.deviation : a.record < b.record;
    });
    const auto top = stats->top_deviations();
    ASSERT_EQ(top.size(), 25u);
    for (std::size_t k = 0; k < 25; ++k) {
      EXPECT_EQ(top[k].record, all[k].record) << "seed " << seed << ", place " << k;
      EXPECT_EQ(top[k].deviation, all[k].deviation);
    }
  }
}

TEST(ValidationStats, AddLinkAllocatesNothing) {
  auto stats = make_stats(targets_from("GEH 0.1 85\n"));
  std::vector<StatsLink> links;
  for (std::int64_t r = 1; r <= 30000; ++r)
    links.push_back(link(r, 1 + static_cast<int>(r % 9), 1, 900 + static_cast<double>(r % 400), 1000, 0.5,
                         static_cast<int>(r % 100)));
  const testing::AllocationCount before;
  for (const StatsLink& l : links) stats->add_link(l);
  EXPECT_EQ(before.since(), 0);
  EXPECT_EQ(stats->counted_links(), 30000);
}

TEST(ValidationStats, FinishRefusesOtherTargetsThanReset) {
  auto stats = make_stats(default_targets());
  EXPECT_THROW(stats->finish(targets_from("RMSE 0 - 45 35\n"), Screens{}.totals(), labels()), std::logic_error);
  EXPECT_THROW(stats->finish(targets_from("GEH 0.1 85\n"), Screens{}.totals(), labels()), std::logic_error);
  std::array<float, 10> short_table{};
  EXPECT_THROW(stats->finish(default_targets(), ScreenlineTotals{short_table, short_table}, labels()),
               std::logic_error);
}

}  // namespace
}  // namespace korvo
