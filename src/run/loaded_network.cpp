#include "run/loaded_network.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/fixed_read.h"
#include "run/run_context.h"

namespace korvo {
namespace {

// The bytes of the length marker in front of every record.
constexpr std::uint64_t kMarkerBytes = 4;

std::string record_place(const FortranRecordReader& records) {
  return "record " + std::to_string(records.record_number()) + " at byte offset " +
         std::to_string(records.record_offset());
}

[[noreturn]] void fail_record(const BinaryNetwork& binary, const std::string& field, const std::string& problem) {
  throw InputError(input_error_line(binary.stream.name(), record_place(binary.records), field, problem));
}

// P (header word 33) and S (header word 34) size the period blocks of every
// link entry; the link record holds 50 periods of 50 slots. A negative value
// would give a stride that never moves past the first entry. The error names
// the byte offset of the word itself.
void check_header_shape(const BinaryNetwork& binary) {
  struct Limit {
    int word;
    const char* field;
    int limit;
  };
  static constexpr Limit kLimits[] = {
      {header_word::kPeriods, "header word 33, periods per link entry", kMaxPeriods},
      {header_word::kSlots, "header word 34, volume slots per period", kMaxVolumeSlots}};
  for (const Limit& limit : kLimits) {
    const int value = binary.header.word(limit.word);
    if (value >= 0 && value <= limit.limit) continue;
    const std::uint64_t offset = kMarkerBytes + kBinaryHeaderTextSize + 2 * static_cast<std::uint64_t>(limit.word - 1);
    throw InputError(
        input_error_line(binary.stream.name(), "record 1, byte offset " + std::to_string(offset), limit.field,
                         "expected 0 to " + std::to_string(limit.limit) + ", found " + std::to_string(value)));
  }
}

// Reads the next data record (N, then N words) into binary.words; false at
// the end of the file. Only the low 16 bits of N count. A record may hold
// more bytes than its N words; they are not read.
bool read_data_record(BinaryNetwork& binary) {
  std::string_view record;
  if (binary.records.next(record, ByteStream::kBufferSize) == FortranRecordReader::Status::kEndOfFile) return false;
  if (record.size() < 4) {
    fail_record(binary, "word count N",
                "expected a record of at least 4 bytes, found " + std::to_string(record.size()));
  }
  const std::int32_t count = static_cast<std::int32_t>(load_u32le(record.data()) & 0xFFFFu);
  if (count > kMaxBinaryRecordWords) {
    fail_record(binary, "word count N",
                "N = " + std::to_string(count) + " exceeds the limit of " + std::to_string(kMaxBinaryRecordWords) +
                    " words per record");
  }
  const std::size_t needed = 4 + 4 * static_cast<std::size_t>(count);
  if (record.size() < needed) {
    fail_record(binary, "word count N",
                "N = " + std::to_string(count) + " needs " + std::to_string(needed) + " bytes, the record holds " +
                    std::to_string(record.size()));
  }
  for (std::int32_t i = 1; i <= count; ++i) {
    binary.words[static_cast<std::size_t>(i)] = load_i32le(record.data() + 4 * static_cast<std::size_t>(i));
  }
  binary.word_count = count;
  return true;
}

// Moves to the first entry of the next LINK record with entries; NODE and
// TURN records are passed over. False when the links end: at the end of the
// file, at a record with another tag, or at a record too short to hold a tag.
bool next_link_record(BinaryNetwork& binary) {
  while (read_data_record(binary)) {
    if (binary.word_count == 0) return false;
    const std::int32_t tag = binary.words[1];
    if (tag == kNodeTag || tag == kTurnTag) continue;
    if (tag != kLinkTag) return false;
    const std::int32_t entry_words = binary.word_count - 1;
    if (entry_words % binary.link_stride != 0) {
      fail_record(binary, "LINK record",
                  std::to_string(entry_words) + " words after the tag do not make whole link entries of " +
                      std::to_string(binary.link_stride) + " words (header words 33 and 34: P = " +
                      std::to_string(binary.periods) + ", S = " + std::to_string(binary.slots) + ")");
    }
    if (entry_words == 0) continue;
    binary.position = 2;
    return true;
  }
  return false;
}

void start_link_stream(RunContext& ctx) {
  BinaryNetwork& binary = ctx.binary;
  binary.first_call = false;
  check_header_shape(binary);
  binary.records.rewind();
  std::string_view header;
  if (binary.records.next(header, ByteStream::kBufferSize) == FortranRecordReader::Status::kEndOfFile) {
    throw InputError(input_error_line(binary.stream.name(), "record 1", "header record",
                                      "expected the header record, found the end of the file"));
  }
  binary.exhausted = false;
  ctx.link.end_of_links = false;
  binary.word_count = 0;
  binary.position = 0;
  binary.periods = binary.header.word(header_word::kPeriods);
  binary.slots = binary.header.word(header_word::kSlots);
  binary.link_stride = (binary.slots + 1) * binary.periods + kLinkEntryFixedWords;
  binary.sixteen_bit_nodes = (binary.header.word(header_word::kNodeLayout) & 1) != 0;
  binary.cumulative = binary.periods >= 2 && binary.periods <= 10 &&
                      (binary.header.word(header_word::kWeighting) & 1) == 0 &&
                      binary.header.word(header_word::kCumulativeLimit) < 100;
  set_binary_slot_counts(binary.header, ctx.link);
}

// Decodes the entry that starts at word binary.position. Bit 0 is the least
// significant bit of a word.
void decode_entry(const BinaryNetwork& binary, LinkRecord& link) {
  const std::int32_t* entry = &binary.words[static_cast<std::size_t>(binary.position)];
  auto word = [entry](int k) { return static_cast<std::uint32_t>(entry[k - 1]); };

  const std::uint32_t nodes = word(1);
  if (binary.sixteen_bit_nodes) {
    link.anode = static_cast<std::int32_t>(nodes & 0xFFFFu);
    link.bnode = static_cast<std::int32_t>(nodes >> 16);
    link.direction = 1;
  } else {
    link.anode = static_cast<std::int32_t>(nodes & 0x3FFFu);
    link.bnode = static_cast<std::int32_t>((nodes >> 14) & 0x3FFFu);
    link.direction = static_cast<std::int16_t>((nodes >> 28) + 1);
  }
  link.capacity = static_cast<std::int32_t>(word(2) >> 12);
  link.time = static_cast<std::int16_t>(word(2) & 0xFFFu);
  link.two_way = (word(3) >> 31) != 0;
  link.count = static_cast<std::int32_t>((word(3) >> 12) & 0x7FFFFu);
  link.time2 = static_cast<std::int16_t>(word(3) & 0xFFFu);
  link.facility_type = static_cast<std::int16_t>(word(4) >> 24);
  link.screenline = static_cast<std::int16_t>((word(4) >> 16) & 0xFFu);
  link.lanes = static_cast<std::int16_t>((word(4) >> 12) & 0xFu);
  link.distance = static_cast<std::int16_t>(word(4) & 0xFFFu);
  link.area_type = static_cast<std::int16_t>(word(5) >> 24);
  link.link_group = static_cast<std::int16_t>((word(5) >> 12) & 0xFFFu);
  link.cost = static_cast<std::int16_t>(word(5) & 0xFFFu);
  if (binary.slots == 0) return;

  const std::int32_t* block = entry + kLinkEntryFixedWords;
  for (int p = 1; p <= binary.periods; ++p) {
    link.period_times[static_cast<std::size_t>(p)] =
        static_cast<std::int16_t>(static_cast<std::uint32_t>(block[0]) & 0xFFFFu);
    for (int s = 1; s <= binary.slots; ++s) link.volume(p, s) = block[s];
    block += binary.slots + 1;
  }
  if (!binary.cumulative) return;
  // Cumulative volumes 100, 250, 300 become 100, 150, 50. Differences wrap
  // around as the 32-bit words of the file would.
  for (int p = binary.periods; p >= 2; --p) {
    for (int s = 1; s <= binary.slots; ++s) {
      link.volume(p, s) = static_cast<std::int32_t>(static_cast<std::uint32_t>(link.volume(p, s)) -
                                                    static_cast<std::uint32_t>(link.volume(p - 1, s)));
    }
  }
}

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
constexpr int kAsciiCopyFirst = 13;  // columns 13-39 are copied unchanged
constexpr int kAsciiCopyLast = 39;
constexpr int kAsciiSlotColumn = 54;        // first slot volume
constexpr int kAsciiSlotColumnCounts = 61;  // behind the count
constexpr int kAsciiValueWidth = 7;

std::int32_t ascii_value(std::string_view line, int first, int last, std::string_view field, const TextReader& ascii) {
  const std::string_view text = columns(line, first, last);
  std::int64_t value = 0;
  // Fields are at most 7 columns wide, so every number fits 32 bits.
  if (parse_integer_field(text, value) != ParseStatus::kOk) {
    const FieldPlace place{ascii.name(), "line " + std::to_string(ascii.line_number()), first, last, field};
    throw InputError(conversion_error_line(text, place, "an integer"));
  }
  return static_cast<std::int32_t>(value);
}
std::int32_t ascii_value(std::string_view line, const AsciiField& f, const TextReader& ascii) {
  return ascii_value(line, f.first, f.last, f.name, ascii);
}

struct TwoWayEntry {
  std::int32_t volume = 0;
  std::int32_t capacity = 0;
  std::int32_t lanes = 0;
};

void check_two_way_slots(int slots, const std::string& file) {
  if (slots >= 0 && slots <= kMaxTwoWaySlots) return;
  throw InputError(input_error_line(file, "", "volume slots",
                                    "the two-way conversion holds at most " + std::to_string(kMaxTwoWaySlots) +
                                        " slot volumes per link, the network has " + std::to_string(slots)));
}

}  // namespace

void read_binary_header(BinaryNetwork& binary) {
  std::string_view record;
  if (binary.records.next(record, ByteStream::kBufferSize) == FortranRecordReader::Status::kEndOfFile) {
    throw InputError(input_error_line(binary.stream.name(), "record 1", "header record",
                                      "expected the header record, found the end of the file"));
  }
  if (record.size() < kBinaryHeaderBytes) {
    throw InputError(input_error_line(
        binary.stream.name(), "record 1", "header record",
        "expected at least " + std::to_string(kBinaryHeaderBytes) + " bytes, found " + std::to_string(record.size())));
  }
  binary.header.text.assign(record.substr(0, kBinaryHeaderTextSize));
  for (int n = 1; n <= kBinaryHeaderWords; ++n) {
    binary.header.words[static_cast<std::size_t>(n)] =
        load_i16le(record.data() + kBinaryHeaderTextSize + 2 * static_cast<std::size_t>(n - 1));
  }
  check_header_shape(binary);
  binary.first_call = true;
}

void set_binary_slot_counts(const BinaryHeader& header, LinkRecord& link) {
  link.time_slot_count = header.word(header_word::kPeriods);
  link.volume_slot_count = header.word(header_word::kSlots);
}

void read_binary_link(RunContext& ctx) {
  BinaryNetwork& binary = ctx.binary;
  if (binary.first_call) start_link_stream(ctx);
  if (binary.exhausted) {
    ctx.link.end_of_links = true;
    return;
  }
  binary.position += binary.link_stride;
  if (binary.position + binary.link_stride - 1 > binary.word_count && !next_link_record(binary)) {
    binary.exhausted = true;
    ctx.link.end_of_links = true;
    binary.records.rewind();
    return;
  }
  decode_entry(binary, ctx.link);
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

void convert_to_two_way(TextReader& ascii, RecordSink& out, int slots, bool counts_column) {
  check_two_way_slots(slots, ascii.name());
  const int slot_count = slots == 1 ? 0 : slots;  // one slot is the volume itself
  const int first_slot_column = counts_column ? kAsciiSlotColumnCounts : kAsciiSlotColumn;

  // First pass: the conversion table.
  std::vector<NodePair> pairs;
  std::vector<TwoWayEntry> entries;
  std::vector<std::int32_t> slot_volumes;
  std::string_view line;
  while (ascii.next(line)) {
    if (entries.size() == static_cast<std::size_t>(kMaxTwoWayRecords)) {
      throw InputError(
          input_error_line(ascii.name(), "line " + std::to_string(ascii.line_number()), "",
                           "the two-way conversion holds at most " + std::to_string(kMaxTwoWayRecords) + " links"));
    }
    pairs.push_back({ascii_value(line, kAsciiAnode, ascii), ascii_value(line, kAsciiBnode, ascii)});
    entries.push_back({ascii_value(line, kAsciiVolume, ascii), ascii_value(line, kAsciiCapacity, ascii),
                       ascii_value(line, kAsciiLanes, ascii)});
    for (int s = 0; s < slot_count; ++s) {
      const int first = first_slot_column + kAsciiValueWidth * s;
      slot_volumes.push_back(ascii_value(line, first, first + kAsciiValueWidth - 1, "slot volume", ascii));
    }
  }

  std::vector<std::int32_t> partners(pairs.size());
  pair_opposite_directions(pairs, partners);

  // Second pass: columns 13-39 of each record travel unchanged.
  static const Layout kTwoWayRecord = Layout::parse("(2I6,A,6I7,2I3,10I7)");
  std::vector<FieldValue> values;
  values.reserve(11 + kMaxTwoWaySlots);
  ascii.rewind();
  for (std::size_t i = 0; i < entries.size() && ascii.next(line); ++i) {
    const std::int32_t j = partners[i];
    const TwoWayEntry& own = entries[i];
    if (j >= 0 && pairs[i].bnode < pairs[i].anode) continue;  // written from the other direction
    const TwoWayEntry none{};
    const TwoWayEntry& other = j >= 0 ? entries[static_cast<std::size_t>(j)] : none;
    const FixedText<kAsciiCopyLast - kAsciiCopyFirst + 1> copied(columns(line, kAsciiCopyFirst, kAsciiCopyLast));
    values.clear();
    values.insert(values.end(), {pairs[i].anode, pairs[i].bnode, FieldValue(copied), own.volume, own.capacity,
                                 other.volume, other.capacity, own.volume + other.volume, own.capacity + other.capacity,
                                 other.lanes, own.lanes + other.lanes});
    for (int s = 0; s < slot_count; ++s) {
      std::int32_t sum = slot_volumes[i * static_cast<std::size_t>(slot_count) + static_cast<std::size_t>(s)];
      if (j >= 0)
        sum += slot_volumes[static_cast<std::size_t>(j) * static_cast<std::size_t>(slot_count) +
                            static_cast<std::size_t>(s)];
      values.emplace_back(sum);
    }
    write_record(out, kTwoWayRecord, values);
  }
}

void make_two_way_file(RunContext& ctx) {
  // A run whose evaluation ended early still writes "HRLDXY.ASC"; what it
  // holds so far is converted.
  if (ctx.ascii_out.is_open() && ctx.ascii_out.name() == kAsciiNetworkFile) ctx.ascii_out.flush();
  TextReader ascii = TextReader::open_file(ctx.work.path(kAsciiNetworkFile), kAsciiNetworkFile);
  check_two_way_slots(ctx.link.volume_slot_count, kAsciiNetworkFile);
  if (ctx.work.exists(kTwoWayFile)) ctx.work.remove(kTwoWayFile);
  TextWriter two_way;
  two_way.create(ctx.work.path(kTwoWayFile), kTwoWayFile);
  convert_to_two_way(ascii, two_way, ctx.link.volume_slot_count, ctx.settings.use_counts);
  ascii.close();
  two_way.close();
  if (!ctx.settings.dbf_input_given) ctx.binary.stream.close();
}

}  // namespace korvo
