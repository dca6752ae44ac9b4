#include "reports/two_way_file.h"

#include <vector>

namespace korvo {

void convert_to_two_way(TextReader& ascii, RecordSink& out, int slots, bool counts_column) {
  TwoWayLinks links;
  read_two_way_links(ascii, slots, counts_column, links);

  static constexpr auto kTwoWayRecord = "(2I6,A,6I7,2I3,10I7)"_layout;
  std::vector<FieldValue> values;
  values.reserve(11 + kMaxTwoWaySlots);
  ascii.rewind();
  std::string_view line;
  for (std::size_t i = 0; i < links.entries.size() && ascii.next(line); ++i) {
    const std::int32_t j = links.partners[i];
    const NodePair& pair = links.pairs[i];
    const TwoWayEntry& own = links.entries[i];
    if (j >= 0 && pair.bnode < pair.anode) continue;  // written from the other direction
    const TwoWayEntry none{};
    const TwoWayEntry& other = j >= 0 ? links.entries[static_cast<std::size_t>(j)] : none;
    const AsciiCopiedColumns copied = copied_columns(line);
    values.clear();
    values.insert(values.end(), {pair.anode, pair.bnode, FieldValue(copied), own.volume, own.capacity, other.volume,
                                 other.capacity, own.volume + other.volume, own.capacity + other.capacity,
                                 other.lanes, own.lanes + other.lanes});
    for (int s = 0; s < links.slot_count; ++s) {
      std::int32_t sum = links.slot_volume(i, s);
      if (j >= 0) sum += links.slot_volume(static_cast<std::size_t>(j), s);
      values.emplace_back(sum);
    }
    write_record(out, kTwoWayRecord, values);
  }
}

}  // namespace korvo
