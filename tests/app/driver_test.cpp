#include "app/driver.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/errors.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using testing::run_korvo;
using testing::TempDir;

std::string padded80(const std::string& s) { return s + std::string(80 - s.size(), ' '); }

TEST(DriverTest, AMissingProfileStopsWithoutACompletionLine) {
  TempDir dir;
  dir.write("KORVO.OUT", "an old report\n");
  const auto result = run_korvo(dir);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.console, " PROFILE.MAS: not found: the run needs its profile in the working directory\n");
  // The old report is replaced by a new, empty one before the profile is read.
  EXPECT_TRUE(dir.exists("KORVO.OUT"));
  EXPECT_EQ(dir.read("KORVO.OUT"), "");
}

TEST(DriverTest, AMissingDbfFileEndsWithTheCriticalLineAndAbnormalCompletion) {
  TempDir dir;
  dir.write("KORVO.OUT", "an old report\n");
  dir.write("PROFILE.MAS", " KORVODBF\nMISSING05A.DBF\n");
  const auto result = run_korvo(dir);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.console, " ***CRITICAL*** INPUT DBF FILE NOT FOUND >" + padded80("MISSING05A.DBF") +
                                "\nKORVO -- Abnormal Completion\n");
  EXPECT_EQ(dir.read("KORVO.OUT"), "");
}

TEST(DriverTest, BadProfileValuesStopWithStatusTwo) {
  struct Case {
    std::string profile;
    std::string console;
  };
  const std::vector<Case> cases = {
      {" ANALYSIS\nY\n KORVOL",
       " PROFILE.MAS, line 4 (value of KORVOL): expected the value record after the keyword, found the end of the "
       "file\n"},
      {" KORVOL\nX\n", " PROFILE.MAS, line 2 (value of KORVOL): expected an integer, found \"X\"\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("PROFILE.MAS", c.profile);
    const auto result = run_korvo(dir);
    EXPECT_EQ(result.status, 2) << c.profile;
    EXPECT_EQ(result.console, c.console) << c.profile;
  }
}

TEST(DriverTest, TheBinaryNetworkNameTakesTheOutputCode) {
  struct Case {
    std::string control;  // empty: no VELMAR.CTL
    std::string console;
  };
  // A missing network's line follows the one that says the profile named no
  // dBASE file either.
  const std::string no_dbf = std::string(kNoDbfNamedLine) + "\n";
  const std::vector<Case> cases = {
      {"", no_dbf + " HRLDXY.XXX: cannot be opened for reading: No such file or directory\n"},
      {" FILEI\n00B\n FILEO\n05A\n", no_dbf + " HRLDXY.05A: cannot be opened for reading: No such file or directory\n"},
      {" FILEI\n00B\n", no_dbf + " HRLDXY.XXX: cannot be opened for reading: No such file or directory\n"},
      {" FILEO\n",
       " VELMAR.CTL, line 2 (file code): expected the code record after the FILEO key of line 1, found the end of "
       "the file\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("PROFILE.MAS", " VALIDATE\nY\n");
    if (!c.control.empty()) dir.write("VELMAR.CTL", c.control);
    const auto result = run_korvo(dir);
    EXPECT_EQ(result.status, 2) << c.control;
    EXPECT_EQ(result.console, c.console) << c.control;
  }
}

TEST(DriverTest, ControlBytesFromTheInputAreEscapedInTheErrorLine) {
  // Names that the input spells go into the error line; a control byte there
  // must neither end the line nor reach the terminal raw.
  struct Case {
    std::string profile, control, console;
  };
  const std::vector<Case> cases = {
      {" KORVOL\x10\nX\n", "", " PROFILE.MAS, line 2 (value of KORVOL\\x10): expected an integer, found \"X\"\n"},
      {"", " FILEO\n\r\x1b[\n",
       std::string(kNoDbfNamedLine) +
           "\n HRLDXY.\\x0D\\x1B[: cannot be opened for reading: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("PROFILE.MAS", c.profile);
    if (!c.control.empty()) dir.write("VELMAR.CTL", c.control);
    const auto result = run_korvo(dir);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.console, c.console);
  }
}

TEST(DriverTest, AnUnreadableControlFileStopsWithStatusTwo) {
  TempDir dir;
  dir.write("PROFILE.MAS", "");
  std::filesystem::create_directory(dir.file("VELMAR.CTL"));
  const auto result = run_korvo(dir);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.console, " VELMAR.CTL, byte offset 0: read failed: Is a directory\n");
}

TEST(DriverTest, AReportThatCannotBeCreatedStopsWithStatusTwo) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("KORVO.OUT"));
  std::filesystem::create_directory(dir.file("KORVO.OUT") / "keep");
  const auto result = run_korvo(dir);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.console.rfind(" KORVO.OUT: cannot be deleted: ", 0), 0u) << result.console;
}

TEST(DriverTest, TheAsciiNetworkFileIsCreatedDuringTheProfile) {
  TempDir dir;
  dir.write("HRLDXY.ASC", "old records\n");
  dir.write("PROFILE.MAS", " ASCII\nY\n KORVODBF\nMISSING.DBF\n");
  const auto result = run_korvo(dir);
  EXPECT_EQ(result.status, 1);
  ASSERT_TRUE(dir.exists("HRLDXY.ASC"));
  EXPECT_EQ(dir.read("HRLDXY.ASC"), "");
}

TEST(DriverTest, ScenarioCodeFromTheDbfName) {
  struct Case {
    std::string name;
    std::string code;
  };
  const std::vector<Case> cases = {
      {"LOADED05A.DBF", "05A"},
      {"ABCDEFGHIJKLMNOPQ12.DBF", "Q12"},  // first "." at position 20 gives positions 17-19
      {"NOPOINT", "YYA"},
      {".DBF", "YYA"},
      {"AB.DBF", "YYA"},
      {"ABC.DBF", "ABC"},
      {"dir.v2/NET05A.DBF", "dir"},
      {std::string(77, 'A') + ".DBF", "YYA"},  // the "." at position 78 is not searched
      {std::string(73, 'A') + "XYZ.DBF", "XYZ"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(scenario_code_from_dbf_name(FixedText<80>(c.name)).view(), c.code) << c.name;
  }
}

TEST(DriverTest, MemoryCheckPassesAtTheLimitAndStopsAboveIt) {
  struct Case {
    int nft, nat;
    bool fits;
    std::string console;
  };
  const std::vector<Case> cases = {
      {93, 25, true, " DATA ARRAY MEMORY REQUIREMENT -- 3999000 BYTES\n"},  // 2325 pairs: 999,750 cells
      {10, 6, true, " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\n"},
      {1163, 2, false,
       " DATA ARRAY MEMORY REQUIREMENT -- 4000720 BYTES\n Requirement exceeds maximum of 4000000 bytes\n"},
      {1000, 1000, false,
       " DATA ARRAY MEMORY REQUIREMENT --******** BYTES\n Requirement exceeds maximum of 4000000 bytes\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    std::istringstream in;
    auto ctx = RunContext::create(WorkDir{}, Console(out, in));
    ctx->eval.classes.nft = c.nft;
    ctx->eval.classes.nat = c.nat;
    if (c.fits) {
      EXPECT_NO_THROW(check_memory(*ctx));
      EXPECT_EQ(ctx->eval.acc.sums.nft(), c.nft);
      EXPECT_EQ(ctx->eval.acc.sums.nat(), c.nat);
    } else {
      try {
        check_memory(*ctx);
        ADD_FAILURE() << "no stop for " << c.nft << " x " << c.nat;
      } catch (const RunStop& stop) {
        EXPECT_STREQ(stop.completion_line(), "KORVO -- Abnormal Completion");
      }
    }
    EXPECT_EQ(out.str(), c.console);
  }
  EXPECT_EQ(accumulator_cells(93, 25), 999750);
  EXPECT_EQ(accumulator_cells(1163, 2), 1000180);
}

}  // namespace
}  // namespace korvo
