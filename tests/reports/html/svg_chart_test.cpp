#include "reports/html/svg_chart.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/markup_check.h"

namespace korvo::html {
namespace {

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The page around charts, for the markup check.
std::string page_with(const std::string& charts) {
  HtmlWriter w;
  begin_page(w, "Charts");
  w.raw(charts);
  return end_page(w);
}

// What a coordinate was written as before append_px had its integer path.
std::string px_by_to_chars(double v) {
  if (std::fabs(v) < 0.05) return "0.0";
  char buffer[400];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 1);
  return {buffer, r.ptr};
}

std::string px_text(double v) {
  std::string out = "<";  // appends to what is there
  append_px(out, v);
  return out.substr(1);
}

TEST(Coordinates, AreWrittenAsToCharsWritesThem) {
  std::vector<double> values = {0.0,  -0.0,  0.05, -0.05,  0.049999, 0.25,  0.35, -0.35, 2.25,  1e11, -1e11,
                                1e12, -1e12, 1e20, 123.45, 720.0,    -3.75, 0.95, 9.95,  99.95, 0.15, 1234.55};
  values.push_back(std::numeric_limits<double>::infinity());
  values.push_back(std::numeric_limits<double>::quiet_NaN());
  // The largest doubles take hundreds of characters in plain notation.
  values.push_back(std::numeric_limits<double>::max());
  values.push_back(-std::numeric_limits<double>::max());
  values.push_back(1e300);
  // Every half tenth up to 100,000 and its neighbours: where the product by
  // ten lands on a half although the value is not one.
  for (int k = 0; k < 1'000'000; ++k) {
    const double tie = (k + 0.5) / 10;
    for (const double v : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)}) {
      values.push_back(v);
      values.push_back(-v);
    }
  }
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> exponent(-3, 13);
  for (int i = 0; i < 200'000; ++i) {
    const double v = std::pow(10.0, exponent(random)) * ((random() & 1) != 0 ? 1 : -1);
    values.push_back(v);
  }
  int wrong = 0;
  for (const double v : values) {
    if (px_text(v) != px_by_to_chars(v) && ++wrong <= 10) {
      ADD_FAILURE() << "value " << v << ": " << px_text(v) << " against " << px_by_to_chars(v);
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(Ticks, LinearTicksAreRoundSteps) {
  struct Case {
    double lo, hi;
    std::vector<double> at;
    int decimals;
  };
  const Case cases[] = {
      {0, 97, {0, 20, 40, 60, 80, 100}, 0},
      {-3.2, 7.9, {-4, -2, 0, 2, 4, 6, 8}, 0},
      {0.1, 0.93, {0, 0.2, 0.4, 0.6, 0.8, 1.0}, 1},
      {0.9, 1.12, {0.9, 0.95, 1.0, 1.05, 1.1, 1.15}, 2},
      {5, 5, {4.4, 4.6, 4.8, 5.0, 5.2, 5.4, 5.6}, 1},  // one value: widened by a tenth each way
      {0, 0, {-1, -0.5, 0, 0.5, 1}, 1},
  };
  for (const Case& c : cases) {
    const Ticks t = linear_ticks(c.lo, c.hi);
    ASSERT_EQ(t.at.size(), c.at.size()) << c.lo << ".." << c.hi;
    for (std::size_t i = 0; i < t.at.size(); ++i) EXPECT_NEAR(t.at[i], c.at[i], 1e-12) << c.lo << ".." << c.hi;
    EXPECT_EQ(t.lo, t.at.front());
    EXPECT_EQ(t.hi, t.at.back());
    EXPECT_EQ(t.decimals, c.decimals) << c.lo << ".." << c.hi;
  }
}

TEST(Ticks, LogTicksAreDecades) {
  const Ticks wide = log_ticks(3, 45000);
  EXPECT_EQ(wide.at, (std::vector<double>{1, 10, 100, 1000, 10000, 100000}));
  const Ticks narrow = log_ticks(15, 900);
  EXPECT_EQ(narrow.at, (std::vector<double>{10, 20, 50, 100, 200, 500, 1000}));
  EXPECT_EQ(log_ticks(0.02, 0.5).decimals, 2);
  const Ticks bad = log_ticks(0, 0);  // no positive range: one decade from 1
  EXPECT_EQ(bad.at.front(), 1);
  EXPECT_EQ(bad.at.back(), 10);
}

BarChart change_chart() {
  BarChart c;
  c.title = "Change in delay by class";
  c.categories = {"Freeway", "Div <Art>", "Local"};
  c.series = {{"ALT-1", {-120.5, 30.0, std::nullopt}, {"-120.5 better", "", ""}}, {"ALT-2", {-80.0, 10.0, 5.0}, {}}};
  c.value_axis = {"Change in delay", "vehicle-hours"};
  c.category_label = "Facility-type class";
  return c;
}

TEST(BarChart, DrawsOneBarPerValueWithItsWordsAndAZeroLine) {
  HtmlWriter w;
  write_bar_chart(w, change_chart());
  const std::string svg = w.finish();
  EXPECT_EQ(count(svg, "<rect x="), 2u + 5u);  // the legend's swatches, the bars
  EXPECT_NE(svg.find(">-120.5 better</text>"), std::string::npos);
  EXPECT_NE(svg.find(">-80.00</text>"), std::string::npos);  // no label given: the value
  EXPECT_NE(svg.find("<title>ALT-1: Freeway: -120.5 better</title>"), std::string::npos);
  EXPECT_NE(svg.find("Div &lt;Art&gt;"), std::string::npos);
  EXPECT_NE(svg.find(">Change in delay (vehicle-hours)</text>"), std::string::npos);
  EXPECT_NE(svg.find(">Facility-type class</text>"), std::string::npos);
  EXPECT_NE(svg.find("stroke-width=\"1.5\""), std::string::npos) << "signed values: a marked zero line";
  EXPECT_NE(svg.find("<figcaption>Change in delay by class</figcaption>"), std::string::npos);
}

TEST(BarChart, CutsALongCategoryAndKeepsItWholeInItsTooltip) {
  BarChart c;
  c.title = "t";
  const std::string name = "99 PERMANENT COUNT STATIONS ON THE NORDAL RIVER AND THE NORTHERN RAILWAY";
  c.categories = {name, "7 EAST"};
  c.series = {{"s", {1.0, 2.0}, {}}};
  HtmlWriter w;
  write_bar_chart(w, c);
  const std::string svg = w.finish();
  EXPECT_NE(svg.find("<title>" + name + "</title>99 PERMANENT COUNT STATION\xE2\x80\xA6</text>"), std::string::npos);
  EXPECT_NE(svg.find("<title>7 EAST</title>7 EAST</text>"), std::string::npos);
}

TEST(BarChart, BarLengthsFollowTheValues) {
  BarChart c;
  c.title = "t";
  c.categories = {"a", "b"};
  c.series = {{"s", {100.0, 50.0}, {}}};
  c.value_labels = false;
  HtmlWriter w;
  write_bar_chart(w, c);
  const std::string svg = w.finish();
  // Ticks 0..100: the first bar spans the plot, the second half of it.
  std::vector<double> widths;
  for (std::size_t at = svg.find("<rect x="); at != std::string::npos; at = svg.find("<rect x=", at + 1)) {
    const std::size_t wpos = svg.find("width=\"", at) + 7;
    widths.push_back(std::stod(svg.substr(wpos, svg.find('"', wpos) - wpos)));
  }
  ASSERT_EQ(widths.size(), 2u);
  EXPECT_NEAR(widths[1] * 2, widths[0], 0.2);
}

TEST(BarChart, StacksVerticallyWithBandsAndReferences) {
  BarChart c;
  c.title = "Shares";
  c.orientation = Orientation::kVertical;
  c.layout = BarLayout::kStacked;
  c.categories = {"0-4999", "5000-9999"};
  c.series = {{"A", {10.0, 20.0}, {}}, {"B", {5.0, -5.0}, {}}};
  c.bands = {8.0, std::nullopt};
  c.band_label = "target";
  c.references = {{12, "twelve"}};
  c.value_axis = {"Miles", "miles"};
  HtmlWriter w;
  write_bar_chart(w, c);
  const std::string svg = w.finish();
  EXPECT_NE(svg.find(">twelve</text>"), std::string::npos);
  EXPECT_NE(svg.find("<title>target: 0-4999: \xC2\xB1"
                     "8.00</title>"),
            std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray=\"5 3\""), std::string::npos);
  EXPECT_NE(svg.find("transform=\"rotate(-90"), std::string::npos);  // the value axis title
}

TEST(XyChart, PlotsOnLogAxesWithTheIdentityLineAndABand) {
  XyChart c;
  c.title = "Volume against count";
  c.x = {"Count", "vehicles per day", Scale::kLog};
  c.y = {"Volume", "vehicles per day", Scale::kLog};
  c.points = {{"Freeway", {{1000, 1100}, {20000, 18000}, {0, 50}}, {}},
              {"Screenlines", {{5000, 5200}}, {"NORDAL <river>"}}};
  c.lines = {{"MDD", {{100, 200}, {100000, 110000}}, true}};
  c.bands = {{"within the MDD", {100, 1000, 100000}, {50, 700, 90000}, {200, 1300, 110000}}};
  c.identity_line = true;
  c.note = "All 4 counted links.";
  HtmlWriter w;
  write_xy_chart(w, c);
  const std::string svg = w.finish();
  EXPECT_EQ(count(svg, "h0"), 3u) << "the point at 0 cannot show on a log axis";
  EXPECT_NE(
      svg.find("All 4 counted links. 1 point lies outside the axes (at or below 0 on a log scale) and is not shown."),
      std::string::npos);
  EXPECT_NE(svg.find(">y = x</text>"), std::string::npos);
  EXPECT_NE(svg.find("clip-path=\"url(#korvo-clip-1)\""), std::string::npos);
  EXPECT_NE(svg.find("NORDAL &lt;river&gt;"), std::string::npos);
  EXPECT_NE(svg.find(">100,000</text>"), std::string::npos);
  EXPECT_NE(svg.find(">Count (vehicles per day)</text>"), std::string::npos);
  EXPECT_NE(svg.find("Z\" fill="), std::string::npos) << "a closed band";
}

TEST(BarChart, TakesTheSeriesOwnColoursWhereGiven) {
  BarChart c;
  c.categories = {"Freeway"};
  c.layout = BarLayout::kStacked;
  c.series = {{"LOS A", {40.0}, {}}, {"LOS F", {60.0}, {}}};
  c.series_colours = {"#1a9850"};  // the second keeps the palette's
  HtmlWriter w;
  write_bar_chart(w, c);
  const std::string svg = w.finish();
  EXPECT_EQ(count(svg, "fill=\"#1a9850\""), 2u);  // swatch and bar
  EXPECT_EQ(count(svg, "fill=\"" + std::string(series_colour(1)) + "\""), 2u);
  EXPECT_EQ(bar_colour(c, 0), "#1a9850");
  EXPECT_EQ(bar_colour(c, 1), series_colour(1));
}

TEST(XyChart, PutsAPointsLabelLeftOfItNearTheRightEdge) {
  XyChart c;
  c.x = Axis("Count", "vehicles");
  c.x.min = 0;
  c.x.max = 100;
  c.y = Axis("Deviation", "percent");
  c.points = {{"screenlines", {{5.0, 1.0}, {100.0, 1.0}}, {"West cordon", "East river crossing"}}};
  HtmlWriter w;
  write_xy_chart(w, c);
  const std::string svg = w.finish();
  const std::size_t west = svg.find(">West cordon<");
  const std::size_t east = svg.find(">East river crossing<");
  ASSERT_NE(west, std::string::npos);
  ASSERT_NE(east, std::string::npos);
  EXPECT_EQ(svg.rfind("text-anchor=\"end\"", west) < svg.rfind("<text", west), true);
  EXPECT_GT(svg.rfind("text-anchor=\"end\"", east), svg.rfind("<text", east));
}

TEST(Charts, AreWellFormedAndTheSameEachTime) {
  const auto build = [] {
    HtmlWriter w;
    write_bar_chart(w, change_chart());
    BarChart empty;
    empty.title = "No categories";
    write_bar_chart(w, empty);
    XyChart xy;
    xy.title = "Empty axes";
    write_xy_chart(w, xy);
    return w.finish();
  };
  const std::string charts = build();
  EXPECT_EQ(charts, build());
  EXPECT_EQ(charts.find("nan"), std::string::npos);
  EXPECT_EQ(charts.find("inf"), std::string::npos);
  const auto errors = korvo::testing::markup_errors(page_with(charts));
  if (!errors) GTEST_SKIP() << "python3 is not installed";
  EXPECT_EQ(*errors, "");
}

}  // namespace
}  // namespace korvo::html
