#include "app/compare_command.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "run_csv_fixtures.h"
#include "support/markup_check.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// Run directories under one scratch directory, and the comparison of them.
class Workspace {
 public:
  std::string dir(const std::string& name) const { return root_.file(name).string(); }

  void run(const std::string& name, const fixtures::TablesFile& tables, const fixtures::StatsFile* stats = nullptr,
           bool report = true) const {
    fs::create_directories(root_.file(name));
    write(name + "/KVTABLES.CSV", tables.text());
    if (stats) write(name + "/KVSTATS.CSV", stats->text());
    if (report) write(name + "/KORVO.OUT", fixtures::report_head({"", "NORDAL CITY", name}, "45A"));
  }
  void write(const std::string& relative, const std::string& bytes) const {
    fs::create_directories(root_.file(relative).parent_path());
    root_.write(relative, bytes);
  }

  int compare(const std::vector<std::string>& args) {
    std::ostringstream out;
    const int status = run_compare_command(args, out);
    console = out.str();
    return status;
  }
  // The names in a directory, sorted.
  std::vector<std::string> listing(const std::string& name) const {
    std::vector<std::string> names;
    if (!fs::is_directory(root_.file(name))) return names;
    for (const auto& e : fs::directory_iterator(root_.file(name))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string read(const std::string& relative) const { return root_.read(relative); }

  std::string console;

 private:
  TempDir root_;
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The difference column of COMPARE.CSV rows without quoted fields.
std::string difference_field(const std::string& line) {
  std::vector<std::string> f;
  std::size_t start = 0;
  for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
    f.push_back(line.substr(start, comma - start));
  f.push_back(line.substr(start));
  return f.size() == 16 ? f[10] : "(not 16 fields)";
}

TEST(CompareCommand, WritesBothFilesAndNothingElse) {
  Workspace ws;
  fixtures::TablesFile alt = fixtures::analysis_tables();
  alt.value("SYSTEM TOTALS", "TOTAL VHT ALL LINKS") = "29000";
  ws.run("no-build", fixtures::analysis_tables());
  ws.run("build", alt);
  ASSERT_EQ(ws.compare({ws.dir("no-build"), ws.dir("build"), "--out", ws.dir("out/new")}), 0) << ws.console;
  EXPECT_EQ(ws.listing("out/new"), (std::vector<std::string>{"COMPARE.CSV", "COMPARE.HTML"}));
  const auto csv = lines_of(ws.read("out/new/COMPARE.CSV"));
  ASSERT_EQ(csv.size(), 1 + 2 * 4 + fixtures::analysis_tables().rows.size());
  EXPECT_EQ(csv.at(5), "RUN,SCENARIO,,,,,,build,,,,,,,,45A");
  EXPECT_EQ(csv.at(7), "RUN,TITLE 2,,,,,,build,,,,,,,,NORDAL CITY");
  EXPECT_NE(csv.at(0).find("alternative,base,value,difference,percent"), std::string::npos);
  const std::string html = ws.read("out/new/COMPARE.HTML");
  EXPECT_EQ(ws.console, " " + ws.dir("out/new") + "/COMPARE.CSV: " + std::to_string(csv.size() - 1) + " rows\n " +
                            ws.dir("out/new") + "/COMPARE.HTML: " + std::to_string(html.size()) +
                            " bytes\n"
                            "KORVO compare -- Normal Completion\n");
  EXPECT_NE(html.find("NORDAL CITY / build"), std::string::npos);
  EXPECT_NE(html.find("<td>45A</td>"), std::string::npos);
  const auto errors = korvo::testing::markup_errors(html);
  if (!errors) GTEST_SKIP() << "python3 is not installed";
  EXPECT_EQ(*errors, "");
}

TEST(CompareCommand, ARunComparedWithItselfGivesOnlyZeroDifferences) {
  Workspace ws;
  const fixtures::StatsFile stats = fixtures::validation_stats();
  ws.run("it1", fixtures::validation_tables(), &stats);
  ASSERT_EQ(ws.compare({ws.dir("it1"), ws.dir("it1") + "/", "--out=" + ws.dir("out")}), 0) << ws.console;
  const auto csv = lines_of(ws.read("out/COMPARE.CSV"));
  ASSERT_GT(csv.size(), 1u);
  std::size_t statistics = 0;
  for (std::size_t i = 1; i < csv.size(); ++i) {
    if (csv[i].find("\"") != std::string::npos) continue;  // a quoted label: not split here
    if (csv[i].rfind("RUN,", 0) == 0) continue;
    EXPECT_EQ(difference_field(csv[i]), "0") << csv[i];
    EXPECT_NE(csv[i].find(",it1 (2),"), std::string::npos) << "the second run's name: " << csv[i];
    if (csv[i].rfind("STATISTICS ", 0) == 0) ++statistics;
  }
  EXPECT_GT(statistics, 20u);
}

TEST(CompareCommand, ComparesThreeAlternativesAtOnce) {
  Workspace ws;
  ws.run("base", fixtures::analysis_tables());
  for (const char* name : {"a1", "a2", "a3"}) ws.run(name, fixtures::analysis_tables());
  ASSERT_EQ(ws.compare({ws.dir("base"), ws.dir("a1"), ws.dir("a2"), ws.dir("a3"), "--out", ws.dir("out")}), 0);
  EXPECT_EQ(lines_of(ws.read("out/COMPARE.CSV")).size(), 1 + 4 * 4 + 3 * fixtures::analysis_tables().rows.size());
  EXPECT_NE(ws.read("out/COMPARE.HTML").find("base against a1, a2 and a3"), std::string::npos);
}

TEST(CompareCommand, RunsWithTheSameDirectoryNameAreNamedByTheirPaths) {
  Workspace ws;
  ws.run("x/run", fixtures::analysis_tables());
  ws.run("y/run", fixtures::analysis_tables());
  ASSERT_EQ(ws.compare({ws.dir("x/run"), ws.dir("y/run"), "--out", ws.dir("out")}), 0) << ws.console;
  EXPECT_NE(ws.read("out/COMPARE.CSV").find("," + ws.dir("y/run") + ","), std::string::npos);
}

TEST(CompareCommand, ARunWithoutItsReportStillCompares) {
  Workspace ws;
  ws.run("base", fixtures::analysis_tables(), nullptr, false);
  ws.run("alt", fixtures::analysis_tables());
  ASSERT_EQ(ws.compare({ws.dir("base"), ws.dir("alt"), "--out", ws.dir("out")}), 0) << ws.console;
  EXPECT_NE(ws.read("out/COMPARE.HTML").find("no KORVO.OUT in the run&#39;s directory"), std::string::npos);
}

struct Refusal {
  const char* name;
  std::function<void(Workspace&)> setup;
  std::function<std::vector<std::string>(Workspace&)> args;
  std::function<std::string(Workspace&)> console;
};

std::vector<Refusal> refusals() {
  const auto analysis = [](Workspace& ws, const std::string& name) { ws.run(name, fixtures::analysis_tables()); };
  const auto two = [](Workspace& ws) {
    return std::vector<std::string>{ws.dir("base"), ws.dir("alt"), "--out", ws.dir("out")};
  };
  const std::string usage = compare_usage();
  return {
      {"runs of different types",
       [=](Workspace& ws) {
         analysis(ws, "base");
         const auto stats = fixtures::validation_stats();
         ws.run("alt", fixtures::validation_tables(), &stats);
       },
       two,
       [](Workspace& ws) {
         return " " + ws.dir("alt") + "/KVTABLES.CSV (RUN): the base " + ws.dir("base") + " is an analysis run and " +
                ws.dir("alt") + " a validation run: compare runs of one type\n";
       }},
      {"a directory without the CSV files",
       [=](Workspace& ws) {
         analysis(ws, "base");
         ws.write("alt/KORVO.OUT", fixtures::report_head({"", "", ""}, "45A"));
       },
       two,
       [](Workspace& ws) {
         return " " + ws.dir("alt") + "/KVTABLES.CSV: not found: the run in " + ws.dir("alt") +
                " wrote no CSV files; run it again with \"CSVOUT\" on (yes is the default)\n";
       }},
      {"a validation run without its statistics",
       [=](Workspace& ws) {
         const auto stats = fixtures::validation_stats();
         ws.run("base", fixtures::validation_tables(), &stats);
         ws.run("alt", fixtures::validation_tables());
       },
       two,
       [](Workspace& ws) {
         return " " + ws.dir("alt") + "/KVSTATS.CSV: not found: the run in " + ws.dir("alt") +
                " wrote no CSV files; run it again with \"CSVOUT\" on (yes is the default)\n";
       }},
      {"tables of an unknown version",
       [=](Workspace& ws) {
         analysis(ws, "base");
         fixtures::TablesFile later = fixtures::analysis_tables();
         later.format = "2";
         ws.run("alt", later);
       },
       two,
       [](Workspace& ws) {
         return " " + ws.dir("alt") +
                "/KVTABLES.CSV, line 2, column 17 (RUN FORMAT): the file is in format version 2; this KORVO reads "
                "format "
                "version 1 only: run KORVO on the run again\n";
       }},
      {"statistics of an unknown version",
       [=](Workspace& ws) {
         const auto stats = fixtures::validation_stats();
         ws.run("base", fixtures::validation_tables(), &stats);
         auto later = fixtures::validation_stats();
         later.header += ",geh_share";
         ws.run("alt", fixtures::validation_tables(), &later);
       },
       two,
       [](Workspace& ws) {
         return " " + ws.dir("alt") +
                "/KVSTATS.CSV, line 1: expected the header row \"section,key,label,links,count_sum,"
                "volume_sum,ratio,rmse_pct,vmt_count,vmt_volume,vmt_ratio,r2,target_acceptable,target_preferable,"
                "result\" "
                "of this KORVO's format version 1; the file is of another version or not a KVSTATS.CSV: run KORVO "
                "again "
                "on it\n";
       }},
      {"a damaged file",
       [=](Workspace& ws) {
         analysis(ws, "base");
         analysis(ws, "alt");
         ws.write("alt/KVTABLES.CSV", fixtures::analysis_tables().text() + "T,M,1,CBD,1,\"Free\"way,total,1\n");
       },
       two,
       [](Workspace& ws) {
         return " " + ws.dir("alt") + "/KVTABLES.CSV, line " +
                std::to_string(3 + fixtures::analysis_tables().rows.size() + 1) +
                ", column 19: expected a comma or the end of the line after the closing quote, found \"w\"\n";
       }},
      {"a missing directory", [=](Workspace& ws) { analysis(ws, "base"); }, two,
       [](Workspace& ws) { return " " + ws.dir("alt") + ": no such directory\n"; }},
      {"a file for a directory",
       [=](Workspace& ws) {
         analysis(ws, "base");
         ws.write("alt", "not a directory");
       },
       two, [](Workspace& ws) { return " " + ws.dir("alt") + ": is not a directory\n"; }},
      {"an output directory that is a file",
       [=](Workspace& ws) {
         analysis(ws, "base");
         analysis(ws, "alt");
       },
       [](Workspace& ws) {
         return std::vector<std::string>{ws.dir("base"), ws.dir("alt"), "--out", ws.dir("out/COMPARE.CSV")};
       },
       [](Workspace& ws) { return " " + ws.dir("out/COMPARE.CSV") + ": cannot be created: Not a directory\n"; }},
      {"one run only", [=](Workspace& ws) { analysis(ws, "base"); },
       [](Workspace& ws) {
         return std::vector<std::string>{ws.dir("base"), "--out", ws.dir("out")};
       },
       [=](Workspace&) { return " korvo compare: give the base run and at least one alternative\n" + usage; }},
      {"an unknown option", [=](Workspace& ws) { analysis(ws, "base"); },
       [](Workspace& ws) {
         return std::vector<std::string>{ws.dir("base"), ws.dir("base"), "--fast"};
       },
       [=](Workspace&) { return " korvo compare: unknown option --fast\n" + usage; }},
      {"--out without a directory", [=](Workspace& ws) { analysis(ws, "base"); },
       [](Workspace& ws) {
         return std::vector<std::string>{ws.dir("base"), ws.dir("base"), "--out"};
       },
       [=](Workspace&) { return " korvo compare: --out needs a directory\n" + usage; }},
  };
}

TEST(CompareCommand, RefusesWithOneLineAndLeavesTheOutputsAsTheyWere) {
  for (const Refusal& r : refusals()) {
    Workspace ws;
    ws.write("out/COMPARE.CSV", "an older comparison\n");
    r.setup(ws);
    EXPECT_EQ(ws.compare(r.args(ws)), 2) << r.name;
    EXPECT_EQ(ws.console, r.console(ws)) << r.name;
    EXPECT_EQ(ws.listing("out"), std::vector<std::string>{"COMPARE.CSV"}) << r.name;
    EXPECT_EQ(ws.read("out/COMPARE.CSV"), "an older comparison\n") << r.name;
  }
}

TEST(CompareCommand, TheProgramDispatchesCompareAndRunsAsBeforeWithoutArguments) {
  const fs::path korvo = fs::path(KORVO_TOOLS_DIR).parent_path() / "korvo";
  ASSERT_TRUE(fs::exists(korvo));
  Workspace ws;
  ws.run("base", fixtures::analysis_tables());
  const std::string compare = "cd '" + ws.dir("") + "' && '" + korvo.string() + "' compare base missing >console.txt";
  const int status = std::system(compare.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(ws.read("console.txt"), " missing: no such directory\n");

  // Without arguments: the batch run in the working directory.
  const fs::path example = fs::path(KORVO_SOURCE_DIR) / "examples" / "validation-dbf" / "input";
  fs::create_directories(ws.dir("batch"));
  for (const auto& entry : fs::directory_iterator(example))
    fs::copy_file(entry.path(), ws.dir("batch") + "/" + entry.path().filename().string(), fs::copy_options::none);
  const std::string batch = "cd '" + ws.dir("batch") + "' && '" + korvo.string() + "' >console.txt";
  const int batch_status = std::system(batch.c_str());
  ASSERT_TRUE(WIFEXITED(batch_status));
  EXPECT_EQ(WEXITSTATUS(batch_status), 0);
  const std::string expected =
      testing::read_file(fs::path(KORVO_SOURCE_DIR) / "examples" / "validation-dbf" / "expected" / "console.txt");
  EXPECT_EQ(ws.read("batch/console.txt"), expected);
  EXPECT_FALSE(fs::exists(ws.dir("batch") + "/COMPARE.CSV"));
}

}  // namespace
}  // namespace korvo
