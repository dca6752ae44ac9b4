#pragma once
// An analysis run's cost measures added up on a second thread, behind the
// link loop.
//
// Accidents, emissions, fuel, costs, delay and the distribution of volume
// over capacity cost a binary network's analysis loop about a fifth of its
// time, and no other measure depends on them. A CostThread takes each
// evaluated link's CostLink, in file order, and hands them over a block at a
// time (common/hand_off_ring.h). Its thread adds them with
// add_cost_measures into sums of its own, in the same order; finish() then
// puts those sums into the run's accumulators, whose cost sums no other code
// touches while the links are read. So every sum is the one the loop's own
// calls would have made, bit for bit. The sums are allocated once, when the
// thread starts; nothing is allocated per link.
//
//   CostThread thread(e.rates, e.classes.nft, e.classes.nat);
//   e.cost_thread = &thread;            // evaluate_link hands the links over
//   ...the link loop...
//   thread.finish(e.acc);               // before the tables are completed
//
// Destroying it without finish() drops what was not added (a loop that
// stops early leaves the run's cost sums as they were).

#include <array>
#include <cstddef>
#include <vector>

#include "common/hand_off_ring.h"
#include "common/streaming_store.h"
#include "evaluation/accumulators.h"
#include "evaluation/link_measures.h"
#include "input/rates.h"

namespace korvo {

class CostThread {
 public:
  static constexpr std::size_t kBlockLinks = 4096;

  // rates must stay as they are until finish(); nft and nat lay the sums out
  // as the run's EVALSUMS.
  CostThread(const RateTables& rates, int nft, int nat);

  void add(const CostLink& link) {
    Block& block = ring_.block();
    // Past the cache: the block was last read on the other thread.
    streaming_copy(block.entries[count_], Entry{link});
    if (++count_ == kBlockLinks) {
      block.count = count_;
      count_ = 0;
      ring_.hand_over();
    }
  }

  // Waits until every link handed over is added, then puts the sums into
  // acc: the cost slots of its EVALSUMS (laid out with the same nft and
  // nat), the user and maintenance costs and the volume-over-capacity
  // distribution. Those must be as reset_accumulators left them.
  void finish(Accumulators& acc);

 private:
  // A link's figures, padded to whole 16-byte words for the streaming copy.
  struct alignas(16) Entry {
    CostLink link;
  };
  struct Block {
    std::array<Entry, kBlockLinks> entries;
    std::size_t count = 0;
  };
  void add_block(const Block& block);

  const RateTables& rates_;
  std::vector<float> cells_;
  EvalSums sums_;
  // The thread's own, on cache lines apart from the loop's count_.
  alignas(64) float user_cost_ = 0;
  float maint_cost_ = 0;
  VcDistribution vc_capacity_;
  alignas(64) std::size_t count_ = 0;  // links in the block being filled
  HandOffRing<Block> ring_;            // last: its thread starts when the rest is set
};

}  // namespace korvo
