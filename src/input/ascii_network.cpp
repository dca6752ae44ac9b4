#include "input/ascii_network.h"

#include <algorithm>
#include <numeric>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

// Columns of an "HRLDXY.ASC" record that the two-way conversion reads.
struct AsciiField {
  int first;
  int last;
  const char* name;
};
constexpr AsciiField kAsciiAnode{1, 6, "A-node"};
constexpr AsciiField kAsciiBnode{7, 12, "B-node"};
constexpr AsciiField kAsciiLanes{19, 21, "lanes"};
constexpr AsciiField kAsciiVolume{40, 46, "volume"};
constexpr AsciiField kAsciiCapacity{47, 53, "capacity"};
constexpr int kAsciiSlotColumn = 54;        // first slot volume
constexpr int kAsciiSlotColumnCounts = 61;  // behind the count
constexpr int kAsciiValueWidth = 7;

std::int32_t ascii_value(std::string_view line, int first, int last, std::string_view field, const TextReader& ascii) {
  const std::string_view text = columns(line, first, last);
  std::int64_t value = 0;
  // Fields are at most 7 columns wide, so every number fits 32 bits.
  if (parse_integer_field(text, value) != ParseStatus::kOk) {
    const FieldPlace place{ascii.name(), FilePlace::at_line(ascii.line_number()).with_columns(first, last), field};
    throw conversion_error(text, place, "an integer");
  }
  return static_cast<std::int32_t>(value);
}
std::int32_t ascii_value(std::string_view line, const AsciiField& f, const TextReader& ascii) {
  return ascii_value(line, f.first, f.last, f.name, ascii);
}

}  // namespace

void check_two_way_slots(int slots, const std::string& file) {
  if (slots >= 0 && slots <= kMaxTwoWaySlots) return;
  throw FileError(file, FilePlace{}, "volume slots",
                  "the two-way conversion holds at most " + std::to_string(kMaxTwoWaySlots) +
                      " slot volumes per link, the network has " + std::to_string(slots));
}

void pair_opposite_directions(std::span<const NodePair> pairs, std::span<std::int32_t> partners) {
  const std::size_t n = pairs.size();
  // The scan for B-node b stops at the first link whose A-node exceeds b:
  // the first place where the running maximum of the A-nodes exceeds b.
  std::vector<std::int32_t> running_max(n);
  for (std::size_t j = 0; j < n; ++j)
    running_max[j] = j == 0 ? pairs[j].anode : std::max(running_max[j - 1], pairs[j].anode);
  // The links by node pair, file order within a pair: the first link of a
  // pair in file order is the first of its run here.
  std::vector<std::int32_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  auto pair_of = [&pairs](std::int32_t j) { return pairs[static_cast<std::size_t>(j)]; };
  std::stable_sort(order.begin(), order.end(), [&](std::int32_t x, std::int32_t y) {
    const NodePair a = pair_of(x), b = pair_of(y);
    return a.anode != b.anode ? a.anode < b.anode : a.bnode < b.bnode;
  });
  for (std::size_t i = 0; i < n; ++i) {
    const NodePair wanted{pairs[i].bnode, pairs[i].anode};
    const auto stop = static_cast<std::int32_t>(std::upper_bound(running_max.begin(), running_max.end(), wanted.anode) -
                                                running_max.begin());
    const auto first = std::lower_bound(order.begin(), order.end(), wanted, [&](std::int32_t j, const NodePair& key) {
      const NodePair p = pair_of(j);
      return p.anode != key.anode ? p.anode < key.anode : p.bnode < key.bnode;
    });
    const bool found =
        first != order.end() && pair_of(*first).anode == wanted.anode && pair_of(*first).bnode == wanted.bnode;
    partners[i] = found && *first < stop ? *first : -1;
  }
}

void read_two_way_links(TextReader& ascii, int slots, bool counts_column, TwoWayLinks& links) {
  check_two_way_slots(slots, ascii.name());
  links = TwoWayLinks{};
  links.slot_count = slots == 1 ? 0 : slots;  // one slot is the volume itself
  const int first_slot_column = counts_column ? kAsciiSlotColumnCounts : kAsciiSlotColumn;
  std::string_view line;
  while (ascii.next(line)) {
    if (links.entries.size() == static_cast<std::size_t>(kMaxTwoWayRecords)) {
      throw FileError(ascii.name(), FilePlace::at_line(ascii.line_number()), "",
                      "the two-way conversion holds at most " + std::to_string(kMaxTwoWayRecords) + " links");
    }
    links.pairs.push_back({ascii_value(line, kAsciiAnode, ascii), ascii_value(line, kAsciiBnode, ascii)});
    links.entries.push_back({ascii_value(line, kAsciiVolume, ascii), ascii_value(line, kAsciiCapacity, ascii),
                             ascii_value(line, kAsciiLanes, ascii)});
    for (int s = 0; s < links.slot_count; ++s) {
      const int first = first_slot_column + kAsciiValueWidth * s;
      links.slot_volumes.push_back(ascii_value(line, first, first + kAsciiValueWidth - 1, "slot volume", ascii));
    }
  }
  links.partners.resize(links.pairs.size());
  pair_opposite_directions(links.pairs, links.partners);
}

AsciiCopiedColumns copied_columns(std::string_view record) {
  return AsciiCopiedColumns(columns(record, kAsciiCopyFirst, kAsciiCopyLast));
}

}  // namespace korvo
