#include "common/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include "support/fortran_oracle.h"

namespace korvo {
namespace {

struct Case {
  std::string layout;
  std::vector<FieldValue> values;
  std::string expected;  // records, each followed by "\n"
};

std::string run(const Case& c) {
  StringSink sink;
  write_record(sink, Layout::parse(c.layout), c.values);
  return sink.joined();
}

// Hand-worked results; the oracle test below checks them against gfortran too.
const std::vector<Case>& cases() {
  static const std::vector<Case> kCases = {
      // Integers: right-justified, negatives, overflow to asterisks.
      {"(I2)", {5}, " 5\n"},
      {"(I2)", {-5}, "-5\n"},
      {"(I2)", {-10}, "**\n"},
      {"(I2)", {100}, "**\n"},
      {"(I3)", {999}, "999\n"},
      {"(I4)", {-999}, "-999\n"},
      {"(I5)", {123456}, "*****\n"},
      {"(I6)", {0}, "     0\n"},
      {"(I7)", {-1234567}, "*******\n"},
      {"(I8)", {3999000}, " 3999000\n"},
      {"(I9)", {-12345678}, "-12345678\n"},
      {"(I10)", {2147483647}, "2147483647\n"},
      {"(I10)", {-2147483647}, "**********\n"},
      // Fixed point: rounding of the exact binary value, ties to even.
      {"(F6.2)", {3.14159f}, "  3.14\n"},
      {"(F6.2)", {0.125f}, "  0.12\n"},
      {"(F6.2)", {0.375f}, "  0.38\n"},
      {"(F6.2)", {-0.001f}, " -0.00\n"},
      {"(F6.2)", {99.995f}, "100.00\n"},
      {"(F6.2)", {999.995f}, "999.99\n"},  // 999.994995...
      {"(F6.2)", {1000.0f}, "******\n"},
      {"(F6.2)", {-99.99f}, "-99.99\n"},
      {"(F6.2)", {-999.99f}, "******\n"},
      {"(F6.3)", {0.5f}, " 0.500\n"},
      {"(F6.3)", {9.9995f}, "10.000\n"},  // 9.99950027...
      {"(F6.3)", {9.9994f}, " 9.999\n"},
      {"(F6.3)", {-0.5f}, "-0.500\n"},
      {"(F7.2)", {1234.4f}, "1234.40\n"},
      {"(F7.2)", {-1234.4f}, "*******\n"},
      {"(F8.2)", {-12345.6f}, "********\n"},
      {"(F8.2)", {-1234.56f}, "-1234.56\n"},
      {"(F9.0)", {2.5f}, "       2.\n"},
      {"(F9.0)", {3.5f}, "       4.\n"},
      {"(F9.0)", {0.4f}, "       0.\n"},
      {"(F9.0)", {-0.4f}, "      -0.\n"},
      {"(F9.2)", {9.995f}, "     9.99\n"},
      {"(F9.2)", {0.995f}, "     1.00\n"},  // 0.995000005...
      {"(F10.0)", {999999.5f}, "  1000000.\n"},
      {"(F10.2)", {1e7f}, "**********\n"},
      {"(F10.2)", {99999.99f}, "  99999.99\n"},
      {"(F11.0)", {1234.4f}, "      1234.\n"},
      {"(F11.0)", {-1234.5f}, "     -1234.\n"},
      {"(F13.2)", {123456.78f}, "    123456.78\n"},
      {"(F13.2)", {1e30f}, "*************\n"},
      // The leading zero only where the width leaves room.
      {"(F4.2)", {0.5f}, "0.50\n"},
      {"(F3.2)", {0.5f}, ".50\n"},
      {"(F4.2)", {-0.5f}, "-.50\n"},
      {"(F2.0)", {0.0f}, "0.\n"},
      // Text: A writes the whole text, Aw cuts or right-justifies.
      {"(A)", {"ab  "}, "ab  \n"},
      {"(A3)", {"abcdef"}, "abc\n"},
      {"(A5)", {"ab"}, "   ab\n"},
      {"('x''y',A)", {"z"}, "x'yz\n"},
      {"(\"say \"\"hi\"\"\")", {}, "say \"hi\"\n"},
      // Tabs: T moves both ways and overwrites; trailing moves write nothing.
      {"(I3,T10,'X',T2,'ab',2X)", {5}, " ab      X\n"},
      {"(T5,'A',TR3,'B',TL2,'C')", {}, "    A  CB\n"},
      {"('ab',10X)", {}, "ab\n"},
      {"(T20)", {}, "\n"},
      {"(5X,'a')", {}, "     a\n"},
      // Records: "/" ends one; blank lines before, between and after.
      {"('a',/,'b')", {}, "a\nb\n"},
      {"('a',//,'b')", {}, "a\n\nb\n"},
      {"(//,'a')", {}, "\n\na\n"},
      {"('a',2/)", {}, "a\n\n\n"},
      {"(I5,/)", {1}, "    1\n\n"},
      // Running out of values: texts up to the next data descriptor are written.
      {"(A,'|',I3,'|')", {"hi"}, "hi|\n"},
      {"('x',I3,'y')", {}, "x\n"},
      {"(I5,/,I5)", {1}, "    1\n\n"},
      {"(3I4)", {1, 2}, "   1   2\n"},
      // Repeat groups and reversion.
      {"(2(I2,'+'))", {1, 2}, " 1+ 2+\n"},
      {"(8(TR1,'+',I6,I7),' +')", {10, 20, 30, 40}, " +    10     20 +    30     40 +\n"},
      {"(I5,I5)", {1, 2, 3}, "    1    2\n    3\n"},
      {"('h',2(I2))", {1, 2, 3, 4}, "h 1 2\n 3 4\n"},
      {"(T2,A,T18,10F10.2)", {"Freeway", 1.5f, -2.25f}, " Freeway               1.50     -2.25\n"},
      {"(I2,:,'x')", {7}, " 7\n"},
      {"(i3,f5.1,a)", {1, 2.0f, "z"}, "  1  2.0z\n"},
  };
  return kCases;
}

TEST(LayoutTest, WritesEachCaseAsWorkedOut) {
  for (const Case& c : cases()) {
    EXPECT_EQ(run(c), c.expected) << "layout " << c.layout;
  }
}

std::string oracle_value(const FieldValue& v) {
  switch (v.kind()) {
    case FieldValue::Kind::kInteger: return testing::oracle_int(v.integer());
    case FieldValue::Kind::kReal: return testing::oracle_real(static_cast<float>(v.real()));
    case FieldValue::Kind::kText: return testing::oracle_text(std::string(v.text()));
  }
  return {};
}

TEST(LayoutTest, AgreesWithGfortranOnTheWorkedCases) {
  std::vector<testing::OracleCase> oracle;
  for (const Case& c : cases()) {
    testing::OracleCase o{c.layout, {}};
    for (const auto& v : c.values) o.values.push_back(oracle_value(v));
    oracle.push_back(o);
  }
  auto results = testing::run_fortran_oracle(oracle);
  if (!results) GTEST_SKIP() << "gfortran is not available";
  for (std::size_t i = 0; i < cases().size(); ++i) {
    EXPECT_EQ((*results)[i], cases()[i].expected) << "layout " << cases()[i].layout;
  }
}

// A sweep of every descriptor the reports use over values that stress
// rounding, signs, powers of ten and overflow, compared with gfortran.
TEST(LayoutTest, AgreesWithGfortranOnADescriptorSweep) {
  const std::vector<std::string> fixed = {"F6.2",  "F6.3",  "F7.2",  "F8.2",  "F9.0", "F9.2",
                                          "F10.0", "F10.2", "F11.0", "F13.2", "F3.1", "F5.0"};
  const std::vector<float> reals = {0.0f,    -0.0f,    0.004f,     0.005f,    0.015f,    0.025f,    0.5f,    -0.5f,
                                    0.95f,   0.995f,   9.995f,     99.995f,   999.995f,  1.5f,      2.5f,    -2.5f,
                                    12.345f, -12.345f, 1234.5f,    99999.5f,  999999.5f, 1.0e6f,    -1.0e6f, 123456.7f,
                                    1.0e9f,  -7.0e-5f, 3.3333333f, 66.66667f, 1.0e-10f,  8388607.5f};
  const std::vector<std::string> integers = {"I2", "I3", "I4", "I5", "I6", "I7", "I8", "I9", "I10"};
  const std::vector<std::int64_t> ints = {0,   1,   -1,    9,      -9,     10,         99,
                                          -99, 100, 12345, -12345, 999999, 2147483647, -2147483647};

  std::vector<testing::OracleCase> oracle;
  std::vector<std::string> ours;
  for (const auto& d : fixed) {
    for (float x : reals) {
      oracle.push_back({"(" + d + ")", {testing::oracle_real(x)}});
      ours.push_back(render("(" + d + ")", {x}));
    }
  }
  for (const auto& d : integers) {
    for (std::int64_t v : ints) {
      oracle.push_back({"(" + d + ")", {testing::oracle_int(v)}});
      ours.push_back(render("(" + d + ")", {v}));
    }
  }
  auto results = testing::run_fortran_oracle(oracle);
  if (!results) GTEST_SKIP() << "gfortran is not available";
  for (std::size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(ours[i], (*results)[i]) << "layout " << oracle[i].layout << " value " << oracle[i].values[0];
  }
}

TEST(LayoutTest, LayoutsBuiltAtRunTimeWork) {
  std::string text = "(T2,A,T18,10F10.0)";
  text[text.find('.') + 1] = '2';
  EXPECT_EQ(render(text, {"Row", 1.0f}), " Row                   1.00\n");
}

// A layout literal, parsed when compiled, holds what the run-time parser
// makes of the same text.
template <LayoutText S>
void expect_parsed_as_at_run_time(const StaticLayout<S>& literal) {
  SCOPED_TRACE(std::string(S.view()));
  const Layout run_time = Layout::parse(S.view());
  const LayoutView a = literal.view();
  const LayoutView b = run_time.view();
  ASSERT_EQ(a.items.size(), b.items.size());
  for (std::size_t i = 0; i < a.items.size(); ++i) {
    const EditItem& x = a.items[i];
    const EditItem& y = b.items[i];
    EXPECT_EQ(std::tie(x.op, x.repeat, x.width, x.decimals, x.partner),
              std::tie(y.op, y.repeat, y.width, y.decimals, y.partner))
        << "item " << i;
    EXPECT_EQ(a.literal(x), b.literal(y)) << "item " << i;
  }
  EXPECT_EQ(a.reversion, b.reversion);
  EXPECT_EQ(a.text, b.text);
}

TEST(LayoutTest, LiteralsHoldWhatTheRunTimeParserMakesOfTheirText) {
  expect_parsed_as_at_run_time("(T2,A,T18,10F10.2)"_layout);
  expect_parsed_as_at_run_time("(8(TR1,'+',I6,I7),' +')"_layout);
  expect_parsed_as_at_run_time("(' IT''S',2/,I5.3,:,TL3,A8,3X,2(F6.1,'\"'))"_layout);
  expect_parsed_as_at_run_time(R"((' "KVLABELS.SYN" CONTENTS:'/))"_layout);
  expect_parsed_as_at_run_time("( i5 , f6.2 )"_layout);
  expect_parsed_as_at_run_time("()"_layout);
}

TEST(LayoutTest, LiteralsWriteAsTheRunTimeLayoutDoes) {
  EXPECT_EQ(render("(T2,A,T18,I6,F10.2)"_layout, "label", 12, 3.5f),
            render("(T2,A,T18,I6,F10.2)", {"label", 12, 3.5f}));
  EXPECT_EQ(render("(8(TR1,'+',I6,I7),' +')"_layout, 1, 2, 3, 4), " +     1      2 +     3      4 +\n");
  EXPECT_EQ(render_line("(' DATA ARRAY MEMORY REQUIREMENT --',I8,' BYTES')"_layout, 72240),
            " DATA ARRAY MEMORY REQUIREMENT --   72240 BYTES");
}

// The decimals of a table are given when its layout is taken: every F
// descriptor gets them, nothing else changes.
TEST(LayoutTest, DecimalsAreGivenToEveryFDescriptor) {
  constexpr auto kRow = "(T2,A,T18,F10.0,I4,2(F9.0,A))"_layout;
  EXPECT_EQ(render(kRow.with_decimals(2), {"Row", 1.0f, 7, 2.5f, "*", 3.0f, "*"}),
            " Row                   1.00   7     2.50*     3.00*\n");
  EXPECT_EQ(render(kRow.with_decimals(0), {"Row", 1.0f, 7}), " Row                     1.   7\n");
  EXPECT_EQ(render(kRow, "Row", 1.0f, 7), render(kRow.with_decimals(0), {"Row", 1.0f, 7}));
}

// In a framed layout '|' is the box line of code page 437.
TEST(LayoutTest, FramedLayoutsWriteTheBoxLine) {
  EXPECT_EQ(render("(T5,'|',T8,'|')"_framed_layout), "    \xB3  \xB3\n");
  EXPECT_EQ(render("(T5,'|')"_layout), "    |\n");
}

TEST(LayoutTest, RejectsBadLayoutsWithThePosition) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"I5", "position 1: a layout starts with \"(\""},
      {"(I5", "missing \")\""},
      {"(F5)", "F needs \".d\""},
      {"(Q5)", "unknown descriptor \"Q\""},
      {"('abc)", "quoted text not closed"},
      {"(0I5)", "a repeat count must be at least 1"},
      {"(T0)", "T needs a column of at least 1"},
      {"(I5) x", "text after the closing"},
  };
  for (const auto& [layout, message] : bad) {
    try {
      Layout::parse(layout);
      ADD_FAILURE() << layout << " parsed";
    } catch (const LayoutError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << layout << ": " << e.what();
    }
  }
}

TEST(LayoutTest, RejectsValuesOfTheWrongKind) {
  EXPECT_THROW(render("(I5)", {1.5f}), LayoutError);
  EXPECT_THROW(render("(A)", {5}), LayoutError);
  EXPECT_THROW(render("(F5.1)", {"x"}), LayoutError);
  EXPECT_THROW(render("('no value descriptor')", {1}), LayoutError);
}

TEST(LayoutTest, NonFiniteValuesPrintAsGfortranDoes) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(render("(F10.2)", {inf}), "  Infinity\n");
  EXPECT_EQ(render("(F6.2)", {-inf}), "  -Inf\n");
  EXPECT_EQ(render("(F6.2)", {std::nanf("")}), "   NaN\n");
  EXPECT_EQ(render("(F2.0)", {inf}), "**\n");
}

TEST(LayoutTest, RoundHalfUpInSinglePrecision) {
  const std::vector<std::pair<float, std::int64_t>> cases = {
      {0.5f, 1}, {2.49f, 2}, {2.5f, 3}, {-0.4f, 0}, {-0.6f, 0}, {-1.6f, -1}, {1.499f, 1}, {16777216.0f, 16777216}};
  for (auto [x, expected] : cases) EXPECT_EQ(round_half_up(x), expected) << x;
}

// edit_integer against its reference, byte for byte: every width up to past
// the quick way's limit, no minimum, m = 0 and m > 0, values around each
// power of ten, both signs, and the extremes of 64 bits.
TEST(LayoutTest, IntegersAreEditedAsTheReferenceEditsThem) {
  std::vector<std::int64_t> values = {0, std::numeric_limits<std::int64_t>::max(),
                                      std::numeric_limits<std::int64_t>::min()};
  for (std::int64_t p = 1; p <= std::numeric_limits<std::int64_t>::max() / 10; p *= 10) {
    for (const std::int64_t v : {p - 1, p, p + 1, 7 * p}) {
      values.push_back(v);
      values.push_back(-v);
    }
  }
  int compared = 0;
  for (int width = 0; width <= 40; ++width) {
    for (const int min_digits : {-1, 0, 1, 3, 25}) {
      for (const std::int64_t v : values) {
        std::string ours(static_cast<std::size_t>(width) + 2, '#');
        std::string reference = ours;
        edit_integer(v, width, min_digits, ours.data() + 1);
        layout_detail::edit_integer_reference(v, width, min_digits, reference.data() + 1);
        ASSERT_EQ(ours, reference) << "I" << width << "." << min_digits << " of " << v;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 10000);
}

// An IntegerRecord is the layout writer's record of the same I descriptors,
// byte for byte: values that fit, values too wide (asterisks), negatives,
// the extremes of 64 bits, every width; random records of random widths.
TEST(LayoutTest, AnIntegerRecordWritesAsTheLayoutDoes) {
  struct Field {
    std::int64_t value;
    int width;
  };
  const std::int64_t big = std::numeric_limits<std::int64_t>::max();
  const std::int64_t small = std::numeric_limits<std::int64_t>::min();
  std::vector<std::vector<Field>> records = {
      {{5, 1}, {-5, 1}, {0, 1}, {10, 1}},
      {{123456, 6}, {1234567, 6}, {-99999, 6}, {-100000, 6}, {0, 6}},
      {{big, 19}, {big, 20}, {small, 20}, {small, 19}, {-1, 20}},
      {{42, 3}, {-7, 3}, {999, 3}, {1000, 3}, {-99, 3}, {-100, 3}},
  };
  std::mt19937_64 random(11);
  for (int r = 0; r < 2000; ++r) {
    std::vector<Field> fields(1 + random() % 48);
    for (Field& f : fields) {
      f.width = 1 + static_cast<int>(random() % IntegerRecord::kMaxIntegerWidth);
      const int digits = static_cast<int>(random() % 20);
      std::int64_t v = static_cast<std::int64_t>(random() % 10'000'000'000'000'000'000ULL);
      for (int d = digits; d < 19; ++d) v /= 10;
      f.value = random() % 3 == 0 ? -v : v;
    }
    records.push_back(fields);
  }
  IntegerRecord record;
  int overflowed = 0;
  for (const std::vector<Field>& fields : records) {
    std::string layout = "(";
    std::vector<FieldValue> values;
    record.clear();
    std::size_t columns = 0;
    bool fits = true;
    for (const Field& f : fields) {
      columns += static_cast<std::size_t>(f.width);
      if (columns > IntegerRecord::kMaxLength) {
        EXPECT_THROW(record.put(f.value, f.width), LayoutError);
        fits = false;
        ++overflowed;
        break;
      }
      record.put(f.value, f.width);
      layout += (values.empty() ? "I" : ",I") + std::to_string(f.width);
      values.emplace_back(f.value);
    }
    if (!fits) continue;
    StringSink sink;
    write_record(sink, Layout::parse(layout + ")"), values);
    ASSERT_EQ(sink.records.size(), 1u) << layout;
    EXPECT_EQ(record.view(), sink.records[0]) << layout;
  }
  EXPECT_GT(overflowed, 0);
  EXPECT_THROW(record.put(1, 0), LayoutError);
  EXPECT_THROW(record.put(1, IntegerRecord::kMaxIntegerWidth + 1), LayoutError);
}

}  // namespace
}  // namespace korvo
