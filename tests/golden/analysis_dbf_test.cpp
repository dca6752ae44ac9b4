// Golden case "analysis_dbf": an analysis run over a dBASE link file with
// links at every level of service, construction codes (one of them 12, which
// empties the construction cost), the priced totals, a screenline with a
// missing capacity, and an auxiliary dBASE table read from the same file.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "golden/golden_fixture.h"
#include "golden/network_sums.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace korvo::golden {
namespace {

using testing::TempDir;

// No labels file: in an analysis run codes 1-9 are their own classes and
// codes 10-99 belong to the class of their leading digit (facility type 21
// is class 2, area type 34 class 3). NFT 10, NAT 6: area type 65 (class 6)
// is the Total class and the link is skipped.
//
// By hand, per link: V/C gives the level (A up to 0.8, B to 0.933, C to
// 1.067, D to 1.2, E to 1.333, F above); speed = miles / congested minutes
// x 60 gives s10 (below 20 class 1, then one class per 5 mph, 60 and over
// class 10) and s11 (65 and over class 11). Speeds stay clear of the class
// limits, where single precision decides (1.5 miles in 2 minutes is
// 44.999996 mph).
// clang-format off
const std::vector<Link> kAnalysisLinks = {
  //  A   B  dist    AT  FT lanes time  cong   cap count  vol SL two-way fate lane level s10 s11 code
  // 3 miles in 2.4 minutes: 75 mph; V/C 0.70.
  {11, 12,   300,  1,  1, 3,  200,  240, 6000, 0, 4200, 0, false, E,  3, 1, 10, 11, 0},
  // 61.22 mph; V/C 0.85.
  {12, 13,   250,  2,  1, 3,  200,  245, 6000, 0, 5100, 0, false, E,  3, 2, 10, 10, 1},
  // 41.38 mph; V/C 0.95.
  {13, 14,   200,  2, 21, 2,  240,  290, 2000, 0, 1900, 0, false, E,  2, 3,  6,  6, 4, 2},
  // 47.37 mph; V/C 1.15.
  {14, 15,   150,  3,  2, 2,  180,  190, 2000, 0, 2300, 0, false, E,  2, 4,  7,  7, 2},
  // 31.30 mph; V/C 1.25.
  {15, 16,   120, 34,  3, 1,  180,  230, 1000, 0, 1250, 0, false, E,  1, 5,  4,  4, 7},
  // 20.69 mph; V/C 1.50.
  {16, 17,   100,  3,  3, 1,  150,  290, 1000, 0, 1500, 0, false, E,  1, 6,  2,  2, 0},
  // 38.57 mph; V/C 0.50.
  {17, 18,   180,  4,  4, 2,  200,  280, 1400, 0,  700, 0, false, E,  2, 1,  5,  5, 9},
  // 32 mph; V/C 1.42. Construction code 12: costed with the no-construction
  // row, the console says so once, and the construction cost ends at 0.
  {18, 19,    80,  5,  6, 2,  120,  150, 1200, 0, 1700, 0, false, E,  2, 6,  4,  4, 12},
  // Screenline 5: a pair with a capacity on one direction only (43.64 mph,
  // V/C 0.83 and 0 for level A), a link without a capacity (49.09 mph), and
  // a link at 52.17 mph, V/C 0.67.
  {21, 22,   160,  2,  2, 2,  200,  220, 1800, 0, 1500, 5, true,  E,  4, 2,  6,  6, 0},
  {22, 21,   160,  2,  2, 2,  200,  220,    0, 0, 1200, 5, true,  E,  4, 1,  6,  6, 0},
  {23, 24,    90,  1,  8, 1,  100,  110,    0, 0,  600, 5, false, E,  1, 1,  7,  7, 0},
  {25, 26,   200,  1,  9, 1,  200,  230, 1500, 0, 1000, 5, false, E,  1, 1,  8,  8, 3},
  // 120 miles: not short; it counts as a link with volume, capacity, times
  // and delay, but adds no miles, no level of service and no priced total.
  {27, 28, 12000,  5,  1, 2, 9000, 9600, 4000, 0, 3000, 0, false, E,  2, 0,  0,  0, 0},
  // A centroid connector and a link of area type 65.
  {29, 30,    40,  2, 55, 1,   60,   60, 9999, 0,  800, 0, false, PO, 0},
  {31, 32,   100, 65,  2, 2,  120,  150, 1800, 0,  900, 0, false, SK, 0},
};
// clang-format on

struct AnalysisDbfCase {
  static constexpr const char* kName = "analysis_dbf";
  static constexpr const char* kConsoleInput = "";
  static void prepare(const TempDir& dir) { write_dbf_links(dir.file("ZEF40B.DBF"), kAnalysisLinks, true); }
};

using AnalysisDbfGolden = GoldenTest<AnalysisDbfCase>;

TEST_F(AnalysisDbfGolden, EveryOutputMatchesItsGoldenFile) { expect_every_output_matches(); }

TEST_F(AnalysisDbfGolden, ConsoleAndSideFiles) {
  EXPECT_EQ(testing::split_lines(run_->golden.expected("console.txt")),
            (std::vector<std::string>{
                " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES",
                " ***INFO*** CONSTRUCTION CODE INCONSISTENCY -- COST TABLE ZEROED",
                " ***INFO***    1 LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"",
                "                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED",
                "KORVO -- Normal Completion",
            }));
  std::string ascii;
  for (const Link& l : kAnalysisLinks) ascii += ascii_record(l, false);
  EXPECT_EQ(run_->golden.expected("HRLDXY.ASC"), ascii);
  EXPECT_EQ(run_->golden.expected("KVSKIP.LNK"), skip_list(kAnalysisLinks));
}

// The link file is listed twice: as the link source and as the auxiliary
// table the profile names with VOLNAUXDBF (one name serves both).
TEST_F(AnalysisDbfGolden, TheSharedFileIsListedTwice) {
  const std::string r = report();
  std::size_t listings = 0;
  for (std::size_t at = r.find("\f Version > dBASEIII\n"); at != std::string::npos;
       at = r.find("\f Version > dBASEIII\n", at + 1)) {
    ++listings;
  }
  EXPECT_EQ(listings, 2u);
  EXPECT_NE(r.find(" FIELD NO. = 21 -- NAME >SEQ"), std::string::npos);
}

TEST_F(AnalysisDbfGolden, SystemTotals) {
  const std::string r = report();
  const NetworkSums s = network_sums(kAnalysisLinks, true);
  // By hand: 12 one-way links and one pair; the 120-mile link counts as a
  // link but adds no miles: 3 + 2.5 + 2 + 1.5 + 1.2 + 1 + 1.8 + 0.8 + 0.9 + 2
  // one way and 1.6 for the pair.
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NUMBER OF LINKS"), 12);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL SYSTEM MILES"), 16.7 + 1.6, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL DIRECTIONAL MILES"), 16.7 + 3.2, 2);

  EXPECT_PRINTED(testing::total_value(r, "TOTAL LANE MILES"), s.lane_miles, 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING VOLUMES"), s.vmt_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING CAPACITY"), s.vmt_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VMT V/C"), s.vmt_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING VOLUMES"), s.vht_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING CAPACITY"), s.vht_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VHT V/C"), s.vht_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VOLUMES ALL LINKS"), s.vol_all);
  EXPECT_PRINTED(testing::total_value(r, "AVERAGE TOTAL VOLUME"), s.average_volume(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT ALL LINKS"), s.vmt_all);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT ALL LINKS"), s.vht_all);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL ORIGINAL SPEED (MPH)"), s.original_speed(), 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL CONGESTED SPEED (MPH)"), s.congested_speed(), 2);
}

TEST_F(AnalysisDbfGolden, PricedTotals) {
  const std::string r = report();
  const AnalysisSums a = analysis_sums(kAnalysisLinks, rates());
  EXPECT_PRINTED(testing::total_value(r, "TOTAL ACCIDENTS"), a.accidents, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL INJURIES"), a.injuries, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL FATALITIES"), a.fatalities, 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL CO EMISSIONS (KILOGRAMS)"), a.co_grams * 0.001f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL HC EMISSIONS (KILOGRAMS)"), a.hc_grams * 0.001f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NO EMISSIONS (KILOGRAMS)"), a.nox_grams * 0.001f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL FUEL USE"), a.fuel);
  // New lanes: codes 1, 4, 2, 7, 9, 3 add 1, 1, 2, 1, 3, 3 lanes a way on
  // 2.5, 2.0, 1.5, 1.2, 1.8 and 2.0 miles: 2 x (2.5 + 2 + 3 + 1.2 + 5.4 + 6).
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NEW LANE MILEAGE"), 40.2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NEW LANE MILEAGE"), a.new_lane_miles);
  // Code 12 empties the construction cost, whatever the other codes cost.
  EXPECT_GT(a.construction, 0.0f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL CONSTRUCTION COST (X $1000)"), 0);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL ACCIDENT COST (DOLLARS)"), a.accident_cost(rates()));
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL USERS COST (DOLLARS)"), a.user_cost);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL MAINTENANCE COST (DOLLARS)"), a.maintenance);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)"), a.delay, 2);

  // The area tables agree with the totals page: the emission tables print
  // kilograms, the construction cost table only its zero Totals row.
  const auto co =
      testing::row_values(testing::report_table(r, "TOTAL EMISSIONS OF CARBON MONOXIDE (KILOGRAMS)"), "Totals");
  ASSERT_TRUE(co.has_value());
  EXPECT_PRINTED_WHOLE(std::optional<double>(co->back()), a.co_grams * 0.001f);
  const auto cost = testing::report_table(r, "TOTAL CONSTRUCTION COST (X $1000)");
  const auto cost_totals = testing::row_values(cost, "Totals");
  ASSERT_TRUE(cost_totals.has_value());
  EXPECT_EQ(*cost_totals, std::vector<double>(6, 0.0));
  EXPECT_FALSE(testing::row_values(cost, "Freeway").has_value());
}

// Miles of roadway by class and level, and each as a share of all 18.3
// miles (not of its own row).
TEST_F(AnalysisDbfGolden, LevelOfServiceTables) {
  const std::string r = report();
  const AnalysisSums a = analysis_sums(kAnalysisLinks, rates());
  // By hand, levels A-F: A 3 + 0.8 + 1.8 + 0.9 + 2, B 2.5 + 0.8, C 2,
  // D 1.5, E 1.2, F 1 + 0.8.
  const double by_hand[] = {8.5, 3.3, 2.0, 1.5, 1.2, 1.8, 18.3};
  const auto miles_table = testing::section(r, ": MILES OF ROADWAY AT EACH LEVEL OF SERVICE", ": PERCENT OF MILEAGE");
  const auto percent_table = testing::section(r, ": PERCENT OF MILEAGE AT EACH LEVEL OF SERVICE");
  const auto total_miles = testing::row_values(miles_table, "Total");
  ASSERT_TRUE(total_miles.has_value());
  ASSERT_EQ(total_miles->size(), 7u);
  for (std::size_t c = 0; c < 7; ++c) EXPECT_PRINTED(std::optional<double>((*total_miles)[c]), by_hand[c], 2);

  const char* labels[] = {"",
                          "Freeway",
                          "Divided Arterial",
                          "Undivid.Arterial",
                          "Collector Street",
                          "Local Streets",
                          "Oneway Streets",
                          "Not Used",
                          "HOV Facilities",
                          "TOLL Facilities",
                          "Total"};
  const float grand = a.los_miles[10][7];
  for (std::size_t ftc = 1; ftc <= 10; ++ftc) {
    const auto miles = testing::row_values(miles_table, labels[ftc]);
    const auto percent = testing::row_values(percent_table, labels[ftc]);
    if (a.los_miles[ftc][7] == 0.0f) {
      // Local streets and the unused class have no mileage: no row.
      EXPECT_FALSE(miles.has_value()) << labels[ftc];
      EXPECT_FALSE(percent.has_value()) << labels[ftc];
      continue;
    }
    ASSERT_TRUE(miles.has_value()) << labels[ftc];
    ASSERT_TRUE(percent.has_value()) << labels[ftc];
    for (std::size_t level = 1; level <= 7; ++level) {
      EXPECT_PRINTED(std::optional<double>((*miles)[level - 1]), a.los_miles[ftc][level], 2);
      EXPECT_PRINTED(std::optional<double>((*percent)[level - 1]), 100.0 / grand * a.los_miles[ftc][level], 2);
    }
  }
}

// Screenline 5 adds volume only where there is a capacity: 1500 + 1000 of
// 1800 + 1500. The pair shares one entry with the missing-capacity remark;
// the link without capacity says so; screenline 99 always has its total.
TEST_F(AnalysisDbfGolden, Screenlines) {
  const std::string r = report();
  const auto total = testing::screenline_total(r, 5);
  ASSERT_TRUE(total.has_value());
  EXPECT_EQ(total->volume, 1500 + 1000);
  EXPECT_EQ(total->reference, 1800 + 1500);
  EXPECT_PRINTED(std::optional<double>(total->ratio), 2500.0 / 3300.0, 2);
  EXPECT_NE(total->rest.find("CITY LINE"), std::string::npos);

  const auto pair = testing::screenline_link(r, 5, 21, 22);
  ASSERT_TRUE(pair.has_value());
  EXPECT_EQ(pair->volume, 1500 + 1200);
  EXPECT_EQ(pair->reference, 1800);
  EXPECT_PRINTED(std::optional<double>(pair->ratio), 2700.0 / 1800.0, 2);
  EXPECT_EQ(pair->rest, "        2  2  ***CRITICAL*** MISSING CAPACITY IN ONE DIRECTION");
  const auto no_capacity = testing::screenline_link(r, 5, 23, 24);
  ASSERT_TRUE(no_capacity.has_value());
  EXPECT_NE(no_capacity->rest.find("********** THIS LINK HAS NO CAPACITY **********"), std::string::npos);

  const auto sl99 = testing::screenline_total(r, 99);
  ASSERT_TRUE(sl99.has_value());
  EXPECT_EQ(sl99->volume, 0);
  EXPECT_EQ(sl99->reference, 0);
  EXPECT_EQ(testing::split_lines(run_->golden.expected("SCRNLINE.ASC")),
            (std::vector<std::string>{"  5      2500.      3300.   0.76    CITY LINE                               ",
                                      " 99         0.         0.   0.00                                            "}));
}

}  // namespace
}  // namespace korvo::golden
