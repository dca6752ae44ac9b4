#include "city_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace korvo::fixtures {
namespace {

// Node numbers must fit the 16-bit node fields of the binary network and of
// VOLNAUX (read as unsigned once the highest node is 32,768 or more).
constexpr std::int32_t kNodeLimit = 65'535;
constexpr int kMinGridSide = 3;
// Screenline lists hold 200 links; a cut never crosses more streets than this.
constexpr int kScreenlineCrossingLimit = 180;

// Future-year growth of the volumes in an analysis scenario.
constexpr double kFutureGrowth = 1.2;
// The traffic a widened main street attracts, as a factor on its volume.
constexpr double kWideningAttraction = 1.1;

// splitmix64: a counter-based generator, so that every street's values are a
// function of its node pair and the seed alone.
constexpr std::uint64_t mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

// Uniform in [0, 1) from the top 53 bits.
double unit(std::uint64_t h) { return static_cast<double>(h >> 11) * 0x1.0p-53; }

// Roughly standard normal: four 16-bit uniforms summed (Irwin-Hall), centred
// and scaled to variance 1. Bounded by +-3.46, which keeps every value in
// its field.
double normal(std::uint64_t h) {
  double sum = 0;
  for (int i = 0; i < 4; ++i) sum += static_cast<double>((h >> (16 * i)) & 0xFFFF) / 65536.0;
  return (sum - 2.0) * 1.7320508075688772;
}

std::uint64_t pair_key(std::int32_t a, std::int32_t b) {
  const auto lo = static_cast<std::uint64_t>(std::min(a, b));
  const auto hi = static_cast<std::uint64_t>(std::max(a, b));
  return (lo << 32) | hi;
}

std::int32_t round_to(double v, int step) { return static_cast<std::int32_t>(std::lround(v / step)) * step; }

// Per-lane daily capacity, free-flow speed (urban, rural) and the share of
// trucks of each facility type.
struct FacilityTraits {
  std::int32_t code;
  double lane_capacity;
  double urban_speed;
  double rural_speed;
  double truck_share;
  double count_probability;
  double volume_factor;  // relative loading of the type
};

// clang-format off
constexpr FacilityTraits kTraits[] = {
    {kFreeway,           20'000, 55, 65, 0.12, 0.62, 1.12},
    {kDividedArterial,    9'000, 40, 50, 0.07, 0.50, 1.00},
    {kUndividedArterial,  7'500, 35, 45, 0.05, 0.40, 0.95},
    {kCollector,          6'000, 30, 40, 0.04, 0.28, 0.82},
    {kLocalStreet,        4'000, 25, 30, 0.02, 0.18, 0.70},
    {kCentroidConnector, 99'999, 20, 20, 0.00, 0.00, 0.00},
    {kOneWayStreet,       8'000, 25, 30, 0.04, 0.40, 1.00},
    {kPrivateRoad,        2'000, 15, 15, 0.00, 0.00, 0.30},
};
// clang-format on

const FacilityTraits& traits(std::int32_t code) {
  for (const auto& t : kTraits) {
    if (t.code == code) return t;
  }
  throw std::logic_error("scenario generator: no traits for facility type " + std::to_string(code));
}

// Mean volume over capacity by area type (CBD .. rural).
constexpr double kAreaLoading[] = {0, 1.20, 1.10, 0.92, 1.05, 0.72};
constexpr double kAreaCapacity[] = {0, 0.85, 0.90, 1.00, 0.95, 1.05};

enum FeatureIndex { kPrivateFeature, kNoVolumeFeature, kCount99Feature, kOneCountFeature, kConstructionFeature };

}  // namespace

struct CityNetwork::PairInfo {
  std::uint64_t hash = 0;
  std::int32_t facility_type = 0;
  std::int32_t area_type = 0;
  std::int32_t lanes = 0;
  std::int32_t distance = 0;
  std::int32_t time = 0;
  std::int32_t capacity = 0;
  std::int32_t zone = 0;
  std::int32_t location = 0;
  std::int32_t screenline = 0;
  std::int32_t construct = 0;
  double loading = 0;  // volume over capacity of the street, before the direction's share
  bool two_way = true;
  bool counted = false;
  bool one_direction_counted = false;  // the direction from the higher node has no count
  bool no_volume = false;
  bool crossing = false;  // crosses one of the screenline cuts
};

CityNetwork::CityNetwork(const ScenarioOptions& options) : options_(options) {
  if (options.links < 1) throw std::invalid_argument("scenario generator: the number of links must be at least 1");
  target_ = options.links;
  choose_grid();
  select_features();
}

double CityNetwork::column_x(double c) const {
  const double half = std::max(1.0, (columns_ - 1) / 2.0);
  return (c - (columns_ - 1) / 2.0) / half;
}

double CityNetwork::row_y(double r) const {
  const double half = std::max(1.0, (rows_ - 1) / 2.0);
  return (r - (rows_ - 1) / 2.0) / half;
}

double CityNetwork::square(double v) { return v * v; }

// Radii of the rings (squared, as they are compared with squared distances)
// and the tables of the grid lines: positions of lines and of the midpoints
// between them, block lengths and line types. The rings widen on small
// grids, so that a city of a few blocks still has a centre, a fringe and an
// edge.
void CityNetwork::build_tables() {
  const double span = std::max(1, std::min(columns_, rows_) - 1);
  cbd2_ = square(std::max(0.15, 1.1 / span));
  fringe2_ = square(std::max(0.35, 2.4 / span));
  obd2_ = square(std::max(0.12, 1.0 / span));
  residential2_ = square(std::max(0.75, 3.2 / span));
  core2_ = square(std::max(0.3, 2.5 / span));
  auto block = [](double along) { return 0.12 + 0.85 * std::abs(along) * std::sqrt(std::abs(along)); };
  x_.assign(2 * static_cast<std::size_t>(columns_), 0.0);
  y_.assign(2 * static_cast<std::size_t>(rows_), 0.0);
  column_block_.assign(static_cast<std::size_t>(columns_), 0.0);
  row_block_.assign(static_cast<std::size_t>(rows_), 0.0);
  column_type_.assign(static_cast<std::size_t>(columns_), 0);
  row_type_.assign(static_cast<std::size_t>(rows_), 0);
  for (int c = 0; c < columns_; ++c) {
    x_[2 * static_cast<std::size_t>(c)] = column_x(c);
    x_[2 * static_cast<std::size_t>(c) + 1] = column_x(c + 0.5);
    column_block_[static_cast<std::size_t>(c)] = block(column_x(c + 0.5));
    column_type_[static_cast<std::size_t>(c)] = line_type(c - columns_ / 2);
  }
  for (int r = 0; r < rows_; ++r) {
    y_[2 * static_cast<std::size_t>(r)] = row_y(r);
    y_[2 * static_cast<std::size_t>(r) + 1] = row_y(r + 0.5);
    row_block_[static_cast<std::size_t>(r)] = block(row_y(r + 0.5));
    row_type_[static_cast<std::size_t>(r)] = line_type(std::abs(r - rows_ / 2) + 8);
  }
}

std::int32_t CityNetwork::area_type_at(double x, double y) const {
  const double rho2 = x * x + y * y;
  if (rho2 < cbd2_) return kCbd;
  if (rho2 < fringe2_) return kFringe;
  if (square(x - 0.55) + square(y + 0.5) < obd2_ || square(x + 0.45) + square(y - 0.6) < obd2_) {
    return kOutlyingBusiness;
  }
  if (rho2 < residential2_) return kResidential;
  return kRural;
}

bool CityNetwork::in_core(double x, double y) const { return x * x + y * y < core2_; }

// The hierarchy of grid lines by their offset from the centre: every 16th a
// freeway, then divided arterials, undivided arterials and collectors at
// halving spacings; local streets in between.
std::int32_t CityNetwork::line_type(int offset) const {
  const int d = std::abs(offset);
  if (d % 16 == 0) return kFreeway;
  if (d % 8 == 0) return kDividedArterial;
  if (d % 4 == 0) return kUndividedArterial;
  if (d % 2 == 0) return kCollector;
  return kLocalStreet;
}

// Columns: a freeway down the middle. Rows: a divided arterial (the main
// street) across the middle, freeways eight rows north and south.
std::int32_t CityNetwork::column_line_type(int c) const { return column_type_[static_cast<std::size_t>(c)]; }
std::int32_t CityNetwork::row_line_type(int r) const { return row_type_[static_cast<std::size_t>(r)]; }

void CityNetwork::choose_grid() {
  // About 4.2 directional links per grid node (two streets each way, less
  // the one-way streets, plus the connectors).
  int side = std::max(kMinGridSide, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(target_) / 4.2))));
  auto set_grid = [this](int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    zone_block_ = std::min(columns, rows) < 16 ? 2 : 4;
    zone_columns_ = (columns + zone_block_ - 1) / zone_block_;
    zone_rows_ = (rows + zone_block_ - 1) / zone_block_;
    const std::int32_t zones = zone_columns_ * zone_rows_;
    // Grid nodes start at the next hundred after the centroids.
    first_grid_node_ = (zones / 100 + 1) * 100;
    if (first_grid_node_ + columns * rows - 1 > kNodeLimit) first_grid_node_ = zones + 1;
    cut1_ = std::clamp(static_cast<int>(std::floor((columns - 1) * 0.30)), 0, columns - 2);
    cut2_ = std::clamp(static_cast<int>(std::floor((rows - 1) * 0.66)), 0, rows - 2);
    cut3_ = std::clamp(static_cast<int>(std::floor((columns - 1) * 0.80)), 0, columns - 2);
    if (cut3_ == cut1_) cut3_ = std::min(columns - 2, cut1_ + 1);
    build_tables();
  };
  auto fits = [](int columns, int rows) {
    const int zb = std::min(columns, rows) < 16 ? 2 : 4;
    const std::int64_t zones =
        static_cast<std::int64_t>((columns + zb - 1) / zb) * static_cast<std::int64_t>((rows + zb - 1) / zb);
    return zones + static_cast<std::int64_t>(columns) * rows <= kNodeLimit;
  };
  int columns = side;
  int rows = side;
  while (!fits(columns, rows)) {
    --columns;
    rows = columns;
  }
  set_grid(columns, rows);
  bool grow_columns = true;
  while (count_grid_links() < target_) {
    const int c = grow_columns ? columns_ + 1 : columns_;
    const int r = grow_columns ? rows_ : rows_ + 1;
    if (!fits(c, r)) break;
    set_grid(c, r);
    grow_columns = !grow_columns;
  }
  const std::int64_t grid_links = count_grid_links();
  copies_ = static_cast<int>(std::max<std::int64_t>(1, (target_ + grid_links - 1) / grid_links));
  // Parallel links are numbered by their sequence field (at most 1023).
  if (copies_ > 1023) throw std::invalid_argument("scenario generator: too many links for the node numbers");
}

std::int64_t CityNetwork::count_grid_links() const {
  const std::int64_t nodes =
      static_cast<std::int64_t>(zone_columns_) * zone_rows_ + static_cast<std::int64_t>(columns_) * rows_;
  std::int64_t count = 0;
  Neighbour n[6];
  for (std::int64_t i = 0; i < nodes; ++i) {
    const int k = out_neighbours(i, n);
    for (int j = 0; j < k; ++j) {
      const std::int32_t anode =
          i < zones() ? static_cast<std::int32_t>(i + 1) : first_grid_node_ + static_cast<std::int32_t>(i - zones());
      if (link_exists(anode, n[j])) ++count;
    }
  }
  return count;
}

// The candidate links out of a node, in ascending order of B-node: a
// centroid has its connector; a grid node its connector (a centroid, so the
// lowest number), then north, west, east and south.
int CityNetwork::out_neighbours(std::int64_t node_index, Neighbour* out) const {
  const int zones_total = zones();
  int k = 0;
  auto attach = [this](int zr, int zc) {
    const int r = std::min(zr * zone_block_ + zone_block_ / 2, rows_ - 1);
    const int c = std::min(zc * zone_block_ + zone_block_ / 2, columns_ - 1);
    return r * columns_ + c;
  };
  if (node_index < zones_total) {
    const int z = static_cast<int>(node_index);
    out[k++] = Neighbour{first_grid_node_ + attach(z / zone_columns_, z % zone_columns_), 0, 0, 0};
    return k;
  }
  const int g = static_cast<int>(node_index - zones_total);
  const int r = g / columns_;
  const int c = g % columns_;
  const int zr = r / zone_block_;
  const int zc = c % columns_ / zone_block_;
  if (attach(zr, zc) == g) out[k++] = Neighbour{zr * zone_columns_ + zc + 1, 0, 0, 0};
  if (r > 0) out[k++] = Neighbour{first_grid_node_ + g - columns_, 2, c, r - 1};
  if (c > 0) out[k++] = Neighbour{first_grid_node_ + g - 1, 1, r, c - 1};
  if (c + 1 < columns_) out[k++] = Neighbour{first_grid_node_ + g + 1, 1, r, c};
  if (r + 1 < rows_) out[k++] = Neighbour{first_grid_node_ + g + columns_, 2, c, r};
  return k;
}

// A one-way street runs east on even rows and west on odd ones (counted from
// the main street), south on even columns and north on odd ones.
bool CityNetwork::link_exists(std::int32_t anode, const Neighbour& n) const {
  if (n.kind == 0) return true;
  const std::int32_t type = n.kind == 1 ? row_line_type(n.line) : column_line_type(n.line);
  if (type != kCollector && type != kUndividedArterial && type != kLocalStreet) return true;
  const double x =
      n.kind == 1 ? x_[2 * static_cast<std::size_t>(n.from) + 1] : x_[2 * static_cast<std::size_t>(n.line)];
  const double y =
      n.kind == 1 ? y_[2 * static_cast<std::size_t>(n.line)] : y_[2 * static_cast<std::size_t>(n.from) + 1];
  if (!in_core(x, y)) return true;
  const bool forward = anode < n.node;  // east or south
  const int parity = std::abs(n.kind == 1 ? n.line - rows_ / 2 : n.line - columns_ / 2) % 2;
  return forward == (parity == 0);
}

CityNetwork::PairInfo CityNetwork::pair_info(std::int32_t anode, const Neighbour& n, std::int32_t sequence) const {
  PairInfo p;
  const std::uint64_t key = pair_key(anode, n.node);
  p.hash = mix(options_.seed ^ mix(key ^ (static_cast<std::uint64_t>(sequence) << 58)));
  const std::uint64_t street = mix(options_.seed ^ mix(key));  // the same for every parallel link
  double x = 0;
  double y = 0;
  double spacing = 0;
  if (n.kind == 0) {
    // A connector: from its centroid to the grid node it is tied to.
    const std::int32_t grid_node = std::max(anode, n.node);
    const std::int32_t centroid = std::min(anode, n.node);
    const int g = grid_node - first_grid_node_;
    x = x_[2 * static_cast<std::size_t>(g % columns_)];
    y = y_[2 * static_cast<std::size_t>(g / columns_)];
    p.facility_type = kCentroidConnector;
    p.zone = centroid;
    const double rho = std::min(1.0, std::sqrt(x * x + y * y));
    spacing = 0.06 + 0.35 * rho * std::sqrt(rho);
  } else {
    const bool row_line = n.kind == 1;
    const auto from = static_cast<std::size_t>(n.from);
    const auto line = static_cast<std::size_t>(n.line);
    x = row_line ? x_[2 * from + 1] : x_[2 * line];
    y = row_line ? y_[2 * line] : y_[2 * from + 1];
    spacing = row_line ? column_block_[from] : row_block_[from];
    p.facility_type = row_line ? row_line_type(n.line) : column_line_type(n.line);
    const int lower = std::min(anode, n.node) - first_grid_node_;
    p.zone = (lower / columns_ / zone_block_) * zone_columns_ + (lower % columns_) / zone_block_ + 1;
    p.two_way = link_exists(anode, n) && link_exists(n.node, Neighbour{anode, n.kind, n.line, n.from});
    if (!p.two_way && p.facility_type != kFreeway && p.facility_type != kDividedArterial) {
      p.facility_type = kOneWayStreet;
    }
    if (row_line) {
      p.crossing = (n.from == cut1_ || n.from == cut3_);
      if (p.crossing) p.screenline = n.from == cut1_ ? 1 : 3;
    } else {
      p.crossing = n.from == cut2_;
      if (p.crossing) p.screenline = 2;
    }
    // Screenlines are counted on their major streets; on big grids the
    // local streets stay off them, and screenline 3 keeps to arterials.
    if (p.crossing && std::max(columns_, rows_) > 2 * kScreenlineCrossingLimit / 3) {
      const bool minor = p.facility_type == kLocalStreet || (p.screenline == 3 && p.facility_type == kCollector);
      if (minor) {
        p.crossing = false;
        p.screenline = 0;
      }
    }
  }
  p.area_type = area_type_at(x, y);
  p.location = x * x + y * y < 0.75 * 0.75 ? 1 : (x >= 0 ? (y < 0 ? 2 : 3) : (y < 0 ? 5 : 4));
  const FacilityTraits& t = traits(p.facility_type);
  const bool urban = p.area_type != kRural;
  switch (p.facility_type) {
    case kFreeway: p.lanes = urban ? 3 + (p.area_type <= kFringe) : 2; break;
    case kDividedArterial: p.lanes = p.area_type <= kFringe ? 3 : 2; break;
    case kUndividedArterial: p.lanes = urban ? 2 : 1; break;
    case kOneWayStreet: p.lanes = p.area_type == kCbd ? 3 : 2; break;
    default: p.lanes = 1; break;
  }
  const double jitter = 1.0 + 0.16 * (unit(mix(street + 1)) - 0.5);
  p.distance = std::max<std::int32_t>(3, static_cast<std::int32_t>(std::lround(spacing * jitter * 100.0)));
  double speed = urban ? t.urban_speed : t.rural_speed;
  if (p.area_type == kCbd && p.facility_type != kFreeway) speed -= 5;
  p.time = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(p.distance * 60.0 / speed)));
  p.capacity = p.facility_type == kCentroidConnector
                   ? 99'999
                   : round_to(t.lane_capacity * p.lanes * kAreaCapacity[p.area_type], 100);
  p.loading = kAreaLoading[p.area_type] * t.volume_factor * std::exp(0.30 * normal(mix(p.hash + 2)));
  if (is_analysis(options_)) p.loading *= kFutureGrowth;
  if (p.facility_type == kCentroidConnector) p.loading = 0;
  p.counted = unit(mix(street + 3)) < (p.crossing ? 0.95 : t.count_probability);

  auto hit = [&](const Feature& f) { return f.probability > 0 && unit(mix(street ^ f.salt)) < f.probability; };
  const bool local_pair = p.two_way && p.facility_type == kLocalStreet && !p.crossing;
  if (local_pair && p.area_type >= kResidential && hit(private_road_)) {
    p.facility_type = kPrivateRoad;
    p.counted = false;
  } else if (local_pair && hit(no_volume_)) {
    p.no_volume = true;
    p.counted = false;
  }
  const bool arterial = p.facility_type == kDividedArterial || p.facility_type == kUndividedArterial;
  if (arterial && p.two_way && !p.crossing && hit(count99_)) {
    p.counted = true;
    p.screenline = kCountStationScreenline;
  }
  if (p.crossing && p.counted && p.two_way && hit(one_count_)) p.one_direction_counted = true;
  if (is_analysis(options_) && p.facility_type != kCentroidConnector && p.facility_type != kPrivateRoad &&
      !p.no_volume && hit(construction_)) {
    static constexpr std::int32_t kCodes[][3] = {{1, 2, 3}, {1, 2, 6}, {4, 6, 1}, {4, 5, 4}, {7, 8, 9}, {1, 2, 1}};
    int row = 0;
    switch (p.facility_type) {
      case kFreeway: row = 0; break;
      case kDividedArterial: row = 1; break;
      case kUndividedArterial: row = 2; break;
      case kCollector: row = 3; break;
      case kLocalStreet: row = 4; break;
      default: row = 5; break;
    }
    p.construct = kCodes[row][mix(street + 5) % 3];
  }
  if (sequence > 0 && p.screenline != 0) p.screenline = 0;  // parallel links stay off the lists
  return p;
}

void CityNetwork::fill_link(std::int32_t anode, const Neighbour& n, std::int32_t sequence, GeneratedLink& link) const {
  PairInfo p = pair_info(anode, n, sequence);
  const FacilityTraits& t = traits(p.facility_type);
  // The widening is applied here, not in pair_info, so that the feature
  // selection (which counts construction codes) and thus every other link
  // stay those of the scenario without it.
  const bool widened = options_.widen_main_street && is_analysis(options_) && n.kind == 1 && n.line == rows_ / 2;
  const std::int32_t unwidened_capacity = p.capacity;
  if (widened) {
    p.lanes += 1;
    p.capacity = round_to(t.lane_capacity * p.lanes * kAreaCapacity[p.area_type], 100);
    p.construct = 1;
  }
  const std::uint64_t dir = mix(p.hash ^ (static_cast<std::uint64_t>(anode) * 0x2545F4914F6CDD1DULL));
  link.anode = anode;
  link.bnode = n.node;
  link.distance = p.distance;
  link.area_type = p.area_type;
  link.facility_type = p.facility_type;
  link.lanes = p.lanes;
  link.time = p.time;
  link.capacity = p.capacity;
  link.zone = p.zone;
  link.location = p.location;
  link.landuse = p.area_type * 10 + static_cast<std::int32_t>(mix(dir + 7) % 4);
  link.construct = p.construct;
  link.screenline = p.screenline;
  link.sequence = sequence;
  link.two_way = p.two_way;
  link.cost = std::max<std::int32_t>(1, (p.distance * 12 + 50) / 100);

  std::int32_t volume = 0;
  double vc = 0;
  if (p.facility_type == kCentroidConnector) {
    // Connectors carry the trips of their zone: busier in the centre.
    volume = round_to((400.0 + 3'600.0 * unit(mix(dir + 8))) * (6 - p.area_type) / 3.0, 10);
  } else if (p.no_volume) {
    volume = static_cast<std::int32_t>(mix(dir + 8) % 2);  // 0 or 1: below 2, so "no assigned volume"
  } else {
    vc = p.loading * std::exp(0.08 * normal(mix(dir + 9)));
    volume = std::max<std::int32_t>(2, static_cast<std::int32_t>(std::lround(vc * unwidened_capacity)));
  }
  // The counts are those of the street as it is today.
  const std::int32_t unwidened_volume = volume;
  if (widened) volume = static_cast<std::int32_t>(std::lround(volume * kWideningAttraction));
  link.volume = volume;
  link.truck_volume = static_cast<std::int32_t>(std::lround(volume * t.truck_share));
  // The BPR curve, held to eight times the free-flow time.
  const double ratio = p.capacity > 0 ? static_cast<double>(volume) / p.capacity : 0.0;
  link.congested_time = std::min<std::int32_t>(
      std::min(8 * p.time, 32'000),
      static_cast<std::int32_t>(std::lround(p.time * (1.0 + 0.15 * square(ratio) * square(ratio)))));
  link.count = 0;
  const bool missing = p.one_direction_counted && anode > n.node;
  if (p.counted && !missing) {
    const double base_year =
        is_analysis(options_) ? unwidened_volume / kFutureGrowth : static_cast<double>(unwidened_volume);
    link.count = std::max<std::int32_t>(10, round_to(base_year * std::exp(0.12 * normal(mix(dir + 10))), 10));
  }
}

void CityNetwork::select_features() {
  // Eligible streets are visited in stream order, up to the links the stream
  // delivers; each feature is chosen after the ones it depends on. A feature
  // gets a probability that aims at its target number of streets, and the
  // salt is changed until at least one street (and not far more than the
  // target) has it, so that even a city of a few blocks shows each one.
  struct Goal {
    Feature* feature;
    int index;
    double per_street;  // target as a share of the eligible streets
    std::int64_t min_target;
    std::int64_t max_target;
  };
  Goal goals[] = {
      {&private_road_, kPrivateFeature, 1.0 / 3000, 1, 6},
      {&no_volume_, kNoVolumeFeature, 1.0 / 1500, 2, 20},
      {&count99_, kCount99Feature, 1.0 / 400, 2, 12},
      {&one_count_, kOneCountFeature, 1.0 / 20, 1, 3},
      {&construction_, kConstructionFeature, 0.03, 3, 1'000'000'000},
  };
  const bool analysis = is_analysis(options_);
  const std::int64_t nodes = static_cast<std::int64_t>(zones()) + static_cast<std::int64_t>(columns_) * rows_;
  const std::int64_t limit = copies_ == 1 ? target_ : INT64_MAX;

  // Calls visit(anode, neighbour) once per street, at the street's first link
  // in the stream.
  auto for_each_street = [&](auto&& visit) {
    std::int64_t seen = 0;
    Neighbour n[6];
    for (std::int64_t i = 0; i < nodes && seen < limit; ++i) {
      const std::int32_t anode =
          i < zones() ? static_cast<std::int32_t>(i + 1) : first_grid_node_ + static_cast<std::int32_t>(i - zones());
      const int k = out_neighbours(i, n);
      for (int j = 0; j < k && seen < limit; ++j) {
        if (!link_exists(anode, n[j])) continue;
        ++seen;
        if (n[j].node < anode && link_exists(n[j].node, Neighbour{anode, n[j].kind, n[j].line, n[j].from})) {
          continue;  // the street was visited from its lower node
        }
        visit(anode, n[j]);
      }
    }
  };

  for (Goal& goal : goals) {
    if (goal.index == kConstructionFeature && !analysis) break;
    Feature& f = *goal.feature;
    f.probability = 0;
    std::int64_t eligible = 0;
    for_each_street([&](std::int32_t anode, const Neighbour& n) {
      const PairInfo p = pair_info(anode, n, 0);
      switch (goal.index) {
        case kPrivateFeature:
        case kNoVolumeFeature:
          eligible += p.two_way && p.facility_type == kLocalStreet && !p.crossing && !p.no_volume &&
                      (goal.index == kNoVolumeFeature || p.area_type >= kResidential);
          break;
        case kCount99Feature:
          eligible += p.two_way && !p.crossing && p.screenline == 0 &&
                      (p.facility_type == kDividedArterial || p.facility_type == kUndividedArterial);
          break;
        case kOneCountFeature: eligible += p.crossing && p.counted && p.two_way; break;
        default:
          eligible += p.facility_type != kCentroidConnector && p.facility_type != kPrivateRoad && !p.no_volume;
          break;
      }
    });
    if (eligible == 0) continue;
    const std::int64_t target = std::clamp(static_cast<std::int64_t>(std::llround(eligible * goal.per_street)),
                                           goal.min_target, goal.max_target);
    const std::int64_t wanted = std::min(target, eligible);
    auto count_hits = [&]() {
      std::int64_t hits = 0;
      for_each_street([&](std::int32_t anode, const Neighbour& n) {
        const PairInfo p = pair_info(anode, n, 0);
        switch (goal.index) {
          case kPrivateFeature: hits += p.facility_type == kPrivateRoad; break;
          case kNoVolumeFeature: hits += p.no_volume; break;
          case kCount99Feature: hits += p.screenline == kCountStationScreenline; break;
          case kOneCountFeature: hits += p.one_direction_counted; break;
          default: hits += p.construct != 0; break;
        }
      });
      return hits;
    };
    f.probability = std::min(1.0, static_cast<double>(wanted) / static_cast<double>(eligible));
    // Small cities: retry salts until the count is near the target; large
    // ones hit it by the law of large numbers at the first salt.
    const std::int64_t low = std::max<std::int64_t>(1, wanted / 2);
    const std::int64_t high = std::max<std::int64_t>(wanted * 2, wanted + 2);
    for (std::uint64_t attempt = 0; attempt < 200; ++attempt) {
      f.salt = mix(0xfeedULL + static_cast<std::uint64_t>(goal.index) * 1000 + attempt);
      if (eligible > 20'000) break;
      const std::int64_t hits = count_hits();
      if (hits >= low && hits <= high) break;
    }
  }
}

void CityNetwork::load_node(std::int64_t node_index) {
  node_index_ = node_index;
  neighbour_count_ = out_neighbours(node_index, neighbours_);
  neighbour_ = 0;
  copy_ = 0;
}

bool CityNetwork::next(GeneratedLink& link) {
  if (emitted_ >= target_) return false;
  const std::int64_t nodes = static_cast<std::int64_t>(zones()) + static_cast<std::int64_t>(columns_) * rows_;
  for (;;) {
    if (node_index_ < 0 || neighbour_ >= neighbour_count_) {
      if (node_index_ + 1 >= nodes) return false;
      load_node(node_index_ + 1);
      continue;
    }
    const std::int32_t anode = node_index_ < zones()
                                   ? static_cast<std::int32_t>(node_index_ + 1)
                                   : first_grid_node_ + static_cast<std::int32_t>(node_index_ - zones());
    const Neighbour& n = neighbours_[neighbour_];
    if (!link_exists(anode, n)) {
      ++neighbour_;
      continue;
    }
    fill_link(anode, n, copy_, link);
    if (++copy_ >= copies_) {
      copy_ = 0;
      ++neighbour_;
    }
    ++emitted_;
    return true;
  }
}

}  // namespace korvo::fixtures
