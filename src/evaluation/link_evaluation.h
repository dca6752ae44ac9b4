#pragma once
// From a link record to the accumulators: the link's volume, its codes and
// classes, the selections, the list of unclassified links, the no-volume
// list and the measures.
//
// The program driver calls, for every link, begin_link and then finish_link;
// between the two it writes the link's ASCII record when the run asks for
// one. Both run for every link and make no allocation; they are defined
// below, inline, so that the driver's per-link function holds them whole
// and calls out only for the screenline tables. The driver then adds up the
// link's measures and statistics (LinkSums, evaluation/sums_thread.h): from
// its record on its own thread, or from its figures on a second one.

#include <cstddef>
#include <cstdint>

#include "evaluation/evaluation.h"
#include "evaluation/link_measures.h"
#include "evaluation/link_outcome.h"
#include "input/binary_network.h"
#include "input/link_record.h"
#include "input/profile.h"

namespace korvo {

// Lays EVALSUMS out for the classes (NFT x NAT x 430 cells of the work area)
// and zeroes every accumulator. Throws std::logic_error when the table does
// not fit the work area.
void reset_accumulators(Accumulators& acc, const ClassTables& classes);

// The weight of each of the link record's periods: 1 / periods, or on a
// binary network with weighting (header word 54 odd) the header's weights.
// binary_network is null on the dBASE path.
void set_volume_weights(EvaluationState& state, const BinaryHeader* binary_network, int periods);

// The volume of the link; also fills the slot volumes of the state. Slots
// beyond volume_slots keep their slot volume but add nothing.
float link_volume(EvaluationState& state, const LinkRecord& link, int volume_slots, bool dbf_source);

// A link volume of one period's plain sums: the words of slots 1..summed
// added up as whole numbers, which add alike in any order.
inline float plain_word_sum(const LinkRecord& link, int summed) {
  std::int64_t total = 0;
  for (int s = 1; s <= summed; ++s) total += link.volume(1, s);
  return static_cast<float>(total);
}

// Plans the binary path's link volumes once the link record's slot counts
// (the header's, the same for every link), the weighting (set_volume_weights)
// and whether slot volumes are kept are set: where link_volume would only add
// up whole words, begin_link adds them itself, without link_volume's setting
// up for every link.
void plan_link_volume(EvaluationState& state, const LinkRecord& link, int volume_slots);

// The first half of a link: the generalised-cost swap, its volume and
// capacity, and its facility-type code and lanes (swapped without a
// profile). Throws std::logic_error for a link record whose congested-time
// slot is outside 1..50.
inline LinkValues begin_link(EvaluationState& state, LinkRecord& link, const RunSettings& settings);

// The second half: passes over local streets and links outside the location
// selection, lists unclassified links (events.link_skipped), notes links
// without volume and evaluates the rest (evaluate_link: the screenline
// tables; the measures are LinkSums' part). Returns what it did with the
// link.
inline LinkOutcome finish_link(Evaluation& e, const LinkRecord& link, LinkValues& v, const RunSettings& settings);

// The part of an evaluated link's evaluation that the link loop does itself,
// in file order among its other reports: checks that the classes are inside
// the table (std::logic_error if not), reports the first construction code
// of 11 or more in an analysis run to e.events, and adds the link to the
// screenline tables (add_screenlines). Its measures are added by
// add_link_measures.
inline void evaluate_link(Evaluation& e, const LinkRecord& link, const LinkValues& v, bool validation);

// The lanes value, doubled for a two-way link, as a lane class 1..9: no
// lanes (or a negative number) and more than nine fall into the class "9+".
inline int lane_class(int lanes_value, bool two_way);

// ---- Definitions -------------------------------------------------------------

namespace link_evaluation_detail {

// Facility-type codes of local streets (centroid connectors), never evaluated.
inline constexpr int kFirstLocalCode = 50;
inline constexpr int kLastLocalCode = 59;
// The same, when the profile is missing and the fields are read swapped.
inline constexpr int kSwappedLocalCode = 5;
// Links below this volume go to the list of links with no assigned volume.
inline constexpr float kNoVolumeBelow = 2.0f;
inline constexpr int kTopLaneClass = 9;

[[noreturn]] void time_slot_outside_the_record(int time_slot_count);

// Links with almost no volume; the first direction stands for a two-way pair.
inline void note_no_volume(NoVolumeList& list, const LinkRecord& link, float vol, EvaluationEvents& events) {
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

}  // namespace link_evaluation_detail

inline int lane_class(int lanes_value, bool two_way) {
  const int lanes = two_way ? 2 * lanes_value : lanes_value;
  return lanes < 1 || lanes > link_evaluation_detail::kTopLaneClass ? link_evaluation_detail::kTopLaneClass : lanes;
}

inline LinkValues begin_link(EvaluationState& state, LinkRecord& link, const RunSettings& settings) {
  if (link.time_slot_count < 1 || link.time_slot_count > kMaxPeriods) {
    link_evaluation_detail::time_slot_outside_the_record(link.time_slot_count);
  }
  if (settings.gencost) {
    link.period_times[static_cast<std::size_t>(link.time_slot_count)] = link.time;
    link.time = link.time2;
  }
  LinkValues v;
  // A dBASE link carries its volume as it is; the binary path sums slots.
  if (settings.dbf_input_given) {
    v.vol = static_cast<float>(link.volume(1, 1));
  } else if (state.plain_summed_slots >= 0) {
    v.vol = plain_word_sum(link, state.plain_summed_slots);
  } else {
    v.vol = link_volume(state, link, settings.volume_slots, false);
  }
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

inline void evaluate_link(Evaluation& e, const LinkRecord& link, const LinkValues& v, bool validation) {
  if (v.ftc < 1 || v.ftc >= e.acc.sums.nft() || v.atc < 1 || v.atc >= e.acc.sums.nat() || v.lane_class < 1 ||
      v.lane_class > kLaneClassCount - 1) {
    classes_outside_the_table(v);
  }
  if (!validation && link.construct >= kFirstInconsistentConstructionCode && !e.state.cost_table_zeroed) {
    e.events->construction_code_inconsistent();
    e.state.cost_table_zeroed = true;
  }
  if (link.screenline != 0) add_screenlines(e.acc.screenlines, link, v, validation, *e.events);
}

inline LinkOutcome finish_link(Evaluation& e, const LinkRecord& link, LinkValues& v, const RunSettings& settings) {
  using namespace link_evaluation_detail;
  LinkCounts& counts = e.state.counts;
  ++counts.read;
  if (settings.profile_seen ? (v.ft_code >= kFirstLocalCode && v.ft_code <= kLastLocalCode)
                            : v.ft_code == kSwappedLocalCode) {
    ++counts.passed_over;
    return LinkOutcome::kConnectorPassedOver;
  }
  v.ftc = e.classes.ft_class(v.ft_code);
  v.atc = e.classes.at_class(link.area_type);
  if (settings.location_select > 0 && link.location != settings.location_select) {
    ++counts.deselected;
    return LinkOutcome::kLocationDeselected;
  }
  // Class 0 means "not selected"; the Total classes and anything beyond
  // them (a validation run without labels maps codes from 10 up that way)
  // have no cells of their own.
  if (v.ftc < 1 || v.ftc >= e.classes.nft || v.atc < 1 || v.atc >= e.classes.nat) {
    e.events->link_skipped(link, v.ft_code);
    ++e.state.nskipped;
    ++counts.unclassified;
    return LinkOutcome::kUnclassified;
  }

  const auto congested = static_cast<std::size_t>(link.time_slot_count);
  set_record_values(v, link.distance, link.period_times[congested], link.time, link.count, link.two_way);
  note_no_volume(e.acc.no_volume, link, v.vol, *e.events);
  v.lane_class = lane_class(v.lanes_value, link.two_way);
  if (v.time == 0.0f && link.cost == 0) {
    ++counts.no_time;
    return LinkOutcome::kZeroTimePassedOver;
  }
  ++counts.evaluated;
  evaluate_link(e, link, v, settings.validate_mode);
  return LinkOutcome::kEvaluated;
}

}  // namespace korvo
