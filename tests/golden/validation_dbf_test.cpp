// Golden case "validation_dbf": a validation run over a dBASE link file with
// counts, screenlines, two-way pairs and every kind of link the evaluation
// sets aside, and the ASCII, two-way and screenline side files.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "golden/golden_fixture.h"
#include "golden/network_sums.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace korvo::golden {
namespace {

using testing::GoldenCase;
using testing::TempDir;

// No labels file: facility-type codes 1-9 and area-type codes 1-5 are their
// own classes (NFT 10, NAT 6); facility type 12 and area type 7 reach the
// Total classes and are skipped. Ascending A-nodes, as the two-way
// conversion needs.
// clang-format off
const std::vector<Link> kValidationLinks = {
  //  A    B  dist AT FT lanes time cong  cap  count  vol  SL  two-way fate lane class
  // Screenline 1: a pair counted both ways (one entry: 2100 / 2100), a pair
  // counted one way (the missing-count remark), a link without a count.
  {101, 102, 150, 2, 1, 3, 150, 180, 5400, 1000, 1200,  1, true,  E, 6},
  {102, 101, 150, 2, 1, 3, 150, 200, 5400, 1100,  900,  1, true,  E, 6},
  {103, 104,  80, 3, 2, 2, 120, 140, 1800,  750,  800,  1, true,  E, 4},
  {104, 103,  80, 3, 2, 2, 120, 130, 1800,    0,  700,  1, true,  E, 4},
  {105, 106, 120, 3, 3, 1, 240, 300,  900,    0,  400,  1, false, E, 1},
  // Screenline 3, then a pair whose directions lie on screenlines 2 and 3:
  // 202-201 gets the INFO line and an entry of its own on screenline 3.
  {150, 151, 200, 4, 4, 2, 300, 320, 1600,  600,  650,  3, false, E, 2},
  {201, 202, 300, 5, 2, 2, 240, 270, 2000, 1300, 1250,  2, true,  E, 4},
  {202, 201, 300, 5, 2, 2, 240, 260, 2000,  500,  450,  3, true,  E, 4},
  {203, 204, 250, 5, 1, 4, 180, 200, 7200, 1400, 1500,  2, false, E, 4},
  // Individual count links: a pair (one entry), a one-way link, and a link
  // without a count, which stays out of the list.
  {301, 302, 100, 1, 3, 2, 150, 210, 1400,  900, 1000, 99, true,  E, 4},
  {302, 301, 100, 1, 3, 2, 150, 200, 1400, 1000, 1100, 99, true,  E, 4},
  {303, 304,  90, 1, 6, 3, 100, 130, 2400,  450,  500, 99, false, E, 3},
  {305, 306,  60, 1, 6, 2,  90, 100, 1200,    0,  300, 99, false, E, 2},
  // Twelve lanes fall into "9+"; a HOV lane.
  {310, 311, 400, 4, 1, 12, 240, 280, 12000, 2500, 2600, 0, false, E, 9},
  {312, 313, 180, 2, 8, 1, 150, 150, 1500,    0,  700,  0, false, E, 1},
  // No assigned volume: nine entries (407-408 has no congested time and
  // no cost, so it is listed but not evaluated; 406-405 is the second
  // direction of a pair); 419-420 carries 2 vehicles and is not listed.
  {401, 402,  50, 3, 4, 1, 100, 100,  600,    0,    0,  0, false, E, 1},
  {403, 404,  50, 3, 4, 1, 100, 100,  600,    0,    1,  0, false, E, 1},
  {405, 406,  50, 3, 4, 1, 100, 100,  600,    0,    0,  0, true,  E, 2},
  {406, 405,  50, 3, 4, 1, 100, 100,  600,    0,    0,  0, true,  E, 2},
  {407, 408,  50, 3, 4, 1, 100,   0,  600,    0,    0,  0, false, NT, 1},
  {409, 410,  50, 4, 4, 1, 100, 110,  600,    0,    1,  0, false, E, 1},
  {411, 412,  50, 4, 4, 1, 100, 110,  600,    0,    0,  0, false, E, 1},
  {413, 414,  50, 4, 4, 1, 100, 110,  600,    0,    1,  0, false, E, 1},
  {415, 416,  50, 5, 4, 1, 100, 110,  600,    0,    0,  0, false, E, 1},
  {417, 418,  50, 5, 4, 1, 100, 110,  600,    0,    0,  0, false, E, 1},
  {419, 420,  50, 5, 4, 1, 100, 110,  600,    0,    2,  0, false, E, 1},
  // Unclassified: facility type 12, area type 7.
  {501, 502, 100, 2, 12, 2, 120, 150, 1800,   0,  900,  0, false, SK, 0},
  {503, 504, 100, 7, 2, 2, 120, 150, 1800,    0,  900,  0, false, SK, 0},
  // Centroid connectors, passed over without trace (but in HRLDXY.ASC).
  {601, 602,  30, 3, 55, 1, 60, 60, 9999,     0,  350,  0, false, PO, 0},
  {602, 601,  30, 3, 51, 1, 60, 60, 9999,     0,  340,  0, false, PO, 0},
};
// clang-format on

struct ValidationDbfCase {
  static constexpr const char* kName = "validation_dbf";
  static constexpr const char* kConsoleInput = "";
  static void prepare(const TempDir& dir) { write_dbf_links(dir.file("ZEF26A.DBF"), kValidationLinks); }
};

using ValidationDbfGolden = GoldenTest<ValidationDbfCase>;

TEST_F(ValidationDbfGolden, EveryOutputMatchesItsGoldenFile) { expect_every_output_matches(); }

// The side files follow from the link table alone: every link read goes to
// HRLDXY.ASC (the count last, as COUNTS is set), the two unclassified links
// to KVSKIP.LNK, and each pair once to HRLDXY2.ASC.
TEST_F(ValidationDbfGolden, SideFilesFollowFromTheLinkTable) {
  std::string ascii;
  for (const Link& l : kValidationLinks) ascii += ascii_record(l, true);
  EXPECT_EQ(run_->golden.expected("HRLDXY.ASC"), ascii);
  EXPECT_EQ(run_->golden.expected("KVSKIP.LNK"), skip_list(kValidationLinks));

  std::vector<BinaryLink> network;
  for (const Link& l : kValidationLinks) network.push_back({l, {}, {}, {}});
  EXPECT_EQ(run_->golden.expected("HRLDXY2.ASC"), two_way_file(network, true));
  // 101-102 and 102-101 become one record: 1200 + 900 vehicles, 2 x 5400 capacity, 3 + 3 lanes.
  EXPECT_EQ(testing::split_lines(run_->golden.expected("HRLDXY2.ASC")).front(),
            "   101   102  1  2  3  0  150  150  180   1200   5400    900   5400   2100  10800  3  6");
}

TEST_F(ValidationDbfGolden, ConsoleCountsTheSkippedLinks) {
  EXPECT_EQ(testing::split_lines(run_->golden.expected("console.txt")),
            (std::vector<std::string>{
                " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES",  // 4 x 430 x 10 x 6
                " ***INFO***    2 LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"",
                "                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED",
                "KORVO -- Normal Completion",
            }));
}

// Nine links below 2 vehicles, eight to a line: 407-408 is listed although
// it is not evaluated, 406-405 is not (its pair is), 419-420 carries 2.
TEST_F(ValidationDbfGolden, NoVolumeList) {
  const auto list = testing::section(report(), " LINKS WITH NO ASSIGNED VOLUME", "HIGHWAY EVALUATION");
  std::vector<std::pair<int, int>> listed;
  int lines = 0;
  for (const std::string& line : list) {
    if (line.rfind(" +  ", 0) != 0) continue;
    ++lines;
    std::string pairs = line;
    std::replace(pairs.begin(), pairs.end(), '+', ' ');
    const std::vector<double> nodes = testing::numbers_from(pairs, 1);
    for (std::size_t n = 0; n + 1 < nodes.size(); n += 2) {
      listed.emplace_back(static_cast<int>(nodes[n]), static_cast<int>(nodes[n + 1]));
    }
  }
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(
      listed,
      (std::vector<std::pair<int, int>>{
          {401, 402}, {403, 404}, {405, 406}, {407, 408}, {409, 410}, {411, 412}, {413, 414}, {415, 416}, {417, 418}}));
}

TEST_F(ValidationDbfGolden, SystemTotals) {
  const std::string r = report();
  const NetworkSums s = network_sums(kValidationLinks, false);
  // By hand: five pairs (10 records of half a link) and 15 one-way links;
  // system miles 6.8 on the pairs (1.5 + 0.8 + 3.0 + 1.0 + 0.5) and 17.0
  // on the one-way links; every pair's two directions count in the
  // directional miles: 2 x 6.8 + 17.0.
  EXPECT_EQ(s.links, 20.0f);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NUMBER OF LINKS"), 20);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL SYSTEM MILES"), 6.8 + 17.0, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL DIRECTIONAL MILES"), 2 * 6.8 + 17.0, 2);
  // Lane miles: pairs 9 + 3.2 + 12 + 4 + 1, one-way links 1.2 + 4 + 10 +
  // 2.7 + 1.2 + 48 (twelve lanes) + 1.8 + 1 + 3.
  EXPECT_PRINTED(testing::total_value(r, "TOTAL LANE MILES"), 29.2 + 72.9, 2);

  EXPECT_PRINTED(testing::total_value(r, "TOTAL SYSTEM MILES"), s.sys_miles, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL LANE MILES"), s.lane_miles, 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING VOLUMES"), s.vmt_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING COUNTS"), s.vmt_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VMT V/C"), s.vmt_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING VOLUMES"), s.vht_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING COUNTS"), s.vht_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VHT V/C"), s.vht_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VOLUMES ALL LINKS"), s.vol_all);
  EXPECT_PRINTED(testing::total_value(r, "AVERAGE TOTAL VOLUME"), s.average_volume(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT ALL LINKS"), s.vmt_all);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT ALL LINKS"), s.vht_all);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL ORIGINAL SPEED (MPH)"), s.original_speed(), 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL CONGESTED SPEED (MPH)"), s.congested_speed(), 2);
}

// The "Totals" rows of the all-area-types block hold the network's sums by
// lane class: the pairs' lanes count twice (101-102 with three lanes a way
// is in class 6), twelve lanes are "9+".
TEST_F(ValidationDbfGolden, LaneTablesAddUpByLaneClass) {
  const std::string r = report();
  const NetworkSums s = network_sums(kValidationLinks, false);
  const auto links = testing::row_values(
      testing::area_block(testing::report_table(r, "TOTAL NUMBER OF LINKS"), "TOTAL AREA TYPES"), "Totals");
  ASSERT_TRUE(links.has_value());
  ASSERT_EQ(links->size(), 10u);
  for (std::size_t k = 1; k <= 9; ++k) EXPECT_EQ((*links)[k - 1], whole(s.links_by_lane[k])) << "lane class " << k;
  EXPECT_EQ((*links)[9], 20);
  // Hand count: lane class 1 holds 105, 312, 401, 403 and 409-419 (ten).
  EXPECT_EQ((*links)[0], 10);

  const auto miles = testing::row_values(
      testing::area_block(testing::report_table(r, "TOTAL SYSTEM MILES"), "TOTAL AREA TYPES"), "Totals");
  ASSERT_TRUE(miles.has_value());
  EXPECT_PRINTED(std::optional<double>(miles->back()), s.sys_miles, 2);
  const auto volume = testing::row_values(
      testing::area_block(testing::report_table(r, "TOTAL VOLUME ON ALL LINKS"), "TOTAL AREA TYPES"), "Totals");
  ASSERT_TRUE(volume.has_value());
  EXPECT_PRINTED_WHOLE(std::optional<double>(volume->back()), s.vol_all);

  // Residential freeway-less block: the collector row holds 401, 403 (lane
  // class 1) and the pair 405-406 (lane class 2, half a link each).
  const auto collector = testing::row_values(
      testing::area_block(testing::report_table(r, "TOTAL NUMBER OF LINKS"), "AREA TYPE: Residential"),
      "Collector Street");
  ASSERT_TRUE(collector.has_value());
  EXPECT_EQ(*collector, (std::vector<double>{2, 1, 0, 0, 0, 0, 0, 0, 0, 3}));
}

// Screenline totals add volumes only where there is a count, and every
// count; the second direction of a pair joins the first one's entry.
TEST_F(ValidationDbfGolden, Screenlines) {
  const std::string r = report();
  struct Expected {
    int screenline;
    double volume, count;
    std::string_view name;
  };
  const Expected totals[] = {
      {1, 1200 + 900 + 800, 1000 + 1100 + 750, "NORTH RIVER CROSSING"},  // 700 and 400 have no count
      {2, 1250 + 1500, 1300 + 1400, "EAST CORDON"},
      {3, 650 + 450, 600 + 500, "SOUTH CORDON"},
      {99, 1000 + 1100 + 500, 900 + 1000 + 450, "INDIVIDUAL COUNT LINKS"},  // 305-306 has no count
  };
  const auto scrnline = testing::split_lines(run_->golden.expected("SCRNLINE.ASC"));
  ASSERT_EQ(scrnline.size(), 4u);
  for (std::size_t n = 0; n < 4; ++n) {
    const Expected& e = totals[n];
    const auto total = testing::screenline_total(r, e.screenline);
    ASSERT_TRUE(total.has_value()) << e.screenline;
    EXPECT_EQ(total->volume, e.volume) << e.screenline;
    EXPECT_EQ(total->reference, e.count) << e.screenline;
    EXPECT_PRINTED(std::optional<double>(total->ratio), e.volume / e.count, 2);
    EXPECT_NE(total->rest.find(e.name), std::string::npos) << e.screenline;
    // SCRNLINE.ASC: I3, 2F11.0, F7.2, then the name.
    const std::vector<double> ascii = testing::numbers_from(testing::columns_of(scrnline[n], 1, 32), 1);
    EXPECT_EQ(ascii, (std::vector<double>{static_cast<double>(e.screenline), e.volume, e.count,
                                          std::round(e.volume / e.count * 100) / 100}));
    EXPECT_EQ(testing::columns_of(scrnline[n], 37, 76), std::string(e.name) + std::string(40 - e.name.size(), ' '));
  }

  const auto pair = testing::screenline_link(r, 1, 101, 102);
  ASSERT_TRUE(pair.has_value());
  EXPECT_EQ(pair->volume, 1200 + 900);
  EXPECT_EQ(pair->reference, 1000 + 1100);
  const auto one_count = testing::screenline_link(r, 1, 103, 104);
  ASSERT_TRUE(one_count.has_value());
  EXPECT_EQ(one_count->volume, 800 + 700);
  EXPECT_EQ(one_count->reference, 750);
  EXPECT_EQ(one_count->rest, "        2  3  ***CRITICAL*** MISSING COUNT IN ONE DIRECTION");
  const auto no_count = testing::screenline_link(r, 1, 105, 106);
  ASSERT_TRUE(no_count.has_value());
  EXPECT_EQ(no_count->reference, 0);
  EXPECT_NE(no_count->rest.find("********** THIS LINK HAS NO COUNT **********"), std::string::npos);
  // 202-201 lies on screenline 3 while 201-202 is on 2.
  const auto other_screenline = testing::screenline_link(r, 3, 202, 201);
  ASSERT_TRUE(other_screenline.has_value());
  EXPECT_EQ(other_screenline->volume, 450);
  EXPECT_NE(
      r.find(" ***INFO*** LINK   202 -   201 IS TWOWAY -- SCREEN LINE  3 IS NOT THE SAME FOR LINK   201 -   202\n"),
      std::string::npos);
  const auto individual_pair = testing::screenline_link(r, 99, 301, 302);
  ASSERT_TRUE(individual_pair.has_value());
  EXPECT_EQ(individual_pair->volume, 1000 + 1100);
  EXPECT_EQ(individual_pair->reference, 900 + 1000);
  EXPECT_FALSE(testing::screenline_link(r, 99, 302, 301).has_value());
  EXPECT_FALSE(testing::screenline_link(r, 99, 305, 306).has_value());
}

}  // namespace
}  // namespace korvo::golden
