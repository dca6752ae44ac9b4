// The cost measures added up on a second thread and put into the run's
// accumulators are those of add_cost_measures called on the loop's thread,
// bit for bit; add_cost_measures touches no slot but the cost slots, which is
// what lets the thread's sums replace the run's.

#include "evaluation/cost_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "evaluation/evaluation_harness.h"

namespace korvo {
namespace {

// Links across every class triple, construction code (the inconsistent ones
// included), speed class and the rare cases: no time, too long, no capacity.
std::vector<CostLink> varied_cost_links(int nft, int nat, int n) {
  std::mt19937 random(7);
  auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  std::vector<CostLink> links;
  for (int i = 0; i < n; ++i) {
    CostLink c;
    c.ftc = static_cast<std::int16_t>(pick(1, nft - 1));
    c.atc = static_cast<std::int16_t>(pick(1, nat - 1));
    c.lane_class = static_cast<std::int16_t>(pick(1, 9));
    c.construct = static_cast<std::int16_t>(pick(0, 12));
    c.dist = static_cast<float>(pick(1, 12000)) * 0.01f;
    c.short_link = c.dist <= kShortLinkMiles;
    c.time = static_cast<float>(pick(0, 900)) * 0.01f;
    c.timed = c.time != 0.0f;
    c.otime = static_cast<float>(pick(0, 900)) * 0.01f;
    c.vol = static_cast<float>(pick(0, 40000)) * (pick(0, 1) == 0 ? 1.0f : 0.37f);
    c.cap = pick(0, 9) == 0 ? 0.0f : static_cast<float>(pick(100, 30000));
    c.w = pick(0, 1) == 0 ? 1.0f : 0.5f;
    links.push_back(c);
  }
  return links;
}

bool same_bits(const void* a, const void* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

TEST(CostThread, PutsTheSumsOfTheLoopsOwnCallsIntoTheAccumulators) {
  testing::EvaluationHarness here;   // added on this thread
  testing::EvaluationHarness there;  // added on a CostThread
  here.set_varied_rates();
  there.set_varied_rates();
  const int nft = here.classes.nft;
  const int nat = here.classes.nat;
  // Several blocks, the last one partly filled.
  const std::vector<CostLink> links =
      varied_cost_links(nft, nat, 3 * static_cast<int>(HandOffRing<CostLink>::kBlockItems) + 77);

  Accumulators& a = here.acc;
  for (const CostLink& c : links) add_cost_measures({a.sums, a.user_cost, a.maint_cost, a.vc_capacity}, here.rates, c);
  {
    CostThread thread(there.rates, nft, nat);
    for (const CostLink& c : links) thread.add(c);
    thread.finish(there.acc);
  }

  const Accumulators& b = there.acc;
  const std::size_t cells = a.sums.cells_used();
  EXPECT_TRUE(same_bits(a.work_area.data(), b.work_area.data(), cells * sizeof(float)));
  EXPECT_TRUE(same_bits(&a.user_cost, &b.user_cost, sizeof(float)));
  EXPECT_TRUE(same_bits(&a.maint_cost, &b.maint_cost, sizeof(float)));
  EXPECT_EQ(a.vc_capacity.links, b.vc_capacity.links);
  EXPECT_TRUE(same_bits(a.vc_capacity.vmt.data(), b.vc_capacity.vmt.data(), sizeof(a.vc_capacity.vmt)));
  EXPECT_EQ(a.vc_capacity.no_divisor_links, b.vc_capacity.no_divisor_links);
  EXPECT_EQ(a.vc_capacity.no_divisor_vmt, b.vc_capacity.no_divisor_vmt);
  // The links reached the sums at all.
  EXPECT_GT(a.user_cost, 0.0f);
  EXPECT_GT(here.slot_total(Slot::CONSTR_COST), 0.0f);
  EXPECT_GT(a.vc_capacity.no_divisor_links, 0);

  // Every other slot is untouched: the thread's sums may replace the run's.
  int touched = 0;
  for (int n = 1; n <= kSlotCount; ++n) {
    const Slot slot = slot_number(n);
    if (std::find(kCostSlots.begin(), kCostSlots.end(), slot) != kCostSlots.end()) continue;
    if (here.slot_total(slot) != 0.0f) ++touched;
  }
  EXPECT_EQ(touched, 0);
}

TEST(CostThread, DroppedBeforeFinishLeavesTheAccumulatorsAlone) {
  testing::EvaluationHarness h;
  h.set_varied_rates();
  {
    CostThread thread(h.rates, h.classes.nft, h.classes.nat);
    for (const CostLink& c : varied_cost_links(h.classes.nft, h.classes.nat, 10'000)) thread.add(c);
  }
  EXPECT_EQ(h.acc.user_cost, 0.0f);
  EXPECT_EQ(h.slot_total(Slot::FUEL_GAL), 0.0f);
  EXPECT_EQ(h.acc.vc_capacity.no_divisor_links, 0);
}

}  // namespace
}  // namespace korvo
