#include "evaluation/aux_merge.h"

#include <algorithm>

#include "common/errors.h"
#include "evaluation/evaluation.h"

namespace korvo {
namespace {

// Loads table entry `cursor`, or the end pair once the cursor is past the
// last entry.
void load_cursor_entry(AuxMergeState& merge, const AuxLinkTable& table) {
  const std::int32_t count = std::min(table.count, kAuxLinkLimit);
  if (merge.cursor >= 1 && merge.cursor <= count) {
    merge.current = table.entries[static_cast<std::size_t>(merge.cursor)];
  } else {
    merge.current = AuxLinkEntry{};
    merge.current.anode = kAuxEndNode;
    merge.current.bnode = kAuxEndNode;
  }
}

void advance_cursor(AuxMergeState& merge, const AuxLinkTable& table) {
  if (merge.cursor <= table.count) ++merge.cursor;
  load_cursor_entry(merge, table);
}

bool pair_below(std::int32_t a1, std::int32_t b1, std::int32_t a2, std::int32_t b2) {
  return a1 < a2 || (a1 == a2 && b1 < b2);
}

}  // namespace

void start_aux_merge(AuxMergeState& merge, const AuxLinkTable& table, bool screenline_named) {
  merge.screenline_named = screenline_named;
  merge.cursor = 1;
  load_cursor_entry(merge, table);
}

void merge_from_table(AuxMergeState& merge, const AuxLinkTable& table, LinkRecord& link, EvaluationEvents& events) {
  // Past the last entry the cursor stands on the end pair; a link beyond it
  // (no network's 16-bit nodes reach it) passes no entry.
  while (merge.cursor <= table.count && pair_below(merge.current.anode, merge.current.bnode, link.anode, link.bnode)) {
    events.aux_link_not_found(merge.current.anode, merge.current.bnode);
    advance_cursor(merge, table);
  }
  if (merge.current.anode == link.anode && merge.current.bnode == link.bnode) {
    link.construct = static_cast<std::int16_t>(merge.current.construct);
    if (merge.screenline_named) link.screenline = static_cast<std::int16_t>(merge.current.screenline);
    link.location = merge.current.location;
    advance_cursor(merge, table);
  } else {
    link.construct = 0;
    link.screenline = 0;
    link.location = 0;
  }
}

void merge_aux_record(LinkRecord& link, const AuxNetworkRecord& record, EvaluationEvents& events) {
  if (record.from != link.anode || record.to != link.bnode) {
    events.aux_network_mismatch(link.anode, link.bnode, record.from, record.to);
    throw RunStop(kAbnormalStop);
  }
  link.location = packed_location_code(record.packed);
  link.construct = packed_construction_code(record.packed);
}

void clear_aux_codes(LinkRecord& link) {
  link.construct = 0;
  link.location = 0;
}

}  // namespace korvo
