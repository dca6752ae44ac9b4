#include "support/golden.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace korvo::testing {
namespace {

// The key-number checks are only as good as the readers that pull numbers
// out of a report: each reader is tried here on report lines as the program
// lays them out.

TEST(GoldenReaderTest, Numbers) {
  struct Case {
    std::string_view token;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"12.50", 12.5}, {"600.", 600},  {"-3", -3}, {"1234*", 1234}, {"  7 ", 7},
      {"****", {}},    {"Totals", {}}, {"", {}},   {".", {}},       {"+", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_number(c.token), c.value) << c.token;

  const std::vector<double> values = numbers_from("  Total Freeway          0*        4*   ******", 18);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0], 0);
  EXPECT_EQ(values[1], 4);
  EXPECT_TRUE(std::isnan(values[2]));
  EXPECT_EQ(columns_of("abcdef", 2, 4), "bcd");
  EXPECT_EQ(columns_of("abc", 5, 9), "");
}

// Totals are read from the last page only, by their whole caption.
TEST(GoldenReaderTest, TotalValue) {
  const std::string report =
      "    TOTAL VMT ALL LINKS                  1\n"
      "\f  ****\n\n"
      "    TOTAL VMT ALL LINKS                29373\n\n"
      "    TOTAL VMT V/C                          1.03  (LINKS WITH COUNTS)\n"
      "    TOTAL VHT ALL LINKS                  507\n";
  EXPECT_EQ(total_value(report, "TOTAL VMT ALL LINKS"), 29373);
  EXPECT_EQ(total_value(report, "TOTAL VMT V/C"), 1.03);
  EXPECT_EQ(total_value(report, "TOTAL VMT"), std::nullopt);
  EXPECT_EQ(total_value(report, "TOTAL LANE MILES"), std::nullopt);
}

// A lane table over two pages (one area type each), the title repeated.
TEST(GoldenReaderTest, TablesBlocksAndRows) {
  const std::string report =
      " \f\n HIGHWAY EVALUATION -- YEAR/ALT (26A) -- REPORT: TOTAL NUMBER OF LINKS             \n"
      "                                                    AREA TYPE: SUBURBAN            \n"
      " COLLECTOR                0         1         0\n"
      " Totals                   2         3         0\n"
      " \f\n HIGHWAY EVALUATION -- YEAR/ALT (26A) -- REPORT: TOTAL NUMBER OF LINKS SKIPPED     \n"
      " Totals                  99\n"
      " \f\n HIGHWAY EVALUATION -- YEAR/ALT (26A) -- REPORT: TOTAL NUMBER OF LINKS             \n"
      "                                                  TOTAL AREA TYPES\n"
      "  Total Freeway           0*        4*        1*\n"
      " Totals                   7         8         9\n";
  const std::vector<std::string> table = report_table(report, "TOTAL NUMBER OF LINKS");
  const auto suburban = area_block(table, "AREA TYPE: SUBURBAN");
  EXPECT_EQ(row_values(suburban, "COLLECTOR"), (std::vector<double>{0, 1, 0}));
  EXPECT_EQ(row_values(suburban, "Totals"), (std::vector<double>{2, 3, 0}));
  const auto all = area_block(table, "TOTAL AREA TYPES");
  EXPECT_EQ(row_values(all, "Total Freeway"), (std::vector<double>{0, 4, 1}));
  EXPECT_EQ(row_values(all, "Totals"), (std::vector<double>{7, 8, 9}));
  EXPECT_EQ(row_values(all, "COLLECTOR"), std::nullopt);
  for (const std::string& line : table) EXPECT_EQ(line.find("99"), std::string::npos) << line;
}

TEST(GoldenReaderTest, ScreenlineLines) {
  const std::string report =
      " HIGHWAY EVALUATION -- YEAR/ALT (26A) -- SCREENLINE SUMMARIES\n\n"
      "      1       103   104      1500.       750.       2.00        2  3  ***CRITICAL*** MISSING COUNT\n"
      "\n      1        TOTALS        2900.      2850.       1.02    NORTH RIVER CROSSING\n"
      "     99       301   302      2100.      1900.       1.11        3  1\n";
  const auto link = screenline_link(report, 1, 103, 104);
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->volume, 1500);
  EXPECT_EQ(link->reference, 750);
  EXPECT_EQ(link->ratio, 2.0);
  EXPECT_EQ(link->rest, "        2  3  ***CRITICAL*** MISSING COUNT");
  const auto total = screenline_total(report, 1);
  ASSERT_TRUE(total.has_value());
  EXPECT_EQ(total->volume, 2900);
  EXPECT_EQ(total->reference, 2850);
  EXPECT_EQ(screenline_total(report, 99), std::nullopt);
  EXPECT_EQ(screenline_link(report, 1, 104, 103), std::nullopt);
}

TEST(GoldenReaderTest, FirstDifference) {
  EXPECT_EQ(first_difference("a\nb\n", "a\nb\n"), "");
  EXPECT_EQ(first_difference("a\n\fb\n",
                             "a\n\xB3"
                             "c\n"),
            "line 2:\n  expected: \\fb\n  actual:   \\xB3c");
  EXPECT_EQ(first_difference("a\n", "a\nb\n"), "line 2:\n  expected: (end of file)\n  actual:   b");
  EXPECT_EQ(
      first_difference("a\n", "a"),
      "line 2:\n  expected: (end of file)\n  actual:   (end of file)\n  (the texts differ in their last line end)");
}

}  // namespace
}  // namespace korvo::testing
