#include "reports/compare_html.h"

#include <algorithm>
#include <cmath>

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

constexpr NumberStyle kPercentStyle{1, true, true};
constexpr NumberStyle kRatioStyle{3, true, false};

// Decimals of a change: "0" for none, and a small change keeps two
// significant digits (+0.00021, not a "0.000" marked worse).
int change_decimals(double difference) {
  if (difference == 0) return 0;
  int decimals = html::auto_decimals(difference);
  while (decimals < 8 && std::fabs(difference) < 10 * std::pow(10.0, -decimals)) ++decimals;
  return decimals;
}

Tone change_tone(Change change) {
  switch (change) {
    case Change::kBetter: return Tone::kGood;
    case Change::kWorse: return Tone::kBad;
    default: return Tone::kNeutral;
  }
}

Tone verdict_tone(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPreferable: return Tone::kGood;
    case Verdict::kAcceptable: return Tone::kFair;
    case Verdict::kOutside: return Tone::kBad;
    case Verdict::kNone: break;
  }
  return Tone::kNeutral;
}

std::string percent_text(double percent) { return html::format_number(percent, kPercentStyle) + " %"; }

std::string alternatives_text(const Comparison& c) {
  std::string text;
  for (std::size_t r = 1; r < c.run_count(); ++r) {
    if (r > 1) text += r + 1 == c.run_count() ? " and " : ", ";
    text += c.runs[r].name;
  }
  return text;
}

std::string class_label(const Comparison& c, std::int32_t number, std::uint32_t label) {
  const std::string_view text = c.text(label);
  if (number <= 0) return std::string(text.empty() ? "Total" : text);
  return std::to_string(number) + (text.empty() ? "" : " " + std::string(text));
}

// ---------------------------------------------------------------- the runs

void write_runs(HtmlWriter& w, const Comparison& c) {
  html::begin_section(w, "runs", "The runs");
  const std::string kind = c.type == RunType::kAnalysis ? "Analysis runs" : "Validation runs";
  w.element("p",
            kind + ": the base " + c.runs[0].name + " against " + alternatives_text(c) +
                ". Every change is the alternative minus the base.",
            {{"class", "lead"}});
  Table runs;
  runs.columns = {"Role", "Run", "Scenario", "Titles"};
  for (std::size_t r = 0; r < c.run_count(); ++r) {
    const RunSummary& run = c.runs[r];
    std::string titles;
    for (const std::string& line : run.titles.lines) {
      if (line.empty()) continue;
      if (!titles.empty()) titles += " / ";
      titles += line;
    }
    if (!run.has_report) titles = "(no KORVO.OUT in the run's directory: titles unknown)";
    Cell role;
    role.text = r == 0 ? "base" : "alternative " + std::to_string(r);
    Cell scenario;
    scenario.text = run.titles.scenario;
    Cell title;
    title.text = titles;
    runs.rows.push_back({role, Cell::label(run.name), scenario, title});
  }
  html::write_table(w, runs);

  if (!c.conflicts.empty()) {
    w.element("h3", "Classes labelled differently");
    w.element("p", "These are matched by number; check that the number means the same class in every run.");
    Table t;
    t.columns.push_back("Class");
    for (const RunSummary& run : c.runs) t.columns.push_back(run.name);
    for (const LabelConflict& conflict : c.conflicts) {
      std::vector<Cell> row{Cell::label(conflict.what)};
      for (const auto& label : conflict.labels) {
        Cell cell;
        cell.text = label ? *label : "(none)";
        row.push_back(cell);
      }
      t.rows.push_back(std::move(row));
    }
    html::write_table(w, t);
  }

  html::end_section(w);
}

// The figures some runs lack, last: they explain empty cells above but are
// not what the page is read for. A class row the report leaves out because
// its total is 0 (new lane miles of a class without construction) shows here
// too.
void write_one_sided(HtmlWriter& w, const Comparison& c) {
  const std::size_t one_sided = c.one_sided_lines();
  std::size_t stats_one_sided = 0;
  for (const StatsLine& line : c.stats) {
    if (std::any_of(line.runs.begin(), line.runs.end(), [](const auto& r) { return !r.has_value(); }))
      ++stats_one_sided;
  }
  if (one_sided + stats_one_sided > 0) {
    html::begin_section(w, "one-sided", "Figures in some runs only");
    w.element("p", html::format_number(static_cast<double>(one_sided + stats_one_sided), {0, true, false}) +
                       " figures are in some of the runs only (a class or a screenline one run does not have, or "
                       "a row the report leaves out because its total is 0). "
                       "COMPARE.CSV lists them with the other side empty; the first of them:");
    Table t;
    t.columns = {"Table", "Figure"};
    for (const RunSummary& run : c.runs) t.columns.push_back(run.name);
    constexpr std::size_t kShown = 25;
    for (std::size_t l = 0; l < c.lines.size() && t.rows.size() < kShown; ++l) {
      bool all = true;
      for (std::size_t r = 0; r < c.run_count(); ++r) all = all && c.cell(l, r).present;
      if (all) continue;
      const TableLine& line = c.lines[l];
      std::string figure(c.text(line.key.measure));
      if (line.area_number != 0 || line.key.area_class == kTotalClass) {
        figure += ", area type " + class_label(c, line.area_number, line.area_label);
      }
      if (line.ft_number != 0 || line.key.ft_class == kTotalClass) {
        figure += ", facility type " + class_label(c, line.ft_number, line.ft_label);
      }
      if (line.key.lanes != LaneClass::kNone) figure += ", lanes " + std::string(lane_class_text(line.key.lanes));
      Cell table;
      table.text = c.text(line.key.table);
      Cell what;
      what.text = figure;
      std::vector<Cell> row{table, what};
      for (std::size_t r = 0; r < c.run_count(); ++r) {
        Cell has;
        has.text = c.cell(l, r).present ? "yes" : "no";
        row.push_back(has);
      }
      t.rows.push_back(std::move(row));
    }
    for (const StatsLine& line : c.stats) {
      if (t.rows.size() >= kShown) break;
      if (std::all_of(line.runs.begin(), line.runs.end(), [](const auto& r) { return r.has_value(); })) continue;
      Cell table;
      table.text = "STATISTICS " + std::string(stats_section_name(line.section));
      Cell what;
      what.text = line.key + (line.label.empty() ? "" : " " + line.label);
      std::vector<Cell> row{table, what};
      for (const auto& run : line.runs) {
        Cell has;
        has.text = run ? "yes" : "no";
        row.push_back(has);
      }
      t.rows.push_back(std::move(row));
    }
    html::write_table(w, t);
    html::end_section(w);
  }
}

// ---------------------------------------------------------------- analysis

// Value, change (with its word) and percent of an alternative.
void add_change_cells(const Comparison& c, std::size_t l, std::size_t r, Direction direction, std::vector<Cell>& row) {
  const TableCell& cell = c.cell(l, r);
  row.push_back(cell.has_value ? Cell::number(cell.value) : Cell::empty_number());
  const Delta d = c.delta(l, r);
  if (!d.valid) {
    row.push_back(Cell::empty_number());
    row.push_back(Cell::empty_number());
    return;
  }
  Cell change = Cell::number(d.difference, {change_decimals(d.difference), true, true});
  const Change word = judge_change(direction, d.difference);
  if (word != Change::kUnknown) change.badge = Badge{std::string(change_word(word)), change_tone(word)};
  row.push_back(change);
  if (d.has_percent) {
    Cell p = Cell::number(d.percent, kPercentStyle);
    p.text += " %";
    row.push_back(p);
  } else {
    row.push_back(Cell::empty_number());
  }
}

void add_change_columns(const Comparison& c, Table& t) {
  for (std::size_t r = 1; r < c.run_count(); ++r) {
    t.groups.push_back({c.runs[r].name, 3});
    for (std::string_view h : {"Value", "Change", "Change %"}) {
      t.columns.emplace_back(h);
      t.column_align.push_back(Align::kRight);
    }
  }
}

// The words of a change for a chart's bar: "+2.1 % worse", "no change".
std::string bar_label(double shown, bool percent, Change word) {
  if (word == Change::kNoChange || shown == 0) return "no change";
  std::string text = percent ? percent_text(shown) : html::format_number(shown, {change_decimals(shown), true, true});
  if (word != Change::kUnknown) text += " " + std::string(change_word(word));
  return text;
}

// A statistic and its verdict for a chart's bar: "1.020 preferable".
std::string verdict_label(std::string text, const StatsFileRow& row) {
  if (row.result != Verdict::kNone) text += " " + std::string(verdict_name(row.result));
  return text;
}

void write_headline(HtmlWriter& w, const Comparison& c) {
  html::begin_section(w, "headline", "Headline changes");
  struct Found {
    const AnalysisFigure* figure;
    std::size_t line;
  };
  std::vector<Found> found;
  for (const AnalysisFigure& f : kAnalysisFigures) {
    if (f.placement != Placement::kHeadline) continue;
    if (const auto l = headline_line(c, f)) found.push_back({&f, *l});
  }
  if (found.empty()) {
    w.element("p", "The runs' files hold none of the whole-network figures (SYSTEM TOTALS).", {{"class", "note"}});
    html::end_section(w);
    return;
  }
  // One sentence per alternative.
  for (std::size_t r = 1; r < c.run_count(); ++r) {
    int better = 0, worse = 0, same = 0;
    std::string travel;
    for (const Found& f : found) {
      const Delta d = c.delta(f.line, r);
      if (!d.valid) continue;
      const Change word = judge_change(f.figure->direction, d.difference);
      if (word == Change::kBetter) ++better;
      if (word == Change::kWorse) ++worse;
      if (word == Change::kNoChange) ++same;
      if (f.figure->direction == Direction::kNeutral && travel.empty() && f.figure->table == "SYSTEM TOTALS") {
        travel = " " + std::string(f.figure->name) + ": " +
                 (d.has_percent ? percent_text(d.percent) : html::format_number(d.difference, {0, true, true})) + " (" +
                 std::string(change_word(word)) + " travel, neither better nor worse).";
      }
    }
    w.open("p");
    w.element("strong", c.runs[r].name);
    w.text(" against " + c.runs[0].name + ": " + std::to_string(better) + (better == 1 ? " figure" : " figures") +
           " better, " + std::to_string(worse) + " worse, " + std::to_string(same) + " unchanged." + travel);
    w.close();
  }

  Table t;
  t.caption = "Whole network: base and alternatives";
  t.groups = {{"", 2}, {"Base", 1}};
  t.columns = {"Figure", "Unit", c.runs[0].name};
  t.column_align = {Align::kLeft, Align::kLeft, Align::kRight};
  add_change_columns(c, t);
  for (const Found& f : found) {
    Cell unit;
    unit.text = f.figure->unit;
    std::vector<Cell> row{Cell::label(std::string(f.figure->name)), unit};
    const TableCell& base = c.cell(f.line, 0);
    row.push_back(base.has_value ? Cell::number(base.value) : Cell::empty_number());
    for (std::size_t r = 1; r < c.run_count(); ++r) add_change_cells(c, f.line, r, f.figure->direction, row);
    t.rows.push_back(std::move(row));
  }
  html::write_table(w, t);

  html::BarChart chart;
  chart.title = "Change against the base, in percent";
  chart.value_axis = {"Change against the base", "percent"};
  chart.value_style = kPercentStyle;
  for (const Found& f : found) chart.categories.emplace_back(f.figure->name);
  for (std::size_t r = 1; r < c.run_count(); ++r) {
    html::BarSeries s;
    s.name = c.runs[r].name;
    for (const Found& f : found) {
      const Delta d = c.delta(f.line, r);
      if (!d.has_percent) {
        s.values.emplace_back();
        s.labels.emplace_back();
        continue;
      }
      s.values.emplace_back(d.percent);
      s.labels.push_back(bar_label(d.percent, true, judge_change(f.figure->direction, d.difference)));
    }
    chart.series.push_back(std::move(s));
  }
  chart.note =
      "Right of the zero line: the figure grew. Whether that is better or worse is written at each bar. "
      "Figures whose base is 0 have no percent and no bar.";
  html::write_bar_chart(w, chart);
  html::end_section(w);
}

struct ClassRow {
  std::int32_t number = 0;  // kTotalClass for the Total
  std::string label;
  bool labels_differ = false;
  std::size_t line = 0;
};

// The rows of a by-class figure along one axis: the classes with the other
// axis at its Total, then the Total itself.
std::vector<ClassRow> class_rows(const Comparison& c, const AnalysisFigure& f, bool facility) {
  std::vector<ClassRow> rows;
  std::optional<std::uint32_t> measure;
  if (!f.measure.empty()) {
    measure = c.pool->find(f.measure);
    if (!measure) return rows;
  }
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    const TableLine& line = c.lines[l];
    const FigureKey& k = line.key;
    if (k.occurrence != 0 || c.text(k.table) != f.table) continue;
    if (k.lanes != LaneClass::kNone && k.lanes != LaneClass::kTotal) continue;
    if (measure && k.measure != *measure) continue;
    const std::int32_t other = facility ? k.area_class : k.ft_class;
    const std::int32_t own = facility ? k.ft_class : k.area_class;
    if (own == 0) continue;
    if (facility ? (other != kTotalClass && other != 0) : other != kTotalClass) continue;
    if (!measure) measure = k.measure;  // a table of one measure
    if (k.measure != *measure) continue;
    ClassRow row;
    row.number = own;
    row.label = own == kTotalClass ? "Total"
                                   : class_label(c, facility ? line.ft_number : line.area_number,
                                                 facility ? line.ft_label : line.area_label);
    row.labels_differ = line.labels_differ;
    row.line = l;
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const ClassRow& a, const ClassRow& b) {
    const auto order = [](std::int32_t n) { return n == kTotalClass ? INT32_MAX : n; };
    return order(a.number) < order(b.number);
  });
  return rows;
}

void write_by_class(HtmlWriter& w, const Comparison& c, bool facility) {
  const std::string axis = facility ? "facility-type class" : "area-type class";
  html::begin_section(w, facility ? "by-facility-type" : "by-area-type",
                      facility ? "By facility-type class" : "By area-type class");
  int written = 0;
  for (const AnalysisFigure& f : kAnalysisFigures) {
    if (f.placement != Placement::kByClass) continue;
    const std::vector<ClassRow> rows = class_rows(c, f, facility);
    if (rows.empty()) continue;
    ++written;
    w.element("h3", std::string(f.name) + " (" + std::string(f.unit) + ")");
    Table t;
    t.groups = {{"", 1}, {"Base", 1}};
    t.columns = {"Class", c.runs[0].name};
    t.column_align = {Align::kLeft, Align::kRight};
    add_change_columns(c, t);
    for (const ClassRow& row : rows) {
      Cell label = Cell::label(row.label);
      if (row.labels_differ) label.note = "(labelled differently in another run)";
      std::vector<Cell> cells{label};
      const TableCell& base = c.cell(row.line, 0);
      cells.push_back(base.has_value ? Cell::number(base.value) : Cell::empty_number());
      for (std::size_t r = 1; r < c.run_count(); ++r) add_change_cells(c, row.line, r, f.direction, cells);
      (row.number == kTotalClass ? t.totals : t.rows).push_back(std::move(cells));
    }
    html::write_table(w, t);

    html::BarChart chart;
    chart.title = "Change in " + std::string(f.name) + " by " + axis;
    chart.value_axis = {"Change", std::string(f.unit)};
    chart.category_label = facility ? "Facility-type class" : "Area-type class";
    for (const ClassRow& row : rows) {
      if (row.number != kTotalClass) chart.categories.push_back(row.label);
    }
    for (std::size_t r = 1; r < c.run_count(); ++r) {
      html::BarSeries s;
      s.name = c.runs[r].name;
      for (const ClassRow& row : rows) {
        if (row.number == kTotalClass) continue;
        const Delta d = c.delta(row.line, r);
        if (!d.valid) {
          s.values.emplace_back();
          s.labels.emplace_back();
          continue;
        }
        s.values.emplace_back(d.difference);
        s.labels.push_back(bar_label(d.difference, false, judge_change(f.direction, d.difference)));
      }
      chart.series.push_back(std::move(s));
    }
    chart.note = "The Total is in the table above.";
    if (!chart.categories.empty()) html::write_bar_chart(w, chart);
  }
  if (written == 0) w.element("p", "The runs' files hold none of these tables by " + axis + ".", {{"class", "note"}});
  html::end_section(w);
}

// ---------------------------------------------------------------- validation

const StatsLine* find_stats(const Comparison& c, StatsSection section, std::string_view key) {
  for (const StatsLine& line : c.stats) {
    if (line.section == section && line.key == key && line.occurrence == 0) return &line;
  }
  return nullptr;
}

// A statistic of run r as a cell: the value (scaled, e.g. a share x 100),
// the verdict's word when the figure is the judged one, and "changed" when
// that verdict differs from the base's.
Cell stats_cell(const StatsLine* line, std::size_t r, StatsFigure figure, double scale, NumberStyle style,
                std::string_view suffix = {}) {
  if (!line || !line->runs[r] || !line->runs[r]->has(figure)) return Cell::empty_number();
  const StatsFileRow& row = *line->runs[r];
  Cell cell = Cell::number(row.get(figure) * scale, style);
  cell.text += suffix;
  if (judged_figure(line->section, line->key) == figure && row.result != Verdict::kNone) {
    cell.badge = Badge{std::string(verdict_name(row.result)), verdict_tone(row.result)};
    if (r > 0 && line->runs[0] && line->runs[0]->result != row.result) {
      cell.changed = true;
      const Verdict was = line->runs[0]->result;
      cell.note = was == Verdict::kNone ? "(no verdict in the base)" : "(base: " + std::string(verdict_name(was)) + ")";
    }
  }
  return cell;
}

void add_run_columns(const Comparison& c, Table& t) {
  for (std::size_t r = 0; r < c.run_count(); ++r) {
    t.columns.push_back(c.runs[r].name + (r == 0 ? " (base)" : ""));
    t.column_align.push_back(Align::kRight);
  }
}

std::string targets_text(const StatsLine& line) {
  const StatsFileRow* base = nullptr;
  for (const auto& run : line.runs) {
    if (run) {
      base = &*run;
      break;
    }
  }
  if (!base) return {};
  std::string text;
  if (base->has(StatsFigure::kTargetAcceptable)) {
    text += html::format_number(base->get(StatsFigure::kTargetAcceptable), {1, true, false});
  }
  if (base->has(StatsFigure::kTargetPreferable)) {
    text += " / " + html::format_number(base->get(StatsFigure::kTargetPreferable), {1, true, false});
  }
  return text;
}

void write_areawide(HtmlWriter& w, const Comparison& c) {
  html::begin_section(w, "areawide", "Areawide fit");
  struct Figure {
    std::string_view name;
    StatsSection section;
    std::string_view key;
    StatsFigure figure;
    double scale;
    NumberStyle style;
    std::string_view suffix;
  };
  static constexpr Figure kFigures[] = {
      {"%RMSE, all counted links", StatsSection::kAreawide, "rmse", StatsFigure::kRmsePct, 1, {1, true, false}, " %"},
      {"VMT ratio (volume / count)", StatsSection::kAreawide, "vmt", StatsFigure::kVmtRatio, 1, kRatioStyle, ""},
      {"R\xC2\xB2 of volumes and counts", StatsSection::kAreawide, "rmse", StatsFigure::kR2, 1, kRatioStyle, ""},
      {"Counted links", StatsSection::kAreawide, "rmse", StatsFigure::kLinks, 1, {0, true, false}, ""},
      {"Links within the MDD", StatsSection::kMdd, "within", StatsFigure::kRatio, 100, {1, true, false}, " %"},
      {"Links with a GEH below 5", StatsSection::kGeh, "lt5", StatsFigure::kRatio, 100, {1, true, false}, " %"},
  };
  Table t;
  t.columns = {"Figure"};
  t.column_align = {Align::kLeft};
  add_run_columns(c, t);
  for (const Figure& f : kFigures) {
    const StatsLine* line = find_stats(c, f.section, f.key);
    if (!line) continue;
    std::vector<Cell> row{Cell::label(std::string(f.name))};
    for (std::size_t r = 0; r < c.run_count(); ++r)
      row.push_back(stats_cell(line, r, f.figure, f.scale, f.style, f.suffix));
    t.rows.push_back(std::move(row));
  }
  t.empty_text = "The runs' KVSTATS.CSV files hold no areawide figures.";
  html::write_table(w, t);
  if (const StatsLine* geh = find_stats(c, StatsSection::kGeh, "not_computed"); geh && geh->runs[0]) {
    w.element("p", geh->runs[0]->label, {{"class", "note"}});
  }
  w.element("p", "A verdict marked \"changed\" differs from the base's.", {{"class", "note"}});
  html::end_section(w);
}

void write_count_groups(HtmlWriter& w, const Comparison& c) {
  html::begin_section(w, "count-groups", "%RMSE by count group");
  Table t;
  t.groups = {{"", 2}};
  t.columns = {"Counts", "Targets (%)"};
  t.column_align = {Align::kLeft, Align::kRight};
  for (std::size_t r = 0; r < c.run_count(); ++r) {
    t.groups.push_back({c.runs[r].name + (r == 0 ? " (base)" : ""), 2});
    t.columns.insert(t.columns.end(), {"Links", "%RMSE"});
    t.column_align.insert(t.column_align.end(), {Align::kRight, Align::kRight});
  }
  html::BarChart chart;
  chart.title = "%RMSE by count group";
  chart.orientation = html::Orientation::kVertical;
  chart.value_axis = {"%RMSE", "percent"};
  chart.category_label = "Count group (vehicles)";
  chart.value_style = {1, true, false};
  chart.series.resize(c.run_count());
  for (std::size_t r = 0; r < c.run_count(); ++r) chart.series[r].name = c.runs[r].name;
  for (const StatsLine& line : c.stats) {
    if (line.section != StatsSection::kCountGroup) continue;
    Cell targets = Cell::empty_number();
    targets.text = targets_text(line);
    std::vector<Cell> row{Cell::label(line.key), targets};
    chart.categories.push_back(line.key);
    for (std::size_t r = 0; r < c.run_count(); ++r) {
      row.push_back(stats_cell(&line, r, StatsFigure::kLinks, 1, {0, true, false}));
      row.push_back(stats_cell(&line, r, StatsFigure::kRmsePct, 1, {1, true, false}));
      const auto& run = line.runs[r];
      chart.series[r].values.push_back(
          run && run->has(StatsFigure::kRmsePct) ? std::optional(run->get(StatsFigure::kRmsePct)) : std::nullopt);
    }
    t.rows.push_back(std::move(row));
  }
  t.empty_text = "The runs' KVSTATS.CSV files hold no count groups.";
  html::write_table(w, t);
  chart.value_labels = c.run_count() <= 3;
  if (!chart.categories.empty()) html::write_bar_chart(w, chart);
  html::end_section(w);
}

void write_class_ratios(HtmlWriter& w, const Comparison& c) {
  html::begin_section(w, "class-ratios", "VMT ratio by class");
  for (const bool facility : {true, false}) {
    const StatsSection section = facility ? StatsSection::kFtClass : StatsSection::kAtClass;
    const std::string axis = facility ? "facility-type class" : "area-type class";
    w.element("h3", "By " + axis);
    Table t;
    t.columns = {"Class", "Targets (%)"};
    t.column_align = {Align::kLeft, Align::kRight};
    add_run_columns(c, t);
    html::BarChart chart;
    chart.title = "VMT ratio (volume / count) by " + axis;
    chart.value_axis = {"VMT ratio", "volume / count"};
    chart.category_label = facility ? "Facility-type class" : "Area-type class";
    chart.references = {{1.0, "volume equals count (1.0)"}};
    chart.value_style = kRatioStyle;
    chart.series.resize(c.run_count());
    for (std::size_t r = 0; r < c.run_count(); ++r) chart.series[r].name = c.runs[r].name;
    for (const StatsLine& line : c.stats) {
      if (line.section != section) continue;
      Cell label = Cell::label(line.key + (line.label.empty() ? "" : " " + line.label));
      if (line.labels_differ) label.note = "(labelled differently in another run)";
      Cell targets = Cell::empty_number();
      targets.text = targets_text(line);
      std::vector<Cell> row{label, targets};
      chart.categories.push_back(line.key + (line.label.empty() ? "" : " " + line.label));
      for (std::size_t r = 0; r < c.run_count(); ++r) {
        row.push_back(stats_cell(&line, r, StatsFigure::kVmtRatio, 1, kRatioStyle));
        const auto& run = line.runs[r];
        const bool has = run && run->has(StatsFigure::kVmtRatio);
        chart.series[r].values.push_back(has ? std::optional(run->get(StatsFigure::kVmtRatio)) : std::nullopt);
        chart.series[r].labels.push_back(
            has ? verdict_label(html::format_number(run->get(StatsFigure::kVmtRatio), kRatioStyle), *run) : "");
      }
      t.rows.push_back(std::move(row));
    }
    if (const StatsLine* all = find_stats(c, StatsSection::kAreawide, "vmt")) {
      std::vector<Cell> row{Cell::label("All counted links"), Cell::empty_number()};
      for (std::size_t r = 0; r < c.run_count(); ++r)
        row.push_back(stats_cell(all, r, StatsFigure::kVmtRatio, 1, kRatioStyle));
      t.totals.push_back(std::move(row));
    }
    t.empty_text = "No " + axis + " has a counted link.";
    html::write_table(w, t);
    if (!chart.categories.empty()) html::write_bar_chart(w, chart);
  }
  html::end_section(w);
}

void write_screenlines(HtmlWriter& w, const Comparison& c) {
  html::begin_section(w, "screenlines", "Screenline deviations");
  Table t;
  t.columns = {"Screenline", "Count (base)", "MDD (%)"};
  t.column_align = {Align::kLeft, Align::kRight, Align::kRight};
  for (std::size_t r = 0; r < c.run_count(); ++r) {
    t.columns.push_back(c.runs[r].name + (r == 0 ? " (base)" : "") + ": deviation");
    t.column_align.push_back(Align::kRight);
  }
  html::BarChart chart;
  chart.title = "Deviation of the screenline volume from its count";
  chart.value_axis = {"Deviation (volume / count - 1)", "percent"};
  chart.category_label = "Screenline";
  chart.band_label = "within the maximum desirable deviation (MDD)";
  chart.value_style = kPercentStyle;
  chart.series.resize(c.run_count());
  for (std::size_t r = 0; r < c.run_count(); ++r) chart.series[r].name = c.runs[r].name;
  for (const StatsLine& line : c.stats) {
    if (line.section != StatsSection::kScreenline) continue;
    const std::string name = line.key + (line.label.empty() ? "" : " " + line.label);
    Cell label = Cell::label(name);
    if (line.labels_differ) label.note = "(named differently in another run)";
    const StatsFileRow* base = line.runs[0] ? &*line.runs[0] : nullptr;
    std::vector<Cell> row{label};
    row.push_back(base && base->has(StatsFigure::kCountSum)
                      ? Cell::number(base->get(StatsFigure::kCountSum), {0, true, false})
                      : Cell::empty_number());
    std::optional<double> mdd;
    for (const auto& run : line.runs) {
      if (run && run->has(StatsFigure::kTargetAcceptable)) {
        mdd = run->get(StatsFigure::kTargetAcceptable);
        break;
      }
    }
    row.push_back(mdd ? Cell::number(*mdd, {1, true, false}) : Cell::empty_number());
    chart.categories.push_back(name);
    chart.bands.push_back(mdd);
    for (std::size_t r = 0; r < c.run_count(); ++r) {
      const auto& run = line.runs[r];
      if (!run || !run->has(StatsFigure::kRatio)) {
        row.push_back(Cell::empty_number());
        chart.series[r].values.emplace_back();
        chart.series[r].labels.emplace_back();
        continue;
      }
      const double deviation = (run->get(StatsFigure::kRatio) - 1) * 100;
      // The verdict judges the ratio; the cell shows it as a deviation.
      Cell cell = stats_cell(&line, r, StatsFigure::kRatio, 1, kRatioStyle);
      cell.text = percent_text(deviation);
      row.push_back(cell);
      chart.series[r].values.emplace_back(deviation);
      chart.series[r].labels.push_back(verdict_label(percent_text(deviation), *run));
    }
    t.rows.push_back(std::move(row));
  }
  t.empty_text = "No screenline has a count.";
  html::write_table(w, t);
  chart.value_labels = c.run_count() <= 3;
  if (!chart.categories.empty()) html::write_bar_chart(w, chart);
  html::end_section(w);
}

void write_checks(HtmlWriter& w, const Comparison& c) {
  html::begin_section(w, "checks", "Data checks");
  Table t;
  t.columns = {"Check", "What to look at"};
  t.column_align = {Align::kLeft, Align::kLeft};
  add_run_columns(c, t);
  for (const StatsLine& line : c.stats) {
    if (line.section != StatsSection::kCheck) continue;
    Cell hint;
    hint.text = line.label;
    std::vector<Cell> row{Cell::label(line.key), hint};
    for (std::size_t r = 0; r < c.run_count(); ++r)
      row.push_back(stats_cell(&line, r, StatsFigure::kLinks, 1, {0, true, false}));
    t.rows.push_back(std::move(row));
  }
  t.empty_text = "The runs' KVSTATS.CSV files hold no data checks.";
  html::write_table(w, t);
  html::end_section(w);
}

}  // namespace

std::string compare_page(const Comparison& c) {
  HtmlWriter w;
  html::begin_page(w, "KORVO comparison: " + c.runs[0].name + " against " + alternatives_text(c));
  write_runs(w, c);
  if (c.type == RunType::kAnalysis) {
    write_headline(w, c);
    write_by_class(w, c, true);
    write_by_class(w, c, false);
  } else {
    write_areawide(w, c);
    write_count_groups(w, c);
    write_class_ratios(w, c);
    write_screenlines(w, c);
    write_checks(w, c);
  }
  write_one_sided(w, c);
  return html::end_page(w);
}

}  // namespace korvo
