#include "evaluation/comparison.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_csv_fixtures.h"

namespace korvo {
namespace {

using fixtures::TablesFile;

constexpr const char* kVmt = "TOTAL VMT USING LINK VOLUMES (VELMAR.V54+)";
constexpr const char* kDelay = "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)";

struct RunFiles {
  std::string name;
  TablesFile tables;
  fixtures::StatsFile stats;
};

Comparison compare(TextPool& pool, const std::vector<RunFiles>& files) {
  std::vector<RunData> runs;
  for (const RunFiles& f : files) {
    RunData run;
    run.name = f.name;
    run.tables = KvTablesReader::read(ByteStream::from_memory(f.tables.text(), f.name), pool);
    if (run.tables.type == RunType::kValidation) {
      run.stats = KvStatsReader::read(ByteStream::from_memory(f.stats.text(), f.name));
    }
    runs.push_back(std::move(run));
  }
  return compare_runs(runs, pool);
}

std::size_t line_of(const Comparison& c, const char* table, const char* measure, std::int32_t area, std::int32_t ft,
                    LaneClass lanes = LaneClass::kTotal) {
  const auto l = c.find(table, measure, area, ft, lanes);
  if (!l) throw std::runtime_error(std::string("no line ") + table + " " + measure);
  return *l;
}

TEST(Comparison, ARunAgainstItselfChangesNothing) {
  for (const bool analysis : {true, false}) {
    TextPool pool;
    const TablesFile tables = analysis ? fixtures::analysis_tables() : fixtures::validation_tables();
    const Comparison c =
        compare(pool, {{"base", tables, fixtures::validation_stats()}, {"same", tables, fixtures::validation_stats()}});
    ASSERT_EQ(c.lines.size(), tables.rows.size());
    EXPECT_EQ(c.one_sided_lines(), 0u);
    EXPECT_TRUE(c.conflicts.empty());
    for (std::size_t l = 0; l < c.lines.size(); ++l) {
      const Delta d = c.delta(l, 1);
      ASSERT_TRUE(d.valid) << l;
      EXPECT_EQ(d.difference, 0) << l;
      if (d.has_percent) {
        EXPECT_EQ(d.percent, 0) << l;
      }
      EXPECT_NE(judge_change(c.lines[l].direction, d.difference), Change::kBetter);
      EXPECT_NE(judge_change(c.lines[l].direction, d.difference), Change::kWorse);
    }
    for (const StatsLine& line : c.stats) {
      for (std::size_t f = 0; f < kStatsFigureCount; ++f) {
        const Delta d = stats_delta(&*line.runs[0], &*line.runs[1], static_cast<StatsFigure>(f));
        if (d.valid) {
          EXPECT_EQ(d.difference, 0);
        }
      }
    }
  }
}

TEST(Comparison, DifferencesBuiltByHandComeOutExactly) {
  // The alternative carries 1.25 times the volumes of facility-type class 1
  // in both area types: VMT 1000 -> 1250 (CBD), 500 -> 625 (Rural).
  TablesFile alt = fixtures::analysis_tables();
  alt.value(kVmt, "VMT_VOL", "1", "1") = "1250";
  alt.value(kVmt, "VMT_VOL", "2", "1") = "625";
  alt.value(kVmt, "VMT_VOL", "3", "1") = "1875";
  alt.value(kVmt, "VMT_VOL", "3", "3") = "2875.75";
  alt.value(kDelay, "DELAY", "3", "3") = "18.5";                       // delay 21.5 -> 18.5
  alt.value("SYSTEM TOTALS", "TOTAL CONGESTED SPEED (MPH)") = "27.3";  // 26.69 -> 27.3
  TextPool pool;
  const Comparison c = compare(pool, {{"base", fixtures::analysis_tables(), {}}, {"alt", alt, {}}});

  const Delta cbd = c.delta(line_of(c, kVmt, "VMT_VOL", 1, 1), 1);
  EXPECT_EQ(cbd.difference, 250);
  EXPECT_EQ(cbd.percent, 25);
  const Delta rural = c.delta(line_of(c, kVmt, "VMT_VOL", 2, 1), 1);
  EXPECT_EQ(rural.difference, 125);
  EXPECT_EQ(rural.percent, 25);
  // Both Total classes are matched as Totals.
  const std::size_t total = line_of(c, kVmt, "VMT_VOL", kTotalClass, kTotalClass);
  EXPECT_EQ(c.delta(total, 1).difference, 375);
  EXPECT_EQ(c.lines[total].direction, Direction::kNeutral);
  EXPECT_EQ(judge_change(c.lines[total].direction, 375), Change::kMore);
  // Facility-type class 2 is untouched.
  EXPECT_EQ(c.delta(line_of(c, kVmt, "VMT_VOL", 1, 2), 1).difference, 0);

  const std::size_t delay = line_of(c, kDelay, "DELAY", kTotalClass, kTotalClass);
  const Delta d = c.delta(delay, 1);
  EXPECT_EQ(d.difference, -3);
  EXPECT_EQ(static_cast<float>(d.percent), static_cast<float>(-3.0 / 21.5 * 100));
  EXPECT_EQ(judge_change(c.lines[delay].direction, d.difference), Change::kBetter);

  // 27.3f - 26.69f is 0.6100006 in binary; the files' decimals say 0.61.
  const std::size_t speed = line_of(c, "SYSTEM TOTALS", "TOTAL CONGESTED SPEED (MPH)", 0, 0, LaneClass::kNone);
  EXPECT_EQ(c.delta(speed, 1).difference, 0.61);
  EXPECT_EQ(judge_change(c.lines[speed].direction, 0.61), Change::kBetter);
}

TEST(Comparison, ThreeAlternativesAtOnce) {
  std::vector<RunFiles> files = {{"base", fixtures::analysis_tables(), {}}};
  for (int k = 1; k <= 3; ++k) {
    TablesFile alt = fixtures::analysis_tables();
    alt.value(kDelay, "DELAY", "3", "3") = std::to_string(21 + k);  // 21.5 -> 22, 23, 24
    files.push_back({"alt" + std::to_string(k), alt, {}});
  }
  TextPool pool;
  const Comparison c = compare(pool, files);
  ASSERT_EQ(c.run_count(), 4u);
  const std::size_t delay = line_of(c, kDelay, "DELAY", kTotalClass, kTotalClass);
  EXPECT_EQ(c.delta(delay, 1).difference, 0.5);
  EXPECT_EQ(c.delta(delay, 2).difference, 1.5);
  EXPECT_EQ(c.delta(delay, 3).difference, 2.5);
  EXPECT_EQ(judge_change(c.lines[delay].direction, 2.5), Change::kWorse);
  EXPECT_EQ(c.lines.size(), fixtures::analysis_tables().rows.size());
}

TEST(Comparison, AClassInOneRunOnlyKeepsItsLinesAndTheTotalsStillMatch) {
  // The alternative has a third facility-type class, so its Total is class 4.
  TablesFile alt = fixtures::analysis_tables();
  for (auto& row : alt.rows) {
    if (row.ft_class == "3") row.ft_class = "4";
  }
  alt.rows.push_back({kVmt, "VMT_VOL", "1", "CBD", "3", "Ramp", "total", "40"});
  TextPool pool;
  const Comparison c = compare(pool, {{"base", fixtures::analysis_tables(), {}}, {"alt", alt, {}}});
  EXPECT_EQ(c.lines.size(), fixtures::analysis_tables().rows.size() + 1);
  EXPECT_EQ(c.one_sided_lines(), 1u);
  const std::size_t ramp = line_of(c, kVmt, "VMT_VOL", 1, 3);
  EXPECT_FALSE(c.cell(ramp, 0).present);
  EXPECT_TRUE(c.cell(ramp, 1).present);
  EXPECT_FALSE(c.delta(ramp, 1).valid);
  EXPECT_EQ(c.lines[ramp].ft_number, 3);
  EXPECT_EQ(c.text(c.lines[ramp].ft_label), "Ramp");
  const std::size_t total = line_of(c, kVmt, "VMT_VOL", 1, kTotalClass);
  EXPECT_TRUE(c.cell(total, 1).present);
  EXPECT_EQ(c.lines[total].ft_number, 3);  // as the base writes it
  EXPECT_TRUE(c.conflicts.empty());
}

TEST(Comparison, AClassLabelledDifferentlyIsMatchedByNumberAndFlagged) {
  TablesFile alt = fixtures::analysis_tables();
  for (auto& row : alt.rows) {
    if (row.ft_class == "2") row.ft_label = "Expressway";
  }
  TextPool pool;
  const Comparison c = compare(pool, {{"base", fixtures::analysis_tables(), {}}, {"alt", alt, {}}});
  EXPECT_EQ(c.one_sided_lines(), 0u);
  ASSERT_EQ(c.conflicts.size(), 1u);
  EXPECT_EQ(c.conflicts[0].what, "facility-type class 2");
  EXPECT_EQ(c.conflicts[0].labels[0], "Div Art");
  EXPECT_EQ(c.conflicts[0].labels[1], "Expressway");
  const std::size_t line = line_of(c, kVmt, "VMT_VOL", 1, 2);
  EXPECT_TRUE(c.lines[line].labels_differ);
  EXPECT_EQ(c.text(c.lines[line].ft_label), "Div Art");
  EXPECT_EQ(c.text(c.cell(line, 1).ft_label), "Expressway");
  EXPECT_FALSE(c.lines[line_of(c, kVmt, "VMT_VOL", 1, 1)].labels_differ);
}

TEST(Comparison, StatisticsAreMatchedBySectionAndKey) {
  fixtures::StatsFile alt = fixtures::validation_stats();
  alt.row("count_group", "0-4999")[fixtures::stats_column("rmse_pct")] = "55.5";
  alt.row("count_group", "0-4999")[fixtures::stats_column("result")] = "preferable";
  alt.row("screenline", "1")[fixtures::stats_column("label")] = "RIVER BRIDGES";
  alt.rows.push_back(
      {"screenline", "2", "RAILWAY", "3", "1000", "900", "0.9", "", "", "", "", "", "55.1", "", "acceptable"});
  TablesFile alt_tables = fixtures::validation_tables();
  for (auto& row : alt_tables.rows) {
    if (row.table == "SCREENLINE SUMMARIES") row.area_label = "RIVER BRIDGES";
  }
  TextPool pool;
  const Comparison c =
      compare(pool, {{"base", fixtures::validation_tables(), fixtures::validation_stats()}, {"alt", alt_tables, alt}});
  const StatsLine* group = nullptr;
  const StatsLine* second = nullptr;
  for (const StatsLine& line : c.stats) {
    if (line.section == StatsSection::kCountGroup && line.key == "0-4999") group = &line;
    if (line.section == StatsSection::kScreenline && line.key == "2") second = &line;
  }
  ASSERT_TRUE(group && second);
  const Delta d = stats_delta(&*group->runs[0], &*group->runs[1], StatsFigure::kRmsePct);
  EXPECT_EQ(d.difference, 55.5 - 80.5);
  EXPECT_EQ(static_cast<float>(d.percent), static_cast<float>((55.5 - 80.5) / 80.5 * 100));
  EXPECT_EQ(group->runs[1]->result, Verdict::kPreferable);
  EXPECT_FALSE(second->runs[0].has_value());
  ASSERT_EQ(c.conflicts.size(), 1u);
  EXPECT_EQ(c.conflicts[0].what, "screenline 1");
  EXPECT_EQ(c.conflicts[0].labels[1], "RIVER BRIDGES");
}

TEST(Comparison, RepeatedKeysMatchInOrder) {
  TablesFile base = fixtures::analysis_tables();
  base.rows.push_back(
      {"SCREENLINE SUMMARIES", "SL 1 LINK 101-102 VOLUME", "", "NORDAL RIVER BRIDGES", "", "", "", "7000"});
  TablesFile alt = base;
  alt.rows.back().value = "7100";
  TextPool pool;
  const Comparison c = compare(pool, {{"base", base, {}}, {"alt", alt, {}}});
  std::vector<double> differences;
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    if (c.text(c.lines[l].key.measure) == "SL 1 LINK 101-102 VOLUME") differences.push_back(c.delta(l, 1).difference);
  }
  EXPECT_EQ(differences, (std::vector<double>{0, 100}));
}

TEST(Comparison, PercentIsEmptyWhereTheBaseIsZero) {
  TablesFile alt = fixtures::analysis_tables();
  alt.value("MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "A", "", "1") = "0.5";
  TextPool pool;
  const Comparison c = compare(pool, {{"base", fixtures::analysis_tables(), {}}, {"alt", alt, {}}});
  const Delta d = c.delta(line_of(c, "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "A", 0, 1, LaneClass::kNone), 1);
  EXPECT_TRUE(d.valid);
  EXPECT_EQ(d.difference, 0.5);
  EXPECT_FALSE(d.has_percent);
}

TEST(Comparison, DirectionsComeFromTheTable) {
  struct Case {
    RunType type;
    const char* table;
    const char* measure;
    Direction direction;
  };
  const Case cases[] = {
      {RunType::kAnalysis, "SYSTEM TOTALS", "TOTAL VHT ALL LINKS", Direction::kLowerIsBetter},
      {RunType::kAnalysis, "SYSTEM TOTALS", "TOTAL VMT ALL LINKS", Direction::kNeutral},
      {RunType::kAnalysis, "SYSTEM TOTALS", "TOTAL CONGESTED SPEED (MPH)", Direction::kHigherIsBetter},
      {RunType::kAnalysis, "SYSTEM TOTALS", "TOTAL USERS COST (DOLLARS)", Direction::kLowerIsBetter},
      {RunType::kAnalysis, "SYSTEM TOTALS", "TOTAL NUMBER OF LINKS", Direction::kUnjudged},
      {RunType::kAnalysis, "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "F", Direction::kLowerIsBetter},
      {RunType::kAnalysis, "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "A", Direction::kUnjudged},
      {RunType::kAnalysis, "TOTAL EMISSIONS OF HYDROCARBONS (KILOGRAMS)", "HC", Direction::kLowerIsBetter},
      {RunType::kValidation, "SYSTEM TOTALS", "TOTAL VHT ALL LINKS", Direction::kUnjudged},
  };
  for (const Case& c : cases) EXPECT_EQ(figure_direction(c.type, c.table, c.measure), c.direction) << c.measure;

  struct Judged {
    Direction direction;
    double difference;
    Change change;
  };
  const Judged judged[] = {
      {Direction::kLowerIsBetter, -1, Change::kBetter},
      {Direction::kLowerIsBetter, 2, Change::kWorse},
      {Direction::kHigherIsBetter, 0.5, Change::kBetter},
      {Direction::kHigherIsBetter, -0.5, Change::kWorse},
      {Direction::kNeutral, 3, Change::kMore},
      {Direction::kNeutral, -3, Change::kLess},
      {Direction::kLowerIsBetter, 0, Change::kNoChange},
      {Direction::kUnjudged, 5, Change::kUnknown},
  };
  for (const Judged& j : judged) EXPECT_EQ(judge_change(j.direction, j.difference), j.change);
}

TEST(Comparison, TablesAreMatchedWithoutTheRunsCaptionHead) {
  EXPECT_EQ(table_key_text("HIGHWAY EVALUATION -- YEAR/ALT (45A) -- REPORT: TOTAL LANE MILES"), "TOTAL LANE MILES");
  EXPECT_EQ(table_key_text("HIGHWAY EVALUATION -- YEAR/ALT (45B) : MILES OF ROADWAY AT EACH LEVEL OF SERVICE"),
            "MILES OF ROADWAY AT EACH LEVEL OF SERVICE");
  EXPECT_EQ(table_key_text("HIGHWAY EVALUATION -- YEAR/ALT (26A) -- SCREENLINE SUMMARIES"), "SCREENLINE SUMMARIES");
  EXPECT_EQ(table_key_text("TOTAL LANE MILES"), "TOTAL LANE MILES");
  EXPECT_EQ(table_key_text("HIGHWAY EVALUATION -- YEAR/ALT (45A"), "HIGHWAY EVALUATION -- YEAR/ALT (45A");
}

}  // namespace
}  // namespace korvo
