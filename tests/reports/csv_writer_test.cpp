#include "reports/csv_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/text_file.h"

namespace korvo {
namespace {

std::string one_field(std::string_view text) {
  StringSink sink;
  CsvWriter csv(sink);
  csv.text(text);
  csv.end_row();
  return sink.records.at(0);
}

TEST(CsvWriter, TextIsQuotedOnlyWhereItMustBe) {
  struct Case {
    std::string_view text;
    std::string_view field;
  };
  const Case cases[] = {
      {"Freeway", "Freeway"},
      {"inner blank", "inner blank"},
      {"", ""},
      {"Fringe, inner", "\"Fringe, inner\""},
      {"Rail \"north\"", "\"Rail \"\"north\"\"\""},
      {"\"", "\"\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"carriage\rreturn", "\"carriage\rreturn\""},
      {" leading", "\" leading\""},
      {"trailing ", "\"trailing \""},
      {"\ttab first", "\"\ttab first\""},
      {"Stra\xC3\x9F"
       "e",
       "Stra\xC3\x9F"
       "e"},  // UTF-8 bytes pass as they are
      {"semi;colon", "semi;colon"},
  };
  for (const Case& c : cases) EXPECT_EQ(one_field(c.text), c.field) << c.text;
}

// The scan goes sixteen bytes at a time and then byte by byte: a character
// that needs quotes must be found wherever it falls, in texts of every length
// around those steps, and bytes with the high bit set must not pass for one.
TEST(CsvWriter, QuotesAreNeededWhereverTheCharacterFalls) {
  const auto reference = [](std::string_view text) {
    if (text.empty()) return false;
    if (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t') return true;
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
  };
  for (std::size_t length = 0; length <= 50; ++length) {
    std::string text(length, 'x');
    for (std::size_t k = 0; k < length; ++k) text[k] = static_cast<char>(k % 3 == 0 ? '\xAC' : 'a' + k % 26);
    ASSERT_EQ(csv_needs_quotes(text), reference(text)) << "length " << length;
    for (std::size_t at = 0; at < length; ++at) {
      for (const char c : {',', '"', '\r', '\n', ' ', '\t', '\xA2', '\x8D'}) {
        std::string changed = text;
        changed[at] = c;
        ASSERT_EQ(csv_needs_quotes(changed), reference(changed))
            << "length " << length << ", byte " << static_cast<int>(static_cast<unsigned char>(c)) << " at " << at;
      }
    }
  }
}

TEST(CsvWriter, NumbersAreShortestRoundTripInPlainNotation) {
  struct DoubleCase {
    double value;
    std::string_view text;
  };
  const DoubleCase doubles[] = {
      {0.1, "0.1"},
      {1.0 / 3, "0.3333333333333333"},
      {1e6, "1000000"},  // not "1e+06"
      {1234567.5, "1234567.5"},
      {0.0, "0"},
      {-0.0, "0"},
      {-2.5, "-2.5"},
      {27.904599381941804, "27.904599381941804"},
      {1e-6, "0.000001"},
      {1e-7, "1e-07"},
      {1e21, "1e+21"},
      {123456789012345678.0, "123456789012345680"},
      {std::numeric_limits<double>::quiet_NaN(), ""},
      {std::numeric_limits<double>::infinity(), ""},
  };
  for (const DoubleCase& c : doubles) EXPECT_EQ(CsvWriter::format(c.value), c.text) << c.value;
  struct FloatCase {
    float value;
    std::string_view text;
  };
  const FloatCase floats[] = {
      {0.1f, "0.1"},  // the float, not the double it widens to (0.10000000149011612)
      {1.1f, "1.1"}, {16777216.0f, "16777216"}, {12345.5f, "12345.5"}, {3.4e38f, "3.4e+38"},
  };
  for (const FloatCase& c : floats) EXPECT_EQ(CsvWriter::format(c.value), c.text) << c.value;
}

// Whole numbers take the integer conversion up to where a float or a double
// still holds every whole number; their text must be the shortest text, as
// std::to_chars gives it, on both sides of that limit and of 0.
TEST(CsvWriter, WholeNumbersAreWrittenAsTheShortestText) {
  const auto shortest = [](auto value) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed).ptr);
  };
  std::vector<double> wholes;
  for (int k = -70000; k <= 70000; ++k) wholes.push_back(k);
  for (const double limit : {16777216.0, 9007199254740992.0}) {
    for (int k = -40; k <= 40; ++k) {
      wholes.push_back(limit + 2 * k);
      wholes.push_back(limit + k);
      wholes.push_back(-(limit + k));
    }
  }
  // And whole numbers of every magnitude up to where exponents begin.
  for (double v = 1; v < 1e21; v *= 3.7) wholes.push_back(std::floor(v));
  for (const double v : wholes) {
    const auto f = static_cast<float>(v);
    ASSERT_EQ(CsvWriter::format(f), shortest(f == 0 ? 0.0f : f)) << v;
    ASSERT_EQ(CsvWriter::format(v), shortest(v == 0 ? 0.0 : v)) << v;
  }
  // Beside a whole number, a fraction still takes the shortest-text search.
  EXPECT_EQ(CsvWriter::format(std::nextafter(3.0f, 4.0f)), "3.0000002");
  EXPECT_EQ(CsvWriter::format(std::nextafter(3.0, 4.0)), "3.0000000000000004");
}

TEST(CsvWriter, EveryFiniteNumberReadsBackToItself) {
  std::mt19937_64 random(11);
  int checked = 0;
  while (checked < 200000) {
    const double d = std::bit_cast<double>(random());
    if (!std::isfinite(d)) continue;
    const std::string text = CsvWriter::format(d);
    double back = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_TRUE(r.ec == std::errc() && r.ptr == text.data() + text.size()) << text;
    ASSERT_EQ(back, d == 0 ? 0.0 : d) << text;
    const float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    if (std::isfinite(f)) {
      const std::string ftext = CsvWriter::format(f);
      float fback = 0;
      std::from_chars(ftext.data(), ftext.data() + ftext.size(), fback);
      ASSERT_EQ(fback, f == 0 ? 0.0f : f) << ftext;
    }
    ++checked;
  }
}

TEST(CsvWriter, RowsJoinFieldsWithCommas) {
  StringSink sink;
  CsvWriter csv(sink);
  csv.text("SL 7 VOLUME");
  csv.empty();
  csv.number(std::int64_t{-12});
  csv.number(0.5f);
  csv.text("a,b");
  csv.empty();
  csv.end_row();
  csv.empty();
  csv.empty();
  csv.end_row();
  ASSERT_EQ(sink.records.size(), 2u);
  EXPECT_EQ(sink.records[0], "SL 7 VOLUME,,-12,0.5,\"a,b\",");
  EXPECT_EQ(sink.records[1], ",");
}

// Fields taken once and given to several rows write what giving them to
// each row would: quoted labels and empty fields included, with nothing
// left over for the next row.
TEST(CsvWriter, TakenFieldsStartEachRowAsGivenOnes) {
  const auto first_fields = [](CsvWriter& csv) {
    csv.empty();
    csv.text("Fringe, \"inner\"");
    csv.number(std::int64_t{3});
    csv.empty();
  };
  StringSink direct_sink;
  CsvWriter direct(direct_sink);
  StringSink taken_sink;
  CsvWriter taken(taken_sink);
  first_fields(taken);
  const std::string head = taken.take_fields();
  for (const std::string_view lanes : {"1", "9+", ""}) {
    first_fields(direct);
    direct.text(lanes);
    direct.number(0.25f);
    direct.end_row();
    taken.fields(head);
    taken.text(lanes);
    taken.number(0.25f);
    taken.end_row();
  }
  taken.text("next");
  taken.end_row();
  ASSERT_EQ(taken_sink.records.size(), 4u);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(taken_sink.records[k], direct_sink.records[k]) << k;
  EXPECT_EQ(taken_sink.records[0], ",\"Fringe, \"\"inner\"\"\",3,,1,0.25");
  EXPECT_EQ(taken_sink.records[3], "next");
}

TEST(CsvWriter, AWriteFailureStopsNamingTheFileAndOffset) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TextWriter file;
  file.create("/dev/full", "KVSTATS.CSV");
  CsvWriter csv(file);
  csv.text("section");
  csv.end_row();
  try {
    file.close();
    FAIL() << "no error";
  } catch (const WriteError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(" KVSTATS.CSV, byte offset 0: write failed: ", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace korvo
