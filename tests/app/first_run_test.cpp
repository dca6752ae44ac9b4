// A planner's first runs, through the program itself (korvo DIR): the exit
// status says how the run ended, the console says where a problem is, no
// data file holds a value it cannot read back, no text output holds a NUL
// byte, and a run that evaluates nothing says why.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/driver.h"
#include "dbf_writer.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace first_run {

struct Link {
  int anode, bnode, ft, at, location = 0, congested_time = 150, screenline = 0, count = 500, volume = 600;
};

// The 20 keyword fields in their default names and order.
std::string link_table(const std::vector<Link>& links) {
  fixtures::DbfTable table(fixtures::link_table_fields());
  for (const Link& l : links) {
    table.add(
        {l.anode, l.bnode,          100,      1, l.at, l.ft, 2, 120, 1000, l.count, l.screenline, 0, 0, l.location, 0,
         0,       l.congested_time, l.volume, 0, 0});
  }
  return table.bytes();
}

std::string flat_rates() {
  std::string file;
  for (int l = 1; l <= 75; ++l) {
    for (int c = 1; c <= 9; ++c) file += "  1.00 ";
    file += "\n";
  }
  return file;
}

struct Run {
  int status = -1;
  std::string console;
};

// korvo DIR, as a script would call it.
Run run_program_in(const testing::TempDir& dir) {
  const std::string out = (dir.path() / "console.out").string();
  const std::string line = "'" + std::string(KORVO_EXE) + "' '" + dir.path().string() + "' >'" + out + "' 2>&1";
  const int rc = std::system(line.c_str());
  Run run;
  run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  run.console = dir.read("console.out");
  return run;
}

// The console's last line, without its line end.
std::string last_line(const std::string& console) {
  if (console.empty()) return "";
  const std::size_t start = console.find_last_of('\n', console.size() - 2);
  return console.substr(start == std::string::npos ? 0 : start + 1,
                        console.size() - 1 - (start == std::string::npos ? 0 : start + 1));
}

const std::string kProfile = " VALIDATE\nY\n KORVODBF\nNET05A.DBF\n";

}  // namespace first_run

using first_run::Link;

// Exit status by how the run ended: normal completion 0, an abnormal
// completion line 1, a file stop 2.
TEST(FirstRun, TheExitStatusSaysHowTheRunEnded) {
  struct Case {
    const char* what;
    std::string profile;
    std::string labels;  // empty: no KVLABELS.SYN
    bool dbf;
    int status;
    std::string last;
  };
  const std::string good_labels = "LABEL FT  1  1  1 Freeway  Freeway\nLABEL AT  1  1  1      CBD CBD\n";
  const Case cases[] = {
      {"a good run", first_run::kProfile, "", true, 0, "KORVO -- Normal Completion"},
      {"a labels record of neither kind", first_run::kProfile, good_labels + "LABEL XT  2  1  1 Other    Other\n", true,
       1, "KORVO Abnormal Completion"},
      {"the dBASE file missing", first_run::kProfile, "", false, 1, "KORVO -- Abnormal Completion"},
      {"the binary network missing", " VALIDATE\nY\n", "", true, 2,
       " HRLDXY.XXX: cannot be opened for reading: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    dir.write("PROFILE.MAS", c.profile);
    dir.write("KVRATES.SYN", first_run::flat_rates());
    if (!c.labels.empty()) dir.write("KVLABELS.SYN", c.labels);
    if (c.dbf) dir.write("NET05A.DBF", first_run::link_table({{10, 20, 1, 1}, {20, 10, 1, 1}}));
    const first_run::Run run = first_run::run_program_in(dir);
    EXPECT_EQ(run.status, c.status) << run.console;
    EXPECT_EQ(first_run::last_line(run.console), c.last) << run.console;
  }
}

// Where a problem is: the labels record of neither kind by file, line and
// text; a profile typed from column 1 by the line that names the cause.
TEST(FirstRun, MessagesNameThePlace) {
  struct Case {
    const char* what;
    std::string profile;
    std::string labels;
    std::string console;
  };
  const std::string ft = "LABEL FT  1  1  1 Freeway  Freeway\n";
  const Case cases[] = {
      {"a blank line", first_run::kProfile, ft + "\n",
       " ***CRITICAL*** NO \"FT\" OR \"AT\" ON KVLABELS.SYN FILE\n"
       " KVLABELS.SYN, line 2 (columns 7-8): expected \"FT\" or \"AT\", found a blank line\n"
       "KORVO Abnormal Completion\n"},
      {"a kind in lower case", first_run::kProfile, ft + ft + "LABEL at  1  1  1      CBD CBD\n",
       " ***CRITICAL*** NO \"FT\" OR \"AT\" ON KVLABELS.SYN FILE\n"
       " KVLABELS.SYN, line 3 (columns 7-8): expected \"FT\" or \"AT\", found \"LABEL at  1  1  1      CBD CBD\"\n"
       "KORVO Abnormal Completion\n"},
      {"keywords from column 1", "VALIDATE\nY\nKORVODBF\nNET05A.DBF\n", "",
       "PROFILE.MAS names no KORVODBF file; keywords start in column 2\n"
       " HRLDXY.XXX: cannot be opened for reading: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    dir.write("PROFILE.MAS", c.profile);
    dir.write("KVRATES.SYN", first_run::flat_rates());
    if (!c.labels.empty()) dir.write("KVLABELS.SYN", c.labels);
    dir.write("NET05A.DBF", first_run::link_table({{10, 20, 1, 1}}));
    const first_run::Run run = first_run::run_program_in(dir);
    EXPECT_EQ(run.console, c.console);
    EXPECT_EQ(run.status, c.console.ends_with("KORVO Abnormal Completion\n") ? 1 : 2);
  }
}

// Node numbers up to 9,999,999 are valid input: without ASCII output the run
// evaluates every link; with it, HRLDXY.ASC (6 columns a node) stops at the
// first link it cannot hold, before its record, and keeps the records
// before it; the two-way step never sees asterisks.
TEST(FirstRun, SevenDigitNodesRunAndNeverReachHrldxyAscAsAsterisks) {
  const std::vector<Link> links = {{10, 20, 1, 1}, {20, 10, 1, 1}, {1'000'000, 9'999'999, 1, 1}, {30, 40, 1, 1}};
  {
    testing::TempDir dir;
    dir.write("PROFILE.MAS", first_run::kProfile);
    dir.write("KVRATES.SYN", first_run::flat_rates());
    dir.write("NET05A.DBF", first_run::link_table(links));
    const first_run::Run run = first_run::run_program_in(dir);
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_EQ(first_run::last_line(run.console), "KORVO -- Normal Completion");
    const std::string report = dir.read("KORVO.OUT");
    const auto total = testing::total_value(report, "TOTAL NUMBER OF LINKS");
    ASSERT_TRUE(total.has_value());
    EXPECT_EQ(*total, 4.0);
  }
  testing::TempDir dir;
  dir.write("PROFILE.MAS", first_run::kProfile + " ASCII\nY\n TWOWAY\nY\n");
  dir.write("KVRATES.SYN", first_run::flat_rates());
  dir.write("NET05A.DBF", first_run::link_table(links));
  const first_run::Run run = first_run::run_program_in(dir);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(first_run::last_line(run.console),
            " HRLDXY.ASC: link 1000000-9999999, ANODE 1000000 does not fit its 6 columns; turn \"ASCII\" off in "
            "PROFILE.MAS, or renumber the nodes below 1,000,000");
  const std::string ascii = dir.read("HRLDXY.ASC");
  EXPECT_EQ(std::count(ascii.begin(), ascii.end(), '\n'), 2) << ascii;
  EXPECT_EQ(ascii.find('*'), std::string::npos) << ascii;
  EXPECT_EQ(ascii.rfind("    10    20", 0), 0u) << ascii;
  EXPECT_FALSE(dir.exists("HRLDXY2.ASC"));
  EXPECT_FALSE(dir.read("KORVO.OUT").empty());
}

// SCRNLINE.ASC holds a screenline's totals in F11.0, F11.0 and F7.2: a ratio
// of 10,000 or more stops the run before that record (the report's page,
// written before, keeps its asterisks).
TEST(FirstRun, AScreenlineRatioTooWideForScrnlineAscStops) {
  testing::TempDir dir;
  dir.write("PROFILE.MAS", first_run::kProfile + " ASCII\nY\n");
  dir.write("KVRATES.SYN", first_run::flat_rates());
  dir.write("NET05A.DBF",
            first_run::link_table({{10, 20, 1, 1, 0, 150, 2, 500, 600}, {30, 40, 1, 1, 0, 150, 3, 1, 20000}}));
  const first_run::Run run = first_run::run_program_in(dir);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(first_run::last_line(run.console),
            " SCRNLINE.ASC: screenline 3, RATIO 20000.00 does not fit its 7 columns; turn \"ASCII\" off in "
            "PROFILE.MAS, or check the screenline's links");
  const std::string screenlines = dir.read("SCRNLINE.ASC");
  EXPECT_EQ(std::count(screenlines.begin(), screenlines.end(), '\n'), 1) << screenlines;
  EXPECT_EQ(screenlines.rfind("  2", 0), 0u) << screenlines;
}

// A run that evaluates no link says so, with the count of each cause, just
// before its completion line; it still ends normally.
TEST(FirstRun, ARunThatEvaluatesNoLinkSaysWhy) {
  struct Case {
    const char* what;
    std::string profile_extra;
    std::vector<Link> links;
    std::string warning;
  };
  const Case cases[] = {
      {"every cause once",
       " GLS\n7\n",
       {{1, 2, 55, 1, 7}, {2, 3, 1, 1, 3}, {3, 4, 12, 1, 7}, {4, 5, 1, 1, 7, 0}},
       " ***WARNING*** NO LINK EVALUATED: 4 LINKS READ, 1 UNCLASSIFIED (KVSKIP.LNK), 1 PASSED OVER (FACILITY TYPES "
       "50-59), 1 NOT SELECTED (LOCATION), 1 WITHOUT TIME OR COST"},
      {"one link evaluated", " GLS\n7\n", {{1, 2, 55, 1, 7}, {2, 3, 1, 1, 3}, {3, 4, 12, 1, 7}, {4, 5, 1, 1, 7}}, ""},
      {"local streets only",
       "",
       {{1, 2, 55, 1}, {2, 1, 51, 1}},
       " ***WARNING*** NO LINK EVALUATED: 2 LINKS READ, 0 UNCLASSIFIED (KVSKIP.LNK), 2 PASSED OVER (FACILITY TYPES "
       "50-59), 0 NOT SELECTED (LOCATION), 0 WITHOUT TIME OR COST"},
      {"none in the selected location",
       " GLS\n9\n",
       {{1, 2, 1, 1, 3}, {2, 1, 1, 1, 4}, {2, 3, 55, 1, 9}},
       " ***WARNING*** NO LINK EVALUATED: 3 LINKS READ, 0 UNCLASSIFIED (KVSKIP.LNK), 1 PASSED OVER (FACILITY TYPES "
       "50-59), 2 NOT SELECTED (LOCATION), 0 WITHOUT TIME OR COST"},
      {"every type unclassified",
       "",
       {{1, 2, 12, 1}, {2, 1, 1, 20}},
       " ***WARNING*** NO LINK EVALUATED: 2 LINKS READ, 2 UNCLASSIFIED (KVSKIP.LNK), 0 PASSED OVER (FACILITY TYPES "
       "50-59), 0 NOT SELECTED (LOCATION), 0 WITHOUT TIME OR COST"},
      {"an empty table",
       "",
       {},
       " ***WARNING*** NO LINK EVALUATED: 0 LINKS READ, 0 UNCLASSIFIED (KVSKIP.LNK), 0 PASSED OVER (FACILITY TYPES "
       "50-59), 0 NOT SELECTED (LOCATION), 0 WITHOUT TIME OR COST"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    dir.write("PROFILE.MAS", first_run::kProfile + c.profile_extra);
    dir.write("KVRATES.SYN", first_run::flat_rates());
    dir.write("NET05A.DBF", first_run::link_table(c.links));
    const first_run::Run run = first_run::run_program_in(dir);
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_EQ(first_run::last_line(run.console), "KORVO -- Normal Completion");
    const std::size_t warning = run.console.find(" ***WARNING*** NO LINK EVALUATED");
    if (c.warning.empty()) {
      // One link is evaluated: no warning.
      EXPECT_EQ(warning, std::string::npos) << run.console;
      continue;
    }
    ASSERT_NE(warning, std::string::npos) << run.console;
    EXPECT_EQ(run.console.substr(warning), c.warning + "\nKORVO -- Normal Completion\n");
  }
}

// No text output holds a NUL byte, whatever the dBASE file's field names
// are padded with.
TEST(FirstRun, NoTextOutputHoldsANulByte) {
  testing::TempDir dir;
  dir.write("PROFILE.MAS", first_run::kProfile + " ASCII\nY\n TWOWAY\nY\n");
  dir.write("KVRATES.SYN", first_run::flat_rates());
  dir.write("NET05A.DBF", first_run::link_table({{10, 20, 1, 1}, {20, 10, 1, 1}, {30, 40, 12, 1}}));
  const first_run::Run run = first_run::run_program_in(dir);
  ASSERT_EQ(run.status, 0) << run.console;
  for (const char* file : {"KORVO.OUT", "HRLDXY.ASC", "HRLDXY2.ASC", "SCRNLINE.ASC", "KVSKIP.LNK", "console.out"}) {
    ASSERT_TRUE(dir.exists(file)) << file;
    EXPECT_EQ(dir.read(file).find('\0'), std::string::npos) << file;
  }
  EXPECT_NE(dir.read("KORVO.OUT").find(" FIELD NO. =  1 -- NAME >ANODE       -- TYPE >N"), std::string::npos);
}

}  // namespace
}  // namespace korvo
