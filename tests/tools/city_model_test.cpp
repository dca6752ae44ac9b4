#include "city_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace korvo::fixtures {
namespace {

struct StreamCase {
  std::int64_t links;
  int copies;  // parallel links per street
};

// Every link is checked against the rules the readers and the two-way
// conversion rely on: exact count, ascending node pairs, 16-bit node
// numbers, fields within the binary file's bit widths, and two-way links
// that come in pairs of equal attributes.
TEST(CityModel, StreamIsOrderedPairedAndWithinTheFileLimits) {
  const StreamCase cases[] = {{60, 1}, {5'000, 1}, {300'000, 2}};
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.links);
    CityNetwork network(ScenarioOptions{.links = c.links, .run_type = ScenarioRunType::kAnalysis, .seed = 3});
    EXPECT_EQ(network.copies(), c.copies);
    EXPECT_LE(network.max_node(), 65'535);
    struct Street {
      std::int32_t distance, facility_type, area_type, lanes, capacity, construct;
    };
    std::map<std::tuple<std::int32_t, std::int32_t, std::int32_t>, Street> two_way;
    GeneratedLink l;
    GeneratedLink previous;
    std::int64_t n = 0;
    while (network.next(l)) {
      if (n > 0) {
        ASSERT_TRUE(std::tie(previous.anode, previous.bnode) <= std::tie(l.anode, l.bnode))
            << previous.anode << "-" << previous.bnode << " before " << l.anode << "-" << l.bnode;
        if (previous.anode == l.anode && previous.bnode == l.bnode) {
          ASSERT_EQ(l.sequence, previous.sequence + 1);
        }
      }
      ASSERT_GE(l.anode, 1);
      ASSERT_LE(l.bnode, 65'535);
      ASSERT_NE(l.anode, l.bnode);
      ASSERT_LT(l.distance, 1 << 12);
      ASSERT_LT(l.time, 1 << 12);
      ASSERT_LT(l.capacity, 1 << 20);
      ASSERT_LT(l.count, 1 << 19);
      ASSERT_LT(l.lanes, 1 << 4);
      ASSERT_LT(l.cost, 1 << 12);
      ASSERT_GE(l.congested_time, l.time);
      ASSERT_LE(l.congested_time, 32'767);
      ASSERT_GE(l.truck_volume, 0);
      ASSERT_LE(l.truck_volume, l.volume);
      if (l.two_way) {
        two_way[{l.anode, l.bnode, l.sequence}] =
            Street{l.distance, l.facility_type, l.area_type, l.lanes, l.capacity, l.construct};
      }
      previous = l;
      ++n;
    }
    EXPECT_EQ(n, c.links);
    EXPECT_FALSE(network.next(l));
    // Only a street cut off by the end of the stream may miss its other
    // direction: the one from a node that the stream had not finished.
    for (const auto& [key, street] : two_way) {
      const auto& [a, b, seq] = key;
      const auto other = two_way.find({b, a, seq});
      if (other == two_way.end()) {
        EXPECT_GE(b, previous.anode) << a << "-" << b << " has no other direction";
        continue;
      }
      EXPECT_EQ(street.distance, other->second.distance);
      EXPECT_EQ(street.facility_type, other->second.facility_type);
      EXPECT_EQ(street.area_type, other->second.area_type);
      EXPECT_EQ(street.lanes, other->second.lanes);
      EXPECT_EQ(street.capacity, other->second.capacity);
      EXPECT_EQ(street.construct, other->second.construct);
    }
  }
}

// The build alternative changes the main street alone: one lane more each
// way, the capacity of that lane, construction code 1 and about a tenth more
// traffic; every other link, counts included, is the scenario's own.
TEST(CityModel, WideningTheMainStreetChangesItsLinksAlone) {
  for (const std::int64_t links : {90, 20'000}) {
    SCOPED_TRACE(links);
    const ScenarioOptions base{.links = links, .run_type = ScenarioRunType::kAnalysis, .seed = 8};
    ScenarioOptions build = base;
    build.widen_main_street = true;
    EXPECT_EQ(scenario_code(build), "45B");
    CityNetwork before(base);
    CityNetwork after(build);
    const std::int32_t main_row_first = before.first_grid_node() + before.rows() / 2 * before.columns();
    const std::int32_t main_row_last = main_row_first + before.columns() - 1;
    GeneratedLink b;
    GeneratedLink a;
    int widened = 0;
    while (before.next(b)) {
      ASSERT_TRUE(after.next(a));
      ASSERT_EQ(std::tie(a.anode, a.bnode, a.sequence), std::tie(b.anode, b.bnode, b.sequence));
      const bool on_main_street =
          std::min(b.anode, b.bnode) >= main_row_first && std::max(b.anode, b.bnode) <= main_row_last;
      EXPECT_EQ(a.count, b.count);
      EXPECT_EQ(a.distance, b.distance);
      EXPECT_EQ(a.time, b.time);
      if (!on_main_street) {
        EXPECT_EQ(std::tie(a.lanes, a.capacity, a.volume, a.congested_time, a.construct),
                  std::tie(b.lanes, b.capacity, b.volume, b.congested_time, b.construct))
            << b.anode << "-" << b.bnode;
        continue;
      }
      ++widened;
      EXPECT_EQ(b.facility_type, kDividedArterial);
      EXPECT_EQ(a.lanes, b.lanes + 1);
      EXPECT_NEAR(a.capacity, b.capacity * (b.lanes + 1.0) / b.lanes, 100);
      EXPECT_EQ(a.construct, 1);
      EXPECT_NEAR(a.volume, 1.1 * b.volume, 0.5) << b.anode << "-" << b.bnode;
      EXPECT_LE(a.congested_time, b.congested_time);
    }
    EXPECT_FALSE(after.next(a));
    EXPECT_EQ(widened, 2 * (before.columns() - 1) * before.copies());
  }
}

}  // namespace
}  // namespace korvo::fixtures
