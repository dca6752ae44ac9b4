#pragma once
// The comparison of finished runs: a base and one or more alternatives of
// the same type (analysis runs of alternative networks, or validation runs
// of calibration iterations), figure by figure. No file is read or written
// here: the runs come read (input/kvtables_reader.h, kvstats_reader.h,
// run_titles.h) and the outputs are written from the result
// (reports/compare_csv.h, reports/compare_html.h).
//
// Matching. A table figure is matched on table, measure, area-type class,
// facility-type class and lane class; a statistic on section and key.
// Classes are matched by number. A class labelled differently in two runs
// is still matched by number and is listed in `conflicts`. The Total
// classes (the highest class of a file, labelled "Total") match each other
// whatever their numbers, so a run with one more class still lines up.
// When a file holds the same key more than once (a link listed twice on a
// screenline), the n-th row of the key matches the n-th of the other run.
// A figure present in some runs only is kept, with the other cells empty.
//
// Differences are alternative minus base, as exact as the decimals the
// files hold: computed in double and rounded at the last decimal digit of
// either value, so 0.3 against 0.1 gives 0.2, not 0.19999999999999998. The
// percent is the difference over |base| x 100, kept to single precision
// (seven digits are plenty for a percent), empty when the base is 0.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/text_pool.h"
#include "input/kvstats_reader.h"
#include "input/kvtables_reader.h"
#include "input/run_titles.h"

namespace korvo {

// One finished run, as read from its directory.
struct RunData {
  std::string name;  // the directory's name
  RunTitles titles;
  bool has_report = false;  // KORVO.OUT was there to give the titles
  RunTables tables;
  RunStats stats;  // validation runs
};

// ---------------------------------------------------------------- direction

// How a change of a figure is judged.
enum class Direction : std::uint8_t {
  kUnjudged,        // no word (validation figures: nearer the count is better, not lower)
  kNeutral,         // "more" or "less": VMT, new lane miles (more travel is neither)
  kLowerIsBetter,   // VHT, delay, accidents, emissions, fuel, costs, miles at LOS E and F
  kHigherIsBetter,  // average speed
};

enum class Change : std::uint8_t { kUnknown, kNoChange, kBetter, kWorse, kMore, kLess };
std::string_view change_word(Change change);  // "", "no change", "better", "worse", "more", "less"
Change judge_change(Direction direction, double difference);

// Where a figure of an analysis run shows on the comparison page.
enum class Placement : std::uint8_t {
  kHeadline,  // one number for the whole run: SYSTEM TOTALS, or a table's Total row
  kByClass,   // by facility-type class and by area-type class
};

// The figures of analysis runs whose change has a direction: the one table
// that says whether lower or higher is better. A figure not listed here is
// compared but not judged.
struct AnalysisFigure {
  std::string_view name;     // as the page names it
  std::string_view unit;     // for the axis and the table
  std::string_view table;    // KVTABLES.CSV `table`
  std::string_view measure;  // KVTABLES.CSV `measure`; empty: every measure of the table
  Placement placement;
  Direction direction;
};
extern const std::array<AnalysisFigure, 34> kAnalysisFigures;

// The direction of a table figure of a run of this type.
Direction figure_direction(RunType type, std::string_view table, std::string_view measure);

// The table name a figure is matched on: a caption as the report prints it,
// "HIGHWAY EVALUATION -- YEAR/ALT (45A) -- REPORT: TOTAL LANE MILES", is
// matched without its run-specific head, as "TOTAL LANE MILES".
std::string_view table_key_text(std::string_view table);

// ---------------------------------------------------------------- result

// A class as a key: its number, kTotalClass for a Total class, 0 for none.
inline constexpr std::int32_t kTotalClass = -1;

struct FigureKey {
  std::uint32_t table = 0;  // pool numbers (the table after table_key_text)
  std::uint32_t measure = 0;
  std::int32_t area_class = 0;
  std::int32_t ft_class = 0;
  LaneClass lanes = LaneClass::kNone;
  std::uint32_t occurrence = 0;
  bool operator==(const FigureKey&) const = default;
};
struct FigureKeyHash {
  std::size_t operator()(const FigureKey& k) const noexcept;
};

struct TableCell {
  bool present = false;
  double value = 0;
  bool has_value = false;  // the run has the row, with a value
  std::uint32_t area_label = 0;
  std::uint32_t ft_label = 0;
};

struct TableLine {
  FigureKey key;
  std::int32_t area_number = 0;  // the class numbers as the first run with the line writes them
  std::int32_t ft_number = 0;
  std::uint32_t area_label = 0;  // and its labels
  std::uint32_t ft_label = 0;
  bool labels_differ = false;
  Direction direction = Direction::kUnjudged;
};

struct StatsLine {
  StatsSection section = StatsSection::kAreawide;
  std::string key;
  std::uint32_t occurrence = 0;
  std::string label;  // of the first run with the line
  bool labels_differ = false;
  std::vector<std::optional<StatsFileRow>> runs;  // one per run
};

// A class (or screenline) named differently by the runs.
struct LabelConflict {
  std::string what;                                // "facility-type class 3", "screenline 7"
  std::vector<std::optional<std::string>> labels;  // one per run; nullopt: the run has no such class
};

struct Delta {
  bool valid = false;  // both cells have a value
  double difference = 0;
  bool has_percent = false;
  double percent = 0;
};

struct RunSummary {
  std::string name;
  RunTitles titles;
  bool has_report = false;
};

class Comparison {
 public:
  RunType type = RunType::kValidation;
  std::vector<RunSummary> runs;  // [0] is the base
  const TextPool* pool = nullptr;
  std::vector<TableLine> lines;  // the base's order, then what only alternatives have
  std::vector<StatsLine> stats;
  std::vector<LabelConflict> conflicts;

  std::size_t run_count() const { return runs.size(); }
  const TableCell& cell(std::size_t line, std::size_t run) const { return cells_[line * runs.size() + run]; }
  std::string_view text(std::uint32_t id) const { return pool->text(id); }
  // Lines present in some runs only.
  std::size_t one_sided_lines() const;

  // The line of a key (occurrence 0), if any run has it. Classes as keys:
  // a number, kTotalClass or 0.
  std::optional<std::size_t> find(std::string_view table, std::string_view measure, std::int32_t area_class,
                                  std::int32_t ft_class, LaneClass lanes) const;

  // alternative minus base of a table line.
  Delta delta(std::size_t line, std::size_t run) const;

 private:
  friend Comparison compare_runs(const std::vector<RunData>& runs, TextPool& pool);
  std::vector<TableCell> cells_;  // lines x runs
  std::unordered_map<FigureKey, std::size_t, FigureKeyHash> index_;
};

// alternative minus base of two statistics.
Delta stats_delta(const StatsFileRow* base, const StatsFileRow* alternative, StatsFigure figure);

// The figure a statistics row's verdict judges: %RMSE for areawide "rmse"
// and the count groups, the VMT ratio for areawide "vmt" and the classes,
// the ratio for screenlines and the GEH share; nullopt where there is none.
std::optional<StatsFigure> judged_figure(StatsSection section, std::string_view key);

// The line of a whole-run (headline) figure: its SYSTEM TOTALS row, else
// the Total row of its table; nullopt when no run has it.
std::optional<std::size_t> headline_line(const Comparison& c, const AnalysisFigure& f);

// Compares runs[1..] with runs[0]. Precondition: at least two runs, all of
// one type (the caller refuses others with a message). The pool is the one
// the runs' tables were read into; the result refers to it.
Comparison compare_runs(const std::vector<RunData>& runs, TextPool& pool);

}  // namespace korvo
