#pragma once
// The city model of the generated scenarios: which links a city has and
// every attribute of each, as a stream of directional links.
//
//   CityNetwork city(options);
//   GeneratedLink link;
//   while (city.next(link)) ...
//
// The city. A grid of nodes, numbered row by row, with a central business
// district in the middle fading through the fringe and residential rings to
// rural land at the edges, and two outlying business districts. Every grid
// line has a facility type that falls with its distance from the centre
// lines: freeways, divided and undivided arterials, collectors and local
// streets; inside the core, collectors and undivided arterials become
// one-way couplets. Each zone (a block of grid nodes) has a centroid, numbered
// below the grid nodes, tied to the grid by a two-way centroid connector
// (facility type 51). Two-way streets are two records flagged two-way, one
// per direction; one-way streets are one record. Blocks are short in the
// centre and long at the edges.
//
// The assignment. Volumes follow capacity with a spread that puts links at
// every level of service A to F (the centre more congested than the edge),
// congested times follow volumes, about a third of the streets carry ground
// counts near their volumes (almost every screenline crossing does, and a
// few are counted in one direction only), three screenlines cut the grid
// and a few counted arterials form the individual count list (screenline
// 99). A few local streets carry no volume, and a few private roads (facility
// type 71) have no class, so a run lists them as skipped links. An analysis
// scenario is a future year: volumes grow, counts stay those of the base
// year, and about three streets in a hundred carry a construction code. Its
// build alternative (widen_main_street) widens the main street by a lane in
// each direction and leaves every other link as it was.
//
// Size. The stream delivers exactly the number of links asked for, in
// ascending order of A-node and then B-node, computing each link from a hash
// of its node pair and the seed: nothing is held per link, so ten million
// links cost no more memory than ten. Node numbers stay below 65,536 (the
// 16-bit node fields of the binary network and VOLNAUX). A network larger
// than the biggest grid those numbers allow (about 260,000 links) repeats
// each link of that grid as parallel links in a row, each with its own
// volume and count; only the first of them carries a screenline, so the
// screenline lists stay within their limits.
//
// Every link depends on the options alone: the same options give the same
// links.

#include <cstdint>
#include <vector>

#include "scenario_options.h"

namespace korvo::fixtures {

// Facility-type codes of the generated networks.
enum GeneratedFacility : std::int32_t {
  kFreeway = 11,
  kDividedArterial = 21,
  kUndividedArterial = 31,
  kCollector = 41,
  kLocalStreet = 42,
  kCentroidConnector = 51,
  kOneWayStreet = 61,
  kPrivateRoad = 71,  // no class: listed as skipped
};

// Area-type codes.
enum GeneratedArea : std::int32_t { kCbd = 1, kFringe = 2, kResidential = 3, kOutlyingBusiness = 4, kRural = 5 };

// The screenline of the individually counted links.
inline constexpr std::int32_t kCountStationScreenline = 99;

// One directional link, in the units of the link record: distance in
// hundredths of a mile, times in hundredths of a minute.
struct GeneratedLink {
  std::int32_t anode = 0;
  std::int32_t bnode = 0;
  std::int32_t distance = 0;
  std::int32_t area_type = 0;
  std::int32_t facility_type = 0;
  std::int32_t lanes = 0;  // per direction
  std::int32_t time = 0;   // free-flow
  std::int32_t congested_time = 0;
  std::int32_t capacity = 0;
  std::int32_t count = 0;  // 0: not counted
  std::int32_t screenline = 0;
  std::int32_t zone = 0;
  std::int32_t location = 0;
  std::int32_t landuse = 0;
  std::int32_t construct = 0;
  std::int32_t cost = 0;          // operating cost, cents
  std::int32_t volume = 0;        // assigned: autos and trucks
  std::int32_t truck_volume = 0;  // of the volume
  std::int32_t sequence = 0;      // number of a parallel link (0 for the first)
  bool two_way = false;

  std::int32_t auto_volume() const { return volume - truck_volume; }
};

// The link stream of a scenario.
class CityNetwork {
 public:
  explicit CityNetwork(const ScenarioOptions& options);

  // The next link; false after the last one.
  bool next(GeneratedLink& link);

  int columns() const { return columns_; }
  int rows() const { return rows_; }
  int zones() const { return zone_columns_ * zone_rows_; }
  int copies() const { return copies_; }  // parallel links per street
  std::int32_t first_grid_node() const { return first_grid_node_; }
  std::int32_t max_node() const { return first_grid_node_ + columns_ * rows_ - 1; }
  std::int64_t link_count() const { return target_; }
  // Links of the whole grid, each street once per direction (before
  // parallel links and before the stream is cut at link_count).
  std::int64_t grid_links() const { return count_grid_links(); }

  // Geometry, exposed for the tests. Grid lines: row r runs east-west,
  // column c north-south; nodes are numbered first_grid_node + r x columns + c.
  std::int32_t row_line_type(int r) const;
  std::int32_t column_line_type(int c) const;

 private:
  struct Neighbour {
    std::int32_t node = 0;
    int kind = 0;  // 0 connector, 1 west-east (row line), 2 north-south (column line)
    int line = 0;  // the row or column of the line the link runs on
    int from = 0;  // grid index where the link starts on the line (the lower one)
  };
  struct PairInfo;  // attributes of a street, both directions

  void choose_grid();
  std::int64_t count_grid_links() const;
  void load_node(std::int64_t node_index);
  int out_neighbours(std::int64_t node_index, Neighbour* out) const;
  bool link_exists(std::int32_t anode, const Neighbour& n) const;
  void select_features();
  PairInfo pair_info(std::int32_t anode, const Neighbour& n, std::int32_t sequence) const;
  void fill_link(std::int32_t anode, const Neighbour& n, std::int32_t sequence, GeneratedLink& link) const;

  // Normalised coordinates of grid lines, -1 (west, north) to 1.
  double column_x(double c) const;
  double row_y(double r) const;
  std::int32_t area_type_at(double x, double y) const;
  std::int32_t line_type(int offset) const;
  bool in_core(double x, double y) const;
  void build_tables();
  static double square(double v);

  ScenarioOptions options_;
  std::int64_t target_ = 0;
  int columns_ = 3;
  int rows_ = 3;
  int zone_block_ = 2;
  int zone_columns_ = 0;
  int zone_rows_ = 0;
  std::int32_t first_grid_node_ = 0;
  int copies_ = 1;
  // Screenline cuts: between columns cut1 and cut1 + 1 (screenline 1),
  // rows cut2 and cut2 + 1 (2), columns cut3 and cut3 + 1 (3).
  int cut1_ = 0;
  int cut2_ = 0;
  int cut3_ = 0;
  // Squared radii of the rings and of the core of one-way streets.
  double cbd2_ = 0;
  double fringe2_ = 0;
  double obd2_ = 0;
  double residential2_ = 0;
  double core2_ = 0;
  // Per grid line, built once: positions of the lines and of the midpoints
  // between them (x_[2c] is column c, x_[2c + 1] halfway to column c + 1),
  // block lengths in miles and facility types.
  std::vector<double> x_;
  std::vector<double> y_;
  std::vector<double> column_block_;
  std::vector<double> row_block_;
  std::vector<std::int32_t> column_type_;
  std::vector<std::int32_t> row_type_;
  // Feature selection: a street has a feature when the hash of its pair
  // with the feature's salt falls below the threshold.
  struct Feature {
    std::uint64_t salt = 0;
    double probability = 0;
  };
  Feature no_volume_;
  Feature private_road_;
  Feature count99_;
  Feature one_count_;
  Feature construction_;

  // Stream state.
  std::int64_t emitted_ = 0;
  std::int64_t node_index_ = -1;  // 0..zones-1 centroids, then grid nodes
  Neighbour neighbours_[6];
  int neighbour_count_ = 0;
  int neighbour_ = 0;
  int copy_ = 0;
};

}  // namespace korvo::fixtures
