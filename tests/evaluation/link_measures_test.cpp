#include "evaluation/link_measures.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "evaluation/evaluation_harness.h"

namespace korvo {
namespace {

// A link as the driver hands it over: coded fields and working values.
// Counts and capacities are whole numbers, as in a link record.
struct Link {
  int anode = 10;
  int bnode = 20;
  int distance = 250;  // 2.5 miles
  int time = 240;      // original 2.4 minutes
  int cong = 300;      // congested 3 minutes: 50 mph
  float vol = 1000;
  float cap = 1200;
  float cnt = 800;
  int lanes = 2;
  int lane_class = 2;
  bool two_way = false;
  int ft = 1;
  int ftc = 1;
  int at = 1;
  int atc = 1;
  int screenline = 0;
  int construct = 0;
};

class LinkMeasuresTest : public ::testing::Test {
 protected:
  void analysis() { h.analysis(); }

  void evaluate(const Link& l) {
    LinkRecord& r = h.link;
    r.anode = l.anode;
    r.bnode = l.bnode;
    r.distance = static_cast<std::int16_t>(l.distance);
    r.time = static_cast<std::int16_t>(l.time);
    r.period_times[1] = static_cast<std::int16_t>(l.cong);
    r.two_way = l.two_way;
    r.area_type = static_cast<std::int16_t>(l.at);
    r.screenline = static_cast<std::int16_t>(l.screenline);
    r.construct = static_cast<std::int16_t>(l.construct);
    r.count = static_cast<std::int32_t>(l.cnt);
    r.capacity = static_cast<std::int32_t>(l.cap);
    LinkValues v;
    v.ft_code = l.ft;
    v.lanes_value = l.lanes;
    v.ftc = l.ftc;
    v.atc = l.atc;
    v.lane_class = l.lane_class;
    v.vol = l.vol;
    v.cap = l.cap;
    v.cnt = l.cnt;
    v.dist = static_cast<float>(l.distance) * 0.01f;
    v.time = static_cast<float>(l.cong) * 0.01f;
    v.otime = static_cast<float>(l.time) * 0.01f;
    v.w = l.two_way ? 0.5f : 1.0f;
    evaluate_link(h.e, h.link, v, h.settings.validate_mode);
    h.add_measures(v);
  }

  float cell(Slot slot, int ftc = 1, int atc = 1, int lc = 2) { return h.acc.sums.at(ftc, atc, lc, slot); }

  // Expects exactly these slot values in cell (ftc, atc, lc) and nothing
  // anywhere else in the table.
  void expect_only(const std::map<Slot, float>& expected, int ftc, int atc, int lc) {
    const EvalSums& s = h.acc.sums;
    for (int n = 1; n <= kSlotCount; ++n) {
      auto it = expected.find(slot_number(n));
      const float want = it == expected.end() ? 0.0f : it->second;
      EXPECT_FLOAT_EQ(s.at(ftc, atc, lc, slot_number(n)), want) << "slot " << n;
    }
    int stray = 0;
    for (int n = 1; n <= kSlotCount; ++n)
      for (int k = 1; k <= kLaneClassCount; ++k)
        for (int j = 1; j <= s.nat(); ++j)
          for (int i = 1; i <= s.nft(); ++i)
            if ((i != ftc || j != atc || k != lc) && s.at(i, j, k, slot_number(n)) != 0.0f) ++stray;
    EXPECT_EQ(stray, 0) << "cells filled outside (" << ftc << ", " << atc << ", " << lc << ")";
  }

  void set_rates() { h.set_varied_rates(); }

  testing::EvaluationHarness h;
};

// 2.5 miles, congested 3 minutes, original 2.4 minutes, volume 1000, count
// 800, capacity 1200, 2 lanes.
TEST_F(LinkMeasuresTest, ValidationLinkWithCountFillsEverySlotOfItsCell) {
  evaluate(Link{});
  expect_only({{Slot::VMT_REFVOL, 2500},                             // 2.5 x 1000
               {Slot::VMT_REF, 2000},                                // 2.5 x 800
               {Slot::VHT_REF, 40},                                  // 800 x 3 / 60
               {Slot::VMT_ALL, 2500},       {Slot::VHT_REFVOL, 50},  // 3 / 60 x 1000
               {Slot::TIME_SUM, 3},         {Slot::SYS_MILES, 2.5},
               {Slot::DIR_MILES, 2.5},      {Slot::LINKS, 1},
               {Slot::LINKS_REF, 1},        {Slot::VOL_REF, 1000},
               {Slot::REF_SUM, 800},        {Slot::VOL_ALL, 1000},
               {Slot::VHT_ALL, 50},         {Slot::LANE_MILES, 5},  // 2 lanes x 2.5
               {Slot::ORIG_TIME_SUM, 2.4f}, {Slot::ORIG_MILES, 2.5},
               {Slot::ORIG_VMT, 2500},      {Slot::ORIG_VHT, 40},  // 2.4 x 1000 / 60
               {Slot::CONG_VHT, 50}},
              1, 1, 2);
  // V/C = 1000 / 1200 = 0.83: level B.
  EXPECT_FLOAT_EQ(h.acc.los_miles[1][2], 2.5f);
  EXPECT_FLOAT_EQ(h.acc.user_cost, 0.0f);
  EXPECT_FLOAT_EQ(h.acc.maint_cost, 0.0f);
}

TEST_F(LinkMeasuresTest, ValidationLinkWithoutCountAddsNoReferencedSlot) {
  Link l;
  l.cnt = 0;
  evaluate(l);
  EXPECT_EQ(cell(Slot::VMT_REFVOL), 0.0f);
  EXPECT_EQ(cell(Slot::VMT_REF), 0.0f);
  EXPECT_EQ(cell(Slot::VHT_REF), 0.0f);
  EXPECT_EQ(cell(Slot::VHT_REFVOL), 0.0f);
  EXPECT_EQ(cell(Slot::LINKS_REF), 0.0f);
  EXPECT_EQ(cell(Slot::VOL_REF), 0.0f);
  EXPECT_EQ(cell(Slot::REF_SUM), 0.0f);
  EXPECT_FLOAT_EQ(cell(Slot::LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(Slot::VOL_ALL), 1000.0f);
}

// The same link in an analysis run, facility-type class 2, area-type class 3,
// construction code 3: speed 2.5 / (3 / 60) = 50 mph, class 8 in both speed
// tables.
TEST_F(LinkMeasuresTest, AnalysisLinkAddsCapacityMeasuresRatesAndCosts) {
  analysis();
  set_rates();
  Link l;
  l.ftc = 2;
  l.atc = 3;
  l.construct = 3;
  evaluate(l);
  expect_only({{Slot::VMT_REFVOL, 2500},    {Slot::VMT_REF, 3000},  // 2.5 x 1200
               {Slot::VHT_REF, 60},                                 // 1200 x 3 / 60
               {Slot::VMT_ALL, 2500},       {Slot::VHT_REFVOL, 50},  {Slot::TIME_SUM, 3},
               {Slot::DELAY_VHT, 10},  // 1000 / 60 x (3 - 2.4)
               {Slot::SYS_MILES, 2.5},      {Slot::DIR_MILES, 2.5},  {Slot::LINKS, 1},
               {Slot::VOL_REF, 1000},       {Slot::REF_SUM, 1200},   {Slot::VOL_ALL, 1000},
               {Slot::VHT_ALL, 50},         {Slot::LANE_MILES, 5},   {Slot::ACCIDENTS, 0.005f},  // 2500 / 1e6 x 2
               {Slot::INJURIES, 0.01f},                                                          // x 4
               {Slot::FATALITIES, 0.001f},                                                       // x 0.4
               {Slot::CO_GRAMS, 520000},                                                         // 2500 x (8 + 200)
               {Slot::HC_GRAMS, 540000},                                                         // 2500 x (16 + 200)
               {Slot::NOX_GRAMS, 560000},                                                        // 2500 x (24 + 200)
               {Slot::NEW_LANE_MILES, 15},                                                       // 3 lanes x 2 x 2.5
               {Slot::CONSTR_COST, 5075},                                                        // 2.5 x (30 + 2000)
               {Slot::FUEL_GAL, 520},                                                            // 2500 x 0.208
               {Slot::ORIG_TIME_SUM, 2.4f}, {Slot::ORIG_MILES, 2.5}, {Slot::ORIG_VMT, 2500},
               {Slot::ORIG_VHT, 40},        {Slot::CONG_VHT, 50}},
              2, 3, 2);
  EXPECT_FLOAT_EQ(h.acc.user_cost, 5200.0f);  // 2500 x 2.08
  EXPECT_FLOAT_EQ(h.acc.maint_cost, 505.0f);  // 2.5 x (2 + 200), lane class 2
  EXPECT_FLOAT_EQ(h.acc.los_miles[2][2], 2.5f);
  EXPECT_TRUE(h.events.lines.empty());
}

// 120 miles: only the slots that do not ask for a short link.
TEST_F(LinkMeasuresTest, LinkLongerThan99Point99MilesKeepsOutOfMileageMeasures) {
  analysis();
  set_rates();
  Link l;
  l.distance = 12000;
  l.cong = 6000;  // 60 minutes, 120 mph
  l.time = 4800;
  l.cap = 800;
  l.construct = 1;
  evaluate(l);
  expect_only({{Slot::VHT_REF, 800},  // 800 x 60 / 60
               {Slot::VHT_REFVOL, 1000},
               {Slot::TIME_SUM, 60},
               {Slot::DELAY_VHT, 200},  // 1000 / 60 x 12
               {Slot::LINKS, 1},
               {Slot::VOL_REF, 1000},
               {Slot::REF_SUM, 800},
               {Slot::VOL_ALL, 1000},
               {Slot::ORIG_TIME_SUM, 48},
               {Slot::ORIG_VHT, 800},
               {Slot::CONG_VHT, 1000}},
              1, 1, 2);
  for (int level = 1; level <= kLosLevels; ++level) EXPECT_EQ(h.acc.los_miles[1][level], 0.0f);
  EXPECT_EQ(h.acc.user_cost, 0.0f);
  EXPECT_EQ(h.acc.maint_cost, 0.0f);
}

TEST_F(LinkMeasuresTest, ExactlyNinetyNinePointNineNineMilesIsShort) {
  Link l;
  l.distance = 9999;
  l.cnt = 0;
  evaluate(l);
  EXPECT_FLOAT_EQ(cell(Slot::SYS_MILES), 99.99f);
  EXPECT_FLOAT_EQ(cell(Slot::DIR_MILES), 99.99f);
  EXPECT_FLOAT_EQ(h.acc.los_miles[1][2], 99.99f);

  reset_accumulators(h.acc, h.classes);
  l.distance = 10000;
  evaluate(l);
  EXPECT_EQ(cell(Slot::SYS_MILES), 0.0f);
  EXPECT_FLOAT_EQ(cell(Slot::LINKS), 1.0f);
}

TEST_F(LinkMeasuresTest, TimeSlotsNeedDistanceAndTheirOwnTime) {
  struct Case {
    int distance, time, cong;
    float time_sum, orig_time_sum, vht_all, orig_miles;
  };
  const std::vector<Case> cases = {
      {250, 240, 300, 3, 2.4f, 50, 2.5},
      {0, 240, 300, 0, 0, 0, 0},       // no distance: neither time counts
      {250, 0, 300, 3, 0, 50, 0},      // no original time
      {250, 240, 0, 0, 2.4f, 0, 2.5},  // no congested time
  };
  for (const Case& c : cases) {
    reset_accumulators(h.acc, h.classes);
    Link l;
    l.distance = c.distance;
    l.time = c.time;
    l.cong = c.cong;
    evaluate(l);
    SCOPED_TRACE(::testing::Message() << "distance " << c.distance << " time " << c.time << " cong " << c.cong);
    EXPECT_FLOAT_EQ(cell(Slot::TIME_SUM), c.time_sum);
    EXPECT_FLOAT_EQ(cell(Slot::ORIG_TIME_SUM), c.orig_time_sum);
    EXPECT_FLOAT_EQ(cell(Slot::VHT_ALL), c.vht_all);
    EXPECT_FLOAT_EQ(cell(Slot::ORIG_MILES), c.orig_miles);
  }
}

TEST_F(LinkMeasuresTest, LevelOfServiceLimitsAreStrictInSinglePrecision) {
  struct Case {
    float vol, cap;
    int level;
  };
  const std::vector<Case> cases = {
      {800, 1000, 1},  {810, 1000, 2},  {933, 1000, 2},  {934, 1000, 3},  {1067, 1000, 3}, {1068, 1000, 4},
      {1200, 1000, 4}, {1201, 1000, 5}, {1333, 1000, 5}, {1340, 1000, 6}, {5000, 0, 1},    {0, 1000, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(level_of_service(c.vol, c.cap), c.level) << c.vol << " / " << c.cap;
    reset_accumulators(h.acc, h.classes);
    Link l;
    l.vol = c.vol;
    l.cap = c.cap;
    l.two_way = true;
    evaluate(l);
    for (int level = 1; level <= kLosLevels; ++level) {
      EXPECT_FLOAT_EQ(h.acc.los_miles[1][static_cast<std::size_t>(level)], level == c.level ? 1.25f : 0.0f)
          << c.vol << " / " << c.cap << " level " << level;
    }
  }
  // Past every limit, and no ratio at all.
  constexpr float kInf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(level_of_service(kInf, 1000), 6);
  EXPECT_EQ(level_of_service(std::numeric_limits<float>::quiet_NaN(), 1000), 1);
  EXPECT_EQ(level_of_service(kInf, kInf), 1);
}

// Emissions take the speed class of the 10-row tables, fuel that of the
// 11-row tables. Rates equal the row number; VMT is 100 per mile.
TEST_F(LinkMeasuresTest, SpeedClassesPickTheRateRows) {
  struct Case {
    int distance, cong;
    float co, fuel;
  };
  const std::vector<Case> cases = {
      {100, 301, 100, 100},        // 1 mile in 3.01 minutes: 19.93 mph, class 1
      {100, 300, 200, 200},        // exactly 20 mph: class 2
      {100, 101, 900, 900},        // 59.4 mph: class 9
      {100, 100, 900, 900},        // 1 / (1 / 60) is 59.999996 in single precision: class 9
      {6000, 6000, 60000, 60000},  // exactly 60 mph: class 10, still 10 for fuel
      {6500, 6000, 65000, 71500},  // exactly 65 mph: fuel class 11
      {100, 0, 100, 100},          // no congested time: speed 0, class 1
  };
  analysis();
  for (int row = 1; row <= kSpeedClasses11; ++row) {
    const auto r = static_cast<std::size_t>(row);
    if (row <= kSpeedClasses10) h.rates.carbon_monoxide[r][1] = static_cast<float>(row);
    h.rates.fuel[r][1] = static_cast<float>(row);
  }
  EXPECT_EQ(speed_class10(20.0f), 2);
  EXPECT_EQ(speed_class10(60.0f), 10);
  EXPECT_EQ(speed_class10(19.99f), 1);
  EXPECT_EQ(speed_class10(std::numeric_limits<float>::quiet_NaN()), 1);
  EXPECT_EQ(speed_class10(std::numeric_limits<float>::infinity()), 10);
  EXPECT_EQ(speed_class11(60.0f), 10);
  EXPECT_EQ(speed_class11(65.0f), 11);
  for (const Case& c : cases) {
    reset_accumulators(h.acc, h.classes);
    // A fast link first: a link without time must not inherit its speed.
    Link fast;
    fast.distance = 100;
    fast.cong = 50;
    fast.ftc = 2;
    evaluate(fast);
    Link l;
    l.distance = c.distance;
    l.cong = c.cong;
    l.vol = 100;
    evaluate(l);
    EXPECT_FLOAT_EQ(cell(Slot::CO_GRAMS), c.co) << c.distance << " in " << c.cong;
    EXPECT_FLOAT_EQ(cell(Slot::FUEL_GAL), c.fuel) << c.distance << " in " << c.cong;
  }
}

// Construction cost row r holds 100 x r; 2.5 miles, one direction.
TEST_F(LinkMeasuresTest, ConstructionCodesGiveLanesAndCostRows) {
  struct Case {
    int code;
    float new_lane_miles, cost;
  };
  const std::vector<Case> cases = {
      {0, 0, 2500},                                                // no construction: row 10
      {1, 5, 250},                                                 // 1 lane x 2 x 2.5
      {3, 15, 750},  {6, 10, 1500}, {9, 15, 2250}, {10, 0, 2500},  // row 10, no lanes
      {12, 0, 2500},                                               // row 10, no lanes (and the one-time line)
      {-4, 0, 2500},                                               // row 10, no lanes, no line
  };
  analysis();
  for (int row = 1; row <= kCostRows; ++row) {
    h.rates.construction_cost[static_cast<std::size_t>(row)][1] = 100.0f * static_cast<float>(row);
  }
  for (const Case& c : cases) {
    reset_accumulators(h.acc, h.classes);
    Link l;
    l.construct = c.code;
    evaluate(l);
    EXPECT_FLOAT_EQ(cell(Slot::NEW_LANE_MILES), c.new_lane_miles) << "code " << c.code;
    EXPECT_FLOAT_EQ(cell(Slot::CONSTR_COST), c.cost) << "code " << c.code;
  }
  EXPECT_TRUE(h.eval.cost_table_zeroed);
}

TEST_F(LinkMeasuresTest, ConstructionCodeElevenOrMoreWritesItsLineOnce) {
  analysis();
  Link l;
  l.construct = 10;
  evaluate(l);
  EXPECT_TRUE(h.events.lines.empty());
  EXPECT_FALSE(h.eval.cost_table_zeroed);
  l.construct = 12;
  evaluate(l);
  l.construct = 11;
  evaluate(l);
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"construction code inconsistent"});
  EXPECT_TRUE(h.eval.cost_table_zeroed);
}

TEST_F(LinkMeasuresTest, ClassesOutsideTheTableAreRefused) {
  for (auto [ftc, atc, lc] :
       std::vector<std::tuple<int, int, int>>{{0, 1, 1}, {10, 1, 1}, {1, 0, 1}, {1, 6, 1}, {1, 1, 0}, {1, 1, 10}}) {
    Link l;
    l.ftc = ftc;
    l.atc = atc;
    l.lane_class = lc;
    EXPECT_THROW(evaluate(l), std::logic_error) << ftc << " " << atc << " " << lc;
  }
  const EvalSums& s = h.acc.sums;
  for (std::size_t i = 0; i < s.cells_used(); ++i) ASSERT_EQ(h.acc.work_area[i], 0.0f) << i;
}

// --- Screenlines ----------------------------------------------------------

class ScreenlineTest : public LinkMeasuresTest {
 protected:
  const ScreenlineTables& sl() const { return h.acc.screenlines; }
  const ScreenlineEntry& entry(int s, int k) const {
    return sl().links[static_cast<std::size_t>(s)][static_cast<std::size_t>(k)];
  }
  const std::vector<std::string>& events() const { return h.events.lines; }
};

TEST_F(ScreenlineTest, ValidationTotalsAndListEntries) {
  Link a;
  a.screenline = 4;
  a.ft = 23;
  a.at = 3;
  evaluate(a);
  Link b;  // no count: its count still enters the reference, its volume not
  b.anode = 30;
  b.bnode = 40;
  b.screenline = 4;
  b.cnt = 0;
  b.vol = 500;
  evaluate(b);
  EXPECT_FLOAT_EQ(sl().volume[4], 1000.0f);
  EXPECT_FLOAT_EQ(sl().reference[4], 800.0f);
  EXPECT_FLOAT_EQ(sl().ratio[4], 1.25f);
  ASSERT_EQ(sl().nlinks[4], 2);
  EXPECT_EQ(entry(4, 1).anode, 10);
  EXPECT_EQ(entry(4, 1).bnode, 20);
  EXPECT_FLOAT_EQ(entry(4, 1).volume, 1000.0f);
  EXPECT_FLOAT_EQ(entry(4, 1).reference, 800.0f);
  EXPECT_FLOAT_EQ(entry(4, 1).ratio, 1.25f);
  EXPECT_FALSE(entry(4, 1).no_reference);
  EXPECT_EQ(entry(4, 1).ft, 23);
  EXPECT_EQ(entry(4, 1).at, 3);
  EXPECT_FLOAT_EQ(entry(4, 2).volume, 500.0f);
  EXPECT_EQ(entry(4, 2).reference, 0.0f);
  EXPECT_EQ(entry(4, 2).ratio, 0.0f);
  EXPECT_TRUE(entry(4, 2).no_reference);
  EXPECT_EQ(sl().sl99_count, 0);
  EXPECT_TRUE(events().empty());
}

TEST_F(ScreenlineTest, AnalysisUsesCapacityAsReference) {
  analysis();
  Link a;
  a.screenline = 7;
  a.cap = 0;  // no capacity: volume kept out of the total, entry flagged
  evaluate(a);
  Link b;
  b.anode = 11;
  b.screenline = 7;
  b.cap = 2000;
  b.vol = 1500;
  evaluate(b);
  EXPECT_FLOAT_EQ(sl().volume[7], 1500.0f);
  EXPECT_FLOAT_EQ(sl().reference[7], 2000.0f);
  EXPECT_FLOAT_EQ(sl().ratio[7], 0.75f);
  EXPECT_TRUE(entry(7, 1).no_reference);
  EXPECT_FLOAT_EQ(entry(7, 2).reference, 2000.0f);
  EXPECT_FLOAT_EQ(entry(7, 2).ratio, 0.75f);
}

// A count on one direction of a two-way pair only: the pair's entry carries
// both volumes, the one count, and the flag for the missing count.
TEST_F(ScreenlineTest, SecondDirectionJoinsTheFirstDirectionsEntry) {
  Link ab;
  ab.two_way = true;
  ab.screenline = 5;
  ab.vol = 600;
  ab.cnt = 500;
  evaluate(ab);
  Link ba = ab;
  ba.anode = 20;
  ba.bnode = 10;
  ba.vol = 400;
  ba.cnt = 0;
  evaluate(ba);
  ASSERT_EQ(sl().nlinks[5], 1);
  EXPECT_FLOAT_EQ(entry(5, 1).volume, 1000.0f);
  EXPECT_FLOAT_EQ(entry(5, 1).reference, 500.0f);
  EXPECT_FLOAT_EQ(entry(5, 1).ratio, 2.0f);
  EXPECT_TRUE(entry(5, 1).no_reference);
  EXPECT_FLOAT_EQ(sl().volume[5], 600.0f);
  EXPECT_FLOAT_EQ(sl().reference[5], 500.0f);
  EXPECT_TRUE(events().empty());
}

TEST_F(ScreenlineTest, SecondDirectionOnAnotherScreenlineGetsTheInfoLine) {
  Link ab;
  ab.two_way = true;
  ab.screenline = 4;
  evaluate(ab);
  Link other;  // gives screenline 6 an entry
  other.anode = 70;
  other.bnode = 80;
  other.screenline = 6;
  evaluate(other);
  Link ba = ab;
  ba.anode = 20;
  ba.bnode = 10;
  ba.screenline = 6;
  evaluate(ba);
  Link ba_empty = ba;  // screenline 8 has no entries yet: no message
  ba_empty.screenline = 8;
  evaluate(ba_empty);
  EXPECT_EQ(sl().nlinks[4], 1);
  ASSERT_EQ(sl().nlinks[6], 2);
  EXPECT_EQ(entry(6, 2).anode, 20);
  EXPECT_EQ(entry(6, 2).bnode, 10);
  EXPECT_EQ(sl().nlinks[8], 1);
  EXPECT_EQ(events(), std::vector<std::string>{"screenline 6 not the same for 20-10"});
}

// A one-way link whose reverse pair is listed is not joined to it.
TEST_F(ScreenlineTest, OneWayLinksAreNeverPaired) {
  Link ab;
  ab.screenline = 3;
  evaluate(ab);
  Link ba = ab;
  ba.anode = 20;
  ba.bnode = 10;
  evaluate(ba);
  EXPECT_EQ(sl().nlinks[3], 2);
}

TEST_F(ScreenlineTest, TheTwoHundredAndFirstLinkReplacesTheLastEntry) {
  Link l;
  l.screenline = 2;
  for (int k = 1; k <= 202; ++k) {
    l.anode = k;
    l.bnode = 1000 + k;
    l.cnt = k == 201 ? 0 : 100;  // the replacing link has no count
    evaluate(l);
  }
  EXPECT_EQ(sl().nlinks[2], 200);
  EXPECT_EQ(entry(2, 199).anode, 199);
  EXPECT_EQ(entry(2, 200).anode, 202);
  EXPECT_FLOAT_EQ(entry(2, 200).reference, 100.0f);
  EXPECT_FALSE(entry(2, 200).no_reference);    // nothing left of link 201
  EXPECT_FLOAT_EQ(sl().volume[2], 201000.0f);  // 201 counted links
  EXPECT_EQ(events(), (std::vector<std::string>{"screenline list full at 200", "screenline list full at 200"}));
}

TEST_F(ScreenlineTest, ReplacedLastEntryTakesTheNewLinksRatio) {
  Link l;
  l.screenline = 9;
  for (int k = 1; k <= 201; ++k) {
    l.anode = k;
    l.cnt = k == 201 ? 0 : 100;
    l.vol = k == 201 ? 0 : 300;
    evaluate(l);
  }
  EXPECT_EQ(entry(9, 200).anode, 201);
  EXPECT_EQ(entry(9, 200).reference, 0.0f);
  EXPECT_EQ(entry(9, 200).ratio, 0.0f);
}

TEST_F(ScreenlineTest, ScreenlineNinetyNineListsCountedLinksInValidationOnly) {
  Link a;
  a.screenline = 99;
  a.ft = 14;
  a.at = 2;
  a.two_way = true;
  a.vol = 900;
  a.cnt = 1000;
  evaluate(a);
  Link reverse = a;  // joins a
  reverse.anode = 20;
  reverse.bnode = 10;
  reverse.vol = 300;
  reverse.cnt = 200;
  evaluate(reverse);
  Link uncounted;
  uncounted.anode = 50;
  uncounted.screenline = 99;
  uncounted.cnt = 0;
  evaluate(uncounted);
  ASSERT_EQ(sl().sl99_count, 1);
  const Screenline99Entry& e = sl().sl99[1];
  EXPECT_EQ(e.anode, 10);
  EXPECT_EQ(e.bnode, 20);
  EXPECT_FLOAT_EQ(e.volume, 1200.0f);
  EXPECT_FLOAT_EQ(e.count, 1200.0f);
  EXPECT_FLOAT_EQ(e.ratio, 1.0f);
  EXPECT_EQ(e.ft, 14);
  EXPECT_EQ(e.at, 2);
  EXPECT_FLOAT_EQ(sl().reference[99], 1200.0f);
  for (const auto& list : sl().nlinks) EXPECT_EQ(list, 0);

  reset_accumulators(h.acc, h.classes);
  analysis();
  evaluate(a);
  EXPECT_EQ(sl().sl99_count, 0);
  EXPECT_FLOAT_EQ(sl().reference[99], 1200.0f);  // the capacity
}

TEST_F(ScreenlineTest, ScreenlineNinetyNineListStopsAtThreeThousand) {
  Link l;
  l.screenline = 99;
  for (int k = 1; k <= 3001; ++k) {
    l.anode = k;
    evaluate(l);
  }
  EXPECT_EQ(sl().sl99_count, 3000);
  EXPECT_EQ(sl().sl99[3000].anode, 3001);
  EXPECT_EQ(events(), std::vector<std::string>{"screenline list full at 3000"});
}

TEST_F(ScreenlineTest, NumbersOutsideOneToNinetyNineStayOutOfEveryScreenlineTable) {
  for (int number : {100, 255, -3, -99}) {
    Link l;
    l.screenline = number;
    evaluate(l);
  }
  for (std::size_t s = 0; s < sl().volume.size(); ++s) {
    EXPECT_EQ(sl().volume[s], 0.0f) << s;
    EXPECT_EQ(sl().reference[s], 0.0f) << s;
  }
  for (const auto& n : sl().nlinks) EXPECT_EQ(n, 0);
  EXPECT_EQ(sl().sl99_count, 0);
  EXPECT_FLOAT_EQ(cell(Slot::LINKS), 4.0f);  // evaluated otherwise
}

TEST(EvalSumsColumn, EachSlotIsTheCellOfItsClasses) {
  // Uneven class counts, so that a stride taken from the wrong counts or a
  // slot off by one lands on another cell. The column, the slot's cells and
  // at() must name the same cell, and every cell of the table exactly once.
  std::vector<float> cells(3 * 4 * kLaneClassCount * kSlotCount);
  std::vector<int> seen(cells.size(), 0);
  EvalSums sums(cells.data(), 3, 4);
  ASSERT_EQ(sums.cells_used(), cells.size());
  std::size_t triple = 0;  // facility-type class fastest
  for (int lc = 1; lc <= kLaneClassCount; ++lc) {
    for (int atc = 1; atc <= 4; ++atc) {
      for (int ftc = 1; ftc <= 3; ++ftc, ++triple) {
        const EvalSums::Column column = sums.column(ftc, atc, lc);
        for (int n = 1; n <= kSlotCount; ++n) {
          float* cell = &sums.at(ftc, atc, lc, slot_number(n));
          ASSERT_EQ(&column[slot_number(n)], cell) << ftc << " " << atc << " " << lc << " slot " << n;
          ASSERT_EQ(&sums.slot_cells(slot_number(n))[triple * kSlotCount], cell)
              << ftc << " " << atc << " " << lc << " slot " << n;
          ++seen[static_cast<std::size_t>(cell - cells.data())];
        }
      }
    }
  }
  for (std::size_t c = 0; c < seen.size(); ++c) ASSERT_EQ(seen[c], 1) << c;
  EXPECT_TRUE(EvalSums().slot_cells(Slot::LINKS).empty());
}

}  // namespace
}  // namespace korvo
