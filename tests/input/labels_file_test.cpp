// The records of "KVLABELS.SYN" and "KVSCREEN.SYN" as the readers give them.

#include "input/labels_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"

namespace korvo {
namespace {

std::vector<std::string> texts_of(const std::string& file) {
  TextReader reader = TextReader::from_memory(file, "KVLABELS.SYN");
  std::vector<std::string> out;
  LabelsText text;
  while (next_labels_text(reader, text))
    out.push_back(std::string(text.trimmed()) + "@" + std::to_string(reader.line_number()));
  return out;
}

// Records are the first 80 columns; leading end-of-file marks are dropped
// and a record of nothing else is passed over (its line still counts).
TEST(LabelsFile, RecordsAreEightyColumnsWithoutLeadingEndOfFileMarks) {
  const std::string long_line = "      FT  1  1  1 " + std::string(70, 'x');
  EXPECT_EQ(texts_of("      FT  1  1  1\n\x1a\x1a      AT  2  1  1\n\x1a  \n" + long_line + "\n\x1a"),
            (std::vector<std::string>{"      FT  1  1  1@1", "      AT  2  1  1@2", long_line.substr(0, 80) + "@4"}));
  EXPECT_EQ(texts_of("\n"), std::vector<std::string>{"@1"});  // a blank record is a record (with no kind)
}

TEST(LabelsFile, DecodesTheColumnsOfARecord) {
  const LabelsRecord r =
      decode_labels_record(LabelsText("LABEL FT 21 12  2 Div Art  Divided Arterial"), "KVLABELS.SYN", 3);
  EXPECT_EQ(r.kind.view(), "FT");
  EXPECT_EQ(r.code, 21);
  EXPECT_EQ(r.validation_class, 12);
  EXPECT_EQ(r.analysis_class, 2);
  EXPECT_EQ(r.short_label.view(), "Div Art ");
  EXPECT_EQ(r.long_label.trimmed(), "Divided Arterial");
}

TEST(LabelsFile, ANumberFieldThatIsNotANumberNamesItsPlace) {
  try {
    decode_labels_record(LabelsText("      FT  2 x1  1"), "KVLABELS.SYN", 2);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              " KVLABELS.SYN, line 2, columns 12-14 (validation class): expected an integer, found \" x1\"");
  }
}

TEST(ScreenlineNames, NumbersOneToNinetyNineKeepTheirNames) {
  TextReader reader = TextReader::from_memory(" 1 North cordon\n 0 None\n99xRiver\n", "KVSCREEN.SYN");
  ScreenlineNames names{};
  read_screenline_names(reader, names);
  EXPECT_EQ(names[1].trimmed(), "North cordon");
  EXPECT_EQ(names[99].trimmed(), "River");
  EXPECT_TRUE(names[0].is_blank());
}

}  // namespace
}  // namespace korvo
