#include "evaluation/cost_thread.h"

#include <algorithm>

namespace korvo {

CostThread::CostThread(const RateTables& rates, int nft, int nat)
    : rates_(rates),
      cells_(EvalSums(nullptr, nft, nat).cells_used(), 0.0f),
      sums_(cells_.data(), nft, nat),
      ring_([this](const Block& block) { add_block(block); }) {}

void CostThread::add_block(const Block& block) {
  const CostSums to{sums_, user_cost_, maint_cost_, vc_capacity_};
  for (std::size_t i = 0; i < block.count; ++i) add_cost_measures(to, rates_, block.entries[i].link);
}

void CostThread::finish(Accumulators& acc) {
  ring_.block().count = count_;
  count_ = 0;
  ring_.finish();
  const std::size_t plane = static_cast<std::size_t>(sums_.nft()) * static_cast<std::size_t>(sums_.nat()) *
                            static_cast<std::size_t>(kLaneClassCount);
  for (const Slot slot : kCostSlots) std::copy_n(sums_.slot_plane(slot), plane, acc.sums.slot_plane(slot));
  acc.user_cost = user_cost_;
  acc.maint_cost = maint_cost_;
  acc.vc_capacity = vc_capacity_;
}

}  // namespace korvo
