#include "evaluation/cost_thread.h"

#include <cstddef>
#include <span>

namespace korvo {

CostThread::Sums::Sums(const RateTables& rates, int nft, int nat)
    : rates(rates), cells(EvalSums(nullptr, nft, nat).cells_used(), 0.0f), sums(cells.data(), nft, nat) {}

CostThread::CostThread(const RateTables& rates, int nft, int nat) : sums_(rates, nft, nat), ring_(AddLink{&sums_}) {}

void CostThread::finish(Accumulators& acc) {
  ring_.finish();
  EvalSums& sums = sums_.sums;
  for (const Slot slot : kCostSlots) {
    const std::span<const float> from = sums.slot_cells(slot);
    const std::span<float> to = acc.sums.slot_cells(slot);
    for (std::size_t i = 0; i < from.size(); i += kSlotCount) to[i] = from[i];
  }
  acc.user_cost = sums_.user_cost;
  acc.maint_cost = sums_.maint_cost;
  acc.vc_capacity = sums_.vc_capacity;
}

}  // namespace korvo
