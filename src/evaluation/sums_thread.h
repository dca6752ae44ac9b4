#pragma once
// What is added up of each link once finish_link has given its outcome: its
// measures (add_link_measures) and, when the run gathers them, its
// statistics. LinkSums adds one link on the caller's thread; a SumsThread
// adds them on a second thread, behind the link loop.
//
// The measures and the statistics cost a binary network's link loop close to
// half of its time (a dBASE run's, with its records converted on a thread of
// their own, two fifths of its instructions), and they depend on nothing but
// the links handed to them.
// A SumsThread takes each link's LinkFigures, in file order, and hands them
// over a block at a time (common/hand_off_ring.h); its thread gives them to
// LinkSums in the same order, so every sum is the one the loop's own calls
// would have made, bit for bit. Nothing is allocated per link. What reports
// an event (the screenline tables, the construction-code notice) stays on
// the loop's thread, in file order among its other reports (evaluate_link).
//
//   LinkSums sums{&e.acc, &e.rates, stats_or_null, validation, nft, nat};
//   SumsThread thread(sums);
//   thread.emplace(fill);      // every link record read, in file order:
//                              //   fill(LinkFigures&) sets each member
//   thread.finish();           // before the sums or the statistics are read
//
// While the thread runs, what LinkSums adds into belongs to it: EVALSUMS,
// the level-of-service tables, the cost totals and the volume over capacity
// distribution of the accumulators, and the statistics. Nothing else may read
// or change them until finish() has returned or the object is destroyed (a
// loop that stops early drops the links not yet added, and the sums are
// then partial).

#include <utility>

#include "common/hand_off_ring.h"
#include "evaluation/accumulators.h"
#include "evaluation/link_measures.h"
#include "evaluation/validation_stats.h"
#include "input/rates.h"

namespace korvo {

class LinkSums {
 public:
  Accumulators* acc = nullptr;
  const RateTables* rates = nullptr;
  ValidationStats* stats = nullptr;  // null when the run gathers none
  bool validation = true;
  int nft = 0;  // the class counts of the run
  int nat = 0;

  // A link handed on as its figures.
  void operator()(const LinkFigures& f) const {
    add_link_measures(*acc, *rates, f, validation);
    add_statistics(f.status, stats_miles(f), stats_minutes(f), f.vol, f.count, [&] { return stats_link(f, nft, nat); });
  }

  // The link in `link` with the working values v, finish_link's outcome and
  // the record number, on the link loop's own thread: the same sums, with
  // its figures formed only for a counted link's statistics.
  void operator()(const LinkRecord& link, const LinkValues& v, LinkOutcome outcome, std::int64_t record) const {
    if (outcome == LinkOutcome::kEvaluated) add_link_measures(*acc, *rates, link, v, validation);
    add_statistics(outcome, stats_miles(link), stats_minutes(link), v.vol, link.count,
                   [&] { return stats_link(link, v, outcome, record, nft, nat); });
  }

 private:
  // view() forms the link's StatsLink; it is called for a counted link only.
  template <typename View>
  void add_statistics(LinkOutcome outcome, double miles, double minutes, float vol, std::int32_t count,
                      View view) const {
    if (stats == nullptr) return;
    if (validation) {
      stats->add_link(outcome, miles, minutes, static_cast<double>(vol), static_cast<double>(count), view);
    } else {
      // All that a run without counts takes of a link.
      stats->add_outcome(outcome, miles, minutes);
    }
  }
};

class SumsThread {
 public:
  explicit SumsThread(const LinkSums& sums) : ring_(sums) {}

  template <typename Fill>
  void emplace(Fill&& fill) {
    ring_.emplace(std::forward<Fill>(fill));
  }

  // Waits until every link handed over is added; rethrows what adding one
  // threw.
  void finish() { ring_.finish(); }

 private:
  HandOffRing<LinkFigures, LinkSums> ring_;
};

}  // namespace korvo
