#include "input/control_file.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace korvo {
namespace {

struct CodeResult {
  bool found;
  std::string code;
};

CodeResult code_of(const std::string& text, bool input_key) {
  TextReader control = TextReader::from_memory(text, "VELMAR.CTL");
  FixedText<3> code("???");
  bool found = read_file_code(control, input_key, code);
  return {found, std::string(code.view())};
}

TEST(ControlFileTest, FindsTheFirstMatchingKey) {
  struct Case {
    std::string text;
    bool input_key;
    bool found;
    std::string code;
  };
  const std::vector<Case> cases = {
      {" FILEO\n05A  output code\n", false, true, "05A"},
      {"header\n FILEI\n00B\n FILEO\n05A\n", false, true, "05A"},  // the input key is skipped
      {" FILEI\n00B\n FILEO\n05A\n", true, true, "00B"},
      {" FILEO\n05A\n FILEO\n99Z\n", false, true, "05A"},  // the first wins
      {"FILEO\n05A\n", false, false, "???"},               // written from column 1
      {" FILEOUT\n07C\n", false, true, "07C"},             // columns 2-6 only
      {" FILEO\nA\n", false, true, "A  "},                 // short code record
      {"", false, false, "???"},
  };
  for (const auto& c : cases) {
    const CodeResult r = code_of(c.text, c.input_key);
    EXPECT_EQ(r.found, c.found) << c.text;
    EXPECT_EQ(r.code, c.code) << c.text;
  }
}

TEST(ControlFileTest, AKeyRecordThatIsTheLastStopsTheRun) {
  try {
    code_of("comment\n FILEO\n", false);
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(),
                 " VELMAR.CTL, line 3 (file code): expected the code record after the FILEO key of line 2, found the "
                 "end of the file");
  }
}

TEST(ControlFileTest, ReplacesTheExtensionAfterTheFirstPoint) {
  struct Case {
    std::string name;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"HRLDXY.XXX", "HRLDXY.05A"},
      {"VOLNAUX.XXX", "VOLNAUX.05A"},
      {"A.B.C", "A.05A"},
      {"NOPOINT", "NOPOINT"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZABCD.X", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD.X"},  // point at 31: not searched
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZAB.X", "ABCDEFGHIJKLMNOPQRSTUVWXYZAB.05A"},    // point at 29
  };
  for (const auto& c : cases) {
    FixedText<32> name(c.name);
    apply_file_code(name, FixedText<3>("05A"));
    EXPECT_EQ(name.trimmed(), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace korvo
