#include "reports/html/svg_chart.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace korvo::html {
namespace {

constexpr double kWidth = 720;  // the viewBox width of every chart
constexpr std::string_view kGrid = "#e3e6ea";
constexpr std::string_view kInk = "#1f2328";
constexpr std::string_view kMuted = "#57606a";
constexpr std::string_view kBandFill = "#dfe8f1";

std::string px(double v) {
  std::string text;
  append_px(text, v);
  return text;
}

std::string axis_title(const Axis& a) {
  if (a.unit.empty()) return a.label;
  if (a.label.empty()) return a.unit;
  return a.label + " (" + a.unit + ")";
}

// The width of the character that begins with byte c (see text_width); 0
// for a UTF-8 continuation byte.
double char_width(unsigned char c) {
  if ((c & 0xC0) == 0x80) return 0;
  if (c >= 'A' && c <= 'Z') return 8.4;
  if (c >= '0' && c <= '9') return 7.7;
  if (c >= 'a' && c <= 'z') return 7.0;
  if (c == ' ') return 3.9;
  if (c < 0x80) return 5.5;
  return 8.0;
}

// The first characters of text that fit max_width, with "…" when cut.
std::string fit_text(std::string_view text, double max_width) {
  if (text_width(text) <= max_width) return std::string(text);
  const double room = max_width - char_width(0xE2);  // the ellipsis
  double width = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const double w = char_width(static_cast<unsigned char>(text[i]));
    if (w > 0 && width + w > room) break;
    width += w;
    ++i;
  }
  return std::string(text.substr(0, i)) + "\xE2\x80\xA6";
}

// Maps data values to pixels along one axis.
struct Mapper {
  Mapper(Scale scale, double lo, double hi, double p0, double p1)
      : scale(scale),
        lo(lo),
        hi(hi),
        p0(p0),
        p1(p1),
        log_lo(scale == Scale::kLog ? std::log10(lo) : 0),
        log_hi(scale == Scale::kLog ? std::log10(hi) : 0) {}
  Scale scale = Scale::kLinear;
  double lo = 0, hi = 1;          // data range
  double p0 = 0, p1 = 1;          // pixels of lo and hi
  double log_lo = 0, log_hi = 0;  // their logarithms, for a log scale
  double operator()(double v) const {
    if (scale == Scale::kLog) return p0 + (std::log10(v) - log_lo) / (log_hi - log_lo) * (p1 - p0);
    return p0 + (v - lo) / (hi - lo) * (p1 - p0);
  }
  bool contains(double v) const {
    if (scale == Scale::kLog && v <= 0) return false;
    const double eps = (hi - lo) * 1e-9;
    return v >= lo - eps && v <= hi + eps;
  }
};

std::string tick_label(double v, int decimals) { return format_number(v, {decimals, true, false}); }

// The x of a label centred on x, moved in so that it stays inside the chart
// ("200,000" under the last tick of a full-width axis).
double centred_within(double x, std::string_view label) {
  const double half = text_width(label) / 2;
  return std::clamp(x, half + 2, kWidth - half - 2);
}

// ---------------------------------------------------------------- legend

enum class Glyph { kSwatch, kDot, kLine, kDashed, kBand };

struct LegendItem {
  std::string name;
  std::string colour;
  Glyph glyph;
};

double legend_item_width(const LegendItem& item) { return 22 + text_width(item.name) + 16; }

// The height the legend takes at the chart's width (0 when empty).
double legend_height(const std::vector<LegendItem>& items) {
  if (items.empty()) return 0;
  double x = 8;
  int rows = 1;
  for (const auto& item : items) {
    const double width = legend_item_width(item);
    if (x > 8 && x + width > kWidth - 8) {
      ++rows;
      x = 8;
    }
    x += width;
  }
  return rows * 18.0 + 4;
}

void write_legend(HtmlWriter& w, const std::vector<LegendItem>& items, double top) {
  if (items.empty()) return;
  w.open("g", {{"class", "legend"}});
  double x = 8, y = top;
  for (const auto& item : items) {
    const double width = legend_item_width(item);
    if (x > 8 && x + width > kWidth - 8) {
      x = 8;
      y += 18;
    }
    const std::string colour = item.colour;
    switch (item.glyph) {
      case Glyph::kSwatch:
        w.empty("rect", {{"x", px(x)}, {"y", px(y + 2)}, {"width", "14"}, {"height", "10"}, {"fill", colour}});
        break;
      case Glyph::kDot: w.empty("circle", {{"cx", px(x + 7)}, {"cy", px(y + 7)}, {"r", "4"}, {"fill", colour}}); break;
      case Glyph::kLine:
        w.empty("line", {{"x1", px(x)},
                         {"y1", px(y + 7)},
                         {"x2", px(x + 16)},
                         {"y2", px(y + 7)},
                         {"stroke", colour},
                         {"stroke-width", "2"}});
        break;
      case Glyph::kDashed:
        w.empty("line", {{"x1", px(x)},
                         {"y1", px(y + 7)},
                         {"x2", px(x + 16)},
                         {"y2", px(y + 7)},
                         {"stroke", colour},
                         {"stroke-width", "2"},
                         {"stroke-dasharray", "4 3"}});
        break;
      case Glyph::kBand:
        w.empty("rect", {{"x", px(x)},
                         {"y", px(y + 1)},
                         {"width", "16"},
                         {"height", "12"},
                         {"fill", colour},
                         {"stroke", kMuted},
                         {"stroke-width", "0.5"}});
        break;
    }
    w.element("text", item.name, {{"x", px(x + 22)}, {"y", px(y + 11)}});
    x += width;
  }
  w.close();
}

void open_svg(HtmlWriter& w, const std::string& title, double height) {
  const std::string box = "0 0 " + px(kWidth) + " " + px(height);
  w.open("svg", {{"xmlns", "http://www.w3.org/2000/svg"},
                 {"viewBox", box},
                 {"width", px(kWidth)},
                 {"height", px(height)},
                 {"role", "img"},
                 {"aria-label", title},
                 {"font-size", "12"}});
  w.element("title", title);
}

void open_figure(HtmlWriter& w, const std::string& title) {
  w.open("figure");
  w.element("figcaption", title);
}

void close_figure(HtmlWriter& w, const std::string& note) {
  if (!note.empty()) w.element("p", note, {{"class", "note"}});
  w.close();  // figure
  w.newline();
}

double nice_step(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / power;
  const double nice = m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10;
  return nice * power;
}

}  // namespace

std::string_view bar_colour(const BarChart& c, std::size_t s) {
  return s < c.series_colours.size() && !c.series_colours[s].empty() ? std::string_view(c.series_colours[s])
                                                                     : series_colour(s);
}

std::string_view series_colour(std::size_t i) {
  static constexpr std::array<std::string_view, 10> kPalette = {"#0072b2", "#e69f00", "#009e73", "#d55e00", "#cc79a7",
                                                                "#56b4e9", "#6f4e37", "#999999", "#000000", "#b8a100"};
  return kPalette[i % kPalette.size()];
}

char* put_px(char* out, double v) {
  if (std::fabs(v) < 0.05) {
    std::memcpy(out, "0.0", 3);
    return out + 3;
  }
  // A scatter chart writes tens of thousands of coordinates; in integers
  // this is several times quicker than to_chars, with the same digits.
  // Tenths as a whole number: the product v x 10 is rounded once, so only
  // a product that fell on a half needs the exact one to decide.
  if (std::fabs(v) < 1e12) {
    const double t = v * 10;
    double n = std::rint(t);  // ties to even, as to_chars' exact ties
    if (std::fabs(t - n) == 0.5) {
      const double rest = std::fma(v, 10, -t);  // v x 10 - t, exactly
      if (rest > 0) n = std::ceil(t);
      if (rest < 0) n = std::floor(t);
    }
    // The sign apart: -0.5 has no whole part to carry it.
    const auto tenths = static_cast<std::int64_t>(std::fabs(n));
    if (std::signbit(v)) *out++ = '-';
    out = std::to_chars(out, out + kPxRoom - 1, tenths / 10).ptr;
    *out++ = '.';
    *out++ = static_cast<char>('0' + tenths % 10);
    return out;
  }
  return std::to_chars(out, out + kPxRoom, v, std::chars_format::fixed, 1).ptr;
}

void append_px(std::string& out, double v) {
  char buffer[kPxRoom];
  out.append(buffer, static_cast<std::size_t>(put_px(buffer, v) - buffer));
}

double text_width(std::string_view text) {
  double width = 0;
  for (const char c : text) width += char_width(static_cast<unsigned char>(c));
  return width;
}

Ticks linear_ticks(double lo, double hi, int wanted) {
  Ticks t;
  if (!(hi > lo)) {
    const double pad = lo == 0 ? 1 : std::fabs(lo) * 0.1;
    lo -= pad;
    hi += pad;
  }
  const double step = nice_step((hi - lo) / std::max(wanted, 1));
  const double first = std::floor(lo / step + 1e-9);
  const double last = std::ceil(hi / step - 1e-9);
  t.lo = first * step;
  t.hi = last * step;
  for (double k = first; k <= last + 0.5; k += 1) {
    double v = k * step;
    if (std::fabs(v) < step * 1e-9) v = 0;
    t.at.push_back(v);
  }
  t.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  return t;
}

Ticks log_ticks(double lo, double hi) {
  Ticks t;
  if (!(lo > 0)) lo = 1;
  if (!(hi > lo)) hi = lo * 10;
  const int a = static_cast<int>(std::floor(std::log10(lo) + 1e-9));
  int b = static_cast<int>(std::ceil(std::log10(hi) - 1e-9));
  if (b <= a) b = a + 1;
  t.lo = std::pow(10.0, a);
  t.hi = std::pow(10.0, b);
  const bool fine = b - a <= 2;
  for (int k = a; k <= b; ++k) {
    const double p = std::pow(10.0, k);
    t.at.push_back(p);
    if (fine && k < b) {
      t.at.push_back(2 * p);
      t.at.push_back(5 * p);
    }
  }
  t.decimals = std::max(0, -a);
  return t;
}

// ---------------------------------------------------------------- bars

void write_bar_chart(HtmlWriter& w, const BarChart& c) {
  const std::size_t n_cat = c.categories.size();
  const std::size_t n_ser = c.series.size();
  const bool stacked = c.layout == BarLayout::kStacked;
  const bool horizontal = c.orientation == Orientation::kHorizontal;
  const auto value_at = [&](std::size_t s, std::size_t i) -> std::optional<double> {
    const auto& values = c.series[s].values;
    if (i >= values.size() || !values[i] || !std::isfinite(*values[i])) return std::nullopt;
    return values[i];
  };
  const auto band_at = [&](std::size_t i) -> std::optional<double> {
    if (i >= c.bands.size() || !c.bands[i] || !std::isfinite(*c.bands[i])) return std::nullopt;
    return std::fabs(*c.bands[i]);
  };

  // The value range: 0, every bar (or stack), band and reference line.
  double lo = 0, hi = 0;
  bool negative = false;
  for (std::size_t i = 0; i < n_cat; ++i) {
    double up = 0, down = 0;
    for (std::size_t s = 0; s < n_ser; ++s) {
      const auto v = value_at(s, i);
      if (!v) continue;
      if (stacked) {
        (*v >= 0 ? up : down) += *v;
      } else {
        up = std::max(up, *v);
        down = std::min(down, *v);
      }
    }
    lo = std::min(lo, down);
    hi = std::max(hi, up);
    if (down < 0) negative = true;
    if (const auto b = band_at(i)) {
      lo = std::min(lo, -*b);
      hi = std::max(hi, *b);
    }
  }
  for (const auto& r : c.references) {
    lo = std::min(lo, r.value);
    hi = std::max(hi, r.value);
  }
  if (c.value_axis.min) lo = *c.value_axis.min;
  if (c.value_axis.max) hi = *c.value_axis.max;
  Ticks ticks = linear_ticks(lo, hi);
  if (c.value_axis.min) ticks.lo = *c.value_axis.min;
  if (c.value_axis.max) ticks.hi = *c.value_axis.max;
  const int tick_decimals = c.value_axis.tick_decimals >= 0 ? c.value_axis.tick_decimals : ticks.decimals;

  std::vector<LegendItem> legend;
  if (n_ser > 1 || stacked) {
    for (std::size_t s = 0; s < n_ser; ++s)
      legend.push_back({c.series[s].name, std::string(bar_colour(c, s)), Glyph::kSwatch});
  }
  if (!c.bands.empty() && !c.band_label.empty()) legend.push_back({c.band_label, std::string(kBandFill), Glyph::kBand});
  for (const auto& r : c.references) {
    if (!r.label.empty()) legend.push_back({r.label, std::string(kInk), Glyph::kDashed});
  }
  const bool labels_on_bars = c.value_labels && !stacked;
  const auto value_text = [&](double v) { return format_number(v, c.value_style); };
  const auto band_text = [&](double v) {
    return format_number(v, {c.value_style.decimals, c.value_style.grouping, false});
  };
  const auto bar_text = [&](std::size_t s, std::size_t i, double v) {
    const auto& labels = c.series[s].labels;
    return i < labels.size() && !labels[i].empty() ? labels[i] : value_text(v);
  };
  double value_text_width = 0;
  if (labels_on_bars) {
    for (std::size_t s = 0; s < n_ser; ++s) {
      for (std::size_t i = 0; i < n_cat; ++i) {
        if (const auto v = value_at(s, i))
          value_text_width = std::max(value_text_width, text_width(bar_text(s, i, *v)));
      }
    }
  }

  const double legend_h = legend_height(legend);
  double top = 8 + legend_h;
  const double bar = stacked || n_ser <= 1 ? 18 : std::max(7.0, 15.0 - static_cast<double>(n_ser));
  const double block =
      stacked ? bar : static_cast<double>(n_ser) * bar + static_cast<double>(n_ser > 0 ? n_ser - 1 : 0) * 2;
  const std::string title_text = axis_title(c.value_axis);

  if (horizontal) {
    double label_w = 40;
    for (const auto& cat : c.categories) label_w = std::max(label_w, text_width(cat) + 14);
    label_w = std::min(label_w, 230.0);
    if (!c.category_label.empty()) top += 16;
    const double gap = 10;
    const double plot_h = std::max(1.0, static_cast<double>(n_cat)) * (block + gap);
    const double x0 = label_w + (labels_on_bars && negative ? value_text_width + 8 : 4);
    const double x1 = kWidth - (labels_on_bars ? value_text_width + 10 : 14);
    const double height = top + plot_h + 46;
    const Mapper x{Scale::kLinear, ticks.lo, ticks.hi, x0, x1};

    open_figure(w, c.title);
    open_svg(w, c.title, height);
    write_legend(w, legend, 6);
    if (!c.category_label.empty()) {
      w.element("text", c.category_label, {{"x", "4"}, {"y", px(top - 8)}, {"font-weight", "600"}});
    }
    // Grid and tick labels.
    w.open("g", {{"stroke", kGrid}});
    for (double t : ticks.at) {
      if (t < ticks.lo || t > ticks.hi) continue;
      w.empty("line", {{"x1", px(x(t))}, {"y1", px(top)}, {"x2", px(x(t))}, {"y2", px(top + plot_h)}});
    }
    w.close();
    w.open("g", {{"text-anchor", "middle"}, {"fill", kMuted}});
    for (double t : ticks.at) {
      if (t < ticks.lo || t > ticks.hi) continue;
      const std::string label = tick_label(t, tick_decimals);
      w.element("text", label, {{"x", px(centred_within(x(t), label))}, {"y", px(top + plot_h + 15)}});
    }
    w.close();
    w.element("text", title_text,
              {{"x", px((x0 + x1) / 2)}, {"y", px(height - 8)}, {"text-anchor", "middle"}, {"font-weight", "600"}});
    // Bands, bars, values and category labels.
    for (std::size_t i = 0; i < n_cat; ++i) {
      const double y_block = top + static_cast<double>(i) * (block + gap) + gap / 2;
      if (const auto b = band_at(i)) {
        w.open("rect", {{"x", px(x(-*b))},
                        {"y", px(y_block - 3)},
                        {"width", px(x(*b) - x(-*b))},
                        {"height", px(block + 6)},
                        {"fill", kBandFill}});
        w.element("title", c.band_label + ": " + c.categories[i] + ": \xC2\xB1" + band_text(*b));
        w.close();
      }
      double up = 0, down = 0;
      for (std::size_t s = 0; s < n_ser; ++s) {
        const auto v = value_at(s, i);
        if (!v) continue;
        double from = 0, to = *v, y = y_block + static_cast<double>(s) * (bar + 2);
        if (stacked) {
          double& acc = *v >= 0 ? up : down;
          from = acc;
          acc += *v;
          to = acc;
          y = y_block;
        }
        const double a = x(std::min(from, to)), b = x(std::max(from, to));
        w.open("rect", {{"x", px(a)},
                        {"y", px(y)},
                        {"width", px(std::max(b - a, 0.0))},
                        {"height", px(bar)},
                        {"fill", bar_colour(c, s)}});
        w.element("title", (c.series[s].name.empty() ? "" : c.series[s].name + ": ") + c.categories[i] + ": " +
                               bar_text(s, i, *v));
        w.close();
        if (labels_on_bars) {
          const bool neg = *v < 0;
          w.element("text", bar_text(s, i, *v),
                    {{"x", px(neg ? x(*v) - 4 : x(*v) + 4)},
                     {"y", px(y + bar / 2 + 4)},
                     {"text-anchor", neg ? "end" : "start"}});
        }
      }
      w.open("text", {{"x", px(label_w - 8)}, {"y", px(y_block + block / 2 + 4)}, {"text-anchor", "end"}});
      w.open("title");
      w.text(c.categories[i]);
      w.close();
      w.text(fit_text(c.categories[i], label_w - 14));
      w.close();
    }
    // The zero line and the reference lines over the bars.
    w.empty("line", {{"x1", px(x(0))},
                     {"y1", px(top - 2)},
                     {"x2", px(x(0))},
                     {"y2", px(top + plot_h + 2)},
                     {"stroke", kInk},
                     {"stroke-width", negative ? "1.5" : "1"}});
    for (const auto& r : c.references) {
      w.empty("line", {{"x1", px(x(r.value))},
                       {"y1", px(top - 2)},
                       {"x2", px(x(r.value))},
                       {"y2", px(top + plot_h + 2)},
                       {"stroke", kInk},
                       {"stroke-width", "1.2"},
                       {"stroke-dasharray", "5 3"}});
    }
    w.close();  // svg
    close_figure(w, c.note);
    return;
  }

  // Vertical: categories along the bottom, values up the side.
  double tick_w = 0;
  for (double t : ticks.at) tick_w = std::max(tick_w, text_width(tick_label(t, tick_decimals)));
  const double x0 = 26 + tick_w + 6;
  const double x1 = kWidth - 10;
  const double slot = (x1 - x0) / static_cast<double>(std::max<std::size_t>(n_cat, 1));
  double longest = 0;
  for (const auto& cat : c.categories) longest = std::max(longest, text_width(cat));
  const bool rotate = longest > slot - 6;
  const double label_h = rotate ? std::min(longest, 150.0) * 0.65 + 14 : 18;
  const double plot_h = 260;
  const double y_top = top + (labels_on_bars ? 14 : 4);
  const double y_bottom = y_top + plot_h;
  const double height = y_bottom + label_h + (c.category_label.empty() ? 8 : 26);
  const Mapper y{Scale::kLinear, ticks.lo, ticks.hi, y_bottom, y_top};
  const double group_w =
      std::min(slot * 0.8, stacked ? 40.0 : 22.0 * static_cast<double>(std::max<std::size_t>(n_ser, 1)));
  const double bar_w = stacked ? group_w : group_w / static_cast<double>(std::max<std::size_t>(n_ser, 1));

  open_figure(w, c.title);
  open_svg(w, c.title, height);
  write_legend(w, legend, 6);
  w.open("g", {{"stroke", kGrid}});
  for (double t : ticks.at) {
    if (t < ticks.lo || t > ticks.hi) continue;
    w.empty("line", {{"x1", px(x0)}, {"y1", px(y(t))}, {"x2", px(x1)}, {"y2", px(y(t))}});
  }
  w.close();
  w.open("g", {{"text-anchor", "end"}, {"fill", kMuted}});
  for (double t : ticks.at) {
    if (t < ticks.lo || t > ticks.hi) continue;
    w.element("text", tick_label(t, tick_decimals), {{"x", px(x0 - 6)}, {"y", px(y(t) + 4)}});
  }
  w.close();
  const std::string rotate_title = "rotate(-90 14 " + px((y_top + y_bottom) / 2) + ")";
  w.element("text", title_text,
            {{"x", "14"},
             {"y", px((y_top + y_bottom) / 2)},
             {"text-anchor", "middle"},
             {"font-weight", "600"},
             {"transform", rotate_title}});
  for (std::size_t i = 0; i < n_cat; ++i) {
    const double centre = x0 + (static_cast<double>(i) + 0.5) * slot;
    const double left = centre - group_w / 2;
    if (const auto b = band_at(i)) {
      w.open("rect", {{"x", px(left - 3)},
                      {"y", px(y(*b))},
                      {"width", px(group_w + 6)},
                      {"height", px(y(-*b) - y(*b))},
                      {"fill", kBandFill}});
      w.element("title", c.band_label + ": " + c.categories[i] + ": \xC2\xB1" + band_text(*b));
      w.close();
    }
    double up = 0, down = 0;
    for (std::size_t s = 0; s < n_ser; ++s) {
      const auto v = value_at(s, i);
      if (!v) continue;
      double from = 0, to = *v, bx = left + static_cast<double>(s) * bar_w;
      if (stacked) {
        double& acc = *v >= 0 ? up : down;
        from = acc;
        acc += *v;
        to = acc;
        bx = left;
      }
      const double a = y(std::max(from, to)), b = y(std::min(from, to));
      w.open("rect", {{"x", px(bx + (stacked ? 0 : 1))},
                      {"y", px(a)},
                      {"width", px(bar_w - (stacked ? 0 : 2))},
                      {"height", px(std::max(b - a, 0.0))},
                      {"fill", bar_colour(c, s)}});
      w.element("title", (c.series[s].name.empty() ? "" : c.series[s].name + ": ") + c.categories[i] + ": " +
                             bar_text(s, i, *v));
      w.close();
      if (labels_on_bars && text_width(bar_text(s, i, *v)) <= bar_w + 4) {
        const bool neg = *v < 0;
        w.element("text", bar_text(s, i, *v),
                  {{"x", px(bx + bar_w / 2)}, {"y", px(neg ? y(*v) + 13 : y(*v) - 4)}, {"text-anchor", "middle"}});
      }
    }
    if (rotate) {
      const std::string t = "rotate(-40 " + px(centre) + " " + px(y_bottom + 14) + ")";
      w.open("text", {{"x", px(centre)}, {"y", px(y_bottom + 14)}, {"text-anchor", "end"}, {"transform", t}});
    } else {
      w.open("text", {{"x", px(centre)}, {"y", px(y_bottom + 15)}, {"text-anchor", "middle"}});
    }
    w.open("title");
    w.text(c.categories[i]);
    w.close();
    w.text(rotate ? fit_text(c.categories[i], 150) : c.categories[i]);
    w.close();
  }
  w.empty("line", {{"x1", px(x0)},
                   {"y1", px(y(0))},
                   {"x2", px(x1)},
                   {"y2", px(y(0))},
                   {"stroke", kInk},
                   {"stroke-width", negative ? "1.5" : "1"}});
  for (const auto& r : c.references) {
    w.empty("line", {{"x1", px(x0)},
                     {"y1", px(y(r.value))},
                     {"x2", px(x1)},
                     {"y2", px(y(r.value))},
                     {"stroke", kInk},
                     {"stroke-width", "1.2"},
                     {"stroke-dasharray", "5 3"}});
  }
  if (!c.category_label.empty()) {
    w.element("text", c.category_label,
              {{"x", px((x0 + x1) / 2)}, {"y", px(height - 8)}, {"text-anchor", "middle"}, {"font-weight", "600"}});
  }
  w.close();  // svg
  close_figure(w, c.note);
}

// ---------------------------------------------------------------- x-y

namespace {

struct Range {
  double lo = 0, hi = 0;
  bool any = false;
  void take(double v, Scale scale) {
    if (!std::isfinite(v) || (scale == Scale::kLog && v <= 0)) return;
    lo = any ? std::min(lo, v) : v;
    hi = any ? std::max(hi, v) : v;
    any = true;
  }
};

Ticks axis_ticks(const Axis& a, const Range& r) {
  double lo = r.any ? r.lo : (a.scale == Scale::kLog ? 1 : 0);
  double hi = r.any ? r.hi : (a.scale == Scale::kLog ? 10 : 1);
  if (a.min) lo = *a.min;
  if (a.max) hi = *a.max;
  Ticks t = a.scale == Scale::kLog ? log_ticks(lo, hi) : linear_ticks(lo, hi);
  if (a.min) t.lo = *a.min;
  if (a.max) t.hi = *a.max;
  if (a.tick_decimals >= 0) t.decimals = a.tick_decimals;
  return t;
}

}  // namespace

void write_xy_chart(HtmlWriter& w, const XyChart& c) {
  Range rx, ry;
  for (const auto& s : c.points) {
    for (const auto& [x, y] : s.points) {
      rx.take(x, c.x.scale);
      ry.take(y, c.y.scale);
    }
  }
  for (const auto& s : c.lines) {
    for (const auto& [x, y] : s.points) {
      rx.take(x, c.x.scale);
      ry.take(y, c.y.scale);
    }
  }
  for (const auto& b : c.bands) {
    for (std::size_t i = 0; i < b.x.size() && i < b.lower.size() && i < b.upper.size(); ++i) {
      rx.take(b.x[i], c.x.scale);
      ry.take(b.lower[i], c.y.scale);
      ry.take(b.upper[i], c.y.scale);
    }
  }
  const Ticks tx = axis_ticks(c.x, rx);
  const Ticks ty = axis_ticks(c.y, ry);

  std::vector<LegendItem> legend;
  for (std::size_t b = 0; b < c.bands.size(); ++b)
    legend.push_back({c.bands[b].name, std::string(kBandFill), Glyph::kBand});
  if (c.identity_line) legend.push_back({"y = x", std::string(kInk), Glyph::kDashed});
  std::size_t colour = 0;
  std::vector<std::string> line_colours, point_colours;
  for (const auto& l : c.lines) {
    line_colours.emplace_back(series_colour(colour++));
    legend.push_back({l.name, line_colours.back(), l.dashed ? Glyph::kDashed : Glyph::kLine});
  }
  for (const auto& p : c.points) {
    point_colours.emplace_back(series_colour(colour++));
    legend.push_back({p.name, point_colours.back(), Glyph::kDot});
  }

  double tick_w = 0;
  for (double t : ty.at) tick_w = std::max(tick_w, text_width(tick_label(t, ty.decimals)));
  const double top = 10 + legend_height(legend);
  const double x0 = 26 + tick_w + 6, x1 = kWidth - 14;
  const double y0 = top + 6, y1 = y0 + 400;
  const double height = y1 + 46;
  const Mapper mx{c.x.scale, tx.lo, tx.hi, x0, x1};
  const Mapper my{c.y.scale, ty.lo, ty.hi, y1, y0};
  const std::string clip = "korvo-clip-" + std::to_string(w.next_id());

  open_figure(w, c.title);
  open_svg(w, c.title, height);
  w.open("defs");
  w.open("clipPath", {{"id", clip}});
  w.empty("rect", {{"x", px(x0)}, {"y", px(y0)}, {"width", px(x1 - x0)}, {"height", px(y1 - y0)}});
  w.close();
  w.close();
  write_legend(w, legend, 6);

  // Grid and ticks.
  w.open("g", {{"stroke", kGrid}});
  for (double t : tx.at) {
    if (!mx.contains(t)) continue;
    w.empty("line", {{"x1", px(mx(t))}, {"y1", px(y0)}, {"x2", px(mx(t))}, {"y2", px(y1)}});
  }
  for (double t : ty.at) {
    if (!my.contains(t)) continue;
    w.empty("line", {{"x1", px(x0)}, {"y1", px(my(t))}, {"x2", px(x1)}, {"y2", px(my(t))}});
  }
  w.close();
  w.open("g", {{"fill", kMuted}});
  for (double t : tx.at) {
    if (!mx.contains(t)) continue;
    const std::string label = tick_label(t, tx.decimals);
    w.element("text", label, {{"x", px(centred_within(mx(t), label))}, {"y", px(y1 + 15)}, {"text-anchor", "middle"}});
  }
  for (double t : ty.at) {
    if (!my.contains(t)) continue;
    w.element("text", tick_label(t, ty.decimals), {{"x", px(x0 - 6)}, {"y", px(my(t) + 4)}, {"text-anchor", "end"}});
  }
  w.close();
  w.element("text", axis_title(c.x),
            {{"x", px((x0 + x1) / 2)}, {"y", px(height - 8)}, {"text-anchor", "middle"}, {"font-weight", "600"}});
  const std::string rotate = "rotate(-90 14 " + px((y0 + y1) / 2) + ")";
  w.element("text", axis_title(c.y),
            {{"x", "14"},
             {"y", px((y0 + y1) / 2)},
             {"text-anchor", "middle"},
             {"font-weight", "600"},
             {"transform", rotate}});

  const auto usable = [](const Mapper& m, double v) {
    return std::isfinite(v) && (m.scale == Scale::kLinear || v > 0);
  };
  const std::string clip_ref = "url(#" + clip + ")";
  w.open("g", {{"clip-path", clip_ref}});
  // Bands: along the upper curve, back along the lower one.
  for (const auto& b : c.bands) {
    std::string d;
    const std::size_t n = std::min({b.x.size(), b.lower.size(), b.upper.size()});
    std::vector<std::size_t> ok;
    for (std::size_t i = 0; i < n; ++i) {
      if (usable(mx, b.x[i]) && usable(my, b.lower[i]) && usable(my, b.upper[i])) ok.push_back(i);
    }
    for (std::size_t k = 0; k < ok.size(); ++k) {
      d += (k == 0 ? "M" : "L") + px(mx(b.x[ok[k]])) + " " + px(my(b.upper[ok[k]]));
    }
    for (std::size_t k = ok.size(); k-- > 0;) d += "L" + px(mx(b.x[ok[k]])) + " " + px(my(b.lower[ok[k]]));
    if (!d.empty()) {
      d += "Z";
      w.empty("path", {{"d", d}, {"fill", kBandFill}, {"stroke", "none"}});
    }
  }
  if (c.identity_line) {
    const double lo = std::max(tx.lo, ty.lo), hi = std::min(tx.hi, ty.hi);
    if (hi > lo && usable(mx, lo) && usable(my, lo)) {
      w.empty("line", {{"x1", px(mx(lo))},
                       {"y1", px(my(lo))},
                       {"x2", px(mx(hi))},
                       {"y2", px(my(hi))},
                       {"stroke", kInk},
                       {"stroke-width", "1.2"},
                       {"stroke-dasharray", "5 3"}});
    }
  }
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    std::string d;
    for (const auto& [x, y] : c.lines[l].points) {
      if (!usable(mx, x) || !usable(my, y)) continue;
      d += (d.empty() ? "M" : "L") + px(mx(x)) + " " + px(my(y));
    }
    if (d.empty()) continue;
    std::vector<Attribute> a = {{"d", d}, {"fill", "none"}, {"stroke", line_colours[l]}, {"stroke-width", "2"}};
    if (c.lines[l].dashed) a.push_back({"stroke-dasharray", "6 4"});
    w.empty("path", a);
  }
  w.close();  // clipped group

  // Points: one path per series, a round dot per point ("M x y h0").
  std::size_t hidden = 0;
  for (std::size_t s = 0; s < c.points.size(); ++s) {
    std::string d;
    const auto& series = c.points[s];
    d.reserve(series.points.size() * 16);
    for (const auto& [x, y] : series.points) {
      if (!mx.contains(x) || !my.contains(y)) {
        ++hidden;
        continue;
      }
      // Formed whole and appended once: appended piece by piece, the points
      // took two fifths of the instructions the page took to write.
      char point[2 * kPxRoom + 4];
      char* end = point;
      *end++ = 'M';
      end = put_px(end, mx(x));
      *end++ = ' ';
      end = put_px(end, my(y));
      *end++ = 'h';
      *end++ = '0';
      d.append(point, static_cast<std::size_t>(end - point));
    }
    if (!d.empty()) {
      w.open("path", {{"d", d},
                      {"stroke", point_colours[s]},
                      {"stroke-width", "5"},
                      {"stroke-linecap", "round"},
                      {"stroke-opacity", "0.8"},
                      {"fill", "none"}});
      w.element("title", series.name);
      w.close();
    }
    for (std::size_t i = 0; i < series.labels.size() && i < series.points.size(); ++i) {
      const auto [x, y] = series.points[i];
      if (series.labels[i].empty() || !mx.contains(x) || !my.contains(y)) continue;
      // A label that would run past the plot's right edge goes left of its point.
      if (mx(x) + 6 + text_width(series.labels[i]) > x1) {
        w.element("text", series.labels[i],
                  {{"x", px(mx(x) - 6)}, {"y", px(my(y) - 5)}, {"fill", kInk}, {"text-anchor", "end"}});
      } else {
        w.element("text", series.labels[i], {{"x", px(mx(x) + 6)}, {"y", px(my(y) - 5)}, {"fill", kInk}});
      }
    }
  }
  w.empty("rect", {{"x", px(x0)},
                   {"y", px(y0)},
                   {"width", px(x1 - x0)},
                   {"height", px(y1 - y0)},
                   {"fill", "none"},
                   {"stroke", kMuted}});
  w.close();  // svg
  std::string note = c.note;
  if (hidden > 0) {
    if (!note.empty()) note += " ";
    note += format_number(static_cast<double>(hidden), {0, true, false}) +
            (hidden == 1 ? " point lies" : " points lie") + " outside the axes (at or below 0 on a log scale) and " +
            (hidden == 1 ? "is" : "are") + " not shown.";
  }
  close_figure(w, note);
}

}  // namespace korvo::html
