#pragma once
// Validation statistics, streamed with the links: %RMSE, volume and VMT
// ratios and R² of the counted links by group (areawide, count group,
// facility-type class, area-type class), judged against the targets; the
// screenline deviations against the maximum desirable deviation; GEH; the
// data checks of every link record read; and the bounded state the HTML page
// draws from (a scatter sample, the 25 largest deviations, the V/C
// distribution).
//
// A counted link is an evaluated link record (classified, selected, not
// passed over) with a count above 0; V is its volume as evaluated, C its
// count, d its distance in miles. Each direction of a two-way link is its own
// record. Every sum is double precision.
//
// ValidationStats is one fixed-size object (1.1 MB: hold it in a
// unique_ptr or a run-wide struct): add_link allocates nothing and the
// memory does not grow with the network. Use:
//
//   stats->reset(targets);              // before the first link
//   stats->add_link(link);              // every link record read, in file order
//   rows = stats->finish(targets, {sl.volume, sl.reference}, classes);

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "evaluation/accumulators.h"
#include "evaluation/class_tables.h"
#include "evaluation/link_measures.h"
#include "evaluation/link_outcome.h"
#include "input/link_record.h"
#include "input/stats_format.h"
#include "input/targets_file.h"

namespace korvo {

// One link record as the link loop sees it.
struct StatsLink {
  std::int32_t anode = 0;
  std::int32_t bnode = 0;
  std::int64_t record = 0;  // 1 for the first record read
  int ft_code = 0;
  int at_code = 0;
  int ft_class = 0;  // 0 when the link has none
  int at_class = 0;
  int screenline = 0;
  LinkOutcome status = LinkOutcome::kEvaluated;
  double volume = 0;    // VOL as evaluated
  double count = 0;     // CNT; counted when above 0
  double capacity = 0;  // CAP
  double miles = 0;     // distance x 0.01
  double minutes = 0;   // congested time TIME
};

// A link's distance in miles and congested time in minutes, in double, from
// the record's hundredths.
inline double stats_miles(const LinkFigures& f) { return static_cast<double>(f.distance) * 0.01; }
inline double stats_minutes(const LinkFigures& f) { return static_cast<double>(f.time) * 0.01; }
inline double stats_miles(const LinkRecord& link) { return static_cast<double>(link.distance) * 0.01; }
inline double stats_minutes(const LinkRecord& link) {
  return static_cast<double>(link.period_times[static_cast<std::size_t>(link.time_slot_count)]) * 0.01;
}

// The statistics' view of a link the link loop handed on, with the class
// counts of the run (a class outside 1..n - 1 is none: 0).
inline StatsLink stats_link(const LinkFigures& f, int nft, int nat) {
  StatsLink s;
  s.anode = f.anode;
  s.bnode = f.bnode;
  s.record = f.record;
  s.ft_code = f.ft_code;
  s.at_code = f.at_code;
  s.ft_class = f.ftc >= 1 && f.ftc < nft ? f.ftc : 0;
  s.at_class = f.atc >= 1 && f.atc < nat ? f.atc : 0;
  s.screenline = f.screenline;
  s.status = f.status;
  s.volume = static_cast<double>(f.vol);
  s.count = static_cast<double>(f.count);
  s.capacity = static_cast<double>(f.capacity);
  s.miles = stats_miles(f);
  s.minutes = stats_minutes(f);
  return s;
}

// The same for the link in `link` with the working values v, finish_link's
// outcome and the record number, on the link loop's own thread: through its
// figures, so that the two views cannot differ.
inline StatsLink stats_link(const LinkRecord& link, const LinkValues& v, LinkOutcome outcome, std::int64_t record,
                            int nft, int nat) {
  LinkFigures f;
  fill_link_figures(f, link, v, outcome, record);
  return stats_link(f, nft, nat);
}

// ---------------------------------------------------------------------------
// The figures as plain functions.

// Maximum desirable deviation in % of a count or screenline total x (per
// day), a fit of the planning curve:
//   1165 x^-0.37752 up to 50,000; 40,000 x^-0.7 up to 90,000;
//   15.7 - 0.00002 x above, never below 5.7 (from 500,000 on).
// Empty for x <= 0.
std::optional<double> mdd_percent(double x);

// Whether a counted link whose volume is deviation_pct % off its count c
// (c > 0) is within the maximum desirable deviation of c: deviation_pct <=
// mdd_percent(c), the curve never being below its floor of 5.7 %.
bool within_mdd(double deviation_pct, double c);

// within_mdd with std::pow only where it can change the answer. For counts
// from 1 to 90,000 a table holds, for each 1/64 of a binary order of
// magnitude, bounds on what mdd_percent gives within it (the curve falls on
// each of its pieces); a deviation clearly below or above them is decided
// there, one near the curve or in the cells that hold a break of the curve
// by within_mdd. Same answer as within_mdd for every input.
class MddCheck {
 public:
  MddCheck();
  bool within(double deviation_pct, double c) const;

 private:
  static constexpr int kCellBits = 6;             // cells per binary order: 2^6
  static constexpr int kCells = 17 << kCellBits;  // counts 1 to 2^17
  struct Cell {
    double below = 0;  // a deviation at or below it is within
    double above = 0;  // one above it is not
  };
  std::array<Cell, kCells> cells_{};
};

// GEH of hourly flows h V and h C: sqrt(2 (hV - hC)^2 / (hV + hC)); 0 when
// hV + hC is 0 or less.
double geh(double v, double c, double h);

// %RMSE = sqrt(S / (n - 1)) / (sum_c / n) x 100 with S the sum of (V - C)^2;
// empty when n < 2 or sum_c is 0.
std::optional<double> rmse_percent(std::int64_t n, double sum_sq_dev, double sum_c);

// r² from the co-moment and the two second moments (sums of squared
// deviations from the means); empty when n < 2 or a moment is 0.
std::optional<double> r_squared(std::int64_t n, double m2_v, double m2_c, double co_moment);

// A ratio a / b is within a target of t % when |a / b - 1| x 100 <= t. The
// test is made as |a - b| x 100 <= t x b, exact for whole-number sums, so
// that 105 / 100 is within 5 %. False when b <= 0.
bool ratio_within(double a, double b, double t);

// The verdict rule: preferable when the figure meets the preferable target,
// acceptable when it meets only the acceptable one, else outside; kNone
// without a target or without a figure.
Verdict ratio_verdict(double a, double b, const TargetPair& target);
Verdict rmse_verdict(std::optional<double> rmse_pct, const TargetPair& target);

// ---------------------------------------------------------------------------
// Streaming state.

// A V figure and a C figure, [0] and [1], worked on as one: each operation
// is the IEEE operation of each element, as two separate doubles give it.
using VcPair __attribute__((vector_size(16))) = double;

// The sums of one group of counted links. R² comes from a Welford-style
// co-moment, stable where the textbook sums (Σxy - Σx Σy / n) cancel.
struct StatsSums {
  std::int64_t n = 0;
  double sum_sq_dev = 0;  // Σ(V - C)²
  double co_moment = 0;   // Σ(V - mean V)(C - mean C)
  VcPair sum{};           // ΣV, ΣC
  VcPair sum_d{};         // ΣVd, ΣCd
  VcPair mean{};          // mean V, mean C
  VcPair m2{};            // Σ(V - mean V)², Σ(C - mean C)²

  void add(double v, double c, double d) {
    ++n;
    const VcPair x = {v, c};
    sum_sq_dev += (v - c) * (v - c);
    sum += x;
    sum_d += x * d;
    const double inv = 1.0 / static_cast<double>(n);
    const VcPair dx = x - mean;
    mean += dx * inv;
    const VcPair after = x - mean;
    m2 += dx * after;
    co_moment += dx[0] * after[1];
  }
  double sum_v() const { return sum[0]; }
  double sum_c() const { return sum[1]; }
  double sum_vd() const { return sum_d[0]; }
  double sum_cd() const { return sum_d[1]; }
  std::optional<double> ratio() const;      // ΣV / ΣC
  std::optional<double> vmt_ratio() const;  // ΣVd / ΣCd
  std::optional<double> rmse_pct() const { return rmse_percent(n, sum_sq_dev, sum_c()); }
  std::optional<double> r2() const { return r_squared(n, m2[0], m2[1], co_moment); }
};

// VcDistribution (volume over count here) is in evaluation/accumulators.h.

// A counted link kept for the scatter chart. No member initialisers: the
// sample's buffer of 40,000 points is left unwritten until points arrive,
// rather than a megabyte zeroed for every run (ScatterPoint p{} is all 0).
struct ScatterPoint {
  std::uint64_t key;  // sample hash of (anode, bnode, record)
  float volume;
  float count;
  std::int16_t ft_class;
};

// The points with the smallest keys seen, at most kLimit of them (a bottom-k
// sample). A point is a candidate while its key is below the threshold (the
// largest key kept once kLimit are kept); candidates are appended to a
// buffer of twice the limit, and a full buffer keeps its kLimit smallest
// (std::nth_element) and lowers the threshold to the largest of them.
// Amortised O(1) per point, sequential in memory, nothing allocated.
//
// The kept points are those a sort of every key would keep; among points
// whose key equals the kLimit-th smallest, which ones are kept is left
// open.
class ScatterSample {
 public:
  static constexpr std::size_t kLimit = 20000;

  void clear() {
    size_ = 0;
    cut_ = false;
    threshold_ = 0;
    ordered_ = false;
  }
  // Whether a point with this key would be kept now; add it only then.
  bool wants(std::uint64_t key) const { return !cut_ || key < threshold_; }
  void add(const ScatterPoint& p) {
    if (size_ == buffer_.size()) keep_smallest();
    buffer_[size_++] = p;
    ordered_ = false;
  }
  // At most kLimit points, by facility-type class, then key: an order that
  // depends on the sample's content only. Keeps only the smallest of the
  // buffer and orders them in place (no copy of the sample is made); that
  // changes no point that the sample holds.
  std::span<const ScatterPoint> points() const;

 private:
  void keep_smallest() const;

  // Mutable so that points() can settle the buffer; the sample's content
  // is the same before and after.
  mutable std::array<ScatterPoint, 2 * kLimit> buffer_;  // points [0, size_)
  mutable std::size_t size_ = 0;
  mutable bool ordered_ = false;  // the points are in the order points() gives
  // Once the buffer was cut to kLimit points, a candidate's key is below
  // threshold_, the largest key kept.
  mutable bool cut_ = false;
  mutable std::uint64_t threshold_ = 0;
};

// A counted link among the largest deviations |V - C|.
struct TopLink {
  double deviation = 0;  // |V - C|
  std::int64_t record = 0;
  std::int32_t anode = 0;
  std::int32_t bnode = 0;
  double volume = 0;
  double count = 0;
  std::int16_t ft_class = 0;
  std::int16_t at_class = 0;
};

// The data checks, one counter each; the first four are link statuses.
enum class DataCheck : std::uint8_t {
  kUnclassified,
  kConnectorPassedOver,
  kZeroTimePassedOver,
  kLocationDeselected,
  kCountedZeroVolume,  // counted links whose V is 0
  kNoCount,            // evaluated links with a count of 0 or less
  kSpeedImplausible,   // evaluated, congested speed above 120 or below 2 mph
};
inline constexpr int kDataCheckCount = 7;
std::string_view data_check_name(DataCheck check);  // "unclassified", ...
std::string_view data_check_hint(DataCheck check);  // a one-line hint for the planner

inline constexpr double kMaxPlausibleMph = 120.0;
inline constexpr double kMinPlausibleMph = 2.0;

// ---------------------------------------------------------------------------
// The rows of KVSTATS.CSV.

// One value of a row: empty, a whole number, a double, or a float from the
// report's single-precision tables (written as the float it is).
struct Figure {
  enum class Kind : std::uint8_t { kEmpty, kWhole, kDouble, kFloat };
  Kind kind = Kind::kEmpty;
  std::int64_t whole_value = 0;
  double value = 0;

  static Figure empty() { return {}; }
  static Figure whole(std::int64_t x) { return {Kind::kWhole, x, 0}; }
  static Figure real(double x) { return {Kind::kDouble, 0, x}; }
  static Figure real(std::optional<double> x) { return x ? real(*x) : empty(); }
  static Figure single(float x) { return {Kind::kFloat, 0, static_cast<double>(x)}; }
  bool has_value() const { return kind != Kind::kEmpty; }
};

struct StatsRow {
  StatsSection section = StatsSection::kAreawide;
  std::string key;
  std::string label;
  Figure links;
  Figure count_sum;
  Figure volume_sum;
  Figure ratio;
  Figure rmse_pct;
  Figure vmt_count;
  Figure vmt_volume;
  Figure vmt_ratio;
  Figure r2;
  Figure target_acceptable;
  Figure target_preferable;
  Verdict result = Verdict::kNone;
};

// The report's screenline totals SLVOL and SLREF, indexed by screenline
// (1..98 are used; each span holds at least 99 values).
struct ScreenlineTotals {
  std::span<const float> volume;
  std::span<const float> reference;
};

class ValidationStats {
 public:
  static constexpr int kMaxClass = kMaxTargetClass;
  static constexpr int kScreenlines = 98;  // screenlines with a row: 1..98
  static constexpr std::size_t kScatterLimit = ScatterSample::kLimit;
  static constexpr std::size_t kTopLimit = 25;

  // Clears everything and takes from the targets what each link needs: the
  // count groups and the GEH hour factor.
  void reset(const Targets& targets);
  // As reset, for a run that compares no counts (an analysis run): only the
  // statuses and the data checks that do not concern counts are gathered,
  // and the figures against counts stay empty.
  void reset_without_counts(const Targets& targets);

  // One link record, whatever its status; call for every record read.
  void add_link(const StatsLink& link) {
    add_link(link.status, link.miles, link.minutes, link.volume, link.count,
             [&]() -> const StatsLink& { return link; });
  }
  // The same from what every link gives (its status, miles, minutes, volume
  // and count, as its StatsLink holds them) and view(), which returns its
  // StatsLink and is called for a counted link only: the link loop forms the
  // whole view for about a third of a network's links.
  template <typename View>
  void add_link(LinkOutcome status, double miles, double minutes, double volume, double count, View view) {
    if (!add_outcome(status, miles, minutes) || !with_counts_) return;
    if (add_evaluated(volume, count, miles)) add_counted(view());
  }
  // The same for a run without counts, which gathers of a link no more than
  // its status, miles and minutes. True when the status is kEvaluated.
  bool add_outcome(LinkOutcome status, double miles, double minutes);

  // The rows of KVSTATS.CSV in the order of the file. targets must be those
  // given to reset (std::logic_error otherwise); classes gives the class
  // labels and screenline names.
  std::vector<StatsRow> finish(const Targets& targets, const ScreenlineTotals& screenlines,
                               const ClassTables& classes) const;

  // Link counts.
  std::int64_t counted_links() const { return areawide_.n; }
  std::int64_t check_count(DataCheck check) const { return checks_[static_cast<std::size_t>(check)]; }
  std::int64_t status_count(LinkOutcome status) const { return statuses_[static_cast<std::size_t>(status)]; }

  // Group sums (empty sums outside the tables).
  const StatsSums& areawide() const { return areawide_; }
  const StatsSums& count_group(int index) const;  // 0..group count - 1
  const StatsSums& ft_class(int cls) const;
  const StatsSums& at_class(int cls) const;

  // The scatter sample: every counted link while there are at most 20,000,
  // then the 20,000 with the smallest hash of (anode, bnode, record), in no
  // particular order; scatter_population() is N of "a sample of 20,000 of N".
  std::span<const ScatterPoint> scatter() const { return scatter_.points(); }
  std::int64_t scatter_population() const { return areawide_.n; }

  // The counted links with the largest |V - C|, largest first (ties: the
  // earlier record first); at most 25.
  std::vector<TopLink> top_deviations() const;

  // Volume over count of every evaluated link (links without a count apart).
  const VcDistribution& vc_distribution() const { return vc_; }

  // GEH bins below 5, 5 to below 10, 10 and above; all 0 without an hour factor.
  std::int64_t geh_links(int bin) const { return geh_[static_cast<std::size_t>(bin)]; }
  std::int64_t mdd_within() const { return mdd_within_; }
  std::int64_t screenline_counted_links(int s) const;

  // The sample hash; exposed so that tests can check the sample against a
  // brute-force choice.
  static std::uint64_t sample_key(std::int32_t anode, std::int32_t bnode, std::int64_t record);

 private:
  // Adds an evaluated link's volume over count; true when it is counted.
  bool add_evaluated(double volume, double count, double miles);
  void add_counted(const StatsLink& link);
  void add_scatter(const StatsLink& link);
  void add_top(const StatsLink& link);
  int count_group_of(double count) const;

  std::array<std::int64_t, kLinkOutcomeCount> statuses_{};
  std::array<std::int64_t, kDataCheckCount> checks_{};
  StatsSums areawide_;
  // Count groups as reset() took them: lower and upper ends, ascending.
  std::array<double, kMaxTargetLines> group_lo_{};
  std::array<double, kMaxTargetLines> group_hi_{};
  int group_count_ = 0;
  std::array<StatsSums, kMaxTargetLines> groups_{};
  std::array<StatsSums, kMaxClass + 1> ft_{};
  std::array<StatsSums, kMaxClass + 1> at_{};
  std::array<std::int64_t, kScreenlines + 1> screenline_links_{};
  bool with_counts_ = true;  // gather the figures against counts
  bool geh_on_ = false;
  double hour_factor_ = 0;
  std::array<std::int64_t, 3> geh_{};
  std::int64_t mdd_within_ = 0;
  VcDistribution vc_;
  MddCheck mdd_check_;
  ScatterSample scatter_;
  // The largest deviations: a heap whose top is the weakest kept.
  std::array<TopLink, kTopLimit> top_{};
  std::size_t top_size_ = 0;
};

}  // namespace korvo
