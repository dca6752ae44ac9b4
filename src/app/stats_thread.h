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
//   thread.add(link);                // every link record, in file order,
//   thread.emplace(fill);            //   or filled in place: fill(StatsLink&)
//   thread.finish();                 // before the statistics are read
//
// While the thread runs, the statistics belong to it: nothing else may read
// or change them until finish() has returned or the object is destroyed (a
// loop that stops early drops the links not yet gathered).

#include <utility>

#include "common/hand_off_ring.h"
#include "evaluation/validation_stats.h"

namespace korvo {

class StatsThread {
 public:
  explicit StatsThread(ValidationStats& stats) : ring_(AddLink{&stats}) {}

  void add(const StatsLink& link) { ring_.add(link); }
  template <typename Fill>
  void emplace(Fill&& fill) {
    ring_.emplace(std::forward<Fill>(fill));
  }

  // Waits until every link handed over is gathered.
  void finish() { ring_.finish(); }

 private:
  struct AddLink {
    ValidationStats* stats;
    void operator()(const StatsLink& link) const { stats->add_link(link); }
  };
  HandOffRing<StatsLink, AddLink> ring_;
};

}  // namespace korvo
