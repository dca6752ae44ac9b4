#include "reports/compare_csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_csv_fixtures.h"

namespace korvo {
namespace {

struct Input {
  std::string name;
  std::string tables;
  std::string stats;
  RunTitles titles = {};
};

std::string compare_text(const std::vector<Input>& inputs, std::size_t* rows = nullptr) {
  TextPool pool;
  std::vector<RunData> runs;
  for (const Input& in : inputs) {
    RunData run;
    run.name = in.name;
    run.titles = in.titles;
    run.tables = KvTablesReader::read(ByteStream::from_memory(in.tables, in.name), pool);
    if (!in.stats.empty()) run.stats = KvStatsReader::read(ByteStream::from_memory(in.stats, in.name));
    runs.push_back(std::move(run));
  }
  const Comparison c = compare_runs(runs, pool);
  StringSink out;
  const std::size_t n = write_compare_csv(c, out);
  if (rows) *rows = n;
  return out.joined();
}

const std::string kHead = "table,measure,area_class,area_label,ft_class,ft_label,lanes,value\nRUN,FORMAT,,,,,,1\n";

TEST(CompareCsv, WritesEveryFigureOfEveryAlternativeInLongForm) {
  const std::string base = kHead +
                           "RUN,ANALYSIS,,,,,,1\n"
                           "SYSTEM TOTALS,TOTAL VHT ALL LINKS,,,,,,100.5\n"
                           "TOTAL LANE MILES,LANE_MILES,1,CBD,1,Freeway,total,0.3\n"
                           "TOTAL LANE MILES,LANE_MILES,1,CBD,2,\"Div, Art\",total,0\n"
                           "TOTAL LANE MILES,LANE_MILES,1,CBD,3,Total,total,0.3\n";
  const std::string alt = kHead +
                          "RUN,ANALYSIS,,,,,,1\n"
                          "SYSTEM TOTALS,TOTAL VHT ALL LINKS,,,,,,90\n"
                          "TOTAL LANE MILES,LANE_MILES,1,CBD,1,Freeway,total,0.1\n"
                          "TOTAL LANE MILES,LANE_MILES,1,CBD,2,Expressway,total,2\n"
                          "TOTAL LANE MILES,LANE_MILES,1,CBD,4,Ramp,total,1\n"
                          "TOTAL LANE MILES,LANE_MILES,1,CBD,5,Total,total,3.1\n";
  std::size_t rows = 0;
  EXPECT_EQ(
      compare_text({{"base", base, ""}, {"ALT 1", alt, "", {{"", "NORDAL CITY, 2045", " RING ROAD"}, "45B"}}}, &rows),
      "table,measure,area_class,area_label,ft_class,ft_label,lanes,alternative,base,value,difference,percent,"
      "change,base_result,result,note\n"
      "RUN,SCENARIO,,,,,,base,,,,,,,,\n"
      "RUN,TITLE 1,,,,,,base,,,,,,,,\n"
      "RUN,TITLE 2,,,,,,base,,,,,,,,\n"
      "RUN,TITLE 3,,,,,,base,,,,,,,,\n"
      "RUN,SCENARIO,,,,,,ALT 1,,,,,,,,45B\n"
      "RUN,TITLE 1,,,,,,ALT 1,,,,,,,,\n"
      "RUN,TITLE 2,,,,,,ALT 1,,,,,,,,\"NORDAL CITY, 2045\"\n"
      "RUN,TITLE 3,,,,,,ALT 1,,,,,,,,\" RING ROAD\"\n"
      "SYSTEM TOTALS,TOTAL VHT ALL LINKS,,,,,,ALT 1,100.5,90,-10.5,-10.447762,better,,,\n"
      "TOTAL LANE MILES,LANE_MILES,1,CBD,1,Freeway,total,ALT 1,0.3,0.1,-0.2,-66.666664,less,,,\n"
      "TOTAL LANE MILES,LANE_MILES,1,CBD,2,\"Div, Art\",total,ALT 1,0,2,2,,more,,,ft_label here: Expressway\n"
      "TOTAL LANE MILES,LANE_MILES,1,CBD,3,Total,total,ALT 1,0.3,3.1,2.8,933.3333,more,,,\n"
      "TOTAL LANE MILES,LANE_MILES,1,CBD,4,Ramp,total,ALT 1,,1,,,,,,not in base\n");
  EXPECT_EQ(rows, 8u + 5u);
}

TEST(CompareCsv, ARunAgainstItselfHasOnlyZeroDifferences) {
  const std::string tables = fixtures::analysis_tables().text();
  const std::string text = compare_text({{"a", tables, ""}, {"b", tables, ""}, {"c", tables, ""}});
  std::size_t lines = 0;
  for (std::size_t at = 0, next; (next = text.find('\n', at)) != std::string::npos; at = next + 1) {
    const std::string line = text.substr(at, next - at);
    if (lines++ == 0 || line.rfind("RUN,", 0) == 0) continue;
    // The last eight: base,value,difference,percent,change,base_result,result,note
    std::vector<std::string> f;
    std::size_t start = line.size();
    for (int k = 0; k < 8; ++k) {
      const std::size_t comma = line.rfind(',', start - 1);
      f.insert(f.begin(), line.substr(comma + 1, start - comma - 1));
      start = comma;
    }
    EXPECT_EQ(f[0], f[1]) << line;  // value = base
    EXPECT_EQ(f[2], "0") << line;
    EXPECT_TRUE(f[3] == "0" || (f[3].empty() && f[0] == "0")) << line;
    EXPECT_TRUE(f[4] == "no change" || f[4].empty()) << line;
    EXPECT_EQ(f[7], "") << line;
  }
  EXPECT_EQ(lines, 1 + 3 * 4 + 2 * fixtures::analysis_tables().rows.size());
}

TEST(CompareCsv, StatisticsCarryTheirVerdicts) {
  fixtures::StatsFile alt = fixtures::validation_stats();
  alt.row("ft_class", "2")[fixtures::stats_column("vmt_ratio")] = "0.9";
  alt.row("ft_class", "2")[fixtures::stats_column("result")] = "acceptable";
  const std::string text =
      compare_text({{"it1", fixtures::validation_tables().text(), fixtures::validation_stats().text()},
                    {"it2", fixtures::validation_tables().text(), alt.text()}});
  EXPECT_NE(text.find("\nSTATISTICS ft_class,2 vmt_ratio,,,2,Div Art,,it2,0.79318,0.9,0.10682,13.467309,,"
                      "outside,acceptable,\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nSTATISTICS ft_class,2 links,,,2,Div Art,,it2,20,20,0,0,,,,\n"), std::string::npos);
  EXPECT_NE(text.find("\nSTATISTICS at_class,1 vmt_ratio,1,CBD,,,,it2,0.9,0.9,0,0,,acceptable,acceptable,\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nSTATISTICS screenline,1 ratio,,NORDAL RIVER BRIDGES,,,,it2,0.97948,0.97948,0,0,,acceptable,"
                      "acceptable,\n"),
            std::string::npos);
  EXPECT_NE(
      text.find("\nSTATISTICS check,counted_zero_volume links,,usually a scale factor in DATABASE.CTL,,,,it2,1,1,0,0,"
                ",,,\n"),
      std::string::npos);
  EXPECT_EQ(text.find("STATISTICS geh"), std::string::npos) << "a row without figures writes none";
}

}  // namespace
}  // namespace korvo
