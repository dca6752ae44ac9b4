// `korvo compare` on the files that real runs write: generated scenarios of
// the Nordal City model (the bundled example's city) are run in-process and
// their KVTABLES.CSV, KVSTATS.CSV and KORVO.OUT compared. The CSV fixtures
// of compare_command_test.cpp follow the format notes; these tests check
// that the runs do too, and that what the page leads with is in them.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/compare_command.h"
#include "city_model.h"
#include "common/byte_stream.h"
#include "common/text_file.h"
#include "evaluation/comparison.h"
#include "scenario_generator.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;
using fixtures::ScenarioOptions;
using fixtures::ScenarioRunType;

ScenarioOptions city(ScenarioRunType type, std::int64_t links = 90, bool widened = false, std::uint64_t seed = 8) {
  ScenarioOptions o{.links = links, .run_type = type, .seed = seed};
  o.widen_main_street = widened;
  return o;
}

// Run directories under one scratch directory.
class RunSet {
 public:
  fs::path dir(const std::string& name) const { return root_.file(name); }

  // Writes the scenario into the directory name and runs it there.
  void run(const std::string& name, const ScenarioOptions& options, const std::string& profile_extra = "") const {
    fixtures::write_scenario(options, dir(name));
    if (!profile_extra.empty()) {
      root_.write(name + "/PROFILE.MAS", root_.read(name + "/PROFILE.MAS") + profile_extra);
    }
    const testing::RunResult result = testing::run_korvo(dir(name));
    ASSERT_EQ(result.status, 0) << name << ":\n" << result.console;
  }

  // The runs as the comparison reads them.
  Comparison compare(const std::vector<std::string>& names) {
    std::vector<RunData> runs;
    for (const std::string& name : names) {
      RunData run;
      run.name = name;
      const fs::path tables = dir(name) / "KVTABLES.CSV";
      run.tables = KvTablesReader::read(ByteStream::open_file(tables, tables.string()), pool_);
      if (run.tables.type == RunType::kValidation) {
        const fs::path stats = dir(name) / "KVSTATS.CSV";
        run.stats = KvStatsReader::read(ByteStream::open_file(stats, stats.string()));
      }
      TextReader report = TextReader::open_file(dir(name) / "KORVO.OUT", name);
      run.titles = read_run_titles(report);
      run.has_report = true;
      runs.push_back(std::move(run));
    }
    return compare_runs(runs, pool_);
  }

 private:
  testing::TempDir root_;
  TextPool pool_;
};

std::size_t line_of(const Comparison& c, std::string_view table, std::string_view measure, std::int32_t area,
                    std::int32_t ft, LaneClass lanes) {
  const auto l = c.find(table, measure, area, ft, lanes);
  if (!l) throw std::runtime_error("no line " + std::string(table) + " / " + std::string(measure));
  return *l;
}

TEST(CompareRuns, EveryHeadlineAndClassFigureIsInTheFilesOfRealAnalysisRuns) {
  RunSet set;
  set.run("no-build", city(ScenarioRunType::kAnalysis));
  set.run("widened", city(ScenarioRunType::kAnalysis, 90, true));
  const Comparison c = set.compare({"no-build", "widened"});
  ASSERT_EQ(c.type, RunType::kAnalysis);
  EXPECT_EQ(c.runs[0].titles.scenario, "45A");
  EXPECT_EQ(c.runs[1].titles.scenario, "45B");
  EXPECT_EQ(c.runs[1].titles.lines[1], "NORDAL CITY -- 2045 FORECAST HIGHWAY ASSIGNMENT, MAIN STREET WIDENED");
  EXPECT_TRUE(c.conflicts.empty());
  // The report leaves out a class row whose total is 0: the no-build has no
  // row of divided arterials (class 2) for new lane miles and construction
  // cost, the widened network has them. Every other line is in both runs.
  std::size_t one_sided = 0;
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    if (c.cell(l, 0).present && c.cell(l, 1).present) continue;
    ++one_sided;
    const std::string_view table = c.text(c.lines[l].key.table);
    EXPECT_TRUE(table == "TOTAL NEW LANE MILEAGE" || table == "TOTAL CONSTRUCTION COST (X $1000)") << table;
    EXPECT_EQ(c.lines[l].key.ft_class, 2);
    EXPECT_TRUE(c.cell(l, 1).has_value);
  }
  EXPECT_EQ(one_sided, c.one_sided_lines());
  EXPECT_GT(one_sided, 0u);
  for (const AnalysisFigure& f : kAnalysisFigures) {
    SCOPED_TRACE(std::string(f.table) + " / " + std::string(f.measure));
    if (f.placement == Placement::kHeadline) {
      const auto l = headline_line(c, f);
      ASSERT_TRUE(l.has_value());
      EXPECT_TRUE(c.delta(*l, 1).valid);
      continue;
    }
    // A by-class figure: rows for facility-type classes in the Total area.
    std::size_t rows = 0;
    for (std::size_t l = 0; l < c.lines.size(); ++l) {
      const TableLine& line = c.lines[l];
      if (c.text(line.key.table) != f.table || (!f.measure.empty() && c.text(line.key.measure) != f.measure)) continue;
      EXPECT_EQ(line.direction, f.direction);
      rows += c.delta(l, 1).valid && line.key.ft_class > 0 ? 1 : 0;
    }
    EXPECT_GE(rows, 3u);
  }
}

// The widened main street against the no-build, worked out from the links:
// the street's facility-type class (divided arterials, class 2) gains the
// extra vehicle miles and lane miles, every other class is unchanged to the
// last digit, and the system totals move by the street's sums.
TEST(CompareRuns, TheWideningComesOutAsWorkedOutFromTheLinks) {
  RunSet set;
  set.run("no-build", city(ScenarioRunType::kAnalysis));
  set.run("widened", city(ScenarioRunType::kAnalysis, 90, true));
  const Comparison c = set.compare({"no-build", "widened"});

  double vmt_change = 0;
  double street_miles = 0;
  fixtures::CityNetwork before(city(ScenarioRunType::kAnalysis));
  fixtures::CityNetwork after(city(ScenarioRunType::kAnalysis, 90, true));
  fixtures::GeneratedLink b;
  fixtures::GeneratedLink a;
  while (before.next(b) && after.next(a)) {
    if (a.lanes == b.lanes) continue;
    vmt_change += (a.volume - b.volume) * (b.distance * 0.01);
    street_miles += b.distance * 0.01;  // both directions
  }
  ASSERT_GT(vmt_change, 0);

  const auto system = [&](std::string_view caption) {
    return c.delta(line_of(c, "SYSTEM TOTALS", caption, 0, 0, LaneClass::kNone), 1);
  };
  EXPECT_NEAR(system("TOTAL VMT ALL LINKS").difference, vmt_change, 0.5);
  // A two-way record is half a system mile with its lanes doubled: each
  // record adds its own lane's miles.
  EXPECT_NEAR(system("TOTAL LANE MILES").difference, street_miles, 0.01);
  EXPECT_NEAR(system("TOTAL NEW LANE MILEAGE").difference, street_miles, 0.01);
  EXPECT_LT(system("TOTAL DELAY DUE TO CONGESTION (VEH-HRS)").difference, 0);
  EXPECT_GT(system("TOTAL CONSTRUCTION COST (X $1000)").difference, 0);
  EXPECT_EQ(system("TOTAL NUMBER OF LINKS").difference, 0);

  constexpr std::string_view kVmt = "TOTAL VMT USING LINK VOLUMES (VELMAR.V54+)";
  std::map<std::int32_t, double> by_class;  // facility-type class: change, over the Total area
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    const TableLine& line = c.lines[l];
    if (c.text(line.key.table) != kVmt || line.key.area_class != kTotalClass) continue;
    ASSERT_TRUE(c.delta(l, 1).valid);
    by_class[line.key.ft_class] = c.delta(l, 1).difference;
  }
  ASSERT_TRUE(by_class.count(2) && by_class.count(kTotalClass));
  EXPECT_NEAR(by_class[2], vmt_change, 0.5);
  EXPECT_NEAR(by_class[kTotalClass], vmt_change, 0.5);
  for (const auto& [ft, change] : by_class) {
    if (ft != 2 && ft != kTotalClass) {
      EXPECT_EQ(change, 0) << "facility-type class " << ft;
    }
  }
}

TEST(CompareRuns, ARealValidationRunAgainstItselfChangesNothingStatisticsIncluded) {
  RunSet set;
  set.run("iteration", city(ScenarioRunType::kValidation));
  const Comparison c = set.compare({"iteration", "iteration"});
  ASSERT_EQ(c.type, RunType::kValidation);
  EXPECT_GT(c.lines.size(), 100u);
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    const Delta d = c.delta(l, 1);
    if (!c.cell(l, 0).has_value) continue;
    ASSERT_TRUE(d.valid) << l;
    EXPECT_EQ(d.difference, 0) << c.text(c.lines[l].key.table) << " / " << c.text(c.lines[l].key.measure);
  }
  std::size_t figures = 0;
  for (const StatsLine& line : c.stats) {
    ASSERT_TRUE(line.runs[0] && line.runs[1]) << line.key;
    for (std::size_t f = 0; f < kStatsFigureCount; ++f) {
      const Delta d = stats_delta(&*line.runs[0], &*line.runs[1], static_cast<StatsFigure>(f));
      if (!d.valid) continue;
      EXPECT_EQ(d.difference, 0) << line.key;
      ++figures;
    }
  }
  EXPECT_GT(figures, 30u);
}

TEST(CompareRuns, ThreeAlternativesOfRealRunsAndAClassOneRunLacks) {
  RunSet set;
  set.run("base", city(ScenarioRunType::kAnalysis));
  set.run("widened", city(ScenarioRunType::kAnalysis, 90, true));
  set.run("other-seed", city(ScenarioRunType::kAnalysis, 90, false, 9));
  // A town of a dozen links: fewer facility-type classes than the city.
  set.run("town", city(ScenarioRunType::kAnalysis, 12));
  const Comparison c = set.compare({"base", "widened", "other-seed", "town"});
  ASSERT_EQ(c.run_count(), 4u);
  const AnalysisFigure& vmt = kAnalysisFigures[0];
  ASSERT_EQ(vmt.measure, "TOTAL VMT ALL LINKS");
  const auto line = headline_line(c, vmt);
  ASSERT_TRUE(line);
  for (std::size_t r = 1; r < 4; ++r) EXPECT_TRUE(c.delta(*line, r).valid) << r;
  EXPECT_GT(c.delta(*line, 1).difference, 0);
  EXPECT_LT(c.delta(*line, 3).difference, 0);
  // The town has no collectors (facility-type class 4): their lines stay,
  // with the town's side empty.
  std::size_t collector_lines = 0;
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    if (c.lines[l].key.ft_class != 4) continue;
    ++collector_lines;
    EXPECT_TRUE(c.cell(l, 0).present);
    EXPECT_FALSE(c.cell(l, 3).present);
    EXPECT_FALSE(c.delta(l, 3).valid);
  }
  EXPECT_GT(collector_lines, 20u);
  EXPECT_TRUE(c.conflicts.empty());
}

TEST(CompareRuns, RefusesRealRunsOfTwoTypesAndARunWithoutItsCsvFiles) {
  RunSet set;
  set.run("analysis", city(ScenarioRunType::kAnalysis));
  set.run("validation", city(ScenarioRunType::kValidation));
  set.run("no-csv", city(ScenarioRunType::kAnalysis), " CSVOUT\nN\n");
  EXPECT_FALSE(fs::exists(set.dir("no-csv") / "KVTABLES.CSV"));
  const std::string out = set.dir("out").string();
  struct Case {
    std::string alternative;
    std::string message;
  };
  const std::string analysis = set.dir("analysis").string();
  const Case cases[] = {
      {"validation", " " + set.dir("validation").string() + "/KVTABLES.CSV (RUN): the base " + analysis +
                         " is an analysis run and " + set.dir("validation").string() +
                         " a validation run: compare runs of one type\n"},
      {"no-csv", " " + set.dir("no-csv").string() + "/KVTABLES.CSV: not found: the run in " +
                     set.dir("no-csv").string() +
                     " wrote no CSV files; run it again with \"CSVOUT\" on (yes is the default)\n"},
  };
  for (const Case& k : cases) {
    std::ostringstream console;
    EXPECT_EQ(run_compare_command({analysis, set.dir(k.alternative).string(), "--out", out}, console), 2);
    EXPECT_EQ(console.str(), k.message);
    EXPECT_FALSE(fs::exists(out)) << k.alternative;
  }
}

}  // namespace
}  // namespace korvo
