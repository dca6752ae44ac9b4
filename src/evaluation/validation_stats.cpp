#include "evaluation/validation_stats.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace korvo {
namespace {

// The pieces of the maximum desirable deviation curve.
constexpr double kMddLowFactor = 1165.0;
constexpr double kMddLowExponent = -0.37752;
constexpr double kMddLowLimit = 50000.0;
constexpr double kMddMidFactor = 40000.0;
constexpr double kMddMidExponent = -0.7;
constexpr double kMddMidLimit = 90000.0;
constexpr double kMddHighBase = 15.7;
constexpr double kMddHighSlope = 0.00002;
constexpr double kMddFloor = 5.7;

constexpr double kGehLow = 5.0;
constexpr double kGehHigh = 10.0;

constexpr std::string_view kGehNotComputed = "GEH needs hourly flows: set GEH hourfactor share in KVTARGET.SYN";

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::uint64_t mix(std::uint64_t z) {
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

bool key_less(const ScatterPoint& a, const ScatterPoint& b) { return a.key < b.key; }

// a ranks before b among the largest deviations.
bool stronger(const TopLink& a, const TopLink& b) {
  return a.deviation > b.deviation || (a.deviation == b.deviation && a.record < b.record);
}

void fill_sums(StatsRow& row, const StatsSums& s) {
  row.links = Figure::whole(s.n);
  if (s.n == 0) return;
  row.count_sum = Figure::real(s.sum_c());
  row.volume_sum = Figure::real(s.sum_v());
  row.ratio = Figure::real(s.ratio());
  row.rmse_pct = Figure::real(s.rmse_pct());
  row.vmt_count = Figure::real(s.sum_cd());
  row.vmt_volume = Figure::real(s.sum_vd());
  row.vmt_ratio = Figure::real(s.vmt_ratio());
  row.r2 = Figure::real(s.r2());
}

void fill_targets(StatsRow& row, const TargetPair& t) {
  if (!t.set) return;
  row.target_acceptable = Figure::real(t.acceptable);
  row.target_preferable = Figure::real(t.preferable);
}

Verdict vmt_verdict(const StatsSums& s, const TargetPair& t) {
  return s.n > 0 ? ratio_verdict(s.sum_vd(), s.sum_cd(), t) : Verdict::kNone;
}

std::optional<double> share(std::int64_t part, std::int64_t whole) {
  if (whole <= 0) return std::nullopt;
  return static_cast<double>(part) / static_cast<double>(whole);
}

StatsRow row_of(StatsSection section, std::string key, std::string label) {
  StatsRow row;
  row.section = section;
  row.key = std::move(key);
  row.label = std::move(label);
  return row;
}

std::string group_key(const CountGroup& g) {
  return g.open ? std::to_string(g.lo) + "+" : std::to_string(g.lo) + "-" + std::to_string(g.hi);
}

std::string group_label(const CountGroup& g) {
  return g.open ? "Counts " + std::to_string(g.lo) + " and above"
                : "Counts " + std::to_string(g.lo) + " to " + std::to_string(g.hi);
}

}  // namespace

std::string_view link_outcome_name(LinkOutcome status) {
  switch (status) {
    case LinkOutcome::kEvaluated: return "evaluated";
    case LinkOutcome::kUnclassified: return "unclassified";
    case LinkOutcome::kConnectorPassedOver: return "connector_passed_over";
    case LinkOutcome::kZeroTimePassedOver: return "zero_time_passed_over";
    case LinkOutcome::kLocationDeselected: return "location_deselected";
  }
  return "";
}

std::optional<double> mdd_percent(double x) {
  if (!(x > 0)) return std::nullopt;
  if (x <= kMddLowLimit) return kMddLowFactor * std::pow(x, kMddLowExponent);
  if (x <= kMddMidLimit) return kMddMidFactor * std::pow(x, kMddMidExponent);
  return std::max(kMddFloor, kMddHighBase - kMddHighSlope * x);
}

bool within_mdd(double deviation_pct, double c) {
  // The curve never falls below its floor: a deviation within the floor is
  // within without the curve's pow().
  return deviation_pct <= kMddFloor || deviation_pct <= mdd_percent(c).value_or(0);
}

namespace {
constexpr std::uint64_t kBitsOfOne = std::bit_cast<std::uint64_t>(1.0);
constexpr int kMantissaBits = std::numeric_limits<double>::digits - 1;
}  // namespace

// A positive double's bits grow with its value, so the top bits of the
// mantissa past those of 1.0 number equal slices of each binary order.
// Each piece of the curve is c times a negative power of x: it falls. Within
// a cell [lo, hi) on one piece the exact curve lies between its values at hi
// and at lo, and pow() and the product are within about one unit in the last
// place of it (2e-16 of the value); the margin of 1e-9 covers that many
// times over. A cell that holds a break of the curve (50,000 and 90,000)
// decides nothing.
MddCheck::MddCheck() {
  constexpr double kMargin = 1e-9;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (int i = 0; i < kCells; ++i) {
    const double lo =
        std::bit_cast<double>(kBitsOfOne + (static_cast<std::uint64_t>(i) << (kMantissaBits - kCellBits)));
    const double hi =
        std::bit_cast<double>(kBitsOfOne + (static_cast<std::uint64_t>(i + 1) << (kMantissaBits - kCellBits)));
    const bool one_piece = hi <= kMddLowLimit || (lo > kMddLowLimit && hi <= kMddMidLimit);
    Cell& cell = cells_[at(i)];
    if (one_piece) {
      cell.below = mdd_percent(hi).value_or(0) * (1 - kMargin);
      cell.above = mdd_percent(lo).value_or(0) * (1 + kMargin);
    } else {
      cell.below = -kInf;
      cell.above = kInf;
    }
  }
}

bool MddCheck::within(double deviation_pct, double c) const {
  if (c >= 1.0 && c <= kMddMidLimit) {
    // Within or not is close to a coin toss from one link to the next: the
    // cell's answer is formed without a branch, and only a deviation between
    // its bounds (rare) branches to the curve itself.
    const Cell& cell = cells_[(std::bit_cast<std::uint64_t>(c) - kBitsOfOne) >> (kMantissaBits - kCellBits)];
    const bool below = (deviation_pct <= kMddFloor) | (deviation_pct <= cell.below);
    const bool above = deviation_pct > cell.above;
    if (below | above) return below;
  } else if (deviation_pct <= kMddFloor) {
    return true;
  }
  return within_mdd(deviation_pct, c);
}

double geh(double v, double c, double h) {
  const double hv = h * v;
  const double hc = h * c;
  const double sum = hv + hc;
  if (!(sum > 0)) return 0.0;
  return std::sqrt(2.0 * (hv - hc) * (hv - hc) / sum);
}

std::optional<double> rmse_percent(std::int64_t n, double sum_sq_dev, double sum_c) {
  if (n < 2 || sum_c == 0) return std::nullopt;
  const double nn = static_cast<double>(n);
  return std::sqrt(sum_sq_dev / (nn - 1)) / (sum_c / nn) * 100.0;
}

std::optional<double> r_squared(std::int64_t n, double m2_v, double m2_c, double co_moment) {
  if (n < 2 || !(m2_v > 0) || !(m2_c > 0)) return std::nullopt;
  // Rounding can carry |r| a hair past 1 for perfectly correlated data.
  return std::min(1.0, co_moment / m2_v * (co_moment / m2_c));
}

bool ratio_within(double a, double b, double t) {
  if (!(b > 0)) return false;
  return std::fabs(a - b) * 100.0 <= t * b;
}

Verdict ratio_verdict(double a, double b, const TargetPair& target) {
  if (!target.set || !(b > 0)) return Verdict::kNone;
  if (ratio_within(a, b, target.preferable)) return Verdict::kPreferable;
  if (ratio_within(a, b, target.acceptable)) return Verdict::kAcceptable;
  return Verdict::kOutside;
}

Verdict rmse_verdict(std::optional<double> rmse_pct, const TargetPair& target) {
  if (!target.set || !rmse_pct) return Verdict::kNone;
  if (*rmse_pct <= target.preferable) return Verdict::kPreferable;
  if (*rmse_pct <= target.acceptable) return Verdict::kAcceptable;
  return Verdict::kOutside;
}

std::optional<double> StatsSums::ratio() const {
  if (sum_c() == 0) return std::nullopt;
  return sum_v() / sum_c();
}

std::optional<double> StatsSums::vmt_ratio() const {
  if (sum_cd() == 0) return std::nullopt;
  return sum_vd() / sum_cd();
}

std::string_view data_check_name(DataCheck check) {
  switch (check) {
    case DataCheck::kUnclassified: return "unclassified";
    case DataCheck::kConnectorPassedOver: return "connector_passed_over";
    case DataCheck::kZeroTimePassedOver: return "zero_time_passed_over";
    case DataCheck::kLocationDeselected: return "location_deselected";
    case DataCheck::kCountedZeroVolume: return "counted_zero_volume";
    case DataCheck::kNoCount: return "no_count";
    case DataCheck::kSpeedImplausible: return "speed_implausible";
  }
  return "";
}

std::string_view data_check_hint(DataCheck check) {
  switch (check) {
    case DataCheck::kUnclassified:
      return "facility or area type without a class: see KVSKIP.LNK, add the codes to KVLABELS.SYN";
    case DataCheck::kConnectorPassedOver: return "centroid connectors (facility types 50 to 59) are never evaluated";
    case DataCheck::kZeroTimePassedOver:
      return "congested time and cost both 0: check the CONG_TIME field and its scale factor";
    case DataCheck::kLocationDeselected: return "location other than the profile's GLS selection";
    case DataCheck::kCountedZeroVolume:
      return "counted links with no assigned volume: check the volume field and the loading";
    case DataCheck::kNoCount: return "evaluated links without a count (COUNT 0 or less)";
    case DataCheck::kSpeedImplausible:
      return "congested speed above 120 or below 2 mph: usually a scale factor in DATABASE.CTL";
  }
  return "";
}

std::uint64_t ValidationStats::sample_key(std::int32_t anode, std::int32_t bnode, std::int64_t record) {
  const std::uint64_t nodes =
      (static_cast<std::uint64_t>(static_cast<std::uint32_t>(anode)) << 32) | static_cast<std::uint32_t>(bnode);
  return mix(mix(nodes) ^ static_cast<std::uint64_t>(record));
}

void ValidationStats::reset(const Targets& targets) {
  statuses_.fill(0);
  checks_.fill(0);
  areawide_ = {};
  group_count_ = std::clamp(targets.group_count, 0, kMaxTargetLines);
  for (int k = 0; k < group_count_; ++k) {
    group_lo_[at(k)] = static_cast<double>(targets.groups[at(k)].lo);
    group_hi_[at(k)] = static_cast<double>(targets.groups[at(k)].hi);
  }
  groups_.fill({});
  ft_.fill({});
  at_.fill({});
  screenline_links_.fill(0);
  geh_on_ = targets.geh && targets.hour_factor > 0;
  hour_factor_ = geh_on_ ? targets.hour_factor : 0;
  geh_.fill(0);
  mdd_within_ = 0;
  vc_ = {};
  scatter_.clear();
  top_size_ = 0;
  with_counts_ = true;
}

void ValidationStats::reset_without_counts(const Targets& targets) {
  reset(targets);
  with_counts_ = false;
}

static_assert(
    static_cast<int>(DataCheck::kUnclassified) == static_cast<int>(LinkOutcome::kUnclassified) - 1 &&
    static_cast<int>(DataCheck::kConnectorPassedOver) == static_cast<int>(LinkOutcome::kConnectorPassedOver) - 1 &&
    static_cast<int>(DataCheck::kZeroTimePassedOver) == static_cast<int>(LinkOutcome::kZeroTimePassedOver) - 1 &&
    static_cast<int>(DataCheck::kLocationDeselected) == static_cast<int>(LinkOutcome::kLocationDeselected) - 1 &&
    kLinkOutcomeCount == 5);

bool ValidationStats::add_outcome(LinkOutcome status, double miles, double minutes) {
  const auto s = static_cast<std::size_t>(status);
  if (s >= statuses_.size()) return false;
  ++statuses_[s];
  if (status != LinkOutcome::kEvaluated) {
    // The first data checks are the other statuses, in their order.
    ++checks_[s - 1];
    return false;
  }
  if (miles != 0 && minutes != 0) {
    const double mph = miles * 60.0 / minutes;
    if (mph > kMaxPlausibleMph || mph < kMinPlausibleMph)
      ++checks_[static_cast<std::size_t>(DataCheck::kSpeedImplausible)];
  }
  return true;
}

bool ValidationStats::add_evaluated(double volume, double count, double miles) {
  vc_.add(volume, count, miles);
  if (!(count > 0)) {
    ++checks_[static_cast<std::size_t>(DataCheck::kNoCount)];
    return false;
  }
  return true;
}

int ValidationStats::count_group_of(double count) const {
  // The last group whose lower end is at or below the count, by halving the
  // range a fixed number of times for the group count: which half is kept is
  // a select, not a branch, so a count of either side costs the same.
  if (group_count_ == 0 || !(group_lo_[0] <= count)) return -1;
  const double* base = group_lo_.data();
  for (int n = group_count_; n > 1;) {
    const int half = n / 2;
    base = base[half] <= count ? base + half : base;
    n -= half;
  }
  const int k = static_cast<int>(base - group_lo_.data());
  return count <= group_hi_[at(k)] ? k : -1;
}

void ValidationStats::add_counted(const StatsLink& link) {
  // Copies, so that the sums' stores cannot make the compiler read them again.
  const double v = link.volume;
  const double c = link.count;
  const double d = link.miles;
  areawide_.add(v, c, d);
  const int g = count_group_of(c);
  if (g >= 0) groups_[at(g)].add(v, c, d);
  if (link.ft_class >= 1 && link.ft_class <= kMaxClass) ft_[at(link.ft_class)].add(v, c, d);
  if (link.at_class >= 1 && link.at_class <= kMaxClass) at_[at(link.at_class)].add(v, c, d);
  if (link.screenline >= 1 && link.screenline <= kScreenlines) ++screenline_links_[at(link.screenline)];
  // Outcomes that go either way from one link to the next are added as 0 or
  // 1 rather than branched on.
  checks_[static_cast<std::size_t>(DataCheck::kCountedZeroVolume)] += v == 0;
  if (geh_on_) {
    const double x = geh(v, c, hour_factor_);
    ++geh_[static_cast<std::size_t>(int{x >= kGehLow} + int{x >= kGehHigh})];
  }
  mdd_within_ += mdd_check_.within(std::fabs(v - c) / c * 100.0, c);
  add_scatter(link);
  add_top(link);
}

void ScatterSample::keep_smallest() const {
  const auto nth = buffer_.begin() + static_cast<std::ptrdiff_t>(kLimit) - 1;
  std::nth_element(buffer_.begin(), nth, buffer_.begin() + static_cast<std::ptrdiff_t>(size_), key_less);
  // Those before nth have keys at or below its own: it is the largest kept.
  threshold_ = nth->key;
  cut_ = true;
  size_ = kLimit;
  ordered_ = false;
}

std::span<const ScatterPoint> ScatterSample::points() const {
  if (size_ > kLimit) keep_smallest();
  if (!ordered_) {
    std::sort(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size_),
              [](const ScatterPoint& a, const ScatterPoint& b) {
                return a.ft_class != b.ft_class ? a.ft_class < b.ft_class : a.key < b.key;
              });
    ordered_ = true;
  }
  return {buffer_.data(), size_};
}

void ValidationStats::add_scatter(const StatsLink& link) {
  const std::uint64_t key = sample_key(link.anode, link.bnode, link.record);
  if (!scatter_.wants(key)) return;
  ScatterPoint p;
  p.key = key;
  p.volume = static_cast<float>(link.volume);
  p.count = static_cast<float>(link.count);
  p.ft_class = static_cast<std::int16_t>(std::clamp(link.ft_class, 0, kMaxClass));
  scatter_.add(p);
}

void ValidationStats::add_top(const StatsLink& link) {
  TopLink t;
  t.deviation = std::fabs(link.volume - link.count);
  t.record = link.record;
  if (top_size_ == kTopLimit && !stronger(t, top_[0])) return;
  t.anode = link.anode;
  t.bnode = link.bnode;
  t.volume = link.volume;
  t.count = link.count;
  t.ft_class = static_cast<std::int16_t>(std::clamp(link.ft_class, 0, kMaxClass));
  t.at_class = static_cast<std::int16_t>(std::clamp(link.at_class, 0, kMaxClass));
  // The heap's top is the weakest link kept, the one a stronger link replaces.
  if (top_size_ < kTopLimit) {
    top_[top_size_++] = t;
    std::push_heap(top_.begin(), top_.begin() + static_cast<std::ptrdiff_t>(top_size_), stronger);
    return;
  }
  std::pop_heap(top_.begin(), top_.end(), stronger);
  top_.back() = t;
  std::push_heap(top_.begin(), top_.end(), stronger);
}

std::vector<TopLink> ValidationStats::top_deviations() const {
  std::vector<TopLink> links(top_.begin(), top_.begin() + static_cast<std::ptrdiff_t>(top_size_));
  std::sort(links.begin(), links.end(), stronger);
  return links;
}

const StatsSums& ValidationStats::count_group(int index) const {
  static const StatsSums kEmpty{};
  return index >= 0 && index < group_count_ ? groups_[at(index)] : kEmpty;
}

const StatsSums& ValidationStats::ft_class(int cls) const {
  static const StatsSums kEmpty{};
  return cls >= 1 && cls <= kMaxClass ? ft_[at(cls)] : kEmpty;
}

const StatsSums& ValidationStats::at_class(int cls) const {
  static const StatsSums kEmpty{};
  return cls >= 1 && cls <= kMaxClass ? at_[at(cls)] : kEmpty;
}

std::int64_t ValidationStats::screenline_counted_links(int s) const {
  return s >= 1 && s <= kScreenlines ? screenline_links_[at(s)] : 0;
}

std::vector<StatsRow> ValidationStats::finish(const Targets& targets, const ScreenlineTotals& screenlines,
                                              const ClassTables& classes) const {
  bool same = targets.group_count == group_count_ && (targets.geh && targets.hour_factor > 0) == geh_on_ &&
              (!geh_on_ || targets.hour_factor == hour_factor_);
  for (int k = 0; same && k < group_count_; ++k) {
    same = static_cast<double>(targets.groups[at(k)].lo) == group_lo_[at(k)] &&
           static_cast<double>(targets.groups[at(k)].hi) == group_hi_[at(k)];
  }
  if (!same) throw std::logic_error("ValidationStats::finish: the targets differ from those given to reset");
  if (screenlines.volume.size() <= kScreenlines || screenlines.reference.size() <= kScreenlines) {
    throw std::logic_error("ValidationStats::finish: the screenline totals hold fewer than 99 values");
  }

  std::vector<StatsRow> rows;
  rows.reserve(16 + static_cast<std::size_t>(group_count_) + kScreenlines);

  StatsRow rmse = row_of(StatsSection::kAreawide, "rmse", "All counted links");
  fill_sums(rmse, areawide_);
  fill_targets(rmse, targets.area_rmse);
  rmse.result = rmse_verdict(areawide_.rmse_pct(), targets.area_rmse);
  rows.push_back(std::move(rmse));
  StatsRow vmt = row_of(StatsSection::kAreawide, "vmt", "All counted links");
  fill_sums(vmt, areawide_);
  fill_targets(vmt, targets.area_vmt);
  vmt.result = vmt_verdict(areawide_, targets.area_vmt);
  rows.push_back(std::move(vmt));

  for (int k = 0; k < group_count_; ++k) {
    const CountGroup& g = targets.groups[at(k)];
    StatsRow row = row_of(StatsSection::kCountGroup, group_key(g), group_label(g));
    fill_sums(row, groups_[at(k)]);
    fill_targets(row, g.target);
    row.result = rmse_verdict(groups_[at(k)].rmse_pct(), g.target);
    rows.push_back(std::move(row));
  }

  for (int cls = 1; cls <= kMaxClass; ++cls) {
    const StatsSums& s = ft_[at(cls)];
    if (s.n == 0) continue;
    StatsRow row = row_of(StatsSection::kFtClass, std::to_string(cls), trimmed(classes.ft_label(cls)));
    fill_sums(row, s);
    fill_targets(row, targets.ft_target(cls));
    row.result = vmt_verdict(s, targets.ft_target(cls));
    rows.push_back(std::move(row));
  }
  for (int cls = 1; cls <= kMaxClass; ++cls) {
    const StatsSums& s = at_[at(cls)];
    if (s.n == 0) continue;
    StatsRow row = row_of(StatsSection::kAtClass, std::to_string(cls), trimmed(classes.at_label(cls)));
    fill_sums(row, s);
    fill_targets(row, targets.at_target(cls));
    row.result = vmt_verdict(s, targets.at_target(cls));
    rows.push_back(std::move(row));
  }

  for (int s = 1; s <= kScreenlines; ++s) {
    const float reference = screenlines.reference[at(s)];
    const float volume = screenlines.volume[at(s)];
    if (!(reference > 0.0f)) continue;
    StatsRow row = row_of(StatsSection::kScreenline, std::to_string(s), trimmed(classes.screenline_name[at(s)].view()));
    row.links = Figure::whole(screenline_links_[at(s)]);
    row.count_sum = Figure::single(reference);
    row.volume_sum = Figure::single(volume);
    row.ratio = Figure::real(static_cast<double>(volume) / static_cast<double>(reference));
    const double mdd = mdd_percent(reference).value_or(0);
    row.target_acceptable = Figure::real(mdd);
    row.result = ratio_within(volume, reference, mdd) ? Verdict::kAcceptable : Verdict::kOutside;
    rows.push_back(std::move(row));
  }

  const std::int64_t n = areawide_.n;
  if (geh_on_) {
    static constexpr std::string_view kKeys[] = {"lt5", "5to10", "ge10"};
    static constexpr std::string_view kLabels[] = {"GEH below 5", "GEH 5 to below 10", "GEH 10 and above"};
    for (int b = 0; b < 3; ++b) {
      StatsRow row = row_of(StatsSection::kGeh, std::string(kKeys[b]), std::string(kLabels[b]));
      row.links = Figure::whole(geh_[at(b)]);
      row.ratio = Figure::real(share(geh_[at(b)], n));
      if (b == 0) {
        row.target_acceptable = Figure::real(targets.geh_share);
        if (n > 0) {
          const bool met = static_cast<double>(geh_[0]) * 100.0 >= targets.geh_share * static_cast<double>(n);
          row.result = met ? Verdict::kAcceptable : Verdict::kOutside;
        }
      }
      rows.push_back(std::move(row));
    }
  } else {
    rows.push_back(row_of(StatsSection::kGeh, "not_computed", std::string(kGehNotComputed)));
  }

  StatsRow mdd =
      row_of(StatsSection::kMdd, "within", "Counted links within the maximum desirable deviation of their count");
  mdd.links = Figure::whole(mdd_within_);
  mdd.ratio = Figure::real(share(mdd_within_, n));
  rows.push_back(std::move(mdd));

  for (int k = 0; k < kDataCheckCount; ++k) {
    const auto check = static_cast<DataCheck>(k);
    StatsRow row =
        row_of(StatsSection::kCheck, std::string(data_check_name(check)), std::string(data_check_hint(check)));
    row.links = Figure::whole(checks_[at(k)]);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace korvo
