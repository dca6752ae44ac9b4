#include "input/rates.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>

#include "common/errors.h"
#include "support/rates_files.h"

namespace korvo {
namespace {

using testing::numbered;
using testing::rates_file;

RateTables read_rates_text(const std::string& text) {
  TextReader reader = TextReader::from_memory(text, "KVRATES.SYN");
  RateTables tables;
  read_rate_tables(reader, tables);
  return tables;
}

std::string read_error(const std::string& text) {
  try {
    read_rates_text(text);
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ReadRateTables, FieldsAreSixColumnsReadAsRealNumbers) {
  struct Case {
    const char* field;
    float value;
  };
  const Case cases[] = {
      {"  1.25", 1.25f}, {"   125", 125.0f}, {"      ", 0.0f},   {"-2.5  ", -2.5f},
      {"12.   ", 12.0f}, {"    .5", 0.5f},   {"1.5E2 ", 150.0f},
  };
  // The seventh column of each field is not read, whatever it holds.
  std::string line;
  for (const Case& c : cases) line += std::string(c.field) + "x";
  // Fields 8 and 9 lie beyond the end of the line and read as 0.
  const RateTables t = read_rates_text(line + "\n" + rates_file(74, numbered));
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    EXPECT_EQ(t.accident[k + 1], cases[k].value) << "field \"" << cases[k].field << "\"";
  }
  EXPECT_EQ(t.accident[8], 0.0f);
  EXPECT_EQ(t.accident[9], 0.0f);
}

TEST(ReadRateTables, LinesFillTheElevenTablesInOrder) {
  const RateTables t = read_rates_text(rates_file(75, numbered));
  struct Case {
    const char* what;
    float value;
    float expected;  // line + column/100 of the line that fills it
  };
  const Case cases[] = {
      {"accident FT 1", t.accident[1], 1.01f},
      {"injury FT 9", t.injury[9], 2.09f},
      {"fatality FT 5", t.fatality[5], 3.05f},
      {"cost per accident", t.unit_cost[1], 4.01f},
      {"cost per fatality", t.unit_cost[3], 4.03f},
      {"carbon monoxide LT 20", t.carbon_monoxide[1][1], 5.01f},
      {"carbon monoxide GE 60 FT 9", t.carbon_monoxide[10][9], 14.09f},
      {"hydrocarbons LT 20", t.hydrocarbons[1][1], 15.01f},
      {"oxides of nitrogen GE 60", t.nitrogen_oxides[10][2], 34.02f},
      {"fuel LT 20", t.fuel[1][1], 35.01f},
      {"fuel GE 65", t.fuel[11][3], 45.03f},
      {"construction code 1", t.construction_cost[1][1], 46.01f},
      {"construction code 0", t.construction_cost[10][4], 55.04f},
      {"user cost LT 20", t.user_cost[1][1], 56.01f},
      {"user cost GE 65", t.user_cost[11][9], 66.09f},
      {"maintenance lane class 1", t.maintenance_cost[1][1], 67.01f},
      {"maintenance lane class 9", t.maintenance_cost[9][9], 75.09f},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.expected) << c.what;
}

TEST(ReadRateTables, LinesAfterTheSeventyFifthAreNotRead) {
  const std::string first75 = rates_file(75, numbered);
  std::string longer = first75;
  for (int k = 0; k < 5; ++k) longer += "not a rate at all\n";
  const RateTables a = read_rates_text(first75);
  const RateTables b = read_rates_text(longer);
  static_assert(std::is_trivially_copyable_v<RateTables>);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof(RateTables)), 0);
}

TEST(ReadRateTables, ShortFilesAndBadFieldsNameTheLine) {
  EXPECT_EQ(read_error(rates_file(42, numbered)),
            " KVRATES.SYN, line 43 (fuel rates): expected 75 lines of rates, the file ends after line 42");
  EXPECT_EQ(read_error(""),
            " KVRATES.SYN, line 1 (accident rates): expected 75 lines of rates, the file ends after line 0");
  EXPECT_EQ(
      read_error(
          rates_file(75, [](int l, int c) { return l == 17 && c == 4 ? std::string("1.2.3 ") : numbered(l, c); })),
      " KVRATES.SYN, line 17, columns 22-27 (hydrocarbon rates, row 3, value 4): expected a number, found \"1.2.3 \"");
  EXPECT_EQ(read_error(
                rates_file(75, [](int l, int c) { return l == 4 && c == 2 ? std::string("  $100") : numbered(l, c); })),
            " KVRATES.SYN, line 4, columns 8-13 (unit costs, value 2): expected a number, found \"  $100\"");
  // Line 4 holds three values; the rest of it is not read.
  EXPECT_EQ(read_error(
                rates_file(75, [](int l, int c) { return l == 4 && c == 4 ? std::string("ignore") : numbered(l, c); })),
            "no error");
}

}  // namespace
}  // namespace korvo
