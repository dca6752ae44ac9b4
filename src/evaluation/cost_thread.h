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

#include <vector>

#include "common/hand_off_ring.h"
#include "evaluation/accumulators.h"
#include "evaluation/link_measures.h"
#include "input/rates.h"

namespace korvo {

class CostThread {
 public:
  // rates must stay as they are until finish(); nft and nat lay the sums out
  // as the run's EVALSUMS.
  CostThread(const RateTables& rates, int nft, int nat);

  void add(const CostLink& link) { ring_.add(link); }

  // Waits until every link handed over is added, then puts the sums into
  // acc: the cost slots of its EVALSUMS (laid out with the same nft and
  // nat), the user and maintenance costs and the volume-over-capacity
  // distribution. Those must be as reset_accumulators left them.
  void finish(Accumulators& acc);

 private:
  // The thread's own sums, where its ring adds each link.
  struct Sums {
    Sums(const RateTables& rates, int nft, int nat);
    const RateTables& rates;
    std::vector<float> cells;
    EvalSums sums;
    // On cache lines apart from the loop's.
    alignas(64) float user_cost = 0;
    float maint_cost = 0;
    VcDistribution vc_capacity;
  };
  struct AddLink {
    Sums* to;
    void operator()(const CostLink& link) const {
      add_cost_measures(CostSums{to->sums, to->user_cost, to->maint_cost, to->vc_capacity}, to->rates, link);
    }
  };

  Sums sums_;
  HandOffRing<CostLink, AddLink> ring_;  // last: its thread starts when the rest is set
};

}  // namespace korvo
