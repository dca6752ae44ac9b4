// Golden cases "binary_validation" and "binary_analysis": the binary loaded
// network of three periods and three volume slots, of which KORVOL adds two
// into the link volume, with the auxiliary network file of the same scenario
// (VELMAR.CTL names the output code 26B: HRLDXY.26B and VOLNAUX.26B), and
// the ASCII and two-way files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "golden/golden_fixture.h"
#include "golden/network_sums.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace korvo::golden {
namespace {

using testing::TempDir;

// The network's header: three periods of three slots, 16-bit nodes, the
// highest node 90; the title text is what the page headers show.
fixtures::NetworkHeader network_header() {
  fixtures::NetworkHeader h;
  h.set_text(105, "ZEFALIA 2026 BASE NETWORK");
  h.set_text(185, "LOADED 4 JULY 2026, THREE PERIODS");
  h.set_text(265, "VELMAR ASSIGNMENT 26B");
  h.set_word(3, 90);
  h.set_word(33, 3);
  h.set_word(34, 3);
  h.set_word(59, 1);
  return h;
}

// Validation: the volumes are stored cumulatively (header word 23 below
// 100, word 54 even), so each slot's volume is its period-3 value; word 24
// below 100 asks for plain sums. KORVOL 2: the link volume is slot 1 +
// slot 2. The congested time is the third period's.
// clang-format off
const std::vector<BinaryLink> kValidationNetwork = {
  // A   B  dist AT FT lanes time cong  cap count  vol  SL two-way fate lane class
  {{10, 20, 150, 1, 1, 2, 120, 140, 4000, 3000, 3000 + 600, 0, true, E, 4},
   {130, 135, 140}, {1000, 200, 50, 2000, 400, 100, 3000, 600, 150}, {3000, 600, 150}, 1},
  {{20, 10, 150, 1, 1, 2, 120, 145, 4000, 3500, 2600 + 500, 0, true, E, 4},
   {130, 140, 145}, {900, 100, 40, 1800, 250, 90, 2600, 500, 140}, {2600, 500, 140}, 1},
  // Its opposite direction is not in the network.
  {{20, 30, 220, 2, 2, 2, 240, 280, 1800, 1500, 1400 + 250, 0, false, E, 2},
   {250, 260, 280}, {500, 100, 0, 1000, 150, 10, 1400, 250, 20}, {1400, 250, 20}, 2},
  // Screenline 7: a pair counted one way.
  {{30, 40, 300, 3, 3, 1, 360, 420, 900, 820, 700 + 150, 7, true, E, 2},
   {380, 400, 420}, {300, 50, 0, 600, 100, 0, 700, 150, 0}, {700, 150, 0}, 2},
  {{40, 30, 300, 3, 3, 1, 360, 410, 900, 0, 650 + 90, 7, true, E, 2},
   {370, 380, 410}, {200, 20, 5, 500, 60, 5, 650, 90, 10}, {650, 90, 10}, 2},
  // An individual count link.
  {{40, 50, 120, 4, 4, 1, 200, 230, 700, 500, 450 + 60, 99, false, E, 1},
   {210, 220, 230}, {100, 10, 1, 300, 40, 2, 450, 60, 3}, {450, 60, 3}, 3},
  // No volume at all.
  {{50, 60, 80, 4, 4, 1, 150, 170, 600, 0, 0, 0, false, E, 1},
   {150, 155, 170}, {0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0}, 3},
  // Facility type 12 has no class in a validation run without labels.
  {{60, 70, 100, 2, 12, 2, 120, 155, 1800, 0, 400, 0, false, SK, 0},
   {130, 140, 155}, {400, 0, 0, 400, 0, 0, 400, 0, 0}, {400, 0, 0}, 0},
  // A centroid connector.
  {{70, 80, 40, 2, 55, 1, 60, 60, 9999, 0, 300, 0, false, PO, 0},
   {60, 60, 60}, {100, 0, 0, 200, 0, 0, 300, 0, 0}, {300, 0, 0}, 0},
  {{80, 90, 400, 5, 6, 3, 300, 350, 5400, 4000, 4200 + 700, 0, false, E, 3},
   {320, 340, 350}, {1500, 300, 20, 3000, 500, 40, 4200, 700, 60}, {4200, 700, 60}, 4},
};

// Analysis: per-period volumes weighted 0.5, 0.25 and 0.25 (header words
// 23-25 of 15000, 7500 and 7500 over 30000; word 54 odd turns weighting on
// and the cumulative conversion off). The construction codes come from the
// auxiliary file. Speed classes by hand from miles / minutes x 60: 64.29,
// 62.07, 47.14, 42.86, 43.90, 31.30, 28.24, 38.71 and 68.57 mph.
const std::vector<BinaryLink> kAnalysisNetwork = {
  // A   B  dist AT FT lanes time cong  cap count  vol  SL two-way fate lane level s10 s11 code
  // Slot 1: 0.5 x 2400 + 0.25 x 3200 + 0.25 x 3200, slot 2: 200 + 150 + 200; V/C 0.84.
  {{10, 20, 150, 1, 1, 2, 120, 140, 4000, 0, 2800 + 550, 0, true, E, 4, 2, 10, 10, 2},
   {130, 135, 140}, {2400, 400, 80, 3200, 600, 120, 3200, 800, 40}, {2800, 550, 80}, 1},
  // 800 + 500 + 700 and 100 + 100 + 150; V/C 0.59.
  {{20, 10, 150, 1, 1, 2, 120, 145, 4000, 0, 2000 + 350, 0, true, E, 4, 1, 10, 10, 2},
   {130, 140, 145}, {1600, 200, 40, 2000, 400, 80, 2800, 600, 120}, {2000, 350, 70}, 1},
  // 1200 + 500 + 600 and 100 + 100; V/C 1.39.
  {{20, 30, 220, 2, 2, 2, 240, 280, 1800, 0, 2300 + 200, 0, false, E, 2, 6, 7, 7, 6},
   {250, 260, 280}, {2400, 200, 0, 2000, 400, 0, 2400, 0, 0}, {2300, 200, 0}, 2},
  // Screenline 7: 400 + 100 + 100; then 200 + 200 and 20 + 10 + 10.
  {{30, 40, 300, 3, 3, 1, 360, 420, 900, 0, 600, 7, true, E, 2, 1, 6, 6, 0},
   {380, 400, 420}, {800, 0, 0, 400, 0, 0, 400, 0, 0}, {600, 0, 0}, 2},
  {{40, 30, 300, 3, 3, 1, 360, 410, 900, 0, 400 + 40, 7, true, E, 2, 1, 6, 6, 0},
   {370, 380, 410}, {400, 40, 0, 800, 40, 0, 0, 40, 0}, {400, 40, 0}, 2},
  // 400 + 100 + 100 and 40 + 20 + 20; V/C 0.97.
  {{40, 50, 120, 4, 4, 1, 200, 230, 700, 0, 600 + 80, 99, false, E, 1, 3, 4, 4, 8},
   {210, 220, 230}, {800, 80, 4, 400, 80, 4, 400, 80, 4}, {600, 80, 4}, 3},
  {{50, 60, 80, 4, 4, 1, 150, 170, 600, 0, 0, 0, false, E, 1, 1, 3, 3, 0},
   {150, 155, 170}, {0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0}, 3},
  // Facility type 12 is class 1 in an analysis run.
  {{60, 70, 100, 2, 12, 2, 120, 155, 1800, 0, 400, 0, false, E, 2, 1, 5, 5, 5, 1},
   {130, 140, 155}, {400, 0, 0, 400, 0, 0, 400, 0, 0}, {400, 0, 0}, 0},
  {{70, 80, 40, 2, 55, 1, 60, 60, 9999, 0, 100, 0, false, PO, 0},
   {60, 60, 60}, {100, 0, 0, 100, 0, 0, 100, 0, 0}, {100, 0, 0}, 0},
  // 68.57 mph: speed class 11 of the fuel and user cost tables.
  {{80, 90, 400, 5, 6, 3, 300, 350, 5400, 0, 2000 + 200, 0, false, E, 3, 1, 10, 11, 9},
   {320, 340, 350}, {2000, 200, 0, 2000, 200, 0, 2000, 200, 0}, {2000, 200, 0}, 4},
};
// clang-format on

void write_network_files(const TempDir& dir, const fixtures::NetworkHeader& header,
                         const std::vector<BinaryLink>& network) {
  write_binary_network(dir.file("HRLDXY.26B"), header, network, 4);
  write_aux_network(dir.file("VOLNAUX.26B"), network);
}

// The volumes worked out by hand add up: each link's volume is its first
// two slots.
void expect_volumes_add_up(const std::vector<BinaryLink>& network) {
  for (const BinaryLink& b : network) {
    EXPECT_EQ(b.link.volume, b.slots[0] + b.slots[1]) << b.link.anode << "-" << b.link.bnode;
  }
}

struct BinaryValidationCase {
  static constexpr const char* kName = "binary_validation";
  static constexpr const char* kConsoleInput = "";
  static void prepare(const TempDir& dir) {
    fixtures::NetworkHeader header = network_header();
    header.set_word(23, 50);  // cumulative volumes
    header.set_word(53, 1);   // the agency page header
    write_network_files(dir, header, kValidationNetwork);
  }
};

using BinaryValidationGolden = GoldenTest<BinaryValidationCase>;

TEST_F(BinaryValidationGolden, EveryOutputMatchesItsGoldenFile) { expect_every_output_matches(); }

// HRLDXY.ASC: every link with its location from VOLNAUX.26B, the count and
// the three slot volumes (slot 3 too, although it is not in the volume).
// HRLDXY2.ASC: 10-20 with 20-10, 30-40 with 40-30; 20-30 alone, with zeros
// for the missing direction; the slot volumes of both directions added
// (read behind the count).
TEST_F(BinaryValidationGolden, AsciiAndTwoWayFiles) {
  expect_volumes_add_up(kValidationNetwork);
  std::string ascii;
  for (const BinaryLink& b : kValidationNetwork) ascii += ascii_record(b, true);
  EXPECT_EQ(run_->golden.expected("HRLDXY.ASC"), ascii);
  EXPECT_EQ(run_->golden.expected("HRLDXY2.ASC"), two_way_file(kValidationNetwork, true));

  const auto two_way = testing::split_lines(run_->golden.expected("HRLDXY2.ASC"));
  ASSERT_GE(two_way.size(), 2u);
  // 3600 + 3100 vehicles; slots 3000 + 2600, 600 + 500, 150 + 140.
  EXPECT_EQ(
      two_way[0],
      "    10    20  1  1  2  1  150  120  140   3600   4000   3100   4000   6700   8000  2  4   5600   1100    290");
  EXPECT_EQ(
      two_way[1],
      "    20    30  2  2  2  2  220  240  280   1650   1800      0      0   1650   1800  0  2   1400    250     20");
  EXPECT_EQ(run_->golden.expected("KVSKIP.LNK"), skip_list(links_of(kValidationNetwork)));
}

// The first title line of the network header is every page's second title
// line; the GLT title the third; the header is the agency's (word 53 odd).
TEST_F(BinaryValidationGolden, PageHeaders) {
  const std::string r = report();
  EXPECT_NE(r.find("\n   ZEFALIA D.O.T.                                                                   "),
            std::string::npos);
  EXPECT_NE(r.find("\n       VELMAR             ZEFALIA 2026 BASE NETWORK   "), std::string::npos);
  EXPECT_NE(r.find("\n      VER 5.50            BASE YEAR 2026 -- THREE PERIODS   "), std::string::npos);
  EXPECT_NE(r.find(" HIGHWAY EVALUATION -- YEAR/ALT (26B) -- REPORT: TOTAL NUMBER OF LINKS"), std::string::npos);
  EXPECT_EQ(r.find("NO AUXILIARY FILE AVAILABLE"), std::string::npos);
}

TEST_F(BinaryValidationGolden, SystemTotals) {
  const std::string r = report();
  const NetworkSums s = network_sums(links_of(kValidationNetwork), false);
  // Two pairs and four one-way links (60-70 is skipped, 70-80 passed over).
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NUMBER OF LINKS"), 6);
  // Counted: 10-20 and 20-10 on 1.5 miles, 20-30 (2.2), 30-40 (3), 40-50
  // (1.2), 80-90 (4): 1.5 x (3600 + 3100) + 2.2 x 1650 + 3 x 850 + 1.2 x 510
  // + 4 x 4900 vehicle miles.
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING VOLUMES"),
                       1.5 * 6700 + 2.2 * 1650 + 3 * 850 + 1.2 * 510 + 4 * 4900);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING VOLUMES"), s.vmt_vol);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL SYSTEM MILES"), s.sys_miles, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL LANE MILES"), s.lane_miles, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL DIRECTIONAL MILES"), s.dir_miles, 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING COUNTS"), s.vmt_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VMT V/C"), s.vmt_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING VOLUMES"), s.vht_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING COUNTS"), s.vht_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VHT V/C"), s.vht_ratio(), 2);
  // 3600 + 3100 + 1650 + 850 + 740 + 510 + 0 + 4900.
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VOLUMES ALL LINKS"), 15350);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VOLUMES ALL LINKS"), s.vol_all);
  EXPECT_PRINTED(testing::total_value(r, "AVERAGE TOTAL VOLUME"), s.average_volume(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT ALL LINKS"), s.vmt_all);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT ALL LINKS"), s.vht_all);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL ORIGINAL SPEED (MPH)"), s.original_speed(), 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL CONGESTED SPEED (MPH)"), s.congested_speed(), 2);
}

TEST_F(BinaryValidationGolden, ScreenlinesAndNoVolumeList) {
  const std::string r = report();
  // Screenline 7 adds 30-40's 850 vehicles against its count of 820; 40-30
  // has no count and joins the entry of 30-40 with its 740.
  const auto total = testing::screenline_total(r, 7);
  ASSERT_TRUE(total.has_value());
  EXPECT_EQ(total->volume, 850);
  EXPECT_EQ(total->reference, 820);
  EXPECT_NE(total->rest.find("HARBOUR BRIDGE"), std::string::npos);
  const auto pair = testing::screenline_link(r, 7, 30, 40);
  ASSERT_TRUE(pair.has_value());
  EXPECT_EQ(pair->volume, 850 + 740);
  EXPECT_PRINTED(std::optional<double>(pair->ratio), 1590.0 / 820.0, 2);
  EXPECT_NE(pair->rest.find("***CRITICAL*** MISSING COUNT IN ONE DIRECTION"), std::string::npos);
  const auto individual = testing::screenline_link(r, 99, 40, 50);
  ASSERT_TRUE(individual.has_value());
  EXPECT_EQ(individual->volume, 510);
  EXPECT_EQ(individual->reference, 500);
  EXPECT_EQ(testing::split_lines(run_->golden.expected("SCRNLINE.ASC")),
            (std::vector<std::string>{"  7       850.       820.   1.04    HARBOUR BRIDGE                          ",
                                      " 99       510.       500.   1.02    COUNT STATIONS                          "}));
  EXPECT_NE(r.find(" +    50     60 +\n"), std::string::npos);
}

struct BinaryAnalysisCase {
  static constexpr const char* kName = "binary_analysis";
  static constexpr const char* kConsoleInput = "";
  static void prepare(const TempDir& dir) {
    fixtures::NetworkHeader header = network_header();
    header.set_word(23, 15000);  // weights of periods 1-3, over 30000
    header.set_word(24, 7500);
    header.set_word(25, 7500);
    header.set_word(54, 1);  // weighting on
    write_network_files(dir, header, kAnalysisNetwork);
  }
};

using BinaryAnalysisGolden = GoldenTest<BinaryAnalysisCase>;

TEST_F(BinaryAnalysisGolden, EveryOutputMatchesItsGoldenFile) { expect_every_output_matches(); }

TEST_F(BinaryAnalysisGolden, AsciiAndTwoWayFiles) {
  expect_volumes_add_up(kAnalysisNetwork);
  std::string ascii;
  for (const BinaryLink& b : kAnalysisNetwork) ascii += ascii_record(b, false);
  EXPECT_EQ(run_->golden.expected("HRLDXY.ASC"), ascii);
  EXPECT_EQ(run_->golden.expected("HRLDXY2.ASC"), two_way_file(kAnalysisNetwork, false));
  // 3350 + 2350 vehicles on 10-20; slots 2800 + 2000, 550 + 350, 80 + 70.
  EXPECT_EQ(
      testing::split_lines(run_->golden.expected("HRLDXY2.ASC")).front(),
      "    10    20  1  1  2  1  150  120  140   3350   4000   2350   4000   5700   8000  2  4   4800    900    150");
}

// Without a GLT title the third title line is blank; the planning-package
// header (word 53 even).
TEST_F(BinaryAnalysisGolden, PageHeaders) {
  const std::string r = report();
  EXPECT_NE(r.find("\n  VANTRIKS SYSTEM         ZEFALIA 2026 BASE NETWORK   "), std::string::npos);
  EXPECT_NE(r.find("\n    VERSION 9.2" + std::string(3 + 8 + 80 + 12, ' ') + "TIME  09:05:07\n"), std::string::npos);
}

TEST_F(BinaryAnalysisGolden, Totals) {
  const std::string r = report();
  const std::vector<Link> links = links_of(kAnalysisNetwork);
  const NetworkSums s = network_sums(links, true);
  const AnalysisSums a = analysis_sums(links, rates());
  // Two pairs and five one-way links: facility type 12 is class 1 here.
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NUMBER OF LINKS"), 7);
  // 3350 + 2350 + 2500 + 600 + 440 + 680 + 0 + 400 + 2200.
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VOLUMES ALL LINKS"), 12520);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VOLUMES ALL LINKS"), s.vol_all);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL SYSTEM MILES"), s.sys_miles, 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING VOLUMES"), s.vmt_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING CAPACITY"), s.vmt_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VMT V/C"), s.vmt_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING VOLUMES"), s.vht_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING CAPACITY"), s.vht_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL CONGESTED SPEED (MPH)"), s.congested_speed(), 2);

  EXPECT_PRINTED(testing::total_value(r, "TOTAL ACCIDENTS"), a.accidents, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL INJURIES"), a.injuries, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL FATALITIES"), a.fatalities, 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL CO EMISSIONS (KILOGRAMS)"), a.co_grams * 0.001f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL HC EMISSIONS (KILOGRAMS)"), a.hc_grams * 0.001f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NO EMISSIONS (KILOGRAMS)"), a.nox_grams * 0.001f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL FUEL USE"), a.fuel);
  // New lanes: codes 2 (the pair, 2 lanes a way, half a link each), 6, 8,
  // 5, 9 add 2, 2, 2, 1, 3 lanes a way on 1.5, 2.2, 1.2, 1 and 4 miles:
  // 2 x (2 x 1.5 + 2 x 2.2 + 2 x 1.2 + 1 + 3 x 4).
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NEW LANE MILEAGE"), 2 * (3.0 + 4.4 + 2.4 + 1 + 12));
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NEW LANE MILEAGE"), a.new_lane_miles);
  // Construction, thousand dollars a mile (row of the code, column of the
  // class): code 2 of a freeway 740 on the pair's 1.5 miles (half a mile
  // each way), code 6 of a divided arterial 1380 on 2.2, code 8 of a
  // collector 1760 on 1.2, code 5 of a freeway 1190 on 1, code 9 of a one-way
  // street 1990 on 4; no construction (row 10): 3.5 on the 3 miles of 30-40
  // and 40-30, 4 on the 0.8 of 50-60.
  const double construction = 740 * 1.5 + 1380 * 2.2 + 1760 * 1.2 + 1190 * 1 + 1990 * 4 + 3.5 * 3 + 4.0 * 0.8;
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL CONSTRUCTION COST (X $1000)"), construction);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL CONSTRUCTION COST (X $1000)"), a.construction);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL ACCIDENT COST (DOLLARS)"), a.accident_cost(rates()));
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL USERS COST (DOLLARS)"), a.user_cost);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL MAINTENANCE COST (DOLLARS)"), a.maintenance);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)"), a.delay, 2);

  const auto miles_table = testing::section(r, ": MILES OF ROADWAY AT EACH LEVEL OF SERVICE", ": PERCENT OF MILEAGE");
  const auto total_miles = testing::row_values(miles_table, "Total");
  ASSERT_TRUE(total_miles.has_value());
  for (std::size_t level = 1; level <= 7; ++level) {
    EXPECT_PRINTED(std::optional<double>((*total_miles)[level - 1]), a.los_miles[10][level], 2);
  }
}

// Screenline 7 in an analysis run: capacities as the reference; screenline
// 99 is a total only (the analysis keeps no individual-link list).
TEST_F(BinaryAnalysisGolden, Screenlines) {
  const std::string r = report();
  const auto total = testing::screenline_total(r, 7);
  ASSERT_TRUE(total.has_value());
  EXPECT_EQ(total->volume, 600 + 440);
  EXPECT_EQ(total->reference, 900 + 900);
  const auto sl99 = testing::screenline_total(r, 99);
  ASSERT_TRUE(sl99.has_value());
  EXPECT_EQ(sl99->volume, 680);
  EXPECT_EQ(sl99->reference, 700);
  EXPECT_FALSE(testing::screenline_link(r, 99, 40, 50).has_value());
}

// ---- An auxiliary file out of step with the network -------------------------

// No VELMAR.CTL: the files keep the extension XXX. VOLNAUX.XXX lacks the
// record of 20-10, so the second link finds the record of 20-30. Without
// KORVOL every slot adds into the volume (3000 + 600 + 150 for 10-20).
struct BinaryAuxMismatchCase {
  static constexpr const char* kName = "binary_aux_mismatch";
  static constexpr const char* kConsoleInput = "";
  static void prepare(const TempDir& dir) {
    fixtures::NetworkHeader header = network_header();
    header.set_word(23, 50);
    const std::vector<BinaryLink> network(kValidationNetwork.begin(), kValidationNetwork.begin() + 3);
    write_binary_network(dir.file("HRLDXY.XXX"), header, network, 0);
    write_aux_network(dir.file("VOLNAUX.XXX"), {network[0], network[2]});
  }
};

using BinaryAuxMismatchGolden = GoldenTest<BinaryAuxMismatchCase>;

TEST_F(BinaryAuxMismatchGolden, EveryOutputMatchesItsGoldenFile) { expect_every_output_matches(); }

// The report ends with the two lines of the mismatch, the console with the
// stop's own completion line; only the first link reached HRLDXY.ASC, and
// no two-way file follows a stopped run.
TEST_F(BinaryAuxMismatchGolden, TheRunStopsAtTheFirstLinkOutOfStep) {
  EXPECT_TRUE(
      run_->report().ends_with(" *** ERROR *** ZEFA HIGHWAY NETWORK AUXILIARY FILE MISMATCH\n"
                               "              LOOKING FOR LINK    20 -    10 AND FOUND LINK    20 -    30\n"));
  EXPECT_EQ(run_->golden.expected("console.txt"),
            " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\nKORVO -- Abnormal STOP\n");
  BinaryLink first = kValidationNetwork[0];
  first.link.volume = 3000 + 600 + 150;
  EXPECT_EQ(run_->golden.expected("HRLDXY.ASC"), ascii_record(first, false));
  EXPECT_FALSE(std::filesystem::exists(run_->golden.expected_dir() / "HRLDXY2.ASC"));
}

// ---- An auxiliary dBASE table merged into the binary links ------------------

// AUXLNK.DBF, the name in the profile, does not exist: the operator answers
// the prompt with "y" and AUXLINKS.DBF. Its records, one a way unless the
// ONEWAY field holds F or R:
//   5-6 (R), 10-20, 20-30 (F), 30-40 twice (sequence 2: screenline 7,
//   location 2; sequence 1: code 4), 45-46 (F), 60-70, 95-96 (F).
// Sorted, with the two 30-40 records folded into one (code 4 of sequence
// 1, screenline and location of sequence 2), the table meets the network:
// 5-6, 45-46 and 70-60 (the reverse of 60-70) lie between links and are
// reported; 95-96 lies beyond the last link and is not.
void write_aux_table(const TempDir& dir) {
  fixtures::DbfTable table({{"FROMNODE", 'N', 7},
                            {"TONODE", 'N', 7},
                            {"SEQNO", 'N', 3},
                            {"CONSTR", 'N', 3},
                            {"SCRLINE", 'N', 3},
                            {"LOC", 'N', 3},
                            {"ONEWAY", 'C', 1},
                            {"PROJECT", 'C', 12}});
  table.add({5, 6, 1, 3, 0, 0, "R", "RAMP STUDY"});
  table.add({10, 20, 1, 2, 3, 1, " ", "WIDENING"});
  table.add({20, 30, 1, 6, 0, 2, "F", "UPGRADE"});
  table.add({30, 40, 2, 0, 7, 2, " ", "BRIDGE"});
  table.add({30, 40, 1, 4, 0, 0, " ", "BRIDGE"});
  table.add({45, 46, 1, 1, 0, 0, "F", "NEW ACCESS"});
  table.add({60, 70, 1, 7, 4, 5, " ", "NEW ROAD"});
  table.add({95, 96, 1, 9, 0, 0, "F", "FUTURE"});
  table.write_file(dir.file("AUXLINKS.DBF"));
}

// The analysis network with what the merge gives each link, by hand:
// construction code, screenline and location of its table entry, or zeros
// (40-50 loses the screenline 99 the network file gives it).
struct Merged {
  int construct, screenline, location, stored_screenline;
};
// clang-format off
const Merged kMerged[] = {
  {2, 3, 1, 0}, {2, 3, 1, 0}, {6, 0, 2, 0}, {4, 7, 2, 7}, {4, 7, 2, 7},
  {0, 0, 0, 99}, {0, 0, 0, 0}, {7, 4, 5, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
};
// clang-format on

std::vector<BinaryLink> merged_network(bool as_stored) {
  std::vector<BinaryLink> network = kAnalysisNetwork;
  for (std::size_t i = 0; i < network.size(); ++i) {
    network[i].link.construct = kMerged[i].construct;
    network[i].link.screenline = as_stored ? kMerged[i].stored_screenline : kMerged[i].screenline;
    network[i].location = kMerged[i].location;
  }
  return network;
}

struct BinaryAuxDbfCase {
  static constexpr const char* kName = "binary_aux_dbf";
  static constexpr const char* kConsoleInput = "y\nAUXLINKS.DBF\n";
  static void prepare(const TempDir& dir) {
    fixtures::NetworkHeader header = network_header();
    header.set_word(23, 15000);
    header.set_word(24, 7500);
    header.set_word(25, 7500);
    header.set_word(54, 1);
    write_binary_network(dir.file("HRLDXY.XXX"), header, merged_network(true), 0);
    write_aux_table(dir);
  }
};

using BinaryAuxDbfGolden = GoldenTest<BinaryAuxDbfCase>;

TEST_F(BinaryAuxDbfGolden, EveryOutputMatchesItsGoldenFile) { expect_every_output_matches(); }

TEST_F(BinaryAuxDbfGolden, PromptAndInfoLines) {
  EXPECT_EQ(run_->golden.expected("console.txt"),
            " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\n"
            " Input file does not exist -- Respecify? (Y/N)> Enter the \"DBF\" file name>"
            "KORVO -- Normal Completion\n");
  const std::string r = run_->report();
  std::vector<std::string> info;
  for (const std::string& line : testing::split_lines(r)) {
    if (line.rfind(" ***INFO*** DBF LINK", 0) == 0) info.push_back(line);
  }
  EXPECT_EQ(info, (std::vector<std::string>{
                      " ***INFO*** DBF LINK      5 -      6 NOT FOUND ON THE HRLDXY FILE",
                      " ***INFO*** DBF LINK     45 -     46 NOT FOUND ON THE HRLDXY FILE",
                      " ***INFO*** DBF LINK     70 -     60 NOT FOUND ON THE HRLDXY FILE",
                  }));
  // The table is listed in the report as it is read.
  EXPECT_NE(r.find(" FIELD NO. =  7 -- NAME >ONEWAY"), std::string::npos);
  EXPECT_EQ(r.find("NO AUXILIARY FILE AVAILABLE"), std::string::npos);
}

// HRLDXY.ASC shows each link's location from the table; the totals price
// the table's construction codes.
TEST_F(BinaryAuxDbfGolden, MergedCodesReachTheTotals) {
  const std::vector<BinaryLink> network = merged_network(false);
  std::string ascii;
  for (const BinaryLink& b : network) ascii += ascii_record(b, false);
  EXPECT_EQ(run_->golden.expected("HRLDXY.ASC"), ascii);

  const std::string r = run_->report();
  const AnalysisSums a = analysis_sums(links_of(network), rates());
  // Codes 2 (the pair, 2 lanes a way on 1.5 miles), 6 (2 on 2.2), 4 (the
  // pair 30-40, 1 on 3) and 7 (1 on 1): 2 x (3 + 4.4 + 3 + 1).
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NEW LANE MILEAGE"), 2 * (3 + 4.4 + 3 + 1));
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NEW LANE MILEAGE"), a.new_lane_miles);
  // Thousand dollars a mile: code 2 of class 1 740 on 1.5, code 6 of class
  // 2 1380 on 2.2, code 4 of class 3 1120 on 3, code 7 of class 1 1490 on 1;
  // no construction: class 4 4.0 on 1.2 + 0.8, class 6 5.0 on 4.
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL CONSTRUCTION COST (X $1000)"),
                       740 * 1.5 + 1380 * 2.2 + 1120 * 3 + 1490 * 1 + 4.0 * 2.0 + 5.0 * 4);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL CONSTRUCTION COST (X $1000)"), a.construction);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL MAINTENANCE COST (DOLLARS)"), a.maintenance);
}

// The screenlines are the table's: 3 for the pair 10-20, 4 for 60-70, 7
// for 30-40; none for 40-50, whose network record says 99.
TEST_F(BinaryAuxDbfGolden, ScreenlinesComeFromTheTable) {
  const std::string r = run_->report();
  struct Expected {
    int screenline;
    double volume, capacity;
  };
  for (const Expected& e : {Expected{3, 3350 + 2350, 4000 + 4000}, Expected{4, 400, 1800},
                            Expected{7, 600 + 440, 900 + 900}, Expected{99, 0, 0}}) {
    const auto total = testing::screenline_total(r, e.screenline);
    ASSERT_TRUE(total.has_value()) << e.screenline;
    EXPECT_EQ(total->volume, e.volume) << e.screenline;
    EXPECT_EQ(total->reference, e.capacity) << e.screenline;
  }
  const auto pair = testing::screenline_link(r, 3, 10, 20);
  ASSERT_TRUE(pair.has_value());
  EXPECT_EQ(pair->volume, 3350 + 2350);
}

}  // namespace
}  // namespace korvo::golden
