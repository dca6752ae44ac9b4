#include "evaluation/link_evaluation.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "common/layout.h"

namespace korvo {
namespace {

// Binary header words of the volume weighting.
constexpr int kWeightWordBase = 22;    // words 23..32: weights of up to 10 periods
constexpr int kPlainSumWord = 24;      // below 100: plain sums when weighting is off
constexpr int kWeightTextStart = 345;  // 8-character weight fields of more than 10 periods
constexpr int kWeightFieldWidth = 8;
constexpr int kMaxWordWeights = 10;
constexpr float kWeightDivisor = 30000.0f;
constexpr std::int32_t kBadWeightField = -999999;

// A weight field of the header text: read digit by digit, a blank counting
// as the digit 0, so "   12   " is 12000; any other character gives -999999.
std::int32_t weight_field(std::string_view field) {
  std::int32_t value = 0;
  for (char c : field) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c != ' ') {
      return kBadWeightField;
    }
    value = value * 10 + digit;
  }
  return value;
}

// link_volume of a network with one period, the usual case: each slot's
// volume is its one word, summed or weighted as the loops of link_volume
// would (a weighted slot starts from 0.0f as theirs do), without the cost of
// setting those loops up for a single pass.
float one_period_volume(EvaluationState& e, const LinkRecord& link, int slots, int summed) {
  if (e.plain_sum && !e.slot_volumes) {
    // The sum alone: no slot volume is kept (one loop with the stores under a
    // test costs a quarter of what this saves).
    return plain_word_sum(link, summed);
  }
  if (e.plain_sum) {
    std::int64_t total = 0;
    for (int s = 1; s <= slots; ++s) {
      const std::int64_t slot_total = link.volume(1, s);
      e.slot_volume[static_cast<std::size_t>(s)] = static_cast<float>(slot_total);
      e.slot_volume_rounded[static_cast<std::size_t>(s)] = static_cast<std::int32_t>(slot_total);
      if (s <= summed) total += slot_total;
    }
    return static_cast<float>(total);
  }
  const float weight = e.volume_weights[1];
  float vol = 0.0f;
  for (int s = 1; s <= slots; ++s) {
    const float slot_volume = 0.0f + static_cast<float>(link.volume(1, s)) * weight;
    e.slot_volume[static_cast<std::size_t>(s)] = slot_volume;
    e.slot_volume_rounded[static_cast<std::size_t>(s)] = static_cast<std::int32_t>(round_half_up(slot_volume));
    if (s <= summed) vol += slot_volume;
  }
  return vol;
}

}  // namespace

namespace link_evaluation_detail {

void time_slot_outside_the_record(int) {
  // The message of the program's first release, which a fault report may quote.
  throw std::logic_error("process_link: time_slot_count outside 1.." + std::to_string(kMaxPeriods));
}

}  // namespace link_evaluation_detail

void reset_accumulators(Accumulators& acc, const ClassTables& classes) {
  acc.sums = EvalSums(acc.work_area.data(), classes.nft, classes.nat);
  if (classes.nft < 1 || classes.nat < 1 || acc.sums.cells_used() > kWorkAreaCells) {
    throw std::logic_error("reset_accumulators: the accumulator table does not fit the work area");
  }
  std::fill_n(acc.work_area.begin(), acc.sums.cells_used(), 0.0f);
  acc.accident_cost = 0;
  acc.user_cost = 0;
  acc.maint_cost = 0;
  for (auto& row : acc.los_miles) row.fill(0.0f);
  for (auto& row : acc.los_pct) row.fill(0.0f);
  for (auto& row : acc.los_vmt) row.fill(0.0);
  acc.vc_capacity = {};
  ScreenlineTables& sl = acc.screenlines;
  sl.volume.fill(0.0f);
  sl.reference.fill(0.0f);
  sl.ratio.fill(0.0f);
  sl.nlinks.fill(0);  // the lists' entries are written whole as links join them
  sl.sl99_count = 0;
  acc.no_volume.count = 0;
  acc.no_volume.anode.fill(0);
  acc.no_volume.bnode.fill(0);
  acc.no_volume.limit_reported = false;
}

void set_volume_weights(EvaluationState& e, const BinaryHeader* binary_network, int periods) {
  e.volume_weights.fill(0.0f);
  e.weighting = binary_network != nullptr && (binary_network->word(header_word::kWeighting) & 1) != 0;
  e.plain_sum = binary_network != nullptr && !e.weighting && binary_network->word(kPlainSumWord) < 100;
  for (int i = 1; i <= periods && i <= kMaxPeriods; ++i) {
    float weight = 1.0f / static_cast<float>(periods);
    if (e.weighting) {
      const BinaryHeader& h = *binary_network;
      const std::int32_t number = periods <= kMaxWordWeights
                                      ? h.word(kWeightWordBase + i)
                                      : weight_field(h.chars(kWeightTextStart + kWeightFieldWidth * (i - 1),
                                                             kWeightTextStart + kWeightFieldWidth * i - 1));
      weight = static_cast<float>(number) / kWeightDivisor;
    }
    e.volume_weights[static_cast<std::size_t>(i)] = weight;
  }
}

float link_volume(EvaluationState& e, const LinkRecord& link, int volume_slots, bool dbf_source) {
  if (dbf_source) return static_cast<float>(link.volume(1, 1));
  const int periods = std::min<int>(link.time_slot_count, kMaxPeriods);
  const int slots = std::clamp<int>(link.volume_slot_count, 0, kMaxVolumeSlots);
  // Slots beyond the profile's volume_slots keep their slot volume (the ASCII
  // record lists them) but add nothing to the link volume.
  const int summed = std::clamp<int>(volume_slots, 0, slots);
  if (periods == 1) return one_period_volume(e, link, slots, summed);
  if (e.plain_sum) {
    std::int64_t total = 0;
    for (int s = 1; s <= slots; ++s) {
      std::int64_t slot_total = 0;
      for (int p = 1; p <= periods; ++p) slot_total += link.volume(p, s);
      e.slot_volume[static_cast<std::size_t>(s)] = static_cast<float>(slot_total);
      e.slot_volume_rounded[static_cast<std::size_t>(s)] = static_cast<std::int32_t>(slot_total);
      if (s <= summed) total += slot_total;
    }
    return static_cast<float>(total);
  }
  float vol = 0.0f;
  for (int s = 1; s <= slots; ++s) {
    float slot_volume = 0.0f;
    for (int p = 1; p <= periods; ++p) {
      slot_volume += static_cast<float>(link.volume(p, s)) * e.volume_weights[static_cast<std::size_t>(p)];
    }
    e.slot_volume[static_cast<std::size_t>(s)] = slot_volume;
    e.slot_volume_rounded[static_cast<std::size_t>(s)] = static_cast<std::int32_t>(round_half_up(slot_volume));
    if (s <= summed) vol += slot_volume;
  }
  return vol;
}

void plan_link_volume(EvaluationState& e, const LinkRecord& link, int volume_slots) {
  e.plain_summed_slots = -1;
  if (link.time_slot_count != 1 || !e.plain_sum || e.slot_volumes) return;
  // As link_volume takes them.
  const int slots = std::clamp<int>(link.volume_slot_count, 0, kMaxVolumeSlots);
  e.plain_summed_slots = std::clamp<int>(volume_slots, 0, slots);
}

}  // namespace korvo
