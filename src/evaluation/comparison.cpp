#include "evaluation/comparison.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <stdexcept>
#include <tuple>

namespace korvo {

// clang-format off
const std::array<AnalysisFigure, 34> kAnalysisFigures = {{
  // The headline: whole-run figures.
  {"Vehicle-miles travelled", "vehicle-miles", "SYSTEM TOTALS", "TOTAL VMT ALL LINKS", Placement::kHeadline, Direction::kNeutral},
  {"Vehicle-hours travelled", "vehicle-hours", "SYSTEM TOTALS", "TOTAL VHT ALL LINKS", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Delay due to congestion", "vehicle-hours", "SYSTEM TOTALS", "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Average congested speed", "mph", "SYSTEM TOTALS", "TOTAL CONGESTED SPEED (MPH)", Placement::kHeadline, Direction::kHigherIsBetter},
  {"Miles at level of service E", "miles", "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "E", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Miles at level of service F", "miles", "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "F", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Accidents", "accidents", "SYSTEM TOTALS", "TOTAL ACCIDENTS", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Injuries", "injuries", "SYSTEM TOTALS", "TOTAL INJURIES", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Fatalities", "fatalities", "SYSTEM TOTALS", "TOTAL FATALITIES", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Carbon monoxide emissions", "kilograms", "SYSTEM TOTALS", "TOTAL CO EMISSIONS (KILOGRAMS)", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Hydrocarbon emissions", "kilograms", "SYSTEM TOTALS", "TOTAL HC EMISSIONS (KILOGRAMS)", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Nitrogen oxide emissions", "kilograms", "SYSTEM TOTALS", "TOTAL NO EMISSIONS (KILOGRAMS)", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Fuel use", "gallons", "SYSTEM TOTALS", "TOTAL FUEL USE", Placement::kHeadline, Direction::kLowerIsBetter},
  {"User cost", "dollars", "SYSTEM TOTALS", "TOTAL USERS COST (DOLLARS)", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Accident cost", "dollars", "SYSTEM TOTALS", "TOTAL ACCIDENT COST (DOLLARS)", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Maintenance cost", "dollars", "SYSTEM TOTALS", "TOTAL MAINTENANCE COST (DOLLARS)", Placement::kHeadline, Direction::kLowerIsBetter},
  {"Construction cost", "thousand dollars", "SYSTEM TOTALS", "TOTAL CONSTRUCTION COST (X $1000)", Placement::kHeadline, Direction::kLowerIsBetter},
  // By facility-type class and by area-type class.
  {"Vehicle-miles travelled", "vehicle-miles", "TOTAL VMT USING LINK VOLUMES (VELMAR.V54+)", "", Placement::kByClass, Direction::kNeutral},
  {"Vehicle-hours travelled", "vehicle-hours", "TOTAL VHT (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Delay due to congestion", "vehicle-hours", "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Congested speed", "mph", "SPEEDS (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", "", Placement::kByClass, Direction::kHigherIsBetter},
  {"Volume over capacity (VMT)", "ratio", "RATIO OF VOLUME OVER CAPACITY VMT", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Miles at level of service E", "miles", "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "E", Placement::kByClass, Direction::kLowerIsBetter},
  {"Miles at level of service F", "miles", "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", "F", Placement::kByClass, Direction::kLowerIsBetter},
  {"Accidents", "accidents", "TOTAL ACCIDENT OCCURENCES", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Injuries", "injuries", "TOTAL INJURY OCCURENCES", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Fatalities", "fatalities", "TOTAL FATALITY OCCURENCES", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Carbon monoxide emissions", "kilograms", "TOTAL EMISSIONS OF CARBON MONOXIDE (KILOGRAMS)", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Hydrocarbon emissions", "kilograms", "TOTAL EMISSIONS OF HYDROCARBONS (KILOGRAMS)", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Nitrogen oxide emissions", "kilograms", "TOTAL EMISSIONS OF OXIDES OF NITROGEN (KILOGRAMS)", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Fuel use", "gallons", "TOTAL FUEL USE (GALS)", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Construction cost", "thousand dollars", "TOTAL CONSTRUCTION COST (X $1000)", "", Placement::kByClass, Direction::kLowerIsBetter},
  {"Lane miles", "lane-miles", "TOTAL LANE MILES", "", Placement::kByClass, Direction::kNeutral},
  {"New lane miles", "lane-miles", "TOTAL NEW LANE MILEAGE", "", Placement::kByClass, Direction::kNeutral},
}};
// clang-format on

std::string_view change_word(Change change) {
  switch (change) {
    case Change::kUnknown: return "";
    case Change::kNoChange: return "no change";
    case Change::kBetter: return "better";
    case Change::kWorse: return "worse";
    case Change::kMore: return "more";
    case Change::kLess: return "less";
  }
  return "";
}

Change judge_change(Direction direction, double difference) {
  if (direction == Direction::kUnjudged || !std::isfinite(difference)) return Change::kUnknown;
  if (difference == 0) return Change::kNoChange;
  const bool up = difference > 0;
  switch (direction) {
    case Direction::kNeutral: return up ? Change::kMore : Change::kLess;
    case Direction::kLowerIsBetter: return up ? Change::kWorse : Change::kBetter;
    case Direction::kHigherIsBetter: return up ? Change::kBetter : Change::kWorse;
    case Direction::kUnjudged: break;
  }
  return Change::kUnknown;
}

Direction figure_direction(RunType type, std::string_view table, std::string_view measure) {
  if (type != RunType::kAnalysis) return Direction::kUnjudged;
  for (const AnalysisFigure& f : kAnalysisFigures) {
    if (f.table == table && (f.measure.empty() || f.measure == measure)) return f.direction;
  }
  return Direction::kUnjudged;
}

std::string_view table_key_text(std::string_view table) {
  static constexpr std::string_view kHead = "HIGHWAY EVALUATION -- YEAR/ALT (";
  if (table.substr(0, kHead.size()) != kHead) return table;
  const std::size_t close = table.find(')', kHead.size());
  if (close == std::string_view::npos) return table;
  std::string_view rest = table.substr(close + 1);
  for (const std::string_view lead : {" -- REPORT: ", " -- ", " : "}) {
    if (rest.substr(0, lead.size()) == lead) return rest.substr(lead.size());
  }
  return table;
}

std::size_t FigureKeyHash::operator()(const FigureKey& k) const noexcept {
  // The fields are small numbers: combine them, then spread the bits
  // (the splitmix64 finaliser) so that the buckets fill evenly.
  std::uint64_t h = k.table;
  h = h * 0x100000001b3ULL ^ k.measure;
  h = h * 0x100000001b3ULL ^ static_cast<std::uint32_t>(k.area_class);
  h = h * 0x100000001b3ULL ^ static_cast<std::uint32_t>(k.ft_class);
  h = h * 0x100000001b3ULL ^ static_cast<std::uint64_t>(k.lanes);
  h = h * 0x100000001b3ULL ^ k.occurrence;
  h ^= h >> 30;
  h *= 0xbf58476d1ce4e5b9ULL;
  h ^= h >> 27;
  h *= 0x94d049bb133111ebULL;
  h ^= h >> 31;
  return static_cast<std::size_t>(h);
}

std::size_t Comparison::one_sided_lines() const {
  std::size_t n = 0;
  for (std::size_t l = 0; l < lines.size(); ++l) {
    for (std::size_t r = 0; r < runs.size(); ++r) {
      if (!cell(l, r).present) {
        ++n;
        break;
      }
    }
  }
  return n;
}

std::optional<std::size_t> Comparison::find(std::string_view table, std::string_view measure, std::int32_t area_class,
                                            std::int32_t ft_class, LaneClass lanes) const {
  const auto t = pool->find(table);
  const auto m = pool->find(measure);
  if (!t || !m) return std::nullopt;
  const auto it = index_.find(FigureKey{*t, *m, area_class, ft_class, lanes, 0});
  if (it == index_.end()) return std::nullopt;
  return it->second;
}

namespace {

// The exponent of the last digit of a value's shortest text: 26.69 gives -2,
// 1200 gives 2 ("1.2e+03"), 0 gives 0.
int last_digit_exponent(double value, bool single) {
  char buffer[64];
  const auto r =
      single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value), std::chars_format::scientific)
             : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<std::size_t>(r.ptr - buffer));
  const std::size_t e = text.find('e');
  int digits = 0;
  for (std::size_t i = 0; i < e; ++i) digits += text[i] >= '0' && text[i] <= '9' ? 1 : 0;
  std::string_view exponent = text.substr(e + 1);
  if (!exponent.empty() && exponent.front() == '+') exponent.remove_prefix(1);
  int x = 0;
  std::from_chars(exponent.data(), exponent.data() + exponent.size(), x);
  return x - (digits - 1);
}

// value - base as the decimals the files hold: the difference in double
// rounded at the last digit either value has, so that 0.9 - 0.79318 gives
// 0.10682 and not 0.10682000000000003.
double decimal_difference(double base, double value, bool single) {
  const double d = value - base;
  const int e = std::min(last_digit_exponent(base, single), last_digit_exponent(value, single));
  if (e >= 0 || e < -40 || !std::isfinite(d)) return d;
  char buffer[512];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::fixed, -e);
  if (r.ec != std::errc()) return d;
  double rounded = d;
  std::from_chars(buffer, r.ptr, rounded);
  return rounded;
}

Delta make_delta(double base, double value, bool single) {
  Delta d;
  d.valid = true;
  d.difference = decimal_difference(base, value, single);
  if (base != 0) {
    d.has_percent = true;
    d.percent = static_cast<double>(static_cast<float>((value - base) / std::fabs(base) * 100.0));
  }
  return d;
}

bool is_total_label(std::string_view label) { return label == "Total" || label == "Totals"; }

// The Total classes of a run: the highest class number, when labelled Total.
struct TotalClasses {
  std::int32_t area = 0, ft = 0;
};

TotalClasses total_classes(const RunTables& tables, const TextPool& pool) {
  TotalClasses highest, total;
  for (const TablesRow& row : tables.rows) {
    highest.area = std::max(highest.area, row.area_class);
    highest.ft = std::max(highest.ft, row.ft_class);
  }
  for (const TablesRow& row : tables.rows) {
    if (row.area_class == highest.area && row.area_class > 0 && is_total_label(pool.text(row.area_label)))
      total.area = row.area_class;
    if (row.ft_class == highest.ft && row.ft_class > 0 && is_total_label(pool.text(row.ft_label)))
      total.ft = row.ft_class;
  }
  return total;
}

std::int32_t key_class(std::int32_t number, std::int32_t total) {
  return number != 0 && number == total ? kTotalClass : number;
}

// Class labels by run, for the conflicts: kind -> class -> label per run.
struct LabelBook {
  std::map<std::pair<int, std::int64_t>, std::vector<std::optional<std::string>>> labels;
  std::size_t runs = 0;
  void add(int kind, std::int64_t number, std::size_t run, std::string_view label) {
    auto& per_run = labels[{kind, number}];
    if (per_run.empty()) per_run.resize(runs);
    if (!per_run[run]) per_run[run] = std::string(label);
  }
  bool differs(int kind, std::int64_t number) const {
    const auto it = labels.find({kind, number});
    if (it == labels.end()) return false;
    const std::string* first = nullptr;
    for (const auto& l : it->second) {
      if (!l) continue;
      if (first && *first != *l) return true;
      if (!first) first = &*l;
    }
    return false;
  }
};

constexpr int kFacilityKind = 0, kAreaKind = 1, kScreenlineKind = 2;

// The number of a statistics key that names a class or screenline.
std::optional<std::int64_t> key_number(std::string_view key) {
  if (key.empty() || key.size() > 9) return std::nullopt;
  std::int64_t n = 0;
  for (const char c : key) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The screenline of a KVTABLES.CSV screenline measure ("SL 7 VOLUME",
// "SL 7 LINK 101-102 RATIO"); nullopt for other measures.
std::optional<std::int64_t> screenline_of(std::string_view measure) {
  if (measure.substr(0, 3) != "SL ") return std::nullopt;
  measure.remove_prefix(3);
  return key_number(measure.substr(0, measure.find(' ')));
}

}  // namespace

Delta Comparison::delta(std::size_t line, std::size_t run) const {
  const TableCell& b = cell(line, 0);
  const TableCell& a = cell(line, run);
  if (!b.has_value || !a.has_value) return {};
  return make_delta(b.value, a.value, true);
}

Delta stats_delta(const StatsFileRow* base, const StatsFileRow* alternative, StatsFigure figure) {
  if (!base || !alternative || !base->has(figure) || !alternative->has(figure)) return {};
  return make_delta(base->get(figure), alternative->get(figure), false);
}

std::optional<StatsFigure> judged_figure(StatsSection section, std::string_view key) {
  switch (section) {
    case StatsSection::kAreawide:
      if (key == "rmse") return StatsFigure::kRmsePct;
      if (key == "vmt") return StatsFigure::kVmtRatio;
      return std::nullopt;
    case StatsSection::kCountGroup: return StatsFigure::kRmsePct;
    case StatsSection::kFtClass:
    case StatsSection::kAtClass: return StatsFigure::kVmtRatio;
    case StatsSection::kScreenline: return StatsFigure::kRatio;
    case StatsSection::kGeh:
      if (key == "lt5") return StatsFigure::kRatio;
      return std::nullopt;
    case StatsSection::kMdd:
    case StatsSection::kCheck: return std::nullopt;
  }
  return std::nullopt;
}

Comparison compare_runs(const std::vector<RunData>& runs, TextPool& pool) {
  if (runs.size() < 2) throw std::logic_error("compare_runs needs a base and at least one alternative");
  for (const RunData& run : runs) {
    if (run.tables.type != runs[0].tables.type) throw std::logic_error("compare_runs given runs of different types");
  }
  Comparison c;
  c.type = runs[0].tables.type;
  c.pool = &pool;
  const std::size_t n = runs.size();
  for (const RunData& run : runs) c.runs.push_back({run.name, run.titles, run.has_report});

  LabelBook book;
  book.runs = n;
  c.index_.reserve(runs[0].tables.rows.size());
  c.lines.reserve(runs[0].tables.rows.size());
  c.cells_.reserve(runs[0].tables.rows.size() * n);
  for (std::size_t r = 0; r < n; ++r) {
    const TotalClasses totals = total_classes(runs[r].tables, pool);
    for (const TablesRow& row : runs[r].tables.rows) {
      FigureKey key;
      key.table = pool.intern(table_key_text(pool.text(row.table)));
      key.measure = row.measure;
      key.area_class = key_class(row.area_class, totals.area);
      key.ft_class = key_class(row.ft_class, totals.ft);
      key.lanes = row.lanes;
      if (key.area_class > 0) book.add(kAreaKind, key.area_class, r, pool.text(row.area_label));
      if (key.ft_class > 0) book.add(kFacilityKind, key.ft_class, r, pool.text(row.ft_label));
      const auto screenline = row.area_class == 0 ? screenline_of(pool.text(row.measure)) : std::nullopt;
      if (screenline) book.add(kScreenlineKind, *screenline, r, pool.text(row.area_label));

      // The n-th row of a key in this run takes the key's n-th line.
      std::size_t line = 0;
      for (;; ++key.occurrence) {
        const auto [it, added] = c.index_.try_emplace(key, c.lines.size());
        line = it->second;
        if (added) {
          TableLine entry;
          entry.key = key;
          entry.area_number = row.area_class;
          entry.ft_number = row.ft_class;
          entry.area_label = row.area_label;
          entry.ft_label = row.ft_label;
          entry.direction = figure_direction(c.type, pool.text(key.table), pool.text(key.measure));
          c.lines.push_back(entry);
          c.cells_.resize(c.cells_.size() + n);
          break;
        }
        if (!c.cells_[line * n + r].present) break;
      }
      TableCell& cell = c.cells_[line * n + r];
      cell.present = true;
      cell.has_value = row.has_value;
      cell.value = row.value;
      cell.area_label = row.area_label;
      cell.ft_label = row.ft_label;
    }
  }

  // Statistics, matched on section and key.
  std::map<std::tuple<StatsSection, std::string, std::uint32_t>, std::size_t> stats_index;
  for (std::size_t r = 0; r < n; ++r) {
    std::map<std::pair<StatsSection, std::string>, std::uint32_t> seen;
    for (const StatsFileRow& row : runs[r].stats.rows) {
      const std::uint32_t occurrence = seen[{row.section, row.key}]++;
      const auto [it, added] = stats_index.try_emplace({row.section, row.key, occurrence}, c.stats.size());
      if (added) {
        StatsLine line;
        line.section = row.section;
        line.key = row.key;
        line.occurrence = occurrence;
        line.label = row.label;
        line.runs.resize(n);
        c.stats.push_back(std::move(line));
      }
      c.stats[it->second].runs[r] = row;
      const auto number = key_number(row.key);
      if (!number) continue;
      if (row.section == StatsSection::kFtClass) book.add(kFacilityKind, *number, r, row.label);
      if (row.section == StatsSection::kAtClass) book.add(kAreaKind, *number, r, row.label);
      if (row.section == StatsSection::kScreenline) book.add(kScreenlineKind, *number, r, row.label);
    }
  }

  // Labels that differ between runs.
  for (TableLine& line : c.lines) {
    const auto screenline = line.key.area_class == 0 ? screenline_of(pool.text(line.key.measure)) : std::nullopt;
    line.labels_differ = (line.key.area_class > 0 && book.differs(kAreaKind, line.key.area_class)) ||
                         (line.key.ft_class > 0 && book.differs(kFacilityKind, line.key.ft_class)) ||
                         (screenline && book.differs(kScreenlineKind, *screenline));
  }
  for (StatsLine& line : c.stats) {
    const auto number = key_number(line.key);
    if (!number) continue;
    const int kind = line.section == StatsSection::kFtClass      ? kFacilityKind
                     : line.section == StatsSection::kAtClass    ? kAreaKind
                     : line.section == StatsSection::kScreenline ? kScreenlineKind
                                                                 : -1;
    if (kind >= 0) line.labels_differ = book.differs(kind, *number);
  }
  static constexpr std::string_view kKindNames[] = {"facility-type class ", "area-type class ", "screenline "};
  for (const auto& [place, labels] : book.labels) {
    if (!book.differs(place.first, place.second)) continue;
    c.conflicts.push_back({std::string(kKindNames[place.first]) + std::to_string(place.second), labels});
  }
  return c;
}

std::optional<std::size_t> headline_line(const Comparison& c, const AnalysisFigure& f) {
  if (auto l = c.find(f.table, f.measure, 0, 0, LaneClass::kNone)) return l;
  if (auto l = c.find(f.table, f.measure, 0, kTotalClass, LaneClass::kNone)) return l;
  return c.find(f.table, f.measure, kTotalClass, kTotalClass, LaneClass::kTotal);
}

}  // namespace korvo
