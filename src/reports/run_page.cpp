#include "reports/run_page.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "reports/html/html_writer.h"
#include "reports/html/svg_chart.h"

namespace korvo {
namespace {

using html::Align;
using html::Badge;
using html::Cell;
using html::HtmlWriter;
using html::NumberStyle;
using html::Table;
using html::Tone;

constexpr NumberStyle kWhole{0, true, false};
constexpr NumberStyle kOneDecimal{1, true, false};
constexpr NumberStyle kRatio{3, true, false};
constexpr NumberStyle kSigned{1, true, true};
constexpr int kLaneTotal = kLaneClassCount;
constexpr std::string_view kLevels = "ABCDEF";
// Beyond this many counted links the scatter draws a sample (the statistics' limit).
constexpr double kScatterLimit = static_cast<double>(ValidationStats::kScatterLimit);

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string whole(double v) { return html::format_number(v, kWhole); }
// "45.0 %" with a no-break space: the sign stays with its figure.
std::string percent(double v, NumberStyle style = kOneDecimal) { return html::format_number(v, style) + "\xC2\xA0%"; }

Tone verdict_tone(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPreferable: return Tone::kGood;
    case Verdict::kAcceptable: return Tone::kFair;
    case Verdict::kOutside: return Tone::kBad;
    case Verdict::kNone: break;
  }
  return Tone::kNeutral;
}

std::optional<Badge> verdict_badge(Verdict verdict) {
  if (verdict == Verdict::kNone) return std::nullopt;
  return Badge{std::string(verdict_name(verdict)), verdict_tone(verdict)};
}

std::optional<double> value(const Figure& f) {
  if (!f.has_value()) return std::nullopt;
  return f.kind == Figure::Kind::kWhole ? static_cast<double>(f.whole_value) : f.value;
}

Cell number_cell(const Figure& f, NumberStyle style = {}, std::string_view suffix = {}) {
  const auto v = value(f);
  if (!v) return Cell::empty_number();
  Cell c = Cell::number(*v, style);
  c.text += suffix;
  return c;
}

Cell number_cell(double v, NumberStyle style = {}) { return Cell::number(v, style); }

Cell text_cell(std::string text) {
  Cell c;
  c.text = std::move(text);
  return c;
}

// "acceptable 40 %, preferable 30 %", or "" without targets.
std::string targets_text(const StatsRow& row, bool ratio_targets) {
  const auto acc = value(row.target_acceptable);
  const auto pref = value(row.target_preferable);
  if (!acc && !pref) return {};
  const std::string_view lead = ratio_targets ? "within \xC2\xB1" : "at most ";
  std::string text = "Targets: ";
  if (acc)
    text += "acceptable " + std::string(lead) + percent(*acc, {html::auto_decimals(*acc) > 1 ? 1 : 0, true, false});
  if (pref)
    text += ", preferable " + std::string(lead) + percent(*pref, {html::auto_decimals(*pref) > 1 ? 1 : 0, true, false});
  return text;
}

const StatsRow* find_row(std::span<const StatsRow> rows, StatsSection section, std::string_view key) {
  for (const StatsRow& row : rows) {
    if (row.section == section && row.key == key) return &row;
  }
  return nullptr;
}

std::vector<const StatsRow*> section_rows(std::span<const StatsRow> rows, StatsSection section) {
  std::vector<const StatsRow*> out;
  for (const StatsRow& row : rows) {
    if (row.section == section) out.push_back(&row);
  }
  return out;
}

std::string class_name(int number, std::string_view label) {
  const std::string text = trimmed(label);
  return text.empty() ? "Class " + std::to_string(number) : std::to_string(number) + " " + text;
}

// ---------------------------------------------------------------- the run

void write_run(HtmlWriter& w, const RunPageData& d) {
  const RunPageHeader& h = d.header;
  const bool analysis = h.type == RunType::kAnalysis;
  html::begin_section(w, "run", "The run");
  w.element("p",
            analysis ? "Analysis run: assigned volumes against capacity, with levels of service, delay, emissions, "
                       "fuel, safety and costs."
                     : "Validation run: assigned volumes against ground counts. The verdicts come first; the charts "
                       "and tables behind them follow.",
            {{"class", "lead"}});
  w.open("dl", {{"class", "runs"}});
  w.element("dt", "Scenario");
  w.element("dd", h.scenario.empty() ? "(none)" : h.scenario);
  for (std::size_t t = 0; t < h.titles.size(); ++t) {
    if (h.titles[t].empty()) continue;
    w.element("dt", "Title " + std::to_string(t + 1));
    w.element("dd", h.titles[t]);
  }
  w.element("dt", "Run date");
  w.element("dd", h.run_date);
  w.element("dt", "Input files");
  std::string files;
  for (const std::string& f : h.input_files) files += (files.empty() ? "" : ", ") + f;
  w.element("dd", files.empty() ? "(none listed)" : files);
  w.close();
  w.newline();

  const ValidationStats& s = *d.stats;
  std::int64_t read = 0;
  for (int k = 0; k < kLinkOutcomeCount; ++k) read += s.status_count(static_cast<LinkOutcome>(k));
  Table links;
  links.columns = {"Link records", "Number", "Share of those read"};
  links.column_align = {Align::kLeft, Align::kRight, Align::kRight};
  struct LinkLine {
    std::string_view text;
    std::int64_t n;
  };
  const LinkLine lines[] = {
      {"Evaluated", s.status_count(LinkOutcome::kEvaluated)},
      {"Skipped: facility or area type without a class (KVSKIP.LNK)", s.status_count(LinkOutcome::kUnclassified)},
      {"Skipped: centroid connectors (facility types 50 to 59)", s.status_count(LinkOutcome::kConnectorPassedOver)},
      {"Skipped: congested time and cost both 0", s.status_count(LinkOutcome::kZeroTimePassedOver)},
      {"Skipped: location not selected (GLS)", s.status_count(LinkOutcome::kLocationDeselected)},
  };
  for (const LinkLine& line : lines) {
    std::vector<Cell> row{Cell::label(std::string(line.text)), number_cell(static_cast<double>(line.n), kWhole)};
    row.push_back(read > 0 ? Cell(text_cell(percent(100.0 * static_cast<double>(line.n) / static_cast<double>(read))))
                           : Cell::empty_number());
    row.back().align = Align::kRight;
    links.rows.push_back(std::move(row));
  }
  links.totals.push_back({Cell::label("Read"), number_cell(static_cast<double>(read), kWhole), Cell::empty_number()});
  if (!analysis) {
    links.totals.push_back({Cell::label("Counted (evaluated, count above 0)"),
                            number_cell(static_cast<double>(s.counted_links()), kWhole), Cell::empty_number()});
  }
  html::write_table(w, links);

  w.element("h3", "Data checks");
  std::vector<DataCheck> raised;
  for (int k = 0; k < kDataCheckCount; ++k) {
    const auto check = static_cast<DataCheck>(k);
    // Counts are a validation matter: an analysis run's links have none.
    if (analysis && (check == DataCheck::kNoCount || check == DataCheck::kCountedZeroVolume)) continue;
    if (s.check_count(check) > 0) raised.push_back(check);
  }
  if (raised.empty()) {
    w.open("p");
    html::write_badge(w, "no warnings", Tone::kGood);
    w.text(" Every data check is clear.");
    w.close();
  } else {
    w.open("ul", {{"class", "checks"}});
    for (DataCheck check : raised) {
      w.open("li");
      html::write_badge(w, "check", check == DataCheck::kNoCount ? Tone::kNeutral : Tone::kFair);
      w.text(" " + whole(static_cast<double>(s.check_count(check))) + " " + std::string(data_check_name(check)) + ": " +
             std::string(data_check_hint(check)));
      w.close();
    }
    w.close();
    w.newline();
  }
  html::end_section(w);
}

// ---------------------------------------------------------------- validation

void write_cards(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "verdict", "Verdict");
  w.open("div", {{"class", "cards"}});
  if (const StatsRow* r = find_row(d.rows, StatsSection::kAreawide, "rmse")) {
    const auto v = value(r->rmse_pct);
    html::Card card{"Areawide %RMSE", v ? percent(*v) : "n/a", {}, targets_text(*r, false)};
    if (auto b = verdict_badge(r->result)) card.badge = *b;
    if (!v) card.note = "Needs at least two counted links.";
    html::write_card(w, card);
  }
  if (const StatsRow* r = find_row(d.rows, StatsSection::kAreawide, "vmt")) {
    const auto v = value(r->vmt_ratio);
    html::Card card{
        "VMT ratio (volume / count)", v ? html::format_number(*v, kRatio) : "n/a", {}, targets_text(*r, true)};
    if (auto b = verdict_badge(r->result)) card.badge = *b;
    html::write_card(w, card);
  }
  if (const StatsRow* r = find_row(d.rows, StatsSection::kMdd, "within")) {
    const auto v = value(r->ratio);
    html::Card card{"Counted links within the MDD",
                    v ? percent(100.0 * *v) : "n/a",
                    {"no target", Tone::kNeutral},
                    (value(r->links) ? whole(*value(r->links)) : std::string("0")) + " of " +
                        whole(static_cast<double>(d.stats->counted_links())) +
                        " links deviate from their count by no more than the maximum desirable deviation."};
    html::write_card(w, card);
  }
  if (const StatsRow* r = find_row(d.rows, StatsSection::kGeh, "lt5")) {
    const auto v = value(r->ratio);
    html::Card card{"Links with a GEH below 5", v ? percent(100.0 * *v) : "n/a", {}, {}};
    if (auto b = verdict_badge(r->result)) card.badge = *b;
    if (const auto t = value(r->target_acceptable))
      card.note = "Target: at least " + percent(*t, kWhole) + " of counted links.";
    html::write_card(w, card);
  } else if (const StatsRow* n = find_row(d.rows, StatsSection::kGeh, "not_computed")) {
    html::write_card(w, {"GEH", "not computed", {"no target", Tone::kNeutral}, n->label});
  }
  w.close();
  w.newline();
  w.element("p",
            "A verdict reads preferable when the figure meets the preferable target, acceptable when it meets only "
            "the acceptable one, outside otherwise. The targets are the defaults or those of KVTARGET.SYN.",
            {{"class", "note"}});
  html::end_section(w);
}

// The facility-type classes of the sample in ascending order, one series each.
void write_scatter(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "scatter", "Volumes against counts");
  const ValidationStats& s = *d.stats;
  const auto points = s.scatter();
  if (points.empty()) {
    w.element("p", "No counted links: nothing to draw.", {{"class", "note"}});
    html::end_section(w);
    return;
  }
  double lo = 0, hi = 0;
  bool any = false;
  for (const ScatterPoint& p : points) {
    for (double v : {static_cast<double>(p.count), static_cast<double>(p.volume)}) {
      if (!(v > 0)) continue;
      lo = any ? std::min(lo, v) : v;
      hi = any ? std::max(hi, v) : v;
      any = true;
    }
  }
  // Log axes when the counts span more than two decades.
  const bool log = any && hi / lo > 100.0;
  html::XyChart chart;
  chart.title = "Assigned volume against ground count, by facility-type class";
  const html::Scale scale = log ? html::Scale::kLog : html::Scale::kLinear;
  chart.x = html::Axis("Count", "vehicles per day", scale);
  chart.y = html::Axis("Assigned volume", "vehicles per day", scale);
  if (!log) {
    chart.x.min = 0;
    chart.y.min = 0;
  }
  chart.identity_line = true;
  html::Band band;
  band.name = "maximum desirable deviation (MDD)";
  const double band_lo = log ? std::max(lo, 1.0) : std::max(hi / 200.0, 1.0);
  const int steps = 48;
  for (int i = 0; i <= steps; ++i) {
    const double x = band_lo * std::pow(hi / band_lo, static_cast<double>(i) / steps);
    const double m = mdd_percent(x).value_or(0) / 100.0;
    band.x.push_back(x);
    band.upper.push_back(x * (1 + m));
    // On a log axis the band's lower edge stops at the axis' bottom.
    band.lower.push_back(log ? std::max(x * (1 - m), lo) : std::max(x * (1 - m), 0.0));
  }
  chart.bands.push_back(std::move(band));
  int series_class = -1;
  for (const ScatterPoint& p : points) {
    if (p.ft_class != series_class) {
      series_class = p.ft_class;
      html::PointSeries series;
      series.name = class_name(p.ft_class, d.classes->ft_label(p.ft_class));
      chart.points.push_back(std::move(series));
    }
    chart.points.back().points.emplace_back(p.count, p.volume);
  }
  const auto n = static_cast<double>(s.scatter_population());
  chart.note = n > kScatterLimit ? "A sample of " + whole(kScatterLimit) + " of " + whole(n) +
                                       " counted links (the same links in every run of the same network)."
                                 : "All " + whole(n) + " counted links.";
  chart.note +=
      " Points on the dashed line y = x match their count; the shaded band is the maximum desirable "
      "deviation, wide for small counts and narrow for large ones.";
  if (log) chart.note += " Both axes are logarithmic.";
  html::write_xy_chart(w, chart);
  html::end_section(w);
}

void write_count_groups(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "count-groups", "%RMSE by count group");
  const auto rows = section_rows(d.rows, StatsSection::kCountGroup);
  Table t;
  t.columns = {"Count group",    "Links", "Count sum",  "Volume sum",
               "Volume / count", "%RMSE", "Acceptable", "Preferable"};
  t.column_align = {Align::kLeft,  Align::kRight, Align::kRight, Align::kRight,
                    Align::kRight, Align::kRight, Align::kRight, Align::kRight};
  html::BarChart chart;
  chart.title = "%RMSE by count group against the targets";
  chart.orientation = html::Orientation::kVertical;
  chart.value_axis = {"%RMSE", "percent"};
  chart.category_label = "Count group (vehicles per day)";
  chart.value_style = kOneDecimal;
  html::BarSeries rmse{"%RMSE", {}, {}};
  html::BarSeries acc{"acceptable target", {}, {}};
  html::BarSeries pref{"preferable target", {}, {}};
  for (const StatsRow* r : rows) {
    Cell rmse_cell = number_cell(r->rmse_pct, kOneDecimal, "\xC2\xA0%");
    rmse_cell.badge = verdict_badge(r->result);
    t.rows.push_back({Cell::label(r->key), number_cell(r->links, kWhole), number_cell(r->count_sum, kWhole),
                      number_cell(r->volume_sum, kWhole), number_cell(r->ratio, kRatio), rmse_cell,
                      number_cell(r->target_acceptable, kOneDecimal, "\xC2\xA0%"),
                      number_cell(r->target_preferable, kOneDecimal, "\xC2\xA0%")});
    chart.categories.push_back(r->key);
    rmse.values.push_back(value(r->rmse_pct));
    rmse.labels.push_back(value(r->rmse_pct)
                              ? html::format_number(*value(r->rmse_pct), kOneDecimal) +
                                    (r->result == Verdict::kNone ? "" : " " + std::string(verdict_name(r->result)))
                              : std::string());
    acc.values.push_back(value(r->target_acceptable));
    pref.values.push_back(value(r->target_preferable));
  }
  t.empty_text = "No count groups.";
  html::write_table(w, t);
  chart.series = {rmse, acc, pref};
  chart.note =
      "A group meets a target when its %RMSE is at or below it; a group with fewer than two counted links "
      "has no %RMSE.";
  if (!chart.categories.empty()) html::write_bar_chart(w, chart);
  html::end_section(w);
}

void write_class_ratios(HtmlWriter& w, const RunPageData& d, StatsSection section) {
  const bool ft = section == StatsSection::kFtClass;
  const std::string axis = ft ? "Facility-type class" : "Area-type class";
  w.element("h3", "VMT ratio by " + std::string(ft ? "facility-type" : "area-type") + " class");
  const auto rows = section_rows(d.rows, section);
  Table t;
  t.columns = {axis, "Links", "VMT from counts", "VMT from volumes", "VMT ratio", "%RMSE", "Acceptable", "Preferable"};
  t.column_align = {Align::kLeft,  Align::kRight, Align::kRight, Align::kRight,
                    Align::kRight, Align::kRight, Align::kRight, Align::kRight};
  html::BarChart chart;
  chart.title = "VMT ratio by " + std::string(ft ? "facility-type" : "area-type") + " class, as deviation from 1";
  chart.value_axis = {"Deviation of the VMT ratio from 1", "percent"};
  chart.category_label = axis;
  chart.value_style = kSigned;
  chart.band_label = "acceptable target";
  html::BarSeries series{"VMT ratio", {}, {}};
  for (const StatsRow* r : rows) {
    Cell ratio = number_cell(r->vmt_ratio, kRatio);
    ratio.badge = verdict_badge(r->result);
    const std::string name = class_name(std::atoi(r->key.c_str()), r->label);
    t.rows.push_back({Cell::label(name), number_cell(r->links, kWhole), number_cell(r->vmt_count, kWhole),
                      number_cell(r->vmt_volume, kWhole), ratio, number_cell(r->rmse_pct, kOneDecimal, "\xC2\xA0%"),
                      number_cell(r->target_acceptable, kOneDecimal, "\xC2\xA0%"),
                      number_cell(r->target_preferable, kOneDecimal, "\xC2\xA0%")});
    chart.categories.push_back(name);
    const auto v = value(r->vmt_ratio);
    series.values.push_back(v ? std::optional<double>((*v - 1.0) * 100.0) : std::nullopt);
    series.labels.push_back(v ? html::format_number(*v, kRatio) +
                                    (r->result == Verdict::kNone ? "" : " " + std::string(verdict_name(r->result)))
                              : std::string());
    chart.bands.push_back(value(r->target_acceptable));
  }
  t.empty_text = "No class has a counted link.";
  html::write_table(w, t);
  chart.series = {series};
  chart.references = {{0.0, "ratio 1.000 (volumes match counts)"}};
  chart.note =
      "Right of the line: the assignment carries more vehicle miles than the counts. Each bar is labelled "
      "with the ratio and its verdict; the shaded band is the acceptable target.";
  if (!chart.categories.empty()) html::write_bar_chart(w, chart);
}

void write_screenlines(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "screenlines", "Screenlines");
  const auto rows = section_rows(d.rows, StatsSection::kScreenline);
  if (rows.empty()) {
    w.element("p", "No screenline has a count.", {{"class", "note"}});
    html::end_section(w);
    return;
  }
  html::XyChart chart;
  chart.title = "Screenline deviation against the maximum desirable deviation";
  chart.x = html::Axis("Screenline count total", "vehicles per day", html::Scale::kLog);
  chart.y = html::Axis("Deviation of the volume from the count", "percent");
  double lo = 0, hi = 0;
  html::PointSeries inside{"within the MDD (acceptable)", {}, {}};
  html::PointSeries outside{"outside the MDD", {}, {}};
  Table t;
  t.columns = {"Screenline",     "Counted links", "Count total", "Volume total",
               "Volume / count", "Deviation",     "MDD",         "Verdict"};
  t.column_align = {Align::kLeft,  Align::kRight, Align::kRight, Align::kRight,
                    Align::kRight, Align::kRight, Align::kRight, Align::kLeft};
  for (const StatsRow* r : rows) {
    const double count = value(r->count_sum).value_or(0);
    const double ratio = value(r->ratio).value_or(0);
    const double deviation = (ratio - 1.0) * 100.0;
    lo = lo == 0 ? count : std::min(lo, count);
    hi = std::max(hi, count);
    const std::string name = r->label.empty() ? "Screenline " + r->key : r->key + " " + r->label;
    html::PointSeries& target = r->result == Verdict::kOutside ? outside : inside;
    target.points.emplace_back(count, deviation);
    target.labels.push_back(name);
    Cell verdict;
    verdict.badge = verdict_badge(r->result);
    t.rows.push_back({Cell::label(name), number_cell(r->links, kWhole), number_cell(r->count_sum, kWhole),
                      number_cell(r->volume_sum, kWhole), number_cell(r->ratio, kRatio),
                      text_cell(percent(deviation, kSigned)),
                      number_cell(r->target_acceptable, kOneDecimal, "\xC2\xA0%"), verdict});
    t.rows.back()[5].align = Align::kRight;
  }
  html::Band band;
  band.name = "within the maximum desirable deviation (MDD)";
  const double from = std::max(lo / 2.0, 1.0), to = std::max(hi * 2.0, from * 10.0);
  for (int i = 0; i <= 40; ++i) {
    const double x = from * std::pow(to / from, i / 40.0);
    const double m = mdd_percent(x).value_or(0);
    band.x.push_back(x);
    band.lower.push_back(-m);
    band.upper.push_back(m);
  }
  chart.bands.push_back(std::move(band));
  chart.points = {inside, outside};
  // Keep the steep small-count end of the curve from squeezing the points.
  double reach = 0;
  for (const StatsRow* r : rows) reach = std::max(reach, std::fabs((value(r->ratio).value_or(0) - 1.0) * 100.0));
  const double mdd_lo = mdd_percent(lo).value_or(100);
  const double limit = std::max(reach, mdd_lo) * 1.2;
  chart.y.min = -limit;
  chart.y.max = limit;
  chart.note =
      "Each point is a screenline: its volume total's deviation from its count total. Inside the shaded "
      "band the deviation is within the maximum desirable deviation for a total of that size.";
  html::write_xy_chart(w, chart);
  html::write_table(w, t);
  html::end_section(w);
}

void write_largest(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "largest", "The largest deviations");
  const auto top = d.stats->top_deviations();
  const Targets& targets = *d.targets;
  const bool geh_on = targets.geh && targets.hour_factor > 0;
  w.element("p",
            "The " + std::to_string(top.size()) +
                " counted links whose volume differs most from their count, in vehicles per day: look at these "
                "first for coding errors and misplaced counts.",
            {{"class", "lead"}});
  Table t;
  t.columns = {"Rank",   "A-node", "B-node",         "Facility type", "Area type",
               "Volume", "Count",  "Volume - count", "Volume / count"};
  t.column_align = {Align::kRight, Align::kRight, Align::kRight, Align::kLeft, Align::kLeft,
                    Align::kRight, Align::kRight, Align::kRight, Align::kRight};
  if (geh_on) {
    t.columns.push_back("GEH");
    t.column_align.push_back(Align::kRight);
  }
  int rank = 0;
  for (const TopLink& link : top) {
    std::vector<Cell> row{number_cell(++rank, kWhole),
                          number_cell(link.anode, {0, false, false}),
                          number_cell(link.bnode, {0, false, false}),
                          text_cell(class_name(link.ft_class, d.classes->ft_label(link.ft_class))),
                          text_cell(class_name(link.at_class, d.classes->at_label(link.at_class))),
                          number_cell(link.volume, kWhole),
                          number_cell(link.count, kWhole),
                          number_cell(link.volume - link.count, {0, true, true}),
                          link.count > 0 ? number_cell(link.volume / link.count, kRatio) : Cell::empty_number()};
    if (geh_on) row.push_back(number_cell(geh(link.volume, link.count, targets.hour_factor), kOneDecimal));
    t.rows.push_back(std::move(row));
  }
  t.empty_text = "No counted links.";
  html::write_table(w, t);
  if (!geh_on) w.element("p", "GEH is not shown: set GEH hourfactor share in KVTARGET.SYN.", {{"class", "note"}});
  html::end_section(w);
}

// ---------------------------------------------------------------- analysis

// The facility-type classes a table shows: those with links, then the Total.
std::vector<int> shown_ft_classes(const RunPageData& d) {
  const EvalSums& sums = d.acc->sums;
  std::vector<int> classes;
  for (int c = 1; c < sums.nft(); ++c) {
    if (sums.at(c, sums.nat(), kLaneTotal, Slot::LINKS) != 0.0f) classes.push_back(c);
  }
  classes.push_back(sums.nft());
  return classes;
}

std::string ft_name(const RunPageData& d, int cls) {
  return cls == d.acc->sums.nft() ? "Total" : class_name(cls, d.classes->ft_label(cls));
}

void write_los(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "level-of-service", "Level of service");
  const auto classes = shown_ft_classes(d);
  const LosVmtTable& vmt = d.acc->los_vmt;
  const LosTable& miles = d.acc->los_miles;
  Table t;
  t.caption = "Vehicle miles travelled at each level of service";
  t.groups = {{"", 1}, {"VMT at level of service", 6}, {"", 2}};
  t.columns = {"Facility-type class", "A", "B", "C", "D", "E", "F", "Total VMT", "E and F"};
  t.column_align.assign(t.columns.size(), Align::kRight);
  t.column_align[0] = Align::kLeft;
  html::BarChart chart;
  chart.title = "Share of VMT at each level of service, by facility-type class";
  chart.layout = html::BarLayout::kStacked;
  chart.value_axis = {"Share of the class's VMT", "percent"};
  chart.value_axis.min = 0;
  chart.value_axis.max = 100;
  chart.category_label = "Facility-type class";
  chart.value_style = kOneDecimal;
  // From green (free flow) to red (breakdown); the legend names each level.
  static constexpr std::string_view kLevelColours[] = {"#1a9850", "#91cf60", "#d9ef8b",
                                                       "#fee08b", "#fc8d59", "#d73027"};
  for (std::size_t l = 0; l < kLevels.size(); ++l) {
    chart.series.push_back({"LOS " + std::string(1, kLevels[l]), {}, {}});
    chart.series_colours.emplace_back(kLevelColours[l]);
  }
  for (int c : classes) {
    const auto& row = vmt[static_cast<std::size_t>(c)];
    const double total = row[kLosLevels];
    std::vector<Cell> cells{Cell::label(ft_name(d, c))};
    for (int l = 1; l < kLosLevels; ++l) cells.push_back(number_cell(row[static_cast<std::size_t>(l)], kWhole));
    cells.push_back(number_cell(total, kWhole));
    cells.push_back(total > 0 ? Cell(text_cell(percent(100.0 * (row[5] + row[6]) / total))) : Cell::empty_number());
    cells.back().align = Align::kRight;
    (c == d.acc->sums.nft() ? t.totals : t.rows).push_back(std::move(cells));
    chart.categories.push_back(ft_name(d, c));
    for (int l = 1; l < kLosLevels; ++l) {
      chart.series[static_cast<std::size_t>(l - 1)].values.push_back(
          total > 0 ? std::optional<double>(100.0 * row[static_cast<std::size_t>(l)] / total) : std::nullopt);
    }
  }
  html::write_bar_chart(w, chart);
  html::write_table(w, t);

  Table m;
  m.caption = "Miles of roadway at each level of service (as the report's table)";
  m.columns = {"Facility-type class", "A", "B", "C", "D", "E", "F", "Total"};
  m.column_align.assign(m.columns.size(), Align::kRight);
  m.column_align[0] = Align::kLeft;
  for (int c : classes) {
    std::vector<Cell> cells{Cell::label(ft_name(d, c))};
    for (int l = 1; l <= kLosLevels; ++l) {
      cells.push_back(number_cell(miles[static_cast<std::size_t>(c)][static_cast<std::size_t>(l)], {2, true, false}));
    }
    (c == d.acc->sums.nft() ? m.totals : m.rows).push_back(std::move(cells));
  }
  html::write_table(w, m);
  w.element("p",
            "Level of service from volume over capacity: A up to 0.8, B up to 0.933, C up to 1.067, D up to 1.2, E up "
            "to 1.333, F above. Links longer than 99.99 miles add no miles.",
            {{"class", "note"}});
  html::end_section(w);
}

void write_vc(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "vc-distribution", "Volume over capacity");
  const VcDistribution& vc = d.acc->vc_capacity;
  double total_vmt = vc.no_divisor_vmt;
  std::int64_t total_links = vc.no_divisor_links;
  for (int b = 0; b < VcDistribution::kBins; ++b) {
    total_vmt += vc.vmt[static_cast<std::size_t>(b)];
    total_links += vc.links[static_cast<std::size_t>(b)];
  }
  const auto bin_name = [](int b) {
    if (b == VcDistribution::kBins - 1) return std::string("2.0 and above");
    return html::format_number(b / 10.0, {1, false, false}) + "\xE2\x80\x93" +
           html::format_number((b + 1) / 10.0, {1, false, false});
  };
  html::BarChart chart;
  chart.title = "Share of VMT by volume over capacity";
  chart.orientation = html::Orientation::kVertical;
  chart.value_axis = {"Share of VMT", "percent"};
  chart.category_label = "Volume / capacity";
  chart.value_style = kOneDecimal;
  html::BarSeries share{"VMT", {}, {}};
  Table t;
  t.columns = {"Volume / capacity", "Links", "VMT", "Share of VMT"};
  t.column_align = {Align::kLeft, Align::kRight, Align::kRight, Align::kRight};
  for (int b = 0; b < VcDistribution::kBins; ++b) {
    const double v = vc.vmt[static_cast<std::size_t>(b)];
    const double p = total_vmt > 0 ? 100.0 * v / total_vmt : 0.0;
    chart.categories.push_back(bin_name(b));
    share.values.emplace_back(p);
    Cell pc = text_cell(percent(p));
    pc.align = Align::kRight;
    t.rows.push_back({Cell::label(bin_name(b)),
                      number_cell(static_cast<double>(vc.links[static_cast<std::size_t>(b)]), kWhole),
                      number_cell(v, kWhole), pc});
  }
  if (vc.no_divisor_links > 0) {
    Cell pc = text_cell(percent(total_vmt > 0 ? 100.0 * vc.no_divisor_vmt / total_vmt : 0.0));
    pc.align = Align::kRight;
    t.rows.push_back({Cell::label("no capacity"), number_cell(static_cast<double>(vc.no_divisor_links), kWhole),
                      number_cell(vc.no_divisor_vmt, kWhole), pc});
  }
  t.totals.push_back({Cell::label("Evaluated links"), number_cell(static_cast<double>(total_links), kWhole),
                      number_cell(total_vmt, kWhole), Cell::empty_number()});
  chart.value_labels = false;
  chart.series = {share};
  chart.note =
      "Bins of 0.1; a bin holds links from its lower end up to below its upper end. Links without a capacity "
      "are counted apart in the table.";
  html::write_bar_chart(w, chart);
  html::write_table(w, t);
  html::end_section(w);
}

struct Measure {
  std::string_view heading;
  Slot slot;
  NumberStyle style;
};

// A table of measures (columns) by facility-type class (rows) with the Total row.
void write_measures(HtmlWriter& w, const RunPageData& d, std::string caption, std::span<const Measure> measures) {
  const EvalSums& sums = d.acc->sums;
  Table t;
  t.caption = std::move(caption);
  t.columns = {"Facility-type class"};
  t.column_align = {Align::kLeft};
  for (const Measure& m : measures) {
    t.columns.emplace_back(m.heading);
    t.column_align.push_back(Align::kRight);
  }
  for (int c : shown_ft_classes(d)) {
    std::vector<Cell> cells{Cell::label(ft_name(d, c))};
    for (const Measure& m : measures) cells.push_back(number_cell(sums.at(c, sums.nat(), kLaneTotal, m.slot), m.style));
    (c == sums.nft() ? t.totals : t.rows).push_back(std::move(cells));
  }
  html::write_table(w, t);
}

void write_impacts(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "impacts", "Travel, delay, emissions and fuel");
  static constexpr Measure kTravel[] = {
      {"VMT", Slot::VMT_ALL, kWhole},
      {"VHT", Slot::VHT_ALL, kWhole},
      {"Delay (vehicle-hours)", Slot::DELAY_VHT, kWhole},
      {"Congested speed (mph)", Slot::CONG_SPEED, kOneDecimal},
  };
  write_measures(w, d, "Travel and delay by facility-type class", kTravel);
  static constexpr Measure kEmissions[] = {
      {"CO (kg)", Slot::CO_GRAMS, kWhole},
      {"HC (kg)", Slot::HC_GRAMS, kWhole},
      {"NOx (kg)", Slot::NOX_GRAMS, kWhole},
      {"Fuel (gallons)", Slot::FUEL_GAL, kWhole},
  };
  write_measures(w, d, "Emissions and fuel by facility-type class", kEmissions);
  const EvalSums& sums = d.acc->sums;
  html::BarChart chart;
  chart.title = "Delay by facility-type class";
  chart.value_axis = {"Delay", "vehicle-hours"};
  chart.category_label = "Facility-type class";
  chart.value_style = kWhole;
  html::BarSeries delay{"Delay", {}, {}};
  for (int c : shown_ft_classes(d)) {
    if (c == sums.nft()) continue;
    chart.categories.push_back(ft_name(d, c));
    delay.values.emplace_back(sums.at(c, sums.nat(), kLaneTotal, Slot::DELAY_VHT));
  }
  chart.series = {delay};
  chart.note = "Delay: the vehicle-hours of the congested times beyond the input times. The Total is in the table.";
  if (!chart.categories.empty()) html::write_bar_chart(w, chart);
  html::end_section(w);
}

void write_safety_and_costs(HtmlWriter& w, const RunPageData& d) {
  html::begin_section(w, "costs", "Safety, construction and costs");
  static constexpr Measure kSafety[] = {
      {"Accidents", Slot::ACCIDENTS, {2, true, false}},
      {"Injuries", Slot::INJURIES, {2, true, false}},
      {"Fatalities", Slot::FATALITIES, {3, true, false}},
  };
  write_measures(w, d, "Accidents, injuries and fatalities by facility-type class", kSafety);
  w.element("h3", "Construction summary");
  static constexpr Measure kConstruction[] = {
      {"Lane miles", Slot::LANE_MILES, {1, true, false}},
      {"New lane miles", Slot::NEW_LANE_MILES, {2, true, false}},
      {"Construction cost (thousand $)", Slot::CONSTR_COST, kWhole},
  };
  write_measures(w, d, "New lane miles and construction cost by facility-type class", kConstruction);
  const Accumulators& acc = *d.acc;
  const EvalSums& sums = acc.sums;
  Table t;
  t.caption = "Costs of the whole network";
  t.columns = {"Cost", "Amount"};
  t.column_align = {Align::kLeft, Align::kRight};
  t.rows.push_back({Cell::label("Accident cost ($)"), number_cell(acc.accident_cost, kWhole)});
  t.rows.push_back({Cell::label("User cost ($)"), number_cell(acc.user_cost, kWhole)});
  t.rows.push_back({Cell::label("Maintenance cost ($)"), number_cell(acc.maint_cost, kWhole)});
  t.rows.push_back({Cell::label("Construction cost (thousand $)"),
                    number_cell(sums.at(sums.nft(), sums.nat(), kLaneTotal, Slot::CONSTR_COST), kWhole)});
  html::write_table(w, t);
  w.element("p",
            "Rates from KVRATES.SYN: accidents per million vehicle miles, costs per vehicle mile, per mile and per "
            "accident, injury and fatality. Construction costs are in thousands of dollars, as in the report.",
            {{"class", "note"}});
  html::end_section(w);
}

}  // namespace

std::string run_page(const RunPageData& d) {
  HtmlWriter w;
  // The tables and charts take some 100 KB; each scatter point about 16 bytes.
  w.reserve(128 * 1024 + 16 * d.stats->scatter().size());
  const bool analysis = d.header.type == RunType::kAnalysis;
  std::string title = analysis ? "KORVO analysis" : "KORVO validation";
  if (!d.header.scenario.empty()) title += " " + d.header.scenario;
  for (const std::string& line : d.header.titles) {
    if (line.empty()) continue;
    title += ": " + line;
    break;
  }
  html::begin_page(w, title);
  write_run(w, d);
  if (analysis) {
    write_los(w, d);
    write_vc(w, d);
    write_impacts(w, d);
    write_safety_and_costs(w, d);
  } else {
    write_cards(w, d);
    write_scatter(w, d);
    write_count_groups(w, d);
    html::begin_section(w, "vmt-ratio", "VMT ratio by class");
    write_class_ratios(w, d, StatsSection::kFtClass);
    write_class_ratios(w, d, StatsSection::kAtClass);
    html::end_section(w);
    write_screenlines(w, d);
    write_largest(w, d);
  }
  w.element("p", "Written by KORVO beside KORVO.OUT. The figures are those of KVSTATS.CSV and KVTABLES.CSV.",
            {{"class", "note"}});
  return html::end_page(w);
}

}  // namespace korvo
