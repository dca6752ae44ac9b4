#include "reports/compare_html.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_csv_fixtures.h"
#include "support/markup_check.h"

namespace korvo {
namespace {

using fixtures::StatsFile;
using fixtures::TablesFile;

struct Run {
  std::string name;
  TablesFile tables;
  StatsFile stats;
};

std::string page_of(const std::vector<Run>& inputs) {
  TextPool pool;
  std::vector<RunData> runs;
  for (const Run& in : inputs) {
    RunData run;
    run.name = in.name;
    run.has_report = true;
    run.titles.lines = {"", "NORDAL CITY -- 2045", in.name + " network"};
    run.titles.scenario = "45A";
    run.tables = KvTablesReader::read(ByteStream::from_memory(in.tables.text(), in.name), pool);
    if (run.tables.type == RunType::kValidation)
      run.stats = KvStatsReader::read(ByteStream::from_memory(in.stats.text(), in.name));
    runs.push_back(std::move(run));
  }
  return compare_page(compare_runs(runs, pool));
}

std::string between(const std::string& page, const std::string& from, const std::string& to) {
  const std::size_t a = page.find(from);
  if (a == std::string::npos) return {};
  return page.substr(a, page.find(to, a) - a);
}

void expect_well_formed(const std::string& page) {
  const auto errors = korvo::testing::markup_errors(page);
  if (!errors) GTEST_SKIP() << "python3 is not installed";
  EXPECT_EQ(*errors, "");
}

TEST(ComparePage, AnalysisRunsShowTheHeadlineChangesInWords) {
  TablesFile alt = fixtures::analysis_tables();
  alt.value("SYSTEM TOTALS", "TOTAL VHT ALL LINKS") = "29000";                // lower: better
  alt.value("SYSTEM TOTALS", "TOTAL VMT ALL LINKS") = "600000";               // more travel: neither
  alt.value("SYSTEM TOTALS", "TOTAL CONSTRUCTION COST (X $1000)") = "20816";  // costs more: worse
  alt.value("TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", "DELAY", "3", "2") = "5.5";
  alt.value("SYSTEM TOTALS", "TOTAL FATALITIES") = "0.01021";  // a small change: worse
  for (auto& row : alt.rows) {
    if (row.ft_class == "2") row.ft_label = "Expressway";
  }
  const std::string page = page_of({{"no-build", fixtures::analysis_tables(), {}}, {"ring road", alt, {}}});

  EXPECT_NE(page.find("<title>KORVO comparison: no-build against ring road</title>"), std::string::npos);
  EXPECT_NE(page.find("NORDAL CITY -- 2045 / ring road network"), std::string::npos);
  const std::string headline = between(page, "id=\"headline\"", "</section>");
  ASSERT_FALSE(headline.empty());
  EXPECT_NE(headline.find("ring road</strong> against no-build: 1 figure better, 2 worse, 13 unchanged. "
                          "Vehicle-miles travelled: +1.6 % (more travel, neither better nor worse)."),
            std::string::npos);
  EXPECT_NE(
      headline.find("<th scope=\"row\">Vehicle-hours travelled</th><td>vehicle-hours</td><td class=\"num\">30,394</td>"
                    "<td class=\"num\">29,000</td><td class=\"num\">-1,394<span class=\"badge good\">better</span></td>"
                    "<td class=\"num\">-4.6 %</td>"),
      std::string::npos);
  EXPECT_NE(headline.find("+20,000<span class=\"badge bad\">worse</span>"), std::string::npos);
  EXPECT_NE(headline.find("+9,431<span class=\"badge neutral\">more</span>"), std::string::npos);
  EXPECT_NE(headline.find(">-4.6 % better</text>"), std::string::npos);
  // An unchanged figure reads "0", whatever the decimals of its values.
  EXPECT_NE(headline.find("<td class=\"num\">0<span class=\"badge neutral\">no change</span>"), std::string::npos);
  EXPECT_EQ(headline.find(">0.000<"), std::string::npos);
  // A small change keeps two significant digits beside its word.
  EXPECT_NE(headline.find(">+0.00021<span class=\"badge bad\">worse</span>"), std::string::npos);
  // Delay of Div Art (facility-type class 2) at the Total area type: 7.5 -> 5.5.
  const std::string by_ft = between(page, "id=\"by-facility-type\"", "</section>");
  EXPECT_NE(by_ft.find("<h3>Delay due to congestion (vehicle-hours)</h3>"), std::string::npos);
  EXPECT_NE(by_ft.find("2 Div Art <span class=\"note\">(labelled differently in another run)</span>"),
            std::string::npos);
  EXPECT_NE(by_ft.find(">-2.00 better</text>"), std::string::npos);
  EXPECT_NE(by_ft.find("<tfoot><tr><th scope=\"row\">Total</th>"), std::string::npos);
  EXPECT_NE(page.find("id=\"by-area-type\""), std::string::npos);
  EXPECT_NE(page.find("<h3>Classes labelled differently</h3>"), std::string::npos);
  EXPECT_NE(page.find("<th scope=\"row\">facility-type class 2</th><td>Div Art</td><td>Expressway</td>"),
            std::string::npos);
  EXPECT_EQ(page, page_of({{"no-build", fixtures::analysis_tables(), {}}, {"ring road", alt, {}}}));
  expect_well_formed(page);
}

TEST(ComparePage, ValidationRunsShowEveryRunsVerdictsAndMarkTheChangedOnes) {
  StatsFile second = fixtures::validation_stats();
  second.row("count_group", "0-4999")[fixtures::stats_column("rmse_pct")] = "55.5";
  second.row("count_group", "0-4999")[fixtures::stats_column("result")] = "preferable";
  second.row("screenline", "1")[fixtures::stats_column("ratio")] = "1.25";
  second.row("screenline", "1")[fixtures::stats_column("result")] = "outside";
  StatsFile third = fixtures::validation_stats();
  third.rows.push_back(
      {"ft_class", "9", "Toll", "2", "1000", "1200", "1.2", "", "", "", "1.2", "", "7", "6", "outside"});
  const std::string page = page_of({{"iteration 1", fixtures::validation_tables(), fixtures::validation_stats()},
                                    {"iteration 2", fixtures::validation_tables(), second},
                                    {"iteration 3", fixtures::validation_tables(), third}});
  const std::string groups = between(page, "id=\"count-groups\"", "</section>");
  EXPECT_NE(
      groups.find("<td class=\"num changed\">55.5<span class=\"badge good\">preferable</span>"
                  "<span class=\"changed-mark\">changed</span> <span class=\"note\">(base: acceptable)</span></td>"),
      std::string::npos);
  EXPECT_NE(groups.find("<td class=\"num\">80.5<span class=\"badge fair\">acceptable</span></td>"), std::string::npos);
  const std::string screenlines = between(page, "id=\"screenlines\"", "</section>");
  EXPECT_NE(screenlines.find(
                "<th scope=\"row\">1 NORDAL RIVER BRIDGES</th><td class=\"num\">85,560</td>"
                "<td class=\"num\">17.9</td><td class=\"num\">-2.1 %<span class=\"badge fair\">acceptable</span></td>"
                "<td class=\"num changed\">+25.0 %<span class=\"badge bad\">outside</span>"),
            std::string::npos);
  EXPECT_NE(screenlines.find("<title>within the maximum desirable deviation (MDD): 1 NORDAL RIVER BRIDGES: \xC2\xB1"
                             "17.9</title>"),
            std::string::npos);
  const std::string classes = between(page, "id=\"class-ratios\"", "</section>");
  EXPECT_NE(classes.find("<th scope=\"row\">9 Toll</th>"), std::string::npos);
  EXPECT_NE(classes.find("All counted links"), std::string::npos);
  // The figures some runs lack close the page, after what it is read for.
  EXPECT_NE(page.find("<h2>Figures in some runs only</h2>"), std::string::npos);
  EXPECT_GT(page.find("id=\"one-sided\""), page.find("id=\"checks\""));
  EXPECT_NE(page.find("GEH needs hourly flows"), std::string::npos);
  EXPECT_NE(between(page, "id=\"checks\"", "</section>").find("<th scope=\"row\">connector_passed_over</th>"),
            std::string::npos);
  expect_well_formed(page);
}

}  // namespace
}  // namespace korvo
