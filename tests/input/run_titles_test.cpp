#include "input/run_titles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "run_csv_fixtures.h"

namespace korvo {
namespace {

RunTitles titles_of(const std::string& report) {
  TextReader reader = TextReader::from_memory(report, "KORVO.OUT");
  return read_run_titles(reader);
}

TEST(RunTitles, TakesTheTitlesOfThePageWithTheFirstCaption) {
  const RunTitles t =
      titles_of(fixtures::report_head({"NORDAL CITY -- 2045", "BUILD: RING ROAD", "  SEED 8  "}, "45B"));
  EXPECT_EQ(t.lines[0], "NORDAL CITY -- 2045");
  EXPECT_EQ(t.lines[1], "BUILD: RING ROAD");
  EXPECT_EQ(t.lines[2], "SEED 8");
  EXPECT_EQ(t.scenario, "45B");
}

TEST(RunTitles, AReportWithoutCaptionsGivesItsFirstPage) {
  std::string report = fixtures::report_head({"A", "B", "C"}, "45B");
  report = report.substr(0, report.find(" HIGHWAY EVALUATION"));
  const RunTitles t = titles_of(report);
  EXPECT_EQ(t.lines[0], "");
  EXPECT_EQ(t.scenario, "");
  EXPECT_EQ(titles_of("").scenario, "");
}

TEST(RunTitles, ReadsTheBundledExamples) {
  const std::filesystem::path examples = std::filesystem::path(KORVO_SOURCE_DIR) / "examples";
  struct Case {
    const char* example;
    const char* line1;
    const char* line2;
    const char* line3;
    const char* scenario;
  };
  // The first page holds other titles than the tables: the binary network's
  // own (analysis-binary), or none (validation-dbf).
  const Case cases[] = {
      {"analysis-binary", "", "NORDAL CITY -- 2045 FORECAST HIGHWAY ASSIGNMENT",
       "GENERATED SCENARIO 45A: 90 LINKS, SEED 8", "45A"},
      {"validation-dbf", "", "NORDAL CITY -- 2026 BASE YEAR HIGHWAY ASSIGNMENT",
       "GENERATED SCENARIO 26A: 90 LINKS, SEED 8", "26A"},
  };
  for (const Case& c : cases) {
    TextReader reader = TextReader::open_file(examples / c.example / "expected" / "KORVO.OUT", "KORVO.OUT");
    const RunTitles t = read_run_titles(reader);
    EXPECT_EQ(t.lines[0], c.line1) << c.example;
    EXPECT_EQ(t.lines[1], c.line2) << c.example;
    EXPECT_EQ(t.lines[2], c.line3) << c.example;
    EXPECT_EQ(t.scenario, c.scenario) << c.example;
  }
}

}  // namespace
}  // namespace korvo
