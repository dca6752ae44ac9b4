#pragma once
// The HTML kit, part 2: charts as inline SVG (see reports/html/html_writer.h
// for the page, text and numbers).
//
// Two kinds of chart cover what KORVO's pages draw:
// - BarChart: one bar per category and series, horizontal (categories down
//   the side: long class names stay readable) or vertical (categories along
//   the bottom: count groups), grouped (several runs side by side) or
//   stacked (level-of-service shares). Signed values (changes) get a zero
//   line; reference lines mark targets (a ratio of 1.0); a band per
//   category marks a tolerance (a screenline's MDD, as +/- percent).
// - XyChart: points (a volume-against-count scatter, coloured by series),
//   lines (a curve such as the MDD), bands between two curves (the MDD band
//   around y = x), the y = x line, on linear or log axes.
//
// Every chart is a <figure> with a <figcaption> title and an <svg> whose
// text is text (axis titles, ticks, category labels, legend, values): it
// can be searched, copied and read by a screen reader. Axes carry their
// title and unit ("VMT ratio (volume / count)", "Change (vehicle-hours)").
// Series are told apart by a legend with their names as well as by colour;
// a bar's exact value is written at its end and in its tooltip.
//
// The output depends only on the chart given: coordinates are rounded to
// 0.1 px by std::to_chars, element ids come from HtmlWriter::next_id().
// A chart draws what it is given: the caller keeps the number of points
// bounded (a sample of a large network, stated in `note`).
//
//   BarChart c;
//   c.title = "Change in delay by facility-type class";
//   c.categories = {"Freeway", "Div Art", "Total"};
//   c.series = {{"ALT-1", {-120.5, 30.0, -90.5}}, {"ALT-2", {-80.0, std::nullopt, -70.0}}};
//   c.value_axis = {"Change in delay", "vehicle-hours"};
//   write_bar_chart(w, c);

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reports/html/html_writer.h"

namespace korvo::html {

enum class Scale { kLinear, kLog };

struct Axis {
  Axis() = default;
  Axis(std::string label_, std::string unit_, Scale scale_ = Scale::kLinear)
      : label(std::move(label_)), unit(std::move(unit_)), scale(scale_) {}

  std::string label;  // "Volume"
  std::string unit;   // "vehicles"; the title reads "Volume (vehicles)"
  Scale scale = Scale::kLinear;
  // The range to show; otherwise the data's, widened to round ticks (and to
  // include 0 for bars). A log axis ignores values at or below 0.
  std::optional<double> min, max;
  // Decimals of the tick labels; kAutoDecimals takes them from the tick step.
  int tick_decimals = kAutoDecimals;
};

// The colour of series i: a palette of ten that colour-blind readers can
// tell apart (Okabe-Ito first), repeated beyond ten.
std::string_view series_colour(std::size_t i);

// ---------------------------------------------------------------- bars

enum class Orientation { kHorizontal, kVertical };
enum class BarLayout { kGrouped, kStacked };

struct BarSeries {
  std::string name;
  std::vector<std::optional<double>> values;  // one per category; nullopt: no bar
  // Optional text at each bar's end instead of its value ("-3.2 % better");
  // empty or missing: the value as formatted by value_style.
  std::vector<std::string> labels;
};

struct ReferenceLine {
  double value = 0;
  std::string label;  // in the legend ("target 1.00")
};

struct BarChart {
  std::string title;
  std::string note;  // a line of text under the chart
  std::vector<std::string> categories;
  std::vector<BarSeries> series;
  Orientation orientation = Orientation::kHorizontal;
  BarLayout layout = BarLayout::kGrouped;
  Axis value_axis;             // Scale::kLog is not used for bars
  std::string category_label;  // title of the category axis ("Facility-type class")
  std::vector<ReferenceLine> references;
  // Per category: a band from -v to +v behind the bars (missing or nullopt:
  // none), named in the legend by band_label.
  std::vector<std::optional<double>> bands;
  std::string band_label;
  bool value_labels = true;  // the value at each bar's end (grouped bars)
  // Colours of the series' own ("#1a9850"), for series with a meaning of
  // their own such as levels of service from good to bad; missing or empty:
  // the palette's. The legend names the series either way.
  std::vector<std::string> series_colours;
  NumberStyle value_style{};
};

void write_bar_chart(HtmlWriter& w, const BarChart& chart);
// The colour of a bar chart's series s: its own, or the palette's.
std::string_view bar_colour(const BarChart& chart, std::size_t series);

// ---------------------------------------------------------------- x-y

struct PointSeries {
  std::string name;
  std::vector<std::pair<double, double>> points;  // (x, y)
  // Optional text beside each point (a screenline's name); empty: none.
  std::vector<std::string> labels;
};

struct LineSeries {
  std::string name;
  std::vector<std::pair<double, double>> points;  // in x order
  bool dashed = false;
};

// The area between two curves over the same x values.
struct Band {
  std::string name;
  std::vector<double> x, lower, upper;
};

struct XyChart {
  std::string title;
  std::string note;  // under the chart ("A sample of 20,000 of 1,234,567 counted links.")
  Axis x, y;
  std::vector<PointSeries> points;
  std::vector<LineSeries> lines;
  std::vector<Band> bands;
  bool identity_line = false;  // y = x, over the range both axes share
};

void write_xy_chart(HtmlWriter& w, const XyChart& chart);

// ---------------------------------------------------------------- helpers

// Tick positions for a range: linear ticks at 1, 2 or 5 times a power of
// ten (about six of them, the range widened to whole ticks); log ticks at
// the powers of ten (with 2 and 5 between when the range spans at most two
// decades; lo must be above 0). decimals: what the labels need.
struct Ticks {
  double lo = 0, hi = 1;
  std::vector<double> at;
  int decimals = 0;
};
Ticks linear_ticks(double lo, double hi, int wanted = 6);
Ticks log_ticks(double lo, double hi);

// The width of text in the charts' 12 px font, estimated (no fonts are
// measured) by kind of character, generously so that text estimated to
// fit does fit in the common fonts (DejaVu Sans is among the widest):
// upper case 8.4 px, digits 7.7, lower case 7.0, blank 3.9, other ASCII
// 5.5, any other character 8.0.
double text_width(std::string_view text);

// Appends a coordinate as the charts write it: one decimal, rounded as
// std::to_chars(fixed, 1) rounds (the exact value, ties to even), and never
// "-0.0".
void append_px(std::string& out, double v);
// The same written from out on, which has room for kPxRoom characters (the
// largest double takes 312); returns the end of what it wrote.
inline constexpr std::size_t kPxRoom = 320;
char* put_px(char* out, double v);

}  // namespace korvo::html
