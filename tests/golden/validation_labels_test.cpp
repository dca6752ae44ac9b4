// Golden case "validation_labels": a validation run whose labels file puts
// the facility types into classes 11-35 and the area types into three
// classes, so that the lane tables give every area type a page of its own
// and close each group of ten classes with a subtotal.

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

// KVLABELS.SYN, facility types: codes 1, 11, 12 are classes 11, 12, 15
// (group 1, "Freeway"); codes 2, 21, 22, 23 classes 21, 22, 25, 27 (group
// 2, "Div Art"); codes 4, 3, 41 classes 31, 33, 35 (group 3, "Undiv Art").
// NFT is 36. Area types 1-2 are class 1 ("DOWNTOWN AND CBD FRINGE"), 3
// class 2 ("SUBURBAN"), 4-5 class 3 ("RURAL AND OUTLYING"); NAT is 4.
// Codes the file does not name (facility type 6, area type 6) are skipped.
// The class of each link is in the comment at its end.
// clang-format off
const std::vector<Link> kLabelledLinks = {
  //  A    B  dist AT FT lanes time cong  cap count  vol  SL two-way fate lane class
  {100, 101, 220, 1,  1, 3, 160, 200, 5400, 4800, 5000, 0, false, E, 3},  // 11, AT class 1
  {101, 102, 180, 2, 11, 2, 140, 170, 3600, 3300, 3100, 0, false, E, 2},  // 12, 1
  {102, 103, 120, 1,  2, 2, 180, 210, 1800, 1500, 1650, 0, false, E, 2},  // 21, 1
  {103, 104,  90, 2, 22, 2, 150, 180, 1600,    0,  800, 0, true,  E, 4},  // 25, 1
  {104, 103,  90, 2, 22, 2, 150, 190, 1600,  700,  900, 0, true,  E, 4},  // 25, 1
  {104, 105,  70, 1,  3, 1, 140, 160,  800,    0,  500, 0, false, E, 1},  // 33, 1
  {105, 106,  60, 2,  4, 1, 120, 130,  700,  400,  450, 0, false, E, 1},  // 31, 1
  {200, 201, 300, 3, 12, 2, 240, 260, 3400, 2900, 3000, 0, false, E, 2},  // 15, 2
  {201, 202, 250, 3, 21, 2, 300, 330, 1800,    0, 1400, 0, false, E, 2},  // 22, 2
  {202, 203, 140, 3, 23, 1, 200, 210,  900,  600,  550, 0, false, E, 1},  // 27, 2
  {203, 204, 110, 3, 41, 1, 200, 220,  700,    0,  300, 0, false, E, 1},  // 35, 2
  {204, 205, 160, 3,  4, 2, 240, 250, 1200, 1000,  950, 0, false, E, 2},  // 31, 2
  {300, 301, 500, 4, 11, 2, 300, 320, 3600, 2200, 2400, 0, false, E, 2},  // 12, 3
  {301, 302, 650, 5,  1, 2, 360, 380, 3800, 2600, 2500, 0, false, E, 2},  // 11, 3
  {302, 303, 400, 5,  2, 2, 360, 400, 1800,    0,  900, 0, false, E, 2},  // 21, 3
  {303, 304, 350, 4,  3, 1, 420, 450,  900,  350,  380, 0, false, E, 1},  // 33, 3
  // Facility type 6 and area type 6 have no class; 55 is a local street.
  {400, 401, 100, 3,  6, 1, 120, 150,  900,    0,  600, 0, false, SK, 0},
  {401, 402, 100, 6,  2, 2, 120, 150, 1800,    0,  900, 0, false, SK, 0},
  {402, 403,  40, 3, 55, 1,  60,  60, 9999,    0,  700, 0, false, PO, 0},
};
// clang-format on

struct ValidationLabelsCase {
  static constexpr const char* kName = "validation_labels";
  static constexpr const char* kConsoleInput = "";
  static void prepare(const TempDir& dir) { write_dbf_links(dir.file("REGION35.DBF"), kLabelledLinks); }
};

class ValidationLabelsGolden : public GoldenTest<ValidationLabelsCase> {
 protected:
  // The sum of one measure over the links of a set of classes.
  template <typename Measure>
  static float sum(std::initializer_list<std::pair<int, int>> links, Measure measure) {
    float total = 0.0f;
    for (const auto& [anode, bnode] : links) {
      for (const Link& l : kLabelledLinks) {
        if (l.anode == anode && l.bnode == bnode) total += measure(l);
      }
    }
    return total;
  }
};

TEST_F(ValidationLabelsGolden, EveryOutputMatchesItsGoldenFile) { expect_every_output_matches(); }

// 430 cells x 36 facility-type classes x 4 area-type classes x 4 bytes.
TEST_F(ValidationLabelsGolden, ConsoleAndSkippedLinks) {
  EXPECT_EQ(testing::split_lines(run_->golden.expected("console.txt")).front(),
            " DATA ARRAY MEMORY REQUIREMENT --  247680 BYTES");
  EXPECT_EQ(run_->golden.expected("KVSKIP.LNK"), skip_list(kLabelledLinks));
}

// The labels listing opens the report under the agency header; its lists
// show the codes the file names as selected and every other as skipped.
TEST_F(ValidationLabelsGolden, LabelsListing) {
  const std::string r = report();
  EXPECT_EQ(r.substr(0, 4), " \f\n ");
  EXPECT_NE(r.find("   ZEFALIA D.O.T.         "), std::string::npos);
  EXPECT_NE(r.find(" \"KVLABELS.SYN\" CONTENTS:\n\n          LABEL FT  1 11  1 FRWY U   URBAN FREEWAY"),
            std::string::npos);
  const auto selected = testing::section(r, " FACILITY TYPES SELECTED:", " FACILITY TYPES SKIPPED:");
  ASSERT_GE(selected.size(), 3u);
  EXPECT_EQ(testing::numbers_from(selected[2], 1), (std::vector<double>{1, 2, 3, 4, 11, 12, 21, 22, 23, 41}));
  const auto areas = testing::section(r, " AREA TYPES SELECTED:", " AREA TYPES SKIPPED:");
  ASSERT_GE(areas.size(), 3u);
  EXPECT_EQ(testing::numbers_from(areas[2], 1), (std::vector<double>{1, 2, 3, 4, 5}));
}

// With 36 classes each area-type block of a lane table has a page of its
// own: 24 tables of 4 blocks.
TEST_F(ValidationLabelsGolden, EveryAreaTypeBlockStartsAPage) {
  const std::string r = report();
  std::size_t titles = 0;
  for (std::size_t at = r.find(" HIGHWAY EVALUATION -- YEAR/ALT (N35) -- REPORT: "); at != std::string::npos;
       at = r.find(" HIGHWAY EVALUATION -- YEAR/ALT (N35) -- REPORT: ", at + 1)) {
    ++titles;
    // Each title is the first line after a page header.
    EXPECT_EQ(r.substr(at - 3, 3), "\n \n") << "title at byte " << at;
  }
  EXPECT_EQ(titles, 24u * 4u);
  const auto links = testing::report_table(r, "TOTAL NUMBER OF LINKS");
  for (const char* block : {"AREA TYPE: DOWNTOWN AND CBD FRINGE", "AREA TYPE: SUBURBAN",
                            "AREA TYPE: RURAL AND OUTLYING", "TOTAL AREA TYPES"}) {
    EXPECT_FALSE(testing::area_block(links, block).empty()) << block;
  }
}

// Subtotal lines close a group when two or more of its classes have links
// in the block; their values end in "*". The last group (classes 30-35)
// holds only its own classes, not the tail of the group before it.
TEST_F(ValidationLabelsGolden, GroupSubtotals) {
  const std::string r = report();
  const auto table = testing::report_table(r, "TOTAL NUMBER OF LINKS");
  const auto links = [](const Link& l) { return weight(l); };

  const auto downtown = testing::area_block(table, "AREA TYPE: DOWNTOWN AND CBD FRINGE");
  // Classes 11 and 12: one link each, both in their lane class columns.
  const auto freeway = testing::row_values(downtown, "Total Freeway");
  ASSERT_TRUE(freeway.has_value());
  EXPECT_EQ(*freeway, (std::vector<double>{0, 1, 1, 0, 0, 0, 0, 0, 0, 2}));
  // Classes 21 (102-103) and 25 (the pair 103-104, lane class 4).
  const auto arterial = testing::row_values(downtown, "Total Div Art");
  ASSERT_TRUE(arterial.has_value());
  EXPECT_EQ(arterial->back(), whole(sum({{102, 103}, {103, 104}, {104, 103}}, links)));
  EXPECT_EQ((*arterial)[3], 1);
  const auto undivided = testing::row_values(downtown, "Total Undiv Art");
  ASSERT_TRUE(undivided.has_value());
  EXPECT_EQ(*undivided, (std::vector<double>{2, 0, 0, 0, 0, 0, 0, 0, 0, 2}));

  const auto suburban = testing::area_block(table, "AREA TYPE: SUBURBAN");
  // Class 15 alone in group 1: no subtotal. Classes 22 and 27: one. The
  // last group: classes 31 and 35, without class 27.
  EXPECT_FALSE(testing::row_values(suburban, "Total Freeway").has_value());
  const auto suburban_arterial = testing::row_values(suburban, "Total Div Art");
  ASSERT_TRUE(suburban_arterial.has_value());
  EXPECT_EQ(*suburban_arterial, (std::vector<double>{1, 1, 0, 0, 0, 0, 0, 0, 0, 2}));
  const auto suburban_last = testing::row_values(suburban, "Total Undiv Art");
  ASSERT_TRUE(suburban_last.has_value());
  EXPECT_EQ(*suburban_last, (std::vector<double>{1, 1, 0, 0, 0, 0, 0, 0, 0, 2}));

  const auto rural = testing::area_block(table, "AREA TYPE: RURAL AND OUTLYING");
  EXPECT_TRUE(testing::row_values(rural, "Total Freeway").has_value());
  EXPECT_FALSE(testing::row_values(rural, "Total Div Art").has_value());
  EXPECT_FALSE(testing::row_values(rural, "Total Undiv Art").has_value());

  // The same groups in real numbers: system miles of classes 21, 22, 25, 27
  // over all area types: 1.2 + 2.5 + 0.9 (the pair, half each way) + 1.4 + 4.
  const auto system_miles = testing::area_block(testing::report_table(r, "TOTAL SYSTEM MILES"), "TOTAL AREA TYPES");
  const auto miles_arterial = testing::row_values(system_miles, "Total Div Art");
  ASSERT_TRUE(miles_arterial.has_value());
  EXPECT_PRINTED(std::optional<double>(miles_arterial->back()), 1.2 + 2.5 + 0.9 + 1.4 + 4.0, 2);
  EXPECT_PRINTED(std::optional<double>(miles_arterial->back()),
                 sum({{102, 103}, {103, 104}, {104, 103}, {201, 202}, {202, 203}, {302, 303}},
                     [](const Link& l) { return miles(l) * weight(l); }),
                 2);
  // Subtotals are off for ratios: the speed tables have none.
  const auto speeds = testing::report_table(r, "CONGESTED SPEEDS (MPH)");
  EXPECT_FALSE(testing::row_values(testing::area_block(speeds, "TOTAL AREA TYPES"), "Total Div Art").has_value());
}

// The rows use the long labels cut to 16 characters.
TEST_F(ValidationLabelsGolden, RowsCarryTheClassLabels) {
  const auto suburban =
      testing::area_block(testing::report_table(report(), "TOTAL NUMBER OF LINKS"), "AREA TYPE: SUBURBAN");
  for (const char* label :
       {"EXPRESSWAY", "MINOR ARTERIAL", "FRONTAGE ROAD", "LOCAL COLLECTOR", "COLLECTOR", "Totals"}) {
    EXPECT_TRUE(testing::row_values(suburban, label).has_value()) << label;
  }
}

TEST_F(ValidationLabelsGolden, SystemTotals) {
  const std::string r = report();
  const NetworkSums s = network_sums(kLabelledLinks, false);
  // 14 one-way links and one pair.
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL NUMBER OF LINKS"), 15);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL SYSTEM MILES"), s.sys_miles, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL LANE MILES"), s.lane_miles, 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL DIRECTIONAL MILES"), s.dir_miles, 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING VOLUMES"), s.vmt_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VMT USING COUNTS"), s.vmt_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VMT V/C"), s.vmt_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING VOLUMES"), s.vht_vol);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VHT USING COUNTS"), s.vht_ref);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL VHT V/C"), s.vht_ratio(), 2);
  EXPECT_PRINTED_WHOLE(testing::total_value(r, "TOTAL VOLUMES ALL LINKS"), s.vol_all);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL ORIGINAL SPEED (MPH)"), s.original_speed(), 2);
  EXPECT_PRINTED(testing::total_value(r, "TOTAL CONGESTED SPEED (MPH)"), s.congested_speed(), 2);

  const auto links = testing::row_values(
      testing::area_block(testing::report_table(r, "TOTAL NUMBER OF LINKS"), "TOTAL AREA TYPES"), "Totals");
  ASSERT_TRUE(links.has_value());
  for (std::size_t k = 1; k <= 9; ++k) EXPECT_EQ((*links)[k - 1], whole(s.links_by_lane[k])) << "lane class " << k;
}

}  // namespace
}  // namespace korvo::golden
