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

// Facility-type codes of local streets (centroid connectors), never evaluated.
constexpr int kFirstLocalCode = 50;
constexpr int kLastLocalCode = 59;
// The same, when the profile is missing and the fields are read swapped.
constexpr int kSwappedLocalCode = 5;

// Links below this volume go to the list of links with no assigned volume.
constexpr float kNoVolumeBelow = 2.0f;
constexpr int kTopLaneClass = 9;

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

// Links with almost no volume; the first direction stands for a two-way pair.
void note_no_volume(NoVolumeList& list, const LinkRecord& link, float vol, EvaluationEvents& events) {
  if (!(vol < kNoVolumeBelow) || (link.two_way && !(link.anode < link.bnode))) return;
  if (list.count < kNoVolumeLimit) {
    ++list.count;
    list.anode[static_cast<std::size_t>(list.count)] = link.anode;
    list.bnode[static_cast<std::size_t>(list.count)] = link.bnode;
  } else if (!list.limit_reported) {
    events.no_volume_list_full(kNoVolumeLimit);
    list.limit_reported = true;
  }
}

}  // namespace

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
  ScreenlineTables& sl = acc.screenlines;
  sl.volume.fill(0.0f);
  sl.reference.fill(0.0f);
  sl.ratio.fill(0.0f);
  sl.nlinks.fill(0);
  for (auto& list : sl.links) list.fill(ScreenlineEntry{});
  sl.sl99_count = 0;
  sl.sl99.fill(Screenline99Entry{});
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

int lane_class(int lanes_value, bool two_way) {
  const int lanes = two_way ? 2 * lanes_value : lanes_value;
  return lanes < 1 || lanes > kTopLaneClass ? kTopLaneClass : lanes;
}

LinkValues begin_link(EvaluationState& state, LinkRecord& link, const RunSettings& settings) {
  if (link.time_slot_count < 1 || link.time_slot_count > kMaxPeriods) {
    throw std::logic_error("begin_link: time_slot_count outside 1.." + std::to_string(kMaxPeriods));
  }
  if (settings.gencost) {
    link.period_times[static_cast<std::size_t>(link.time_slot_count)] = link.time;
    link.time = link.time2;
  }
  LinkValues v;
  v.vol = link_volume(state, link, settings.volume_slots, settings.dbf_input_given);
  v.cap = static_cast<float>(link.capacity);
  // Without a profile the network is taken for one that has the
  // facility-type and lanes fields in each other's place.
  if (settings.profile_seen) {
    v.ft_code = link.facility_type;
    v.lanes_value = link.lanes;
  } else {
    v.ft_code = link.lanes;
    v.lanes_value = link.facility_type;
  }
  return v;
}

void finish_link(Evaluation& e, const LinkRecord& link, LinkValues& v, const RunSettings& settings) {
  if (settings.profile_seen ? (v.ft_code >= kFirstLocalCode && v.ft_code <= kLastLocalCode)
                            : v.ft_code == kSwappedLocalCode) {
    return;
  }
  v.ftc = e.classes.ft_class(v.ft_code);
  v.atc = e.classes.at_class(link.area_type);
  if (settings.location_select > 0 && link.location != settings.location_select) return;
  // Class 0 means "not selected"; the Total classes and anything beyond
  // them (a validation run without labels maps codes from 10 up that way)
  // have no cells of their own.
  if (v.ftc < 1 || v.ftc >= e.classes.nft || v.atc < 1 || v.atc >= e.classes.nat) {
    e.events->link_skipped(link, v.ft_code);
    ++e.state.nskipped;
    return;
  }

  const auto congested = static_cast<std::size_t>(link.time_slot_count);
  v.dist = static_cast<float>(link.distance) * 0.01f;
  v.time = static_cast<float>(link.period_times[congested]) * 0.01f;
  v.cnt = static_cast<float>(link.count);
  v.otime = static_cast<float>(link.time) * 0.01f;
  note_no_volume(e.acc.no_volume, link, v.vol, *e.events);
  v.w = link.two_way ? 0.5f : 1.0f;
  v.lane_class = lane_class(v.lanes_value, link.two_way);
  if (v.time == 0.0f && link.cost == 0) return;
  evaluate_link(e.acc, e.state, e.rates, link, v, settings.validate_mode, *e.events);
}

}  // namespace korvo
