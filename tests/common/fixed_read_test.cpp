#include "common/fixed_read.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace korvo {
namespace {

TEST(FixedReadTest, IntegerFields) {
  struct Case {
    std::string field;
    ParseStatus status;
    std::int64_t value;
  };
  const std::vector<Case> cases = {
      {"   42", ParseStatus::kOk, 42},     {"     ", ParseStatus::kOk, 0},    {"", ParseStatus::kOk, 0},
      {"  -17", ParseStatus::kOk, -17},   {"+5", ParseStatus::kOk, 5},       {" 1 2 ", ParseStatus::kOk, 12},
      {"- 3", ParseStatus::kOk, -3},      {"12a", ParseStatus::kNotANumber, 0}, {"1.0", ParseStatus::kNotANumber, 0},
      {"--1", ParseStatus::kNotANumber, 0}, {"0000000000000000000000000007", ParseStatus::kOk, 7},
      {"1234567890123456789", ParseStatus::kOutOfRange, 0}, {"\t5", ParseStatus::kNotANumber, 0},
  };
  for (const auto& c : cases) {
    std::int64_t value = -1;
    EXPECT_EQ(parse_integer_field(c.field, value), c.status) << '"' << c.field << '"';
    if (c.status == ParseStatus::kOk) {
      EXPECT_EQ(value, c.value) << '"' << c.field << '"';
    }
  }
}

TEST(FixedReadTest, RealFieldsTakeImpliedDecimals) {
  struct Case {
    std::string field;
    int decimals;
    ParseStatus status;
    double value;
  };
  const std::vector<Case> cases = {
      {"  1.25", 0, ParseStatus::kOk, 1.25},   {"   125", 0, ParseStatus::kOk, 125.0},
      {"      ", 0, ParseStatus::kOk, 0.0},    {"     100", 3, ParseStatus::kOk, 0.1},
      {" 100.000", 3, ParseStatus::kOk, 100.0}, {"  12.34", 2, ParseStatus::kOk, 12.34},
      {"   1234", 2, ParseStatus::kOk, 12.34}, {"  -2.7", 1, ParseStatus::kOk, -2.7},
      {"1 2.5", 1, ParseStatus::kOk, 12.5},    {"1.5E2", 0, ParseStatus::kOk, 150.0},
      {"1.5D-1", 0, ParseStatus::kOk, 0.15},   {"15+1", 1, ParseStatus::kOk, 15.0},
      {"12.3.4", 1, ParseStatus::kNotANumber, 0}, {"abc", 0, ParseStatus::kNotANumber, 0},
      {"1E", 0, ParseStatus::kNotANumber, 0},  {"-", 0, ParseStatus::kOk, 0.0},
      {".", 2, ParseStatus::kOk, 0.0},         {"1e999", 0, ParseStatus::kOutOfRange, 0},
      {"1e-999", 0, ParseStatus::kOk, 0.0},
  };
  for (const auto& c : cases) {
    double value = -1;
    EXPECT_EQ(parse_real_field(c.field, c.decimals, value), c.status) << '"' << c.field << '"';
    if (c.status == ParseStatus::kOk) {
      EXPECT_DOUBLE_EQ(value, c.value) << '"' << c.field << '"';
    }
  }
  float single = 0;
  EXPECT_EQ(parse_real_field("0.1", 0, single), ParseStatus::kOk);
  EXPECT_EQ(single, 0.1f);  // correctly rounded to single precision
}

TEST(FixedReadTest, FreeFormatIntegers) {
  struct Case {
    std::string record;
    ParseStatus status;
    bool found;
    std::int64_t value;
  };
  const std::vector<Case> cases = {
      {"  12", ParseStatus::kOk, true, 12},      {"3,4", ParseStatus::kOk, true, 3},
      {"-7 x", ParseStatus::kOk, true, -7},      {"", ParseStatus::kOk, false, 0},
      {"    ", ParseStatus::kOk, false, 0},      {"12.5", ParseStatus::kNotANumber, false, 0},
      {",5", ParseStatus::kNotANumber, false, 0}, {"-", ParseStatus::kNotANumber, false, 0},
  };
  for (const auto& c : cases) {
    std::int64_t value = 0;
    bool found = true;
    EXPECT_EQ(parse_free_integer(c.record, value, found), c.status) << '"' << c.record << '"';
    EXPECT_EQ(found, c.found) << '"' << c.record << '"';
    if (c.found) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(FixedReadTest, ColumnsBeyondTheRecordAreShort) {
  EXPECT_EQ(columns("ABCDEF", 2, 4), "BCD");
  EXPECT_EQ(columns("ABCDEF", 5, 10), "EF");
  EXPECT_EQ(columns("ABC", 5, 10), "");
}

TEST(FixedReadTest, ConversionErrorsNameFileLineColumnsAndText) {
  const FieldPlace place{"KVRATES.SYN", "line 7", 15, 20, "rate"};
  try {
    read_real(" 1.2x ", 0, place);
    FAIL();
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(), " KVRATES.SYN, line 7, columns 15-20 (rate): expected a number, found \" 1.2x \"");
  }
  try {
    read_integer("\x01" "5", {"NET.DBF", "record 3", 0, 0, "field ANODE"});
    FAIL();
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(), " NET.DBF, record 3 (field ANODE): expected an integer, found \"\\x015\"");
  }
}

}  // namespace
}  // namespace korvo
