// Runs every example under examples/ in a temporary copy of its input/
// directory and compares what the run writes with its expected/ directory,
// byte for byte: the report, the side files and the console (console.txt).
// The in-process runs use a fixed clock (4 July 2026, 09:05:07), so the
// report's date and time match without masking.
//
// scripts/regenerate.sh rewrites the expected files through this test
// (KORVO_UPDATE_EXAMPLES=1); the result must be reviewed before it is
// committed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/compare_command.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;

const fs::path kExamples = fs::path(KORVO_SOURCE_DIR) / "examples";
constexpr const char* kConsoleFile = "console.txt";
// Every file a run can write besides the report's side inputs.
const std::vector<std::string> kOutputs = {"KORVO.OUT",  "HRLDXY.ASC",   "HRLDXY2.ASC", "SCRNLINE.ASC",
                                           "KVSKIP.LNK", "KVTABLES.CSV", "KVSTATS.CSV", "KVLINKS.CSV"};

// Every directory with an input/ directory, under examples/ or one level
// deeper (the runs of a comparison: main-street/no-build).
std::vector<std::string> example_names() {
  std::vector<std::string> names;
  if (!fs::is_directory(kExamples)) return names;
  for (const auto& entry : fs::directory_iterator(kExamples)) {
    if (!entry.is_directory()) continue;
    if (fs::is_directory(entry.path() / "input")) {
      names.push_back(entry.path().filename().string());
      continue;
    }
    for (const auto& run : fs::directory_iterator(entry.path())) {
      if (fs::is_directory(run.path() / "input")) {
        names.push_back(entry.path().filename().string() + "/" + run.path().filename().string());
      }
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The first line where two texts differ, for a readable failure.
std::string first_difference(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected);
  std::istringstream a(actual);
  std::string le;
  std::string la;
  for (int line = 1;; ++line) {
    const bool more_e = static_cast<bool>(std::getline(e, le));
    const bool more_a = static_cast<bool>(std::getline(a, la));
    if (!more_e && !more_a) return "the files differ only in their last line end";
    if (!more_e || !more_a || le != la) {
      return "line " + std::to_string(line) + "\n  expected: " + (more_e ? "\"" + le + "\"" : "(end of file)") +
             "\n  actual:   " + (more_a ? "\"" + la + "\"" : "(end of file)");
    }
  }
}

void write_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

class Examples : public ::testing::TestWithParam<std::string> {};

TEST(ExampleSet, HoldsTheThreeKindsOfRunAndAComparison) {
  const auto names = example_names();
  for (const char* name :
       {"validation-dbf", "analysis-dbf-aux", "analysis-binary", "main-street/no-build", "main-street/widened"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
}

TEST_P(Examples, RunReproducesTheExpectedFiles) {
  const fs::path example = kExamples / GetParam();
  TempDir dir;
  std::set<std::string> inputs;
  for (const auto& entry : fs::directory_iterator(example / "input")) {
    fs::copy_file(entry.path(), dir.file(entry.path().filename().string()));
    inputs.insert(entry.path().filename().string());
  }
  const testing::RunResult run = testing::run_korvo(dir);

  const fs::path expected = example / "expected";
  if (std::getenv("KORVO_UPDATE_EXAMPLES") != nullptr) {
    fs::remove_all(expected);
    fs::create_directories(expected);
    write_bytes(expected / kConsoleFile, run.console);
    for (const auto& name : kOutputs) {
      if (dir.exists(name) && inputs.count(name) == 0) write_bytes(expected / name, dir.read(name));
    }
    GTEST_SKIP() << "rewrote " << expected << "; review it before committing";
  }

  ASSERT_TRUE(fs::is_directory(expected)) << expected << " is missing; run scripts/regenerate.sh examples";
  const std::string console = read_file(expected / kConsoleFile);
  EXPECT_EQ(run.status, console.ends_with("KORVO -- Normal Completion\n") ? 0 : 1);
  EXPECT_EQ(run.console, console) << first_difference(console, run.console);
  for (const auto& entry : fs::directory_iterator(expected)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == kConsoleFile || std::find(kOutputs.begin(), kOutputs.end(), name) != kOutputs.end())
        << "expected/" << name << " is no file a run writes";
  }
  for (const auto& name : kOutputs) {
    SCOPED_TRACE(name);
    if (inputs.count(name) != 0) continue;
    const bool wanted = fs::exists(expected / name);
    ASSERT_EQ(dir.exists(name), wanted) << (wanted ? "the run did not write it" : "the run wrote it unexpectedly");
    if (!wanted) continue;
    const std::string want = read_file(expected / name);
    const std::string got = dir.read(name);
    EXPECT_TRUE(got == want) << first_difference(want, got);
  }
}

// The bundled comparison: the runs main-street/no-build and
// main-street/widened, each in a directory of that name, and
// `korvo compare no-build widened --out compare` beside them. COMPARE.CSV,
// COMPARE.HTML and the console must be those of main-street/compare/expected
// (the console with the scratch directory taken out of its paths).
const fs::path kComparison = kExamples / "main-street";
const std::vector<std::string> kComparedRuns = {"no-build", "widened"};
const std::vector<std::string> kComparisonOutputs = {"COMPARE.CSV", "COMPARE.HTML"};

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
}

TEST(CompareExample, ComparingTheTwoRunsReproducesTheExpectedFiles) {
  TempDir root;
  std::vector<std::string> args;
  for (const std::string& run : kComparedRuns) {
    const fs::path dir = root.file(run);
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(kComparison / run / "input")) {
      fs::copy_file(entry.path(), dir / entry.path().filename());
    }
    const testing::RunResult result = testing::run_korvo(dir);
    ASSERT_EQ(result.status, 0) << run << ":\n" << result.console;
    args.push_back(dir.string());
  }
  args.insert(args.end(), {"--out", root.file("compare").string()});
  std::ostringstream out;
  const int status = run_compare_command(args, out);
  std::string console = out.str();
  replace_all(console, root.path().string() + "/", "");

  const fs::path expected = kComparison / "compare" / "expected";
  if (std::getenv("KORVO_UPDATE_EXAMPLES") != nullptr) {
    fs::remove_all(expected);
    fs::create_directories(expected);
    write_bytes(expected / kConsoleFile, console);
    for (const auto& name : kComparisonOutputs) {
      if (fs::exists(root.file("compare/" + name))) write_bytes(expected / name, root.read("compare/" + name));
    }
    GTEST_SKIP() << "rewrote " << expected << "; review it before committing";
  }

  ASSERT_TRUE(fs::is_directory(expected)) << expected << " is missing; run scripts/regenerate.sh examples";
  EXPECT_EQ(status, 0);
  const std::string want_console = read_file(expected / kConsoleFile);
  EXPECT_EQ(console, want_console) << first_difference(want_console, console);
  for (const auto& name : kComparisonOutputs) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(fs::exists(expected / name));
    const std::string want = read_file(expected / name);
    const std::string got = root.read("compare/" + name);
    EXPECT_TRUE(got == want) << first_difference(want, got);
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, Examples, ::testing::ValuesIn(example_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           std::replace(name.begin(), name.end(), '/', '_');
                           return name;
                         });

}  // namespace
}  // namespace korvo
