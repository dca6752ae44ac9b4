#include "input/database_control.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace korvo {
namespace {

constexpr const char* kHeadings = "DATABASE CONTROL\nKEYWORD    FIELD\n-----------\n";

// A LINK ALIAS line: number in 12-13, keyword in 15-25, field in 27-37,
// factor right-justified in 38-45.
std::string alias(std::string_view keyword, std::string_view field, std::string_view factor = "",
                  std::string_view number = " 1") {
  return "LINK ALIAS " + std::string(number) + " " + pad_to(keyword, 11) + " " + pad_to(field, 11) +
         std::string(8 - factor.size(), ' ') + std::string(factor) + "\n";
}

LinkFieldMap read(const std::string& lines) {
  const std::string text = kHeadings + lines;
  TextReader reader = TextReader::from_memory(text, "DATABASE.CTL");
  LinkFieldMap map;
  read_database_control(reader, map);
  return map;
}

std::string error_of(const std::string& text) {
  TextReader reader = TextReader::from_memory(text, "DATABASE.CTL");
  LinkFieldMap map;
  try {
    read_database_control(reader, map);
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

TEST(DatabaseControl, HeadingsAloneKeepTheDefaults) {
  const LinkFieldMap map = read("");
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    EXPECT_TRUE(
        map.name[static_cast<std::size_t>(slot)].equals_padded(kLinkKeywordNames[static_cast<std::size_t>(slot - 1)]));
    EXPECT_EQ(map.scale[static_cast<std::size_t>(slot)], 1.0);
  }
}

TEST(DatabaseControl, AliasesAndScaleFactors) {
  struct Case {
    std::string lines;
    std::string distance_field;
    double distance_scale;
  };
  const Case cases[] = {
      {alias("DISTANCE", "LENGTH", "100.000"), "LENGTH", 100.0},
      {alias("DISTANCE", "LENGTH"), "LENGTH", 1.0},               // blank factor keeps the scale
      {alias("DISTANCE", "LENGTH", "100"), "LENGTH", 0.1},        // no point: last 3 digits are decimals
      {alias("DISTANCE", "LENGTH", "100", "  "), "LENGTH", 0.1},  // blank number reads as 0
      {alias("DISTANCE", "LEN", "100.") + alias("LEN", "MILES", "0.000"), "MILES", 100.0},  // later line, new name
      {alias("DISTANCE", "LEN") + alias("DISTANCE", "MILES"), "LEN", 1.0},  // old name no longer matches
      {alias("distance", "LENGTH", "100."), "DISTANCE", 1.0},               // keyword case matters
      {"link alias  1 DISTANCE    LENGTH       100.\n", "DISTANCE", 1.0},
      {"\x1a" + alias("DISTANCE", "LENGTH", "2."), "LENGTH", 2.0},  // end-of-file mark shifted out
      {"\x1a\x1a" + alias("DISTANCE", "LENGTH", "2."), "LENGTH", 2.0},
      {"\x1a   \n" + alias("DISTANCE", "LENGTH", "2."), "LENGTH", 2.0},
      {" " + alias("DISTANCE", "LENGTH", "2."), "DISTANCE", 1.0},  // marker not in column 1
      {alias("NOSUCHWORD", "LENGTH", "2."), "DISTANCE", 1.0},
  };
  for (const Case& c : cases) {
    const LinkFieldMap map = read(c.lines);
    EXPECT_EQ(map.name[LinkKeyword::kDistance].view(), pad_to(c.distance_field, 11)) << c.lines;
    EXPECT_DOUBLE_EQ(map.scale[LinkKeyword::kDistance], c.distance_scale) << c.lines;
  }
}

TEST(DatabaseControl, TheFirstSlotOfThatNameIsRenamed) {
  // After ANODE is renamed BNODE, two slots carry that name; a line naming
  // BNODE renames slot 1.
  const LinkFieldMap map = read(alias("ANODE", "BNODE") + alias("BNODE", "FROM"));
  EXPECT_EQ(map.name[LinkKeyword::kAnode].trimmed(), "FROM");
  EXPECT_EQ(map.name[LinkKeyword::kBnode].trimmed(), "BNODE");
}

TEST(DatabaseControl, UnreadableLinesStopWithTheirPlace) {
  EXPECT_EQ(error_of(""),
            " DATABASE.CTL, line 1 (headings): the file ends after 0 lines; it needs three heading lines");
  EXPECT_EQ(error_of("A\nB\n"),
            " DATABASE.CTL, line 3 (headings): the file ends after 2 lines; it needs three heading lines");
  EXPECT_EQ(error_of(kHeadings + alias("ANODE", "A", "", "XY")),
            " DATABASE.CTL, line 4, columns 12-13 (LINK ALIAS number): expected an integer, found \"XY\"");
  EXPECT_EQ(error_of(kHeadings + alias("ANODE", "A", "1.0.0")),
            " DATABASE.CTL, line 4, columns 38-45 (LINK ALIAS scale factor): expected a number, found \"   1.0.0\"");
}

// Without the file every keyword slot reads the field of its own name,
// unscaled.
TEST(DatabaseControl, TheMapStartsWithTheKeywordNamesAndNoScale) {
  const LinkFieldMap map;
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const auto s = static_cast<std::size_t>(slot);
    EXPECT_EQ(map.name[s].trimmed(), kLinkKeywordNames[s - 1]);
    EXPECT_EQ(map.scale[s], 1.0);
    EXPECT_EQ(map.index[s], 0);
  }
}

}  // namespace
}  // namespace korvo
