#include "scenario_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "city_model.h"
#include "support/temp_dir.h"

namespace korvo::fixtures {
namespace {

using korvo::testing::TempDir;

ScenarioOptions options_of(std::int64_t links, ScenarioRunType type, ScenarioSource source, std::uint64_t seed) {
  return {.links = links, .run_type = type, .source = source, .seed = seed};
}

TEST(ScenarioGenerator, SameSeedGivesTheSameFilesAndAnotherSeedOtherNetworks) {
  for (ScenarioSource source : {ScenarioSource::kDbf, ScenarioSource::kBinary}) {
    for (ScenarioRunType type : {ScenarioRunType::kValidation, ScenarioRunType::kAnalysis}) {
      SCOPED_TRACE(::testing::Message() << "source " << static_cast<int>(source) << ", type "
                                        << static_cast<int>(type));
      TempDir first;
      TempDir again;
      TempDir other;
      const auto a = write_scenario(options_of(2'000, type, source, 7), first.path());
      const auto b = write_scenario(options_of(2'000, type, source, 7), again.path());
      const auto c = write_scenario(options_of(2'000, type, source, 8), other.path());
      ASSERT_EQ(a.files, b.files);
      ASSERT_EQ(a.files, c.files);
      for (const auto& name : a.files) {
        SCOPED_TRACE(name);
        const std::string bytes = first.read(name);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, again.read(name));
      }
      // The city's plan is the same; its traffic is not.
      EXPECT_NE(first.read(a.network_file), other.read(c.network_file));
      EXPECT_EQ(first.read("KVRATES.SYN"), other.read("KVRATES.SYN"));
    }
  }
}

// The features a planner looks for, at a size that shows each of them.
TEST(ScenarioGenerator, SmallCityShowsEveryFeature) {
  for (ScenarioRunType type : {ScenarioRunType::kValidation, ScenarioRunType::kAnalysis}) {
    for (std::int64_t links : {100, 400, 20'000}) {
      SCOPED_TRACE(::testing::Message() << links << " links, type " << static_cast<int>(type));
      TempDir dir;
      const auto s = write_scenario(options_of(links, type, ScenarioSource::kDbf, 11), dir.path());
      EXPECT_EQ(s.links, links);
      EXPECT_GT(s.connectors, 0);
      EXPECT_GT(s.one_way_links, 0);
      EXPECT_GT(s.two_way_links, s.one_way_links);
      EXPECT_GE(s.unclassified, 1);
      EXPECT_GE(s.no_volume, 1);
      EXPECT_GE(s.count_stations, 1);
      EXPECT_GE(s.screenline_links, 4);
      const std::int64_t evaluated = s.links - s.connectors - s.unclassified;
      // About a third; a city of a few blocks is mostly screenline
      // crossings, which are nearly all counted.
      EXPECT_GT(s.counted, evaluated / 4);
      EXPECT_LT(s.counted, evaluated * (links < 1000 ? 45 : 40) / 100);
      if (type == ScenarioRunType::kAnalysis) {
        EXPECT_GE(s.construction, 2);
      } else {
        EXPECT_EQ(s.construction, 0);
      }
      if (links >= 400) {
        for (int level = 0; level < 6; ++level) EXPECT_GT(s.level_of_service[level], 0) << "level " << level;
      }
    }
  }
}

TEST(ScenarioGenerator, RefusesWhatTheFormatsCannotHold) {
  TempDir dir;
  ScenarioOptions o = options_of(0, ScenarioRunType::kValidation, ScenarioSource::kDbf, 1);
  EXPECT_THROW(write_scenario(o, dir.path()), std::invalid_argument);
  o.links = 100'001;  // two entries per dBASE record: beyond the auxiliary table
  o.aux_dbf = true;
  EXPECT_THROW(write_scenario(o, dir.path()), std::invalid_argument);
}

}  // namespace
}  // namespace korvo::fixtures

namespace korvo::fixtures {
namespace {

// Whole runs over generated scenarios: KORVO reads them to a normal
// completion, and the report shows what the generator claims to have put in.

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The numbers of a report line from a column on (1-based), split at blanks.
std::vector<double> numbers_from(const std::string& line, std::size_t column) {
  std::vector<double> values;
  std::istringstream in(line.size() >= column ? line.substr(column - 1) : std::string());
  for (std::string word; in >> word;) values.push_back(std::stod(word));
  return values;
}

// Index of the first line at or after from that starts with prefix.
std::size_t find_line(const std::vector<std::string>& lines, std::string_view prefix, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].starts_with(prefix)) return i;
  }
  ADD_FAILURE() << "no line starts with \"" << prefix << "\"";
  return lines.size();
}

std::size_t find_text(const std::vector<std::string>& lines, std::string_view text, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].find(text) != std::string::npos) return i;
  }
  ADD_FAILURE() << "no line holds \"" << text << "\"";
  return lines.size();
}

struct RunCase {
  ScenarioRunType type;
  ScenarioSource source;
};

void PrintTo(const RunCase& c, std::ostream* out) {
  *out << (c.type == ScenarioRunType::kValidation ? "validation" : "analysis") << " over "
       << (c.source == ScenarioSource::kDbf ? "dBASE" : "binary");
}

class GeneratedRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(GeneratedRun, CompletesAndShowsTheGeneratedCity) {
  const RunCase c = GetParam();
  TempDir dir;
  const auto s = write_scenario(options_of(400, c.type, c.source, 21), dir.path());
  const testing::RunResult run = testing::run_korvo(dir);
  ASSERT_EQ(run.status, 0) << run.console;
  const auto console = lines_of(run.console);
  ASSERT_FALSE(console.empty());
  EXPECT_EQ(console.back(), "KORVO -- Normal Completion") << run.console;

  // The private roads, and only they, are skipped as unclassified; the
  // centroid connectors are passed over without a trace.
  ASSERT_GE(s.unclassified, 1);
  EXPECT_NE(run.console.find(" ***INFO***" + std::string(5 - std::to_string(s.unclassified).size(), ' ') +
                             std::to_string(s.unclassified) + " LINKS SKIPPED"),
            std::string::npos)
      << run.console;
  const auto skipped = lines_of(dir.read("KVSKIP.LNK"));
  ASSERT_EQ(skipped.size(), 4 + static_cast<std::size_t>(s.unclassified));
  for (std::size_t i = 4; i < skipped.size(); ++i) EXPECT_EQ(numbers_from(skipped[i], 15).at(0), kPrivateRoad);

  const auto report = lines_of(dir.read("KORVO.OUT"));
  // Every evaluated record counts as a link, a two-way one as half.
  const double evaluated = 0.5 * static_cast<double>(s.two_way_links - s.unclassified) + s.one_way_links;
  // The system totals close the report.
  std::size_t totals = report.size();
  for (std::size_t i = report.size(); i-- > 0;) {
    if (report[i].starts_with("    TOTAL NUMBER OF LINKS")) {
      totals = i;
      break;
    }
  }
  ASSERT_LT(totals, report.size());
  EXPECT_EQ(numbers_from(report[totals], 30).at(0), std::floor(evaluated + 0.5));

  // Screenlines 1 to 3 have their totals, under their names.
  const std::size_t screenlines = find_text(report, "-- SCREENLINE SUMMARIES");
  for (const char* name : {"NORDAL RIVER BRIDGES", "NORTHERN RAILWAY CROSSINGS", "EAST COUNTY LINE"}) {
    EXPECT_LT(find_text(report, name, screenlines), report.size());
  }

  if (c.type == ScenarioRunType::kValidation) {
    EXPECT_LT(find_line(report, " LINKS WITH NO ASSIGNED VOLUME"), report.size());
    // Links with counts, as a share of all links: about a third.
    const std::size_t table = find_text(report, "REPORT: PERCENTAGE OF LINKS WITH COUNTS");
    const std::size_t all_areas = find_text(report, "TOTAL AREA TYPES", table);
    const std::size_t total_line = find_line(report, " Totals", all_areas);
    ASSERT_LT(total_line, report.size());
    const double share = numbers_from(report[total_line], 8).back();
    EXPECT_GT(share, 25.0);
    EXPECT_LT(share, 45.0);
  } else {
    // Miles at every level of service A to F.
    const std::size_t los = find_text(report, "MILES OF ROADWAY AT EACH LEVEL OF SERVICE");
    const std::size_t total_line = find_line(report, " Total ", los);
    ASSERT_LT(total_line, report.size());
    const auto miles = numbers_from(report[total_line], 19);
    ASSERT_EQ(miles.size(), 7u) << report[total_line];
    for (int level = 0; level < 6; ++level) EXPECT_GT(miles[static_cast<std::size_t>(level)], 0.0) << "level " << level;
    // Construction projects are costed.
    const std::size_t cost = find_line(report, "    TOTAL CONSTRUCTION COST (X $1000)");
    ASSERT_LT(cost, report.size());
    EXPECT_GT(numbers_from(report[cost], 40).at(0), 0.0);
  }
  if (s.links <= 200'000) {
    EXPECT_EQ(lines_of(dir.read("HRLDXY.ASC")).size(), static_cast<std::size_t>(s.links));
    EXPECT_TRUE(dir.exists("HRLDXY2.ASC"));
    EXPECT_TRUE(dir.exists("SCRNLINE.ASC"));
  }
}

INSTANTIATE_TEST_SUITE_P(TypesAndSources, GeneratedRun,
                         ::testing::Values(RunCase{ScenarioRunType::kValidation, ScenarioSource::kDbf},
                                           RunCase{ScenarioRunType::kValidation, ScenarioSource::kBinary},
                                           RunCase{ScenarioRunType::kAnalysis, ScenarioSource::kDbf},
                                           RunCase{ScenarioRunType::kAnalysis, ScenarioSource::kBinary}),
                         [](const ::testing::TestParamInfo<RunCase>& info) {
                           return std::string(info.param.type == ScenarioRunType::kValidation ? "Validation"
                                                                                              : "Analysis") +
                                  (info.param.source == ScenarioSource::kDbf ? "Dbf" : "Binary");
                         });

// The two link sources carry the same city: the evaluation and every report
// page after the run description agree, whichever file the links come from.
TEST(GeneratedRun, DbfAndBinaryNetworksGiveTheSameReports) {
  for (ScenarioRunType type : {ScenarioRunType::kValidation, ScenarioRunType::kAnalysis}) {
    SCOPED_TRACE(type == ScenarioRunType::kValidation ? "validation" : "analysis");
    TempDir dbf;
    TempDir binary;
    ScenarioOptions o = options_of(1'500, type, ScenarioSource::kDbf, 4);
    o.ascii_output = false;
    write_scenario(o, dbf.path());
    o.source = ScenarioSource::kBinary;
    write_scenario(o, binary.path());
    ASSERT_EQ(testing::run_korvo(dbf).status, 0);
    ASSERT_EQ(testing::run_korvo(binary).status, 0);
    const std::string a = dbf.read("KORVO.OUT");
    const std::string b = binary.read("KORVO.OUT");
    // From the first table on: the labels listing and the dBASE header
    // listing come before it and differ by source.
    const std::string marker = " HIGHWAY EVALUATION -- YEAR/ALT";
    ASSERT_NE(a.find(marker), std::string::npos);
    const std::string from_a = a.substr(a.rfind('\f', a.find(marker)));
    const std::string from_b = b.substr(b.rfind('\f', b.find(marker)));
    EXPECT_EQ(lines_of(from_a).size(), lines_of(from_b).size());
    EXPECT_TRUE(from_a == from_b) << "the reports differ";
  }
}

}  // namespace
}  // namespace korvo::fixtures
