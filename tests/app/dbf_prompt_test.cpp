#include "app/dbf_prompt.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/errors.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

constexpr const char* kAsk = " Input file does not exist -- Respecify? (Y/N)>";
constexpr const char* kName = " Enter the \"DBF\" file name>";

struct Prompt {
  explicit Prompt(std::string input) : in(std::move(input)) { dir.write("LINKS.DBF", "bytes"); }
  // The name of the file opened.
  std::string open(std::string_view name) {
    Console console(out, in);
    return open_with_prompt(WorkDir(dir.path()), console, FixedText<80>(name)).name();
  }
  korvo::testing::TempDir dir;
  std::istringstream in;
  std::ostringstream out;
};

TEST(DbfPrompt, AnExistingFileOpensWithoutAQuestion) {
  Prompt p("");
  EXPECT_EQ(p.open("LINKS.DBF"), "LINKS.DBF");
  EXPECT_EQ(p.open(std::string("LINKS.DBF\0\0\0", 12)), "LINKS.DBF");  // NULs read as blanks
  EXPECT_EQ(p.out.str(), "");
}

TEST(DbfPrompt, AnyAnswerButNAsksForAName) {
  for (const std::string answer : {"Y", "y", "", " N", "X"}) {
    Prompt p(answer + "\nLINKS.DBF\n");
    EXPECT_EQ(p.open("MISSING.DBF"), "LINKS.DBF") << answer;
    EXPECT_EQ(p.out.str(), std::string(kAsk) + kName) << answer;
  }
  Prompt again("Y\nNOPE.DBF\nY\nLINKS.DBF\n");
  EXPECT_EQ(again.open(""), "LINKS.DBF");
  EXPECT_EQ(again.out.str(), std::string(kAsk) + kName + kAsk + kName);
}

TEST(DbfPrompt, NStopsTheRun) {
  for (const char* answer : {"N\n", "no\n"}) {
    Prompt p(answer);
    try {
      p.open("MISSING.DBF");
      ADD_FAILURE() << "no stop";
    } catch (const RunStop& stop) {
      EXPECT_STREQ(stop.completion_line(), "SHWDBF Abnormal Completion");
    }
    EXPECT_EQ(p.out.str(), kAsk);
  }
}

TEST(DbfPrompt, EndOfConsoleInputStopsTheFileLayer) {
  for (const char* input : {"", "Y\n", "Y\nNOPE.DBF\n"}) {
    Prompt p(input);
    try {
      p.open("MISSING.DBF");
      ADD_FAILURE() << "no error";
    } catch (const ConsoleInputEnded& e) {
      const std::string name = std::string(input).find("NOPE") != std::string::npos ? "NOPE.DBF" : "MISSING.DBF";
      EXPECT_EQ(std::string(e.what()), " Console input ended at the prompt for the dBASE file name \"" + name + "\"");
    }
    // The unanswered question's line is ended, so the error line that the
    // driver prints stands on a line of its own.
    EXPECT_EQ(p.out.str().back(), '\n') << input;
  }
}

}  // namespace
}  // namespace korvo
