// The two-way conversion's table: pairing each link with its opposite
// direction.

#include "input/ascii_network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace korvo {
namespace {

std::vector<std::int32_t> scan_partners(const std::vector<NodePair>& pairs) {
  std::vector<std::int32_t> partners(pairs.size(), -1);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    for (std::size_t j = 0; j < pairs.size(); ++j) {
      if (pairs[j].anode > pairs[i].bnode) break;
      if (pairs[j].anode == pairs[i].bnode && pairs[j].bnode == pairs[i].anode) {
        partners[i] = static_cast<std::int32_t>(j);
        break;
      }
    }
  }
  return partners;
}

TEST(AsciiNetworkTest, PairingAgreesWithTheFileOrderScanOnRandomFiles) {
  std::mt19937 random(20260704);
  for (int round = 0; round < 400; ++round) {
    const int n = 1 + static_cast<int>(random() % 200);
    const int nodes = 2 + static_cast<int>(random() % 30);  // few nodes: many pairs, duplicates, self-loops
    std::vector<NodePair> pairs(static_cast<std::size_t>(n));
    for (NodePair& p : pairs) {
      p.anode = static_cast<std::int32_t>(random() % static_cast<unsigned>(nodes)) - (round % 7 == 0 ? 5 : 0);
      p.bnode = static_cast<std::int32_t>(random() % static_cast<unsigned>(nodes));
    }
    if (round % 2 == 0) {
      std::stable_sort(pairs.begin(), pairs.end(),
                       [](const NodePair& x, const NodePair& y) { return x.anode < y.anode; });
    }
    std::vector<std::int32_t> partners(pairs.size());
    pair_opposite_directions(pairs, partners);
    ASSERT_EQ(partners, scan_partners(pairs)) << "round " << round;
  }
}

}  // namespace
}  // namespace korvo
