#pragma once
// The ASCII loaded-network file "HRLDXY.ASC" as the two-way conversion reads
// it: node pairs, volume, capacity and lanes of every link, its slot
// volumes, and the link of the opposite direction.
//
// The conversion runs once, at the end of a run; its tables grow with the
// file up to their limit.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/fixed_text.h"
#include "common/text_file.h"

namespace korvo {

// The two-way conversion table holds this many records at most, each with
// up to kMaxTwoWaySlots slot volumes.
inline constexpr std::int32_t kMaxTwoWayRecords = 200'001;
inline constexpr int kMaxTwoWaySlots = 10;

// Columns 13-39 of a record travel unchanged into its two-way record.
inline constexpr int kAsciiCopyFirst = 13;
inline constexpr int kAsciiCopyLast = 39;
using AsciiCopiedColumns = FixedText<kAsciiCopyLast - kAsciiCopyFirst + 1>;

struct NodePair {
  std::int32_t anode = 0;
  std::int32_t bnode = 0;
};

struct TwoWayEntry {
  std::int32_t volume = 0;
  std::int32_t capacity = 0;
  std::int32_t lanes = 0;
};

// The conversion table: one entry per record of the file, in file order.
struct TwoWayLinks {
  int slot_count = 0;  // slot volumes per link: S, or 0 when S is 1 (the volume itself)
  std::vector<NodePair> pairs;
  std::vector<TwoWayEntry> entries;
  std::vector<std::int32_t> slot_volumes;  // slot_count per link
  std::vector<std::int32_t> partners;      // the link of the opposite direction, or -1

  std::int32_t slot_volume(std::size_t link, int slot) const {
    return slot_volumes[link * static_cast<std::size_t>(slot_count) + static_cast<std::size_t>(slot)];
  }
};

// Throws FileError naming file when the network has more slot volumes per
// link than the conversion holds.
void check_two_way_slots(int slots, const std::string& file);

// For every link i, the link of the opposite direction (index into pairs) or
// -1; partners has one element per pair. The result is that of scanning the
// links in file order for each i and stopping at the first link whose A-node
// exceeds B-node(i) (no partner) or at the first link from B-node(i) to
// A-node(i) (the partner), but it takes n log n steps, not n squared. On a
// file in ascending A-node order both find the opposite direction; on any
// other file they agree link by link.
void pair_opposite_directions(std::span<const NodePair> pairs, std::span<std::int32_t> partners);

// Reads the whole file into links and pairs the directions. slots is S (0 to
// kMaxTwoWaySlots; its slot volumes are read only when S is not 1); with
// counts_column the slot volumes start behind the count in columns 54-60.
// Throws FileError for a field that is not a whole number and for a file of
// more than kMaxTwoWayRecords records.
void read_two_way_links(TextReader& ascii, int slots, bool counts_column, TwoWayLinks& links);

// Columns 13-39 of a record.
AsciiCopiedColumns copied_columns(std::string_view record);

}  // namespace korvo
