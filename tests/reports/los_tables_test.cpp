#include "reports/los_tables.h"

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

std::string los_heading(std::string_view what) {
  return " HIGHWAY EVALUATION -- YEAR/ALT (05A) : " + std::string(what) + " AT EACH LEVEL OF SERVICE\n\n\n" +
         Line().at(48, "LEVEL OF SERVICE").str() + "\n" +
         Line().at(24, "A       B       C       D       E       F     TOTAL").str() + "\n\n\n";
}
std::string los_row(std::string_view label, std::initializer_list<std::string_view> levels) {
  return Line().at(2, pad_to(label, 16)).fields(19, 8, levels);
}

void set_miles(ReportFixture& f, int cls, std::array<float, 7> levels) {
  for (std::size_t c = 0; c < 7; ++c) f.e.acc.los_miles[static_cast<std::size_t>(cls)][c + 1] = levels[c];
}

// 40 miles at level A and 60 at C in one class: both tables show the class
// and the total as 40, 0, 60, 0, 0, 0, 100.
TEST(LevelOfServiceTables, MilesAndPercentOfTheWholeSystem) {
  ReportFixture f(10, 6, true);
  set_miles(f, 1, {40, 0, 60, 0, 0, 0, 100});
  set_miles(f, 10, {40, 0, 60, 0, 0, 0, 100});
  level_of_service_percentages(f.e.acc);
  write_level_of_service_tables(f.out, f.e.acc, f.e.classes);
  const std::string rows = los_row("Freeway", {"40.00", "0.00", "60.00", "0.00", "0.00", "0.00", "100.00"}) +
                           los_row("Total", {"40.00", "0.00", "60.00", "0.00", "0.00", "0.00", "100.00"});
  EXPECT_EQ(f.report(), page_header(1) + los_heading("MILES OF ROADWAY") + rows + "\n\n\n" +
                            los_heading("PERCENT OF MILEAGE") + rows);
}

// The percent table reserves ten lines and one per class shown; a page that
// began with 45 lines (a forced page keeps the last lines_to_add) cannot hold
// 12 more. A grand total of 0 gives zero percentages, so only the total row.
TEST(LevelOfServiceTables, PercentTableOnANewPageAndZeroGrandTotal) {
  ReportFixture f(10, 6, true);
  set_miles(f, 3, {0, 0, 0, 0, 0, 0, 0.5f});  // an inconsistent row total, to keep the class in the miles table
  set_miles(f, 4, {1, 0, 0, 0, 0, 0, 1});
  f.out.reserve(45);
  level_of_service_percentages(f.e.acc);
  write_level_of_service_tables(f.out, f.e.acc, f.e.classes);
  const std::string z = "0.00";
  EXPECT_EQ(f.report(), page_header(1) + los_heading("MILES OF ROADWAY") +
                            los_row("Undivid.Arterial", {z, z, z, z, z, z, "0.50"}) +
                            los_row("Collector Street", {"1.00", z, z, z, z, z, "1.00"}) +
                            los_row("Total", {z, z, z, z, z, z, z}) + page_header(2) + "\n\n\n" +
                            los_heading("PERCENT OF MILEAGE") + los_row("Total", {z, z, z, z, z, z, z}));
  EXPECT_EQ(f.out.page().line_count, 12);
  for (const auto& row : f.e.acc.los_pct) {
    for (float v : row) ASSERT_EQ(v, 0.0f);
  }
}

// The 35 tables in order, the emissions converted to kilograms between
// tables 28 and 29: 1499 grams print as 1 (1.499 rounded half up).
TEST(AnalysisTables, ThirtyFiveTablesInOrderWithEmissionsInKilograms) {
  ReportFixture f(10, 6, true);
  f.cell(1, 1, 1, Slot::CO_GRAMS) = 1499;
  f.cell(1, 1, 1, Slot::HC_GRAMS) = 2500;
  add_all_marginal_totals(f.e.acc.sums);
  convert_emissions_to_kilograms(f.e.acc.sums);
  write_analysis_tables(f.out, f.e.acc, f.e.classes);
  const std::string report = f.report();

  const std::vector<std::string> captions = {"TOTAL SYSTEM MILES",
                                             "TOTAL LANE MILES",
                                             "TOTAL DIRECTIONAL SYSTEM MILES",
                                             "AVERAGE LINK LENGTH USING SYSTEM MILES",
                                             "TOTAL VMT USING VOLUMES ON LINKS WITH CAPACITIES",
                                             "TOTAL VMT USING CAPACITY",
                                             "RATIO OF VOLUME OVER CAPACITY VMT",
                                             "TOTAL VHT USING VOLUMES ON LINKS WITH CAPACITIES",
                                             "TOTAL VHT USING CAPACITIES",
                                             "RATIO OF VOLUME OVER CAPACITY VHT",
                                             "TOTAL VOLUME ON ALL LINKS WITH CAPACITIES",
                                             "TOTAL CAPACITIES",
                                             "RATIO OF VOLUME OVER CAPACITY",
                                             "TOTAL VOLUME ON ALL LINKS",
                                             "VOLUME PERCENTAGES ON ALL LINKS",
                                             "AVERAGE TOTAL VOLUMES ON ALL LINKS",
                                             "ORIGINAL SPEEDS (MPH)",
                                             "CONGESTED SPEEDS (MPH)",
                                             "PERCENT CHANGE IN SPEED",
                                             "TOTAL VMT USING LINK VOLUMES (VELMAR.V54+)",
                                             "TOTAL VHT (FREE-FLOW TIME) USING LINK VOLUMES (VELMAR.V54+)",
                                             "TOTAL VHT (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)",
                                             "SPEEDS (FREE-FLOW TIME) USING LINK VOLUMES (VELMAR.V54+)",
                                             "SPEEDS (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)",
                                             "PERCENT CHANGE IN SPEED USING LINK VOLUMES (VELMAR.V54+)",
                                             "TOTAL ACCIDENT OCCURENCES",
                                             "TOTAL INJURY OCCURENCES",
                                             "TOTAL FATALITY OCCURENCES",
                                             "TOTAL EMISSIONS OF CARBON MONOXIDE (KILOGRAMS)",
                                             "TOTAL EMISSIONS OF HYDROCARBONS (KILOGRAMS)",
                                             "TOTAL EMISSIONS OF OXIDES OF NITROGEN (KILOGRAMS)",
                                             "TOTAL FUEL USE (GALS)",
                                             "TOTAL NEW LANE MILEAGE",
                                             "TOTAL CONSTRUCTION COST (X $1000)",
                                             "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)"};
  std::vector<std::string> titles;
  const std::string marker = "-- REPORT: ";
  for (std::size_t p = report.find(marker); p != std::string::npos; p = report.find(marker, p + 1)) {
    titles.push_back(report.substr(p + marker.size(), report.find('\n', p) - p - marker.size()));
  }
  EXPECT_EQ(titles, captions);
  EXPECT_NE(report.find("MILES OF ROADWAY AT EACH LEVEL OF SERVICE"), std::string::npos);

  const auto table = [&](const std::string& caption) {
    const std::size_t start = report.find(marker + caption + "\n");
    return report.substr(start, report.find("\f", start) - start);
  };
  const std::string co_row = Line().at(2, "Freeway         ").fields(24, 9, {"1", "0", "0", "0", "0", "1"});
  const std::string hc_row = Line().at(2, "Freeway         ").fields(24, 9, {"3", "0", "0", "0", "0", "3"});
  EXPECT_NE(table("TOTAL EMISSIONS OF CARBON MONOXIDE (KILOGRAMS)").find(co_row), std::string::npos);
  EXPECT_NE(table("TOTAL EMISSIONS OF HYDROCARBONS (KILOGRAMS)").find(hc_row), std::string::npos);
  EXPECT_FLOAT_EQ(f.cell(10, 6, 10, Slot::CO_GRAMS), 1.499f);
  EXPECT_FLOAT_EQ(f.cell(1, 6, 3, Slot::HC_GRAMS), 0.0f);
  EXPECT_FLOAT_EQ(f.cell(1, 6, 1, Slot::HC_GRAMS), 2.5f);
}

}  // namespace
}  // namespace korvo
