#include "reports/two_way_file.h"

#include <iterator>
#include <string>
#include <vector>

#include "reports/data_fields.h"
#include "reports/side_files.h"

namespace korvo {

namespace {

// Every whole number of a record fits its field: I6 for the nodes, I3 for
// the lanes, I7 for the rest (value 3 is the copied text).
void check_two_way_values(const NodePair& pair, const std::vector<FieldValue>& values) {
  static constexpr const char* kNames[] = {"ANODE",          "BNODE",        "",
                                           "VOLUME",         "CAPACITY",     "OTHER VOLUME",
                                           "OTHER CAPACITY", "TOTAL VOLUME", "TOTAL CAPACITY",
                                           "OTHER LANES",    "TOTAL LANES"};
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i == 2) continue;
    const int columns = i < 2 ? 6 : i < 9 ? 7 : i < 11 ? 3 : 7;
    if (fits_columns(values[i].integer(), columns)) continue;
    const std::string name = i < std::size(kNames) ? std::string(kNames[i])
                                                   : "SLOT " + std::to_string(i - std::size(kNames) + 1) + " VOLUME";
    data_field_overflow(kTwoWayFile, link_record_name(pair.anode, pair.bnode), name, columns,
                        std::to_string(values[i].integer()), "turn \"TWOWAY\" off in PROFILE.MAS");
  }
}

}  // namespace

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
    values.insert(values.end(),
                  {pair.anode, pair.bnode, FieldValue(copied), own.volume, own.capacity, other.volume, other.capacity,
                   own.volume + other.volume, own.capacity + other.capacity, other.lanes, own.lanes + other.lanes});
    for (int s = 0; s < links.slot_count; ++s) {
      std::int32_t sum = links.slot_volume(i, s);
      if (j >= 0) sum += links.slot_volume(static_cast<std::size_t>(j), s);
      values.emplace_back(sum);
    }
    check_two_way_values(pair, values);
    write_record(out, kTwoWayRecord, values);
  }
}

}  // namespace korvo
