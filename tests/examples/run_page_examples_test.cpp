// KORVO.HTML of every bundled example: run in a temporary copy of the
// example's input/ directory (fixed clock), the page is
// - well-formed markup, and the same bytes from a second run;
// - showing the figures of the same run's KVSTATS.CSV (validation): every
//   count group, class and screenline row of the page against the file;
// - rendered by headless Chromium at a desktop (1280 px) and a phone
//   (390 px) width and printed to PDF: the screenshots are not blank and the
//   PDF has a sheet per section (each section starts a sheet), give or take
//   the sections that run over one. Skipped where chromium is absent.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/byte_stream.h"
#include "input/kvstats_reader.h"
#include "input/kvtables_reader.h"
#include "support/headless_chromium.h"
#include "support/markup_check.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;

const fs::path kPageExampleDir = fs::path(KORVO_SOURCE_DIR) / "examples";

std::vector<std::string> page_example_names() {
  std::vector<std::string> names;
  if (!fs::is_directory(kPageExampleDir)) return names;
  for (const auto& entry : fs::directory_iterator(kPageExampleDir)) {
    if (fs::is_directory(entry.path() / "input")) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Runs the example in dir; the run must end normally.
void run_example(const std::string& name, const TempDir& dir) {
  for (const auto& entry : fs::directory_iterator(kPageExampleDir / name / "input")) {
    fs::copy_file(entry.path(), dir.path() / entry.path().filename());
  }
  const testing::RunResult result = testing::run_korvo(dir);
  ASSERT_EQ(result.status, 0) << result.console;
  ASSERT_TRUE(dir.exists("KORVO.HTML")) << result.console;
}

std::size_t count_of(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

std::string page_section(const std::string& page, const std::string& id) {
  const std::size_t from = page.find("id=\"" + id + "\"");
  if (from == std::string::npos) return {};
  return page.substr(from, page.find("</section>", from) - from);
}

std::string without_tags(const std::string& markup) {
  std::string text;
  bool in_tag = false;
  for (char c : markup) {
    if (c == '<') in_tag = true;
    if (!in_tag) text += c;
    if (c == '>') in_tag = false;
  }
  return text;
}

// The body rows of the tables in a section: the row's heading -> the text of
// its other cells, tags removed (a badge's word follows its figure).
std::map<std::string, std::vector<std::string>> table_rows(const std::string& section) {
  std::map<std::string, std::vector<std::string>> rows;
  for (std::size_t p = section.find("<tr>"); p != std::string::npos; p = section.find("<tr>", p + 1)) {
    const std::string row = section.substr(p, section.find("</tr>", p) - p);
    const std::size_t th = row.find("<th scope=\"row\"");
    if (th == std::string::npos) continue;
    const std::size_t th_end = row.find("</th>", th);
    const std::string heading = without_tags(row.substr(th, th_end - th));
    std::vector<std::string> cells;
    for (std::size_t c = row.find("<td", th_end); c != std::string::npos; c = row.find("<td", c + 1)) {
      cells.push_back(without_tags(row.substr(c, row.find("</td>", c) - c)));
    }
    rows[heading] = cells;
  }
  return rows;
}

// A page's figure "12,345.6 %acceptable" against a file's value: equal to
// the decimals shown. Empty against no value.
::testing::AssertionResult shows_value(const std::string& cell, std::optional<double> expected, std::string_view what) {
  std::string digits;
  for (char c : cell) {
    if (c == ',') continue;
    if ((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+') {
      digits += c;
    } else if (!digits.empty() || c != ' ') {
      break;
    }
  }
  if (!expected) {
    if (digits.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the page shows \"" << cell << "\" where the file has no " << what;
  }
  if (digits.empty()) return ::testing::AssertionFailure() << "no figure for " << what;
  const std::size_t dot = digits.find('.');
  const int decimals = dot == std::string::npos ? 0 : static_cast<int>(digits.size() - dot - 1);
  const double shown = std::strtod(digits.c_str(), nullptr);
  if (std::fabs(shown - *expected) <= 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + 1e-9 * std::fabs(*expected)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << what << ": the page shows " << cell << ", the file " << *expected;
}

::testing::AssertionResult shows(const std::string& cell, const StatsFileRow& row, StatsFigure figure,
                                 double scale = 1) {
  const std::optional<double> expected =
      row.has(figure) ? std::optional<double>(row.get(figure) * scale) : std::nullopt;
  return shows_value(cell, expected, stats_figure_name(figure));
}

// The tables of a section in order, each as table_rows gives it.
std::vector<std::map<std::string, std::vector<std::string>>> section_tables(const std::string& section) {
  std::vector<std::map<std::string, std::vector<std::string>>> tables;
  for (std::size_t p = section.find("<table"); p != std::string::npos; p = section.find("<table", p + 1)) {
    tables.push_back(table_rows(section.substr(p, section.find("</table>", p) - p)));
  }
  return tables;
}

::testing::AssertionResult has_verdict(const std::string& cell, const StatsFileRow& row) {
  const std::string word(verdict_name(row.result));
  if (row.result == Verdict::kNone) {
    for (const char* w : {"preferable", "acceptable", "outside"}) {
      if (cell.find(w) != std::string::npos)
        return ::testing::AssertionFailure() << "a verdict where the file has none: " << cell;
    }
    return ::testing::AssertionSuccess();
  }
  if (cell.size() >= word.size() && cell.compare(cell.size() - word.size(), word.size(), word) == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "expected the verdict " << word << " in " << cell;
}

class ExamplePage : public ::testing::TestWithParam<std::string> {};

TEST_P(ExamplePage, IsWellFormedAndTheSameBytesEveryRun) {
  TempDir first, second;
  run_example(GetParam(), first);
  run_example(GetParam(), second);
  const std::string page = first.read("KORVO.HTML");
  EXPECT_EQ(page, second.read("KORVO.HTML"));
  const auto errors = testing::markup_errors(page);
  if (!errors) GTEST_SKIP() << "python3 is not installed";
  EXPECT_EQ(*errors, "");
  EXPECT_NE(page.find("04JUL26 09:05:07"), std::string::npos);  // the run's date and time
}

TEST_P(ExamplePage, ShowsTheFiguresOfTheStatisticsFile) {
  TempDir dir;
  run_example(GetParam(), dir);
  if (!dir.exists("KVSTATS.CSV")) {
    EXPECT_EQ(page_section(dir.read("KORVO.HTML"), "verdict"), "");  // an analysis run
    return;
  }
  const std::string page = dir.read("KORVO.HTML");
  const RunStats stats = KvStatsReader::read(ByteStream::open_file(dir.file("KVSTATS.CSV"), "KVSTATS.CSV"));
  const auto groups = table_rows(page_section(page, "count-groups"));
  const auto classes = table_rows(page_section(page, "vmt-ratio"));
  const auto screenlines = table_rows(page_section(page, "screenlines"));
  const std::string cards = without_tags(page_section(page, "verdict"));
  int compared = 0;
  for (const StatsFileRow& row : stats.rows) {
    SCOPED_TRACE(std::string(stats_section_name(row.section)) + " " + row.key);
    switch (row.section) {
      case StatsSection::kAreawide: {
        const StatsFigure f = row.key == "rmse" ? StatsFigure::kRmsePct : StatsFigure::kVmtRatio;
        const std::size_t at = cards.find(row.key == "rmse" ? "Areawide %RMSE" : "VMT ratio (volume / count)");
        ASSERT_NE(at, std::string::npos);
        const std::size_t figure_at = at + (row.key == "rmse" ? 14 : 26);
        EXPECT_TRUE(shows(cards.substr(figure_at, cards.find("Targets", figure_at) - figure_at), row, f));
        ++compared;
        break;
      }
      case StatsSection::kCountGroup: {
        ASSERT_TRUE(groups.count(row.key)) << row.key;
        const auto& c = groups.at(row.key);
        ASSERT_EQ(c.size(), 7u);
        EXPECT_TRUE(shows(c[0], row, StatsFigure::kLinks));
        EXPECT_TRUE(shows(c[1], row, StatsFigure::kCountSum));
        EXPECT_TRUE(shows(c[2], row, StatsFigure::kVolumeSum));
        EXPECT_TRUE(shows(c[3], row, StatsFigure::kRatio));
        EXPECT_TRUE(shows(c[4], row, StatsFigure::kRmsePct));
        EXPECT_TRUE(has_verdict(c[4], row));
        EXPECT_TRUE(shows(c[5], row, StatsFigure::kTargetAcceptable));
        EXPECT_TRUE(shows(c[6], row, StatsFigure::kTargetPreferable));
        ++compared;
        break;
      }
      case StatsSection::kFtClass:
      case StatsSection::kAtClass: {
        const std::string name = row.key + (row.label.empty() ? "" : " " + row.label);
        ASSERT_TRUE(classes.count(name)) << name;
        const auto& c = classes.at(name);
        ASSERT_EQ(c.size(), 7u);
        EXPECT_TRUE(shows(c[0], row, StatsFigure::kLinks));
        EXPECT_TRUE(shows(c[1], row, StatsFigure::kVmtCount));
        EXPECT_TRUE(shows(c[2], row, StatsFigure::kVmtVolume));
        EXPECT_TRUE(shows(c[3], row, StatsFigure::kVmtRatio));
        EXPECT_TRUE(has_verdict(c[3], row));
        EXPECT_TRUE(shows(c[4], row, StatsFigure::kRmsePct));
        EXPECT_TRUE(shows(c[5], row, StatsFigure::kTargetAcceptable));
        EXPECT_TRUE(shows(c[6], row, StatsFigure::kTargetPreferable));
        ++compared;
        break;
      }
      case StatsSection::kScreenline: {
        const std::string name = row.label.empty() ? "Screenline " + row.key : row.key + " " + row.label;
        ASSERT_TRUE(screenlines.count(name)) << name;
        const auto& c = screenlines.at(name);
        ASSERT_EQ(c.size(), 7u);
        EXPECT_TRUE(shows(c[0], row, StatsFigure::kLinks));
        EXPECT_TRUE(shows(c[1], row, StatsFigure::kCountSum));
        EXPECT_TRUE(shows(c[2], row, StatsFigure::kVolumeSum));
        EXPECT_TRUE(shows(c[3], row, StatsFigure::kRatio));
        EXPECT_TRUE(shows(c[5], row, StatsFigure::kTargetAcceptable));
        EXPECT_TRUE(has_verdict(c[6], row));
        ++compared;
        break;
      }
      case StatsSection::kMdd: {
        const std::size_t at = cards.find("Counted links within the MDD");
        ASSERT_NE(at, std::string::npos);
        EXPECT_TRUE(shows(cards.substr(at + 28), row, StatsFigure::kRatio, 100));
        ++compared;
        break;
      }
      case StatsSection::kGeh:
      case StatsSection::kCheck: break;
    }
  }
  EXPECT_GE(compared, 4);
}

// An analysis page against KVTABLES.CSV: each class row of the tables by
// facility-type class (the area-type Total column of the report's tables),
// the miles at each level of service and the costs of the whole network.
TEST_P(ExamplePage, ShowsTheFiguresOfTheTablesFile) {
  TempDir dir;
  run_example(GetParam(), dir);
  const std::string page = dir.read("KORVO.HTML");
  if (dir.exists("KVSTATS.CSV")) GTEST_SKIP() << "a validation run: its page's figures are those of KVSTATS.CSV";
  TextPool pool;
  const RunTables tables = KvTablesReader::read(ByteStream::open_file(dir.file("KVTABLES.CSV"), "KVTABLES.CSV"), pool);
  ASSERT_EQ(tables.type, RunType::kAnalysis);
  const auto text = [&pool](std::uint32_t id) { return std::string(pool.text(id)); };
  // The value of a figure by facility-type class ("Total" for the Total
  // class) in the area-type Total column, or of a table's figure.
  const auto by_class = [&](std::string_view measure, std::string_view table = {}) {
    std::map<std::string, double> values;
    for (const TablesRow& row : tables.rows) {
      if (text(row.measure) != measure || !row.has_value) continue;
      if (!table.empty() && text(row.table) != table) continue;
      if (table.empty() && (text(row.area_label) != "Total" || row.lanes != LaneClass::kTotal)) continue;
      const std::string label = text(row.ft_label);
      values[label == "Total" ? label : std::to_string(row.ft_class) + " " + label] = row.value;
    }
    return values;
  };
  const auto system_total = [&](std::string_view caption) -> std::optional<double> {
    for (const TablesRow& row : tables.rows) {
      if (text(row.table) == "SYSTEM TOTALS" && text(row.measure) == caption && row.has_value) return row.value;
    }
    return std::nullopt;
  };
  int compared = 0;
  // Each page table's column c against a measure, row by row: every row the
  // file has is on the page, or is a class without links (all 0).
  const auto compare_columns = [&](const std::map<std::string, std::vector<std::string>>& table,
                                   const std::vector<std::pair<std::size_t, std::string>>& columns,
                                   std::string_view file_table) {
    for (const auto& [column, measure] : columns) {
      const auto values = by_class(measure, file_table);
      ASSERT_FALSE(values.empty()) << measure;
      for (const auto& [name, value] : values) {
        SCOPED_TRACE(measure + " " + name);
        if (!table.count(name)) {
          EXPECT_EQ(value, 0.0);
          continue;
        }
        ASSERT_GT(table.at(name).size(), column);
        EXPECT_TRUE(shows_value(table.at(name)[column], value, measure));
        ++compared;
      }
    }
  };
  const auto impacts = section_tables(page_section(page, "impacts"));
  const auto costs = section_tables(page_section(page, "costs"));
  const auto los = section_tables(page_section(page, "level-of-service"));
  ASSERT_EQ(impacts.size(), 2u);
  ASSERT_EQ(costs.size(), 3u);
  ASSERT_EQ(los.size(), 2u);
  compare_columns(impacts[0], {{2, "DELAY_VHT"}, {3, "CONG_SPEED"}}, {});
  compare_columns(impacts[1], {{0, "CO_GRAMS"}, {1, "HC_GRAMS"}, {2, "NOX_GRAMS"}, {3, "FUEL_GAL"}}, {});
  compare_columns(costs[0], {{0, "ACCIDENTS"}, {1, "INJURIES"}, {2, "FATALITIES"}}, {});
  compare_columns(costs[1], {{0, "LANE_MILES"}, {1, "NEW_LANE_MILES"}, {2, "CONSTR_COST"}}, {});
  compare_columns(los[1], {{0, "A"}, {1, "B"}, {2, "C"}, {3, "D"}, {4, "E"}, {5, "F"}, {6, "TOTAL"}},
                  "MILES OF ROADWAY AT EACH LEVEL OF SERVICE");
  // The whole network: VMT and VHT of all links, and the costs.
  ASSERT_TRUE(impacts[0].count("Total"));
  EXPECT_TRUE(shows_value(impacts[0].at("Total")[0], system_total("TOTAL VMT ALL LINKS"), "TOTAL VMT ALL LINKS"));
  EXPECT_TRUE(shows_value(impacts[0].at("Total")[1], system_total("TOTAL VHT ALL LINKS"), "TOTAL VHT ALL LINKS"));
  const std::pair<const char*, const char*> kCosts[] = {
      {"Accident cost ($)", "TOTAL ACCIDENT COST (DOLLARS)"},
      {"User cost ($)", "TOTAL USERS COST (DOLLARS)"},
      {"Maintenance cost ($)", "TOTAL MAINTENANCE COST (DOLLARS)"},
      {"Construction cost (thousand $)", "TOTAL CONSTRUCTION COST (X $1000)"},
  };
  for (const auto& [row, caption] : kCosts) {
    ASSERT_TRUE(costs[2].count(row)) << row;
    EXPECT_TRUE(shows_value(costs[2].at(row)[0], system_total(caption), caption));
  }
  EXPECT_GE(compared, 20);
}

TEST_P(ExamplePage, RendersOnDesktopPhoneAndPaper) {
  const auto chromium = testing::chromium_path();
  if (!chromium) GTEST_SKIP() << "chromium is not installed";
  TempDir dir;
  run_example(GetParam(), dir);
  const fs::path page = dir.file("KORVO.HTML");
  struct Shot {
    const char* file;
    int width, height;
  };
  for (const Shot shot : {Shot{"desktop.png", 1280, 1600}, Shot{"phone.png", 390, 1600}}) {
    SCOPED_TRACE(shot.file);
    const testing::RenderResult r = testing::render_png(*chromium, page, dir.file(shot.file), shot.width, shot.height);
    ASSERT_TRUE(r.ok) << r.log;
    const auto png = testing::inspect_png(dir.file(shot.file));
    if (!png) GTEST_SKIP() << "python3 is not installed";
    EXPECT_EQ(png->width, shot.width);
    EXPECT_EQ(png->height, shot.height);
    // Text, rules, badges and charts: many colours, and a fair share of the
    // window not white.
    EXPECT_GE(png->distinct_colours, 50);
    EXPECT_GT(png->non_background_share, 0.03);
    if (const char* keep = std::getenv("KORVO_KEEP_RENDERS"); keep && *keep) {
      fs::copy_file(dir.file(shot.file), fs::path(keep) / (GetParam() + "-" + shot.file),
                    fs::copy_options::overwrite_existing);
    }
  }
  const testing::RenderResult pdf = testing::render_pdf(*chromium, page, dir.file("page.pdf"));
  ASSERT_TRUE(pdf.ok) << pdf.log;
  const auto pages = testing::pdf_page_count(dir.file("page.pdf"));
  ASSERT_TRUE(pages);
  const int sections = static_cast<int>(count_of(read_file(page), "<section "));
  EXPECT_GE(*pages, sections);
  EXPECT_LE(*pages, 2 * sections);
}

INSTANTIATE_TEST_SUITE_P(Examples, ExamplePage, ::testing::ValuesIn(page_example_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace korvo
