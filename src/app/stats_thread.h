#pragma once
// The statistics against counts gathered on a second thread, behind the link
// loop.
//
// Gathering them costs a binary network's link loop about a quarter of its
// time, and they depend on nothing but the links handed to them. A
// StatsThread takes each link's StatsLink, in file order, and hands them
// over a block at a time (common/hand_off_ring.h); its thread gives them to
// ValidationStats::add_link in the same order, so the statistics are those
// of the loop's own calls, bit for bit. Nothing is allocated per link.
//
//   StatsThread thread(ctx.stats);   // after the statistics are reset
//   thread.add(link);                // every link record, in file order
//   thread.finish();                 // before the statistics are read
//
// While the thread runs, the statistics belong to it: nothing else may read
// or change them until finish() has returned or the object is destroyed (a
// loop that stops early drops the links not yet gathered).

#include <array>
#include <cstddef>

#include "common/hand_off_ring.h"
#include "common/streaming_store.h"
#include "evaluation/validation_stats.h"

namespace korvo {

class StatsThread {
 public:
  static constexpr std::size_t kBlockLinks = 4096;

  explicit StatsThread(ValidationStats& stats)
      : ring_([&stats](const Block& block) {
          for (std::size_t i = 0; i < block.count; ++i) stats.add_link(block.links[i]);
        }) {}

  void add(const StatsLink& link) {
    Block& block = ring_.block();
    // Past the cache: the block was last read on the other thread.
    streaming_copy(block.links[count_], link);
    if (++count_ == kBlockLinks) {
      block.count = count_;
      count_ = 0;
      ring_.hand_over();
    }
  }

  // Hands over the last links and waits until every link is gathered.
  void finish() {
    ring_.block().count = count_;
    count_ = 0;
    ring_.finish();
  }

 private:
  struct Block {
    std::array<StatsLink, kBlockLinks> links;
    std::size_t count = 0;
  };
  std::size_t count_ = 0;  // links in the block being filled
  HandOffRing<Block> ring_;
};

}  // namespace korvo
