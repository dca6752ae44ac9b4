#include "reports/evaluation_reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evaluation/table_completion.h"
#include "reports/banner.h"
#include "reports/report_fixture.h"

namespace korvo {
namespace {

using testing::Line;
using testing::ReportFixture;

// True when the texts occur in the report one after another, in this order.
bool in_order(const std::string& report, std::initializer_list<std::string_view> texts) {
  std::size_t from = 0;
  for (std::string_view t : texts) {
    from = report.find(t, from);
    if (from == std::string::npos) return false;
    from += t.size();
  }
  return true;
}

const std::string kBanner = "\f " + banner_row("STATISTICS", 1);

// Seven two-way records add 0.5 link each: the totals, completed from the
// class cells before anything is printed, give 3.5 links, which print as 4.
TEST(EvaluationReports, ValidationRunInOrderFromTheClassCells) {
  ReportFixture f;
  for (int n = 0; n < 7; ++n) f.cell(1 + n % 3, 1 + n % 5, 1 + n % 9, Slot::LINKS) = 0.5f;
  f.e.acc.no_volume.count = 1;
  complete_tables(f.e.acc, f.e.rates, false, false);
  write_evaluation_reports(f.out, f.side_files, f.e, false, false);
  const std::string report = f.report();

  EXPECT_TRUE(in_order(
      report, {"LINKS WITH NO ASSIGNED VOLUME", "REPORT: TOTAL NUMBER OF LINKS", "REPORT: LINK PERCENTAGES",
               "REPORT: PERCENT CHANGE IN SPEEDS", "SCREENLINE SUMMARIES", kBanner, "TOTAL CONGESTED SPEED (MPH)"}));
  std::size_t tables = 0;
  for (std::size_t p = report.find("-- REPORT: "); p != std::string::npos; p = report.find("-- REPORT: ", p + 1))
    ++tables;
  EXPECT_EQ(tables, 24u);
  EXPECT_NE(report.find(Line().at(5, "TOTAL NUMBER OF LINKS").fields(35, 10, {"4"}).str()), std::string::npos);
  EXPECT_FLOAT_EQ(f.cell(10, 6, 10, Slot::LINKS), 3.5f);
  // No quotient of an empty table shows as NaN or infinity.
  EXPECT_EQ(report.find("NaN"), std::string::npos);
  EXPECT_EQ(report.find("Inf"), std::string::npos);
}

// 1499 grams of carbon monoxide print as 1 kilogram on the totals page too;
// "SCRNLINE.ASC" is closed at the end and holds the screenline-99 record.
TEST(EvaluationReports, AnalysisRunInOrderAndClosesTheScreenlineFile) {
  ReportFixture f(10, 6, true);
  f.side_files.start_screenline_file();
  f.cell(2, 3, 4, Slot::CO_GRAMS) = 1499;
  complete_tables(f.e.acc, f.e.rates, false, true);
  write_evaluation_reports(f.out, f.side_files, f.e, true, true);
  const std::string report = f.report();

  EXPECT_TRUE(in_order(report, {"REPORT: TOTAL SYSTEM MILES", "REPORT: TOTAL DELAY DUE TO CONGESTION",
                                "MILES OF ROADWAY AT EACH LEVEL", "PERCENT OF MILEAGE AT EACH LEVEL",
                                "SCREENLINE SUMMARIES", kBanner, "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)"}));
  EXPECT_EQ(report.find("LINKS WITH NO ASSIGNED VOLUME"), std::string::npos);
  EXPECT_NE(report.find(Line().at(5, "TOTAL CO EMISSIONS (KILOGRAMS)").fields(45, 10, {"1"}).str()), std::string::npos);
  EXPECT_FALSE(f.side_files.screenline_file().is_open());
  EXPECT_EQ(f.dir.read(kScreenlineFile), " 99         0.         0.   0.00    " + std::string(40, ' ') + "\n");
  EXPECT_EQ(report.find("NaN"), std::string::npos);
}

}  // namespace
}  // namespace korvo
