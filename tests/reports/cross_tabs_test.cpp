#include "reports/cross_tabs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evaluation/table_completion.h"
#include "reports/report_fixture.h"

namespace korvo {
namespace {

using testing::Line;
using testing::page_header;
using testing::ReportFixture;

std::string lane_title(std::string_view caption) {
  std::string title = " HIGHWAY EVALUATION -- YEAR/ALT (05A) -- REPORT: " + pad_to(caption, 48) + "\n\n\n";
  return title + Line()
                     .at(2, "TOTAL LANES:")
                     .at(27, "1")
                     .at(37, "2")
                     .at(47, "3")
                     .at(57, "4")
                     .at(67, "5")
                     .at(77, "6")
                     .at(87, "7")
                     .at(97, "8")
                     .at(107, "9+")
                     .at(112, "TOTALS")
                     .str();
}
std::string area_heading(std::string_view label) {
  return "\n" + Line().at(53, "AREA TYPE: ").at(64, pad_to(label, 40)).str();
}
const std::string kTotalAreaHeading = "\n" + Line().at(51, "TOTAL AREA TYPES").str();

// A row of ten whole-number lane columns after a 16-character label.
std::string row(std::string_view label, std::initializer_list<std::string_view> lanes) {
  return Line().at(2, pad_to(label, 16)).fields(18, 10, lanes);
}
std::string totals_row(std::initializer_list<std::string_view> lanes) {
  return Line().at(1, " Totals").fields(18, 10, lanes);
}
// A subtotal: each value ends where the row's value ends, its "*" follows.
std::string subtotal_row(std::string_view group, const std::vector<std::string>& lanes) {
  Line line;
  line.at(2, " Total " + std::string(group));
  std::size_t end = 27;
  for (const std::string& v : lanes) {
    line.at(end + 1 - v.size(), v).at(end + 1, "*");
    end += 10;
  }
  return line;
}

// Fills the given inner cells of one slot and completes the totals.
struct CellValue {
  int i, j, k;
  float value;
};
void fill(ReportFixture& f, Slot slot, std::initializer_list<CellValue> cells) {
  for (const CellValue& c : cells) f.cell(c.i, c.j, c.k, slot) = c.value;
  add_all_marginal_totals(f.e.acc.sums);
}

// Whole numbers take a half upward (2.5 gives 3, 2.49 gives 2, 0.5 gives 1);
// a row whose lane total rounds to 0 is left out; with ten classes there is
// no subtotal although three rows of group 1-9 are filled.
TEST(LaneTable, WholeNumbersRoundHalfUpAndEmptyRowsAreLeftOut) {
  ReportFixture f(10, 2);
  fill(f, Slot::LINKS, {{1, 1, 1, 2.5f}, {1, 1, 2, 2.49f}, {2, 1, 3, 0.5f}, {3, 1, 1, 0.3f}});
  write_lane_table(f.out, f.e.acc.sums, f.e.classes, "TOTAL NUMBER OF LINKS", Slot::LINKS, true, 0, true);

  const std::string block = row("Freeway", {"3", "2", "0", "0", "0", "0", "0", "0", "0", "5"}) +
                            row("Divided Arterial", {"0", "0", "1", "0", "0", "0", "0", "0", "0", "1"}) +
                            totals_row({"3", "2", "1", "0", "0", "0", "0", "0", "0", "6"});
  EXPECT_EQ(f.report(), page_header(1) + lane_title("TOTAL NUMBER OF LINKS") +
                            area_heading("Central Business District") + block + kTotalAreaHeading + block);
}

// Real numbers with the decimals the table asks for: 2 in the rows, the
// subtotals and the Totals row; a later table with 1 takes 1.
TEST(LaneTable, RealNumbersUseTheDecimalsTheTableAsksFor) {
  ReportFixture f(10, 2);
  fill(f, Slot::SYS_MILES, {{1, 1, 1, 1.5f}, {4, 1, 9, 12.25f}});
  write_lane_table(f.out, f.e.acc.sums, f.e.classes, "TOTAL SYSTEM MILES", Slot::SYS_MILES, false, 2, true);

  const std::string z = "0.00";
  const std::string block =
      Line().at(2, "Freeway         ").fields(18, 10, {"1.50", z, z, z, z, z, z, z, z, "1.50"}).str() +
      Line().at(2, "Collector Street").fields(18, 10, {z, z, z, z, z, z, z, z, "12.25", "12.25"}).str() +
      Line().at(1, " Totals").fields(18, 10, {"1.50", z, z, z, z, z, z, z, "12.25", "13.75"}).str();
  const std::string first_table = page_header(1) + lane_title("TOTAL SYSTEM MILES") +
                                  area_heading("Central Business District") + block + kTotalAreaHeading + block;
  EXPECT_EQ(f.report(), first_table);

  write_lane_table(f.out, f.e.acc.sums, f.e.classes, "TOTAL SYSTEM MILES", Slot::SYS_MILES, false, 1, true);
  EXPECT_NE(f.report().find(Line().at(2, "Freeway         ").fields(18, 10, {"1.5", "0.0"}).str().substr(0, 37)),
            std::string::npos);
}

// NFT 5: the unnamed group of rows 1-9 gets its subtotal before the Totals
// row when two of its rows are filled and subtotals are asked for.
TEST(LaneTable, SubtotalOfTheFirstGroupBeforeTheTotals) {
  const struct {
    std::vector<int> rows;
    bool subtotals;
    bool expect_subtotal;
  } cases[] = {{{1, 3}, true, true}, {{1, 3}, false, false}, {{3}, true, false}};
  for (const auto& c : cases) {
    ReportFixture f(5, 1);
    for (int r : c.rows) f.cell(r, 1, r, Slot::LINKS) = static_cast<float>(r);
    add_all_marginal_totals(f.e.acc.sums);
    write_lane_table(f.out, f.e.acc.sums, f.e.classes, "TOTAL NUMBER OF LINKS", Slot::LINKS, true, 0, c.subtotals);

    std::string expected = page_header(1) + lane_title("TOTAL NUMBER OF LINKS") + kTotalAreaHeading;
    if (c.rows.size() == 2) expected += row("Freeway", {"1", "0", "0", "0", "0", "0", "0", "0", "0", "1"});
    expected += row("Undivid.Arterial", {"0", "0", "3", "0", "0", "0", "0", "0", "0", "3"});
    const std::string total = c.rows.size() == 2 ? "4" : "3";
    if (c.expect_subtotal) expected += subtotal_row("Class 1-9 ", {"1", "0", "3", "0", "0", "0", "0", "0", "0", "4"});
    expected += totals_row({c.rows.size() == 2 ? "1" : "0", "0", "3", "0", "0", "0", "0", "0", "0", total});
    EXPECT_EQ(f.report(), expected) << c.rows.size() << " rows, subtotals " << c.subtotals;
  }
}

// NFT 100: groups close before rows 10, 30 and the Totals row; a group with
// a single filled row (40) gets no subtotal; every area type has its page.
TEST(LaneTable, GroupSubtotalsWithOneHundredClasses) {
  ReportFixture f(100, 2);
  fill(f, Slot::LINKS,
       {{1, 1, 1, 1},
        {2, 1, 1, 1},
        {21, 1, 1, 2},
        {25, 1, 2, 3},
        {30, 1, 1, 1},
        {40, 1, 1, 1},
        {95, 1, 1, 1},
        {99, 1, 1, 1}});
  write_lane_table(f.out, f.e.acc.sums, f.e.classes, "TOTAL NUMBER OF LINKS", Slot::LINKS, true, 0, true);

  const auto one = [](std::string_view label) {
    return row(label, {"1", "0", "0", "0", "0", "0", "0", "0", "0", "1"});
  };
  const std::vector<std::string> two{"2", "0", "0", "0", "0", "0", "0", "0", "0", "2"};
  const std::string block = one("Freeway") + one("Divided Arterial") + subtotal_row("Class 1-9 ", two) +
                            row("21", {"2", "0", "0", "0", "0", "0", "0", "0", "0", "2"}) +
                            row("25", {"0", "3", "0", "0", "0", "0", "0", "0", "0", "3"}) +
                            subtotal_row("Div Art   ", {"2", "3", "0", "0", "0", "0", "0", "0", "0", "5"}) + one("30") +
                            one("40") + one("95") + one("99") + subtotal_row("Toll Fac  ", two) +
                            totals_row({"8", "3", "0", "0", "0", "0", "0", "0", "0", "11"});
  EXPECT_EQ(f.report(), page_header(1) + lane_title("TOTAL NUMBER OF LINKS") +
                            area_heading("Central Business District") + block + page_header(2) +
                            lane_title("TOTAL NUMBER OF LINKS") + kTotalAreaHeading + block);
}

// NFT 25: the subtotal before the Totals row covers rows 20-24 only; rows
// 15-19 were subtotalled with their own group at row 20.
TEST(LaneTable, TheLastShortGroupSumsOnlyItsOwnRows) {
  ReportFixture f(25, 1);
  for (const auto& [r, v] : {std::pair{15, 1.0f}, {18, 2.0f}, {21, 4.0f}, {23, 8.0f}}) f.cell(r, 1, 1, Slot::LINKS) = v;
  add_all_marginal_totals(f.e.acc.sums);
  write_lane_table(f.out, f.e.acc.sums, f.e.classes, "TOTAL NUMBER OF LINKS", Slot::LINKS, true, 0, true);
  const std::string report = f.report();
  EXPECT_NE(report.find(subtotal_row("Freeway   ", {"3", "0", "0", "0", "0", "0", "0", "0", "0", "3"}) +
                        row("21", {"4", "0", "0", "0", "0", "0", "0", "0", "0", "4"})),
            std::string::npos);
  EXPECT_NE(report.find(subtotal_row("Div Art   ", {"12", "0", "0", "0", "0", "0", "0", "0", "0", "12"}) +
                        totals_row({"15", "0", "0", "0", "0", "0", "0", "0", "0", "15"})),
            std::string::npos);
}

TEST(LaneTable, GroupNames) {
  const std::pair<int, std::string> cases[] = {{0, "Class 1-9 "}, {1, "Freeway   "},  {5, "Centroid  "},
                                               {9, "Toll Fac  "}, {10, "Cl 100-109"}, {99, "Cl 990-999"}};
  for (const auto& [group, name] : cases) EXPECT_EQ(facility_group_name(group), name);
}

std::string area_title(std::string_view caption) {
  return " HIGHWAY EVALUATION -- YEAR/ALT (05A) -- REPORT: " + std::string(caption) + "\n\n\n" +
         Line()
             .at(25, "     CBD")
             .at(34, "  Fringe")
             .at(43, "   Resid")
             .at(52, " Out CBD")
             .at(61, "   Rural")
             .at(70, "   Total")
             .str() +
         "\n\n";
}

TEST(AreaTable, WholeNumbersByAreaTypeFromTheAllLanesClass) {
  ReportFixture f(10, 6, true);
  fill(f, Slot::VOL_ALL, {{1, 1, 1, 2.5f}, {1, 3, 4, 100}, {5, 2, 1, 0.49f}});
  write_area_table(f.out, f.e.acc.sums, f.e.classes, pad_to("TOTAL VOLUME ON ALL LINKS", 59), Slot::VOL_ALL, true, 0);
  EXPECT_EQ(f.report(), page_header(1) + area_title("TOTAL VOLUME ON ALL LINKS") +
                            Line().at(2, "Freeway         ").fields(24, 9, {"3", "0", "100", "0", "0", "103"}).str() +
                            "\n" + Line().at(1, " Totals").fields(24, 9, {"3", "0", "100", "0", "0", "103"}).str());
}

TEST(AreaTable, AnEmptyTablePrintsItsTotalsRow) {
  ReportFixture f(10, 6, true);
  write_area_table(f.out, f.e.acc.sums, f.e.classes, "RATIO OF VOLUME OVER CAPACITY", Slot::VOL_RATIO, false, 2);
  EXPECT_EQ(f.report(),
            page_header(1) + area_title("RATIO OF VOLUME OVER CAPACITY") + "\n" +
                Line().at(1, " Totals").fields(24, 9, {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}).str());
}

}  // namespace
}  // namespace korvo
