#pragma once
// From a link record to the accumulators: the link's volume, its codes and
// classes, the selections, the list of unclassified links, the no-volume
// list and the measures.
//
// The program driver calls, for every link, begin_link and then finish_link;
// between the two it writes the link's ASCII record when the run asks for
// one. Both run for every link and make no allocation.

#include <cstdint>

#include "evaluation/evaluation.h"
#include "evaluation/link_measures.h"
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

// The first half of a link: the generalised-cost swap, its volume and
// capacity, and its facility-type code and lanes (swapped without a
// profile). Throws std::logic_error for a link record whose congested-time
// slot is outside 1..50.
LinkValues begin_link(EvaluationState& state, LinkRecord& link, const RunSettings& settings);

// The second half: passes over local streets and links outside the location
// selection, lists unclassified links (events.link_skipped), notes links
// without volume and evaluates the rest.
void finish_link(Evaluation& e, const LinkRecord& link, LinkValues& v, const RunSettings& settings);

// The lanes value, doubled for a two-way link, as a lane class 1..9: no
// lanes (or a negative number) and more than nine fall into the class "9+".
int lane_class(int lanes_value, bool two_way);

}  // namespace korvo
