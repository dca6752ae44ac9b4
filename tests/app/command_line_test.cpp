// The command line: which words give which command, and what each command
// prints and returns, in-process and through the program itself.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/dispatch.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

CommandLine parse(std::vector<std::string_view> words) {
  return parse_command_line(std::span<const std::string_view>(words));
}

TEST(CommandLine, WordsGiveTheirCommand) {
  struct Case {
    std::vector<std::string_view> words;
    CommandKind kind;
    std::string directory;
    InitSource source;
    std::string file;
  };
  const Case cases[] = {
      {{}, CommandKind::kRun, "", InitSource::kDbf, ""},
      {{"scenario"}, CommandKind::kRunIn, "scenario", InitSource::kDbf, ""},
      {{"./init"}, CommandKind::kRunIn, "./init", InitSource::kDbf, ""},
      {{"--help"}, CommandKind::kHelp, "", InitSource::kDbf, ""},
      {{"-h"}, CommandKind::kHelp, "", InitSource::kDbf, ""},
      {{"--version"}, CommandKind::kVersion, "", InitSource::kDbf, ""},
      {{"init", "city", "--dbf", "LINKS.DBF"}, CommandKind::kInit, "city", InitSource::kDbf, "LINKS.DBF"},
      {{"init", "--dbf", "LINKS.DBF", "city"}, CommandKind::kInit, "city", InitSource::kDbf, "LINKS.DBF"},
      {{"init", "city", "--dbf=a b.dbf"}, CommandKind::kInit, "city", InitSource::kDbf, "a b.dbf"},
      {{"init", "city", "--binary", "city/HRLDXY.05A"},
       CommandKind::kInit,
       "city",
       InitSource::kBinary,
       "city/HRLDXY.05A"},
      {{"init", "--help"}, CommandKind::kInitHelp, "", InitSource::kDbf, ""},
      {{"init", "city", "-h"}, CommandKind::kInitHelp, "", InitSource::kDbf, ""},
      {{"compare", "a", "b", "--x"}, CommandKind::kCompare, "", InitSource::kDbf, ""},
  };
  for (const Case& c : cases) {
    const CommandLine line = parse(c.words);
    std::string joined;
    for (auto w : c.words) joined += std::string(w) + " ";
    EXPECT_EQ(line.kind, c.kind) << joined << line.error;
    EXPECT_EQ(line.directory, c.directory) << joined;
    EXPECT_EQ(line.network_file, c.file) << joined;
    if (c.kind == CommandKind::kInit) {
      EXPECT_EQ(line.source, c.source) << joined;
    }
  }
  EXPECT_EQ(parse({"compare", "a", "b", "--x"}).rest, (std::vector<std::string>{"a", "b", "--x"}));
}

TEST(CommandLine, AnythingElseIsAUsageErrorThatSaysWhy) {
  struct Case {
    std::vector<std::string_view> words;
    std::string error;
  };
  const Case cases[] = {
      {{"--verbose"}, "unknown option \"--verbose\""},
      {{"-x"}, "unknown option \"-x\""},
      {{"a", "b"}, "a run takes one directory; \"b\" is one too many"},
      {{""}, "the directory name is empty"},
      {{"--help", "x"}, "--help takes no arguments"},
      {{"--version", "x"}, "--version takes no arguments"},
      {{"init"}, "init: the scenario directory is missing"},
      {{"init", "city"}, "init: the network is missing: --dbf FILE or --binary FILE"},
      {{"init", "--dbf", "a.dbf"}, "init: the scenario directory is missing"},
      {{"init", "city", "--dbf"}, "init: --dbf needs a file name"},
      {{"init", "city", "--dbf="}, "init: --dbf needs a file name"},
      {{"init", "city", "--dbf", "a.dbf", "--binary", "HRLDXY.XXX"}, "init: give one network, with --dbf or --binary"},
      {{"init", "city", "town", "--dbf", "a.dbf"}, "init: one directory only; \"town\" is one too many"},
      {{"init", "city", "--shp", "a.shp"}, "init: unknown option \"--shp\""},
  };
  for (const Case& c : cases) {
    const CommandLine line = parse(c.words);
    EXPECT_EQ(line.kind, CommandKind::kUsageError) << c.error;
    EXPECT_EQ(line.error, c.error);
  }
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome dispatch(std::vector<std::string_view> words) {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in;
  const int status = run_command(parse(std::move(words)), out, err, in, testing::fixed_clock);
  return {status, out.str(), err.str()};
}

TEST(CommandLine, HelpNamesTheCommandsTheFilesAndEveryExitStatus) {
  const Outcome help = dispatch({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* text : {"korvo init DIR --dbf FILE", "korvo DIR", "--version", "PROFILE.MAS", "KVRATES.SYN",
                           "KVLABELS.SYN", "DATABASE.CTL", "KORVO.OUT", "\n  0  ", "\n  1  ", "\n  2  ", "\n  3  "}) {
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  }
  const Outcome version = dispatch({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("korvo ", 0), 0u);
  const Outcome init_help = dispatch({"init", "--help"});
  EXPECT_EQ(init_help.status, 0);
  EXPECT_NE(init_help.out.find("never overwritten"), std::string::npos);
}

TEST(CommandLine, UsageErrorsGoToStderrWithStatus2) {
  for (const std::vector<std::string_view>& words :
       {std::vector<std::string_view>{"--verbose"}, std::vector<std::string_view>{"init", "x"}}) {
    const Outcome o = dispatch(words);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err.rfind("korvo: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find("Usage: korvo [DIR]"), std::string::npos);
  }
  // korvo compare speaks on the console, as a run does: directories that
  // are not there stop it with one line naming the first.
  const Outcome compare = dispatch({"compare", "no-such-run-a", "no-such-run-b"});
  EXPECT_EQ(compare.status, 2);
  EXPECT_EQ(compare.out, " no-such-run-a: no such directory\n");
}

TEST(CommandLine, ADirectoryRunsThereAndAnythingElseIsAUsageError) {
  testing::TempDir dir;
  const std::string path = dir.path().string();
  // An empty directory: the run starts there and stops on the missing profile.
  const Outcome run = dispatch({path});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, " PROFILE.MAS: not found: the run needs its profile in the working directory\n");
  EXPECT_TRUE(dir.exists("KORVO.OUT"));

  dir.write("NOTADIR", "x");
  const std::string file = dir.file("NOTADIR").string();
  const Outcome not_dir = dispatch({file});
  EXPECT_EQ(not_dir.status, 2);
  EXPECT_EQ(not_dir.out, "");
  EXPECT_NE(not_dir.err.find("is not a directory"), std::string::npos);
}

// The program itself: main parses and dispatches; without arguments it is the
// batch run in the working directory.
TEST(CommandLine, TheProgramReturnsTheStatusOfEachCommand) {
  testing::TempDir dir;
  const std::string korvo = KORVO_EXE;
  auto status = [&](const std::string& args, const std::string& env = "") {
    const std::string line =
        "cd '" + dir.path().string() + "' && " + env + " '" + korvo + "' " + args + " >out.txt 2>err.txt";
    const int rc = std::system(line.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  };
  EXPECT_EQ(status("--help"), 0);
  EXPECT_NE(dir.read("out.txt").find("Exit status"), std::string::npos);
  EXPECT_EQ(status("--version"), 0);
  EXPECT_EQ(status("--nonsense"), 2);
  EXPECT_EQ(dir.read("out.txt"), "");
  EXPECT_NE(dir.read("err.txt").find("Usage"), std::string::npos);
  EXPECT_EQ(status(""), 2);  // the batch run: no profile here
  const std::string console = dir.read("out.txt");
  EXPECT_NE(console.find("PROFILE.MAS: not found"), std::string::npos);
  EXPECT_EQ(dir.read("err.txt"), "");
  // A KORVO_THREADS that the run does not take is named on the error output;
  // the console and the status are those of the same run without it.
  EXPECT_EQ(status("", "KORVO_THREADS=four"), 2);
  EXPECT_EQ(dir.read("out.txt"), console);
  EXPECT_NE(dir.read("err.txt").find("KORVO_THREADS=\"four\" is not 1, 2 or 3"), std::string::npos);
  EXPECT_EQ(status("", "KORVO_THREADS=1"), 2);
  EXPECT_EQ(dir.read("err.txt"), "");
  EXPECT_EQ(status("no-such-dir"), 2);
}

}  // namespace
}  // namespace korvo
