#include "evaluation/cost_thread.h"

#include <algorithm>

namespace korvo {

CostThread::Sums::Sums(const RateTables& rates, int nft, int nat)
    : rates(rates), cells(EvalSums(nullptr, nft, nat).cells_used(), 0.0f), sums(cells.data(), nft, nat) {}

CostThread::CostThread(const RateTables& rates, int nft, int nat) : sums_(rates, nft, nat), ring_(AddLink{&sums_}) {}

void CostThread::finish(Accumulators& acc) {
  ring_.finish();
  EvalSums& sums = sums_.sums;
  const std::size_t plane = static_cast<std::size_t>(sums.nft()) * static_cast<std::size_t>(sums.nat()) *
                            static_cast<std::size_t>(kLaneClassCount);
  for (const Slot slot : kCostSlots) std::copy_n(sums.slot_plane(slot), plane, acc.sums.slot_plane(slot));
  acc.user_cost = sums_.user_cost;
  acc.maint_cost = sums_.maint_cost;
  acc.vc_capacity = sums_.vc_capacity;
}

}  // namespace korvo
