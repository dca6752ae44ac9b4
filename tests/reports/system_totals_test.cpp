#include "reports/system_totals.h"

#include <gtest/gtest.h>

#include <string>

#include "evaluation/table_completion.h"
#include "reports/banner.h"
#include "reports/report_fixture.h"

namespace korvo {
namespace {

using testing::Line;
using testing::ReportFixture;

std::string banner() {
  std::string out = "\f " + banner_row("STATISTICS", 1) + "\n";
  for (int row = 2; row <= 5; ++row) out += " " + banner_row("STATISTICS", row) + "\n";
  return out + "\n\n\n";
}

// A totals line: caption at column 5, the value right-justified in I10 or
// F13.2 from column col.
std::string total(std::string_view caption, std::size_t col, std::string_view value, bool with_counts = false) {
  Line line;
  line.at(5, caption).fields(col, value.find('.') == std::string_view::npos ? 10 : 13, {value});
  if (with_counts) line.at(50, "(LINKS WITH COUNTS)");
  return line;
}

void set_grand_totals(ReportFixture& f, std::initializer_list<std::pair<Slot, float>> values) {
  for (const auto& [slot, value] : values) f.cell(10, 6, 10, slot) = value;
}

// Whole numbers are x + 0.5 truncated: 3.5 links (7 two-way records) print
// 4, 2.49 prints 2 and 0.5 prints 1.
TEST(SystemTotals, ValidationPage) {
  ReportFixture f;
  set_grand_totals(f, {{Slot::LINKS, 3.5f},
                       {Slot::SYS_MILES, 12.5f},
                       {Slot::LANE_MILES, 30.25f},
                       {Slot::DIR_MILES, 20.75f},
                       {Slot::VMT_REFVOL, 2.49f},
                       {Slot::VMT_REF, 0.5f},
                       {Slot::VMT_RATIO, 1.08f},
                       {Slot::VHT_REFVOL, 100.5f},
                       {Slot::VHT_REF, 99},
                       {Slot::VHT_RATIO, 1.02f},
                       {Slot::VOL_ALL, 12345.6f},
                       {Slot::AVG_VOL, 3527.25f},
                       {Slot::VMT_ALL, 5000.4f},
                       {Slot::VHT_ALL, 250},
                       {Slot::ORIG_SPEED, 45.5f},
                       {Slot::CONG_SPEED, 40.25f}});
  write_system_totals(f.out, f.e.acc, f.analysis);
  EXPECT_EQ(
      f.report(),
      banner() + "\n\n" + total("TOTAL NUMBER OF LINKS", 35, "4") + "\n" + total("TOTAL SYSTEM MILES", 35, "12.50") +
          "\n" + total("TOTAL LANE MILES", 35, "30.25") + "\n" + total("TOTAL DIRECTIONAL MILES", 35, "20.75") + "\n" +
          total("TOTAL VMT USING VOLUMES", 35, "2", true) + "\n" + total("TOTAL VMT USING COUNTS", 35, "1", true) +
          "\n" + total("TOTAL VMT V/C", 35, "1.08", true) + "\n" + total("TOTAL VHT USING VOLUMES", 35, "101", true) +
          "\n" + total("TOTAL VHT USING COUNTS", 35, "99", true) + "\n" + total("TOTAL VHT V/C", 35, "1.02", true) +
          "\n" + total("TOTAL VOLUMES ALL LINKS", 35, "12346") + "\n" + total("AVERAGE TOTAL VOLUME", 35, "3527.25") +
          "\n" + total("TOTAL VMT ALL LINKS", 35, "5000") + "\n" + total("TOTAL VHT ALL LINKS", 35, "250") + "\n" +
          total("TOTAL ORIGINAL SPEED (MPH)", 35, "45.50") + "\n" + total("TOTAL CONGESTED SPEED (MPH)", 35, "40.25"));
}

// The accident cost comes from the unit costs and the grand totals of
// accidents, injuries and fatalities; the page prints it in the third block.
TEST(SystemTotals, AnalysisPageWithCosts) {
  ReportFixture f(10, 6, true);
  f.e.rates.unit_cost = {0, 1000, 500, 100000};
  f.e.acc.user_cost = 123.5f;
  f.e.acc.maint_cost = 77.49f;
  set_grand_totals(f, {{Slot::LINKS, 10},
                       {Slot::VMT_REF, 7},
                       {Slot::VHT_REF, 3},
                       {Slot::ACCIDENTS, 2.5f},
                       {Slot::INJURIES, 1.25f},
                       {Slot::FATALITIES, 0.01f},
                       {Slot::CO_GRAMS, 1.499f},
                       {Slot::HC_GRAMS, 2.5f},
                       {Slot::NOX_GRAMS, 0.49f},
                       {Slot::FUEL_GAL, 900},
                       {Slot::NEW_LANE_MILES, 4},
                       {Slot::CONSTR_COST, 1500.5f},
                       {Slot::DELAY_VHT, 12.75f}});
  compute_accident_cost(f.e.acc, f.e.rates);
  EXPECT_FLOAT_EQ(f.e.acc.accident_cost, 4125.0f);
  write_system_totals(f.out, f.e.acc, f.analysis);
  const std::string z = "0.00";
  EXPECT_EQ(
      f.report(),
      banner() + total("TOTAL NUMBER OF LINKS", 45, "10") + "\n" + total("TOTAL SYSTEM MILES", 45, z) + "\n" +
          total("TOTAL LANE MILES", 45, z) + "\n" + total("TOTAL DIRECTIONAL MILES", 45, z) + "\n" +
          total("TOTAL VMT USING VOLUMES", 45, "0") + "\n" + total("TOTAL VMT USING CAPACITY", 45, "7") + "\n" +
          total("TOTAL VMT V/C", 45, z) + "\n" + total("TOTAL VHT USING VOLUMES", 45, "0") + "\n" +
          total("TOTAL VHT USING CAPACITY", 45, "3") + "\n" + total("TOTAL VHT V/C", 45, z) + "\n" +
          total("TOTAL VOLUMES ALL LINKS", 45, "0") + "\n" + total("AVERAGE TOTAL VOLUME", 45, z) + "\n" +
          total("TOTAL VMT ALL LINKS", 45, "0") + "\n" + total("TOTAL VHT ALL LINKS", 45, "0") + "\n" +
          total("TOTAL ORIGINAL SPEED (MPH)", 45, z) + "\n" + total("TOTAL CONGESTED SPEED (MPH)", 45, z) + "\n" +
          total("TOTAL ACCIDENTS", 45, "2.50") + "\n" + total("TOTAL INJURIES", 45, "1.25") + "\n" +
          total("TOTAL FATALITIES", 45, "0.01") + "\n" + total("TOTAL CO EMISSIONS (KILOGRAMS)", 45, "1") + "\n" +
          total("TOTAL HC EMISSIONS (KILOGRAMS)", 45, "3") + "\n" + total("TOTAL NO EMISSIONS (KILOGRAMS)", 45, "0") +
          "\n" + total("TOTAL FUEL USE", 45, "900") + "\n" + total("TOTAL NEW LANE MILEAGE", 45, "4") + "\n" +
          total("TOTAL CONSTRUCTION COST (X $1000)", 45, "1501") + "\n" +
          total("TOTAL ACCIDENT COST (DOLLARS)", 45, "4125") + "\n" + total("TOTAL USERS COST (DOLLARS)", 45, "124") +
          "\n" + total("TOTAL MAINTENANCE COST (DOLLARS)", 45, "77") + "\n" +
          total("TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", 45, "12.75"));
}

}  // namespace
}  // namespace korvo
