#pragma once
// Construction and location codes (and screenlines) for the links of the
// binary network, from the auxiliary link table (an auxiliary dBASE file) or
// from the records of the auxiliary network file "VOLNAUX.xxx".

#include <cstdint>

#include "input/aux_link_file.h"
#include "input/aux_network_file.h"
#include "input/link_record.h"

namespace korvo {

class EvaluationEvents;

// The cursor's pair once it has passed the last table entry; no link
// reaches it.
inline constexpr std::int32_t kAuxEndNode = 9'999'999;

struct AuxMergeState {
  bool screenline_named = false;  // DBFSL names a field: matched links take its screenline
  // Cursor into the auxiliary link table (1..count, then past the end) and
  // the entry it stands on.
  std::int32_t cursor = 0;
  AuxLinkEntry current{};
};

// Places the cursor on the table's first entry. screenline_named: the profile
// names a screenline field (DBFSL).
void start_aux_merge(AuxMergeState& merge, const AuxLinkTable& table, bool screenline_named);

// The link stream and the table are both in ascending node-pair order: the
// entries the link has passed are reported (aux_link_not_found), and an
// entry of the link's own pair gives its codes; a link without one gets 0.
void merge_from_table(AuxMergeState& merge, const AuxLinkTable& table, LinkRecord& link, EvaluationEvents& events);

// The record of the auxiliary network file that belongs to the link: its
// codes, or, when it names another link, aux_network_mismatch and
// RunStop("KORVO -- Abnormal STOP").
void merge_aux_record(LinkRecord& link, const AuxNetworkRecord& record, EvaluationEvents& events);

// Without an auxiliary source every construction and location code is 0.
void clear_aux_codes(LinkRecord& link);

}  // namespace korvo
