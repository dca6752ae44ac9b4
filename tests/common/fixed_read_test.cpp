#include "common/fixed_read.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/byte_classes.h"
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
      {"   42", ParseStatus::kOk, 42},
      {"     ", ParseStatus::kOk, 0},
      {"", ParseStatus::kOk, 0},
      {"  -17", ParseStatus::kOk, -17},
      {"+5", ParseStatus::kOk, 5},
      {" 1 2 ", ParseStatus::kOk, 12},
      {"- 3", ParseStatus::kOk, -3},
      {"12a", ParseStatus::kNotANumber, 0},
      {"1.0", ParseStatus::kNotANumber, 0},
      {"--1", ParseStatus::kNotANumber, 0},
      {"0000000000000000000000000007", ParseStatus::kOk, 7},
      {"1234567890123456789", ParseStatus::kOutOfRange, 0},
      {"\t5", ParseStatus::kNotANumber, 0},
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
      {"  1.25", 0, ParseStatus::kOk, 1.25},
      {"   125", 0, ParseStatus::kOk, 125.0},
      {"      ", 0, ParseStatus::kOk, 0.0},
      {"     100", 3, ParseStatus::kOk, 0.1},
      {" 100.000", 3, ParseStatus::kOk, 100.0},
      {"  12.34", 2, ParseStatus::kOk, 12.34},
      {"   1234", 2, ParseStatus::kOk, 12.34},
      {"  -2.7", 1, ParseStatus::kOk, -2.7},
      {"1 2.5", 1, ParseStatus::kOk, 12.5},
      {"1.5E2", 0, ParseStatus::kOk, 150.0},
      {"1.5D-1", 0, ParseStatus::kOk, 0.15},
      {"15+1", 1, ParseStatus::kOk, 15.0},
      {"12.3.4", 1, ParseStatus::kNotANumber, 0},
      {"abc", 0, ParseStatus::kNotANumber, 0},
      {"1E", 0, ParseStatus::kNotANumber, 0},
      {"-", 0, ParseStatus::kOk, 0.0},
      {".", 2, ParseStatus::kOk, 0.0},
      {"1e999", 0, ParseStatus::kOutOfRange, 0},
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
      {"  12", ParseStatus::kOk, true, 12},       {"3,4", ParseStatus::kOk, true, 3},
      {"-7 x", ParseStatus::kOk, true, -7},       {"", ParseStatus::kOk, false, 0},
      {"    ", ParseStatus::kOk, false, 0},       {"12.5", ParseStatus::kNotANumber, false, 0},
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
  const FieldPlace place{"KVRATES.SYN", FilePlace::at_line(7).with_columns(15, 20), "rate"};
  try {
    read_real(" 1.2x ", 0, place);
    FAIL();
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), " KVRATES.SYN, line 7, columns 15-20 (rate): expected a number, found \" 1.2x \"");
    EXPECT_EQ(e.file(), "KVRATES.SYN");
    EXPECT_EQ(e.place().line, 7);
    EXPECT_EQ(e.field(), "rate");
    EXPECT_EQ(e.expected(), "a number");
    EXPECT_EQ(e.found(), "\" 1.2x \"");
  }
  try {
    read_integer(
        "\x01"
        "5",
        {"NET.DBF", FilePlace::at_record(3), "field ANODE"});
    FAIL();
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), " NET.DBF, record 3 (field ANODE): expected an integer, found \"\\x015\"");
  }
}

}  // namespace
}  // namespace korvo

namespace korvo {
namespace {

// The inline fast paths must give exactly what the general paths give.
TEST(FixedReadTest, FastPathsAgreeWithTheGeneralPaths) {
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(state >> 33);
  };
  const std::string alphabet = "  0123456789012345678901234567890123456789.-+eE";
  for (int trial = 0; trial < 200000; ++trial) {
    std::string field(1 + next() % 18, ' ');
    for (char& c : field) c = alphabet[next() % alphabet.size()];
    const int decimals = static_cast<int>(next() % 6);
    double fast = -7, general = -7;
    const ParseStatus fs = parse_real_field(field, decimals, fast);
    const ParseStatus gs = parse_real_field_general(field, decimals, general);
    ASSERT_EQ(fs, gs) << '"' << field << "\" d=" << decimals;
    if (fs == ParseStatus::kOk) {
      ASSERT_EQ(std::signbit(fast) && fast != 0, std::signbit(general) && general != 0) << field;
      ASSERT_EQ(fast, general) << '"' << field << "\" d=" << decimals;
    }
    std::int64_t ifast = -7, igeneral = -7;
    const ParseStatus ifs = parse_integer_field(field, ifast);
    const ParseStatus igs = parse_integer_field_general(field, igeneral);
    ASSERT_EQ(ifs, igs) << '"' << field << '"';
    if (ifs == ParseStatus::kOk) {
      ASSERT_EQ(ifast, igeneral) << '"' << field << '"';
    }
  }
}

}  // namespace
}  // namespace korvo

namespace korvo {
namespace {

// The eight-byte paths either decline or give exactly the general result.
TEST(FixedReadTest, EightBytePathsAgreeWithTheGeneralPaths) {
  std::uint64_t state = 987654321;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(state >> 33);
  };
  const std::string alphabet = "    0123456789012345678901234567890123456789.-+eE\x01";
  int fast_integers = 0, fast_reals = 0;
  for (int trial = 0; trial < 300000; ++trial) {
    const int width = 1 + static_cast<int>(next() % 8);
    std::string buffer(16, '#');  // bytes before the field are the caller's, not blanks
    std::string field(static_cast<std::size_t>(width), ' ');
    // Mostly right-justified numbers, sometimes anything.
    if (next() % 3 != 0) {
      const int length = static_cast<int>(next() % static_cast<unsigned>(width + 1));
      for (int k = 0; k < length; ++k)
        field[static_cast<std::size_t>(width - 1 - k)] = static_cast<char>('0' + next() % 10);
      if (length > 0 && next() % 3 == 0) field[static_cast<std::size_t>(width - 1 - next() % length)] = '.';
    } else {
      for (char& c : field) c = alphabet[next() % alphabet.size()];
    }
    buffer.replace(16 - static_cast<std::size_t>(width), static_cast<std::size_t>(width), field);
    const char* end = buffer.data() + 16;
    const int decimals = static_cast<int>(next() % 4);

    std::int64_t fast_i = 0, general_i = 0;
    if (fast_integer_field(end, width, fast_i)) {
      ++fast_integers;
      ASSERT_EQ(parse_integer_field_general(field, general_i), ParseStatus::kOk) << '"' << field << '"';
      ASSERT_EQ(fast_i, general_i) << '"' << field << '"';
    }
    double fast_r = 0, general_r = 0;
    if (fast_real_field(end, width, decimals, fast_r)) {
      ++fast_reals;
      ASSERT_EQ(parse_real_field_general(field, decimals, general_r), ParseStatus::kOk) << '"' << field << '"';
      ASSERT_EQ(fast_r, general_r) << '"' << field << "\" d=" << decimals;
    }
  }
  // Most right-justified numbers take the fast paths.
  EXPECT_GT(fast_integers, 100000);
  EXPECT_GT(fast_reals, 150000);
}

// Two fields at once against one at a time: every width pair, blanks
// before the digits, all nines, all blanks, and foreign bytes before each
// field (the mask must drop them).
TEST(FixedReadTest, TwoFieldsAtOnceAsOneAtATime) {
  std::uint64_t state = 424242;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(state >> 33);
  };
  auto field_text = [&next](int width, int digits, bool nines) {
    std::string text(static_cast<std::size_t>(width), ' ');
    for (int k = width - digits; k < width; ++k)
      text[static_cast<std::size_t>(k)] = nines ? '9' : static_cast<char>('0' + next() % 10);
    return text;
  };
  for (int trial = 0; trial < 100000; ++trial) {
    const int width_a = 1 + trial % 8, width_b = 1 + (trial / 8) % 8;
    const bool nines = trial % 97 == 0;
    const std::string a = field_text(width_a, static_cast<int>(next() % static_cast<unsigned>(width_a + 1)), nines);
    const std::string b = field_text(width_b, static_cast<int>(next() % static_cast<unsigned>(width_b + 1)), nines);
    const std::string before =
        "\xFF"
        "9#.-x:/";  // the 8 bytes before a field are any bytes
    const std::string record = before + a + "7" + b;
    const char* end_a = record.data() + before.size() + a.size();
    const char* end_b = end_a + 1 + b.size();
    std::uint64_t got_a = 1, got_b = 1;
    swar::two_digits_values(end_a, swar::field_mask(width_a), end_b, swar::field_mask(width_b), got_a, got_b);
    ASSERT_EQ(got_a, swar::digits_value(end_a, swar::field_mask(width_a))) << '"' << a << '"';
    ASSERT_EQ(got_b, swar::digits_value(end_b, swar::field_mask(width_b))) << '"' << b << '"';
    std::int64_t general = 0;
    ASSERT_EQ(parse_integer_field_general(b, general), ParseStatus::kOk);
    ASSERT_EQ(static_cast<std::int64_t>(got_b), general) << '"' << b << '"';
  }
}

TEST(ByteClasses, MarksTheBytesThePlainLoopMarks) {
  ByteClasses known;
  classify_bytes_plain(" 7x9 ", 5, known);
  EXPECT_EQ(known.blank[0], 0b10001u);
  EXPECT_EQ(known.digit[0], 0b01010u);
  // Every length up to the limit, so that each way the last step can fall
  // (no partial step, a partial one of any size, fewer than 16 bytes) is met.
  const std::string alphabet = " 0123456789.-+A\x7f\x80\xff/:";
  std::uint32_t state = 12345;
  for (std::size_t n = 0; n <= kByteClassLimit; ++n) {
    std::string bytes(n + 16, '7');  // the bytes after n must not count
    for (std::size_t i = 0; i < n; ++i) {
      state = state * 1103515245u + 12345u;
      bytes[i] = alphabet[(state >> 16) % alphabet.size()];
    }
    ByteClasses fast;
    ByteClasses plain;
    classify_bytes(bytes.data(), n, fast);
    classify_bytes_plain(bytes.data(), n, plain);
    ASSERT_EQ(fast.blank, plain.blank) << "length " << n;
    ASSERT_EQ(fast.digit, plain.digit) << "length " << n;
  }
}

}  // namespace
}  // namespace korvo
