// The stops of the file layer: their places, their members, and their one
// console line in the one style every reader uses.

#include "common/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvo {
namespace {

TEST(FilePlaceTest, NamesLinesRecordsOffsetsAndColumns) {
  struct Case {
    FilePlace place;
    std::string text;
  };
  const std::vector<Case> cases = {
      {FilePlace{}, ""},
      {FilePlace::at_line(7), "line 7"},
      {FilePlace::at_line(7).with_columns(1, 80), "line 7, columns 1-80"},
      {FilePlace::at_record(1207), "record 1207"},
      {FilePlace::at_byte_offset(4096), "byte offset 4096"},
      {FilePlace::record_at_offset(3, 36), "record 3 at byte offset 36"},
      {[] {
         FilePlace p = FilePlace::at_record(1);
         p.byte_offset = 884;
         return p;
       }(),
       "record 1, byte offset 884"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.place.text(), c.text);
}

TEST(FileErrorTest, CarriesItsPartsAndBuildsItsLineFromThem) {
  const FileError conversion("NET05A.DBF", FilePlace::at_record(1207), "field DISTANCE, bytes 12-18", "a number",
                             FileError::Found::file_text("12.3\t4"));
  EXPECT_STREQ(conversion.console_line(),
               " NET05A.DBF, record 1207 (field DISTANCE, bytes 12-18): expected a number, found \"12.3\\x094\"");
  EXPECT_EQ(conversion.file(), "NET05A.DBF");
  EXPECT_EQ(conversion.place().record, 1207);
  EXPECT_EQ(conversion.field(), "field DISTANCE, bytes 12-18");
  EXPECT_EQ(conversion.expected(), "a number");
  EXPECT_EQ(conversion.found(), "\"12.3\\x094\"");

  const FileError ended("VOLNAUX.05A", FilePlace::record_at_offset(3, 36), "", "the record of link 10-20",
                        FileError::Found::words("the end of the file"));
  EXPECT_STREQ(
      ended.console_line(),
      " VOLNAUX.05A, record 3 at byte offset 36: expected the record of link 10-20, found the end of the file");

  const FileError missing("PROFILE.MAS", FilePlace{}, "", "not found: the run needs its profile");
  EXPECT_STREQ(missing.console_line(), " PROFILE.MAS: not found: the run needs its profile");
  EXPECT_EQ(missing.problem(), "not found: the run needs its profile");
  EXPECT_EQ(missing.expected(), "");
}

// A write failure is its own kind, and stops the file layer all the same.
TEST(WriteErrorTest, NamesTheFileAndWhereTheWriteFailed) {
  const WriteError full("KORVO.OUT", 8192, "write failed: No space left on device");
  EXPECT_STREQ(full.console_line(), " KORVO.OUT, byte offset 8192: write failed: No space left on device");
  EXPECT_EQ(full.byte_offset(), 8192u);
  const WriteError created("KVSKIP.LNK", std::nullopt, "cannot be created: Permission denied");
  EXPECT_STREQ(created.console_line(), " KVSKIP.LNK: cannot be created: Permission denied");
  const FileStop& stop = full;
  EXPECT_STREQ(stop.console_line(), full.what());
}

TEST(ConsoleInputEndedTest, NamesTheFileAskedFor) {
  EXPECT_STREQ(ConsoleInputEnded("AUX.DBF").console_line(),
               " Console input ended at the prompt for the dBASE file name \"AUX.DBF\"");
}

}  // namespace
}  // namespace korvo
