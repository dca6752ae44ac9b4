#include "input/binary_network.h"

#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

// The bytes of the length marker in front of every record.
constexpr std::uint64_t kMarkerBytes = 4;

[[noreturn]] void fail_record(const BinaryNetwork& binary, const std::string& field, const std::string& problem) {
  throw FileError(binary.stream.name(),
                  FilePlace::record_at_offset(binary.records.record_number(), binary.records.record_offset()), field,
                  problem);
}

// The header record is missing: the file is empty.
[[noreturn]] void fail_no_header(const BinaryNetwork& binary) {
  throw FileError(binary.stream.name(), FilePlace::at_record(1), "header record", "the header record",
                  FileError::Found::words("the end of the file"));
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
    FilePlace place = FilePlace::at_record(1);
    place.byte_offset = offset;
    throw FileError(binary.stream.name(), place, limit.field, "0 to " + std::to_string(limit.limit),
                    FileError::Found::words(std::to_string(value)));
  }
}

// Reads the next data record (N, then N words) and points binary.words at
// its words; false at the end of the file. Only the low 16 bits of N count.
// A record may hold more bytes than its N words; they are not read.
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
  binary.words = record.data() + 4;
  binary.word_count = count;
  return true;
}

// Moves to the first entry of the next LINK record with entries; NODE and
// TURN records are passed over. False when the links end: at the end of the
// file, at a record with another tag, or at a record too short to hold a tag.
bool next_link_record(BinaryNetwork& binary) {
  while (read_data_record(binary)) {
    if (binary.word_count == 0) return false;
    const std::int32_t tag = load_i32le(binary.words);
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

void start_link_stream(BinaryNetwork& binary, LinkRecord& link) {
  binary.first_call = false;
  check_header_shape(binary);
  binary.records.rewind();
  std::string_view header;
  if (binary.records.next(header, ByteStream::kBufferSize) == FortranRecordReader::Status::kEndOfFile) {
    fail_no_header(binary);
  }
  binary.exhausted = false;
  binary.word_count = 0;
  binary.position = 0;
  binary.periods = binary.header.word(header_word::kPeriods);
  binary.slots = binary.header.word(header_word::kSlots);
  binary.link_stride = (binary.slots + 1) * binary.periods + kLinkEntryFixedWords;
  binary.sixteen_bit_nodes = (binary.header.word(header_word::kNodeLayout) & 1) != 0;
  binary.cumulative = binary.periods >= 2 && binary.periods <= 10 &&
                      (binary.header.word(header_word::kWeighting) & 1) == 0 &&
                      binary.header.word(header_word::kCumulativeLimit) < 100;
  set_binary_slot_counts(binary.header, link);
}

// Decodes the entry that starts at word binary.position. Bit 0 is the least
// significant bit of a word.
void decode_entry(const BinaryNetwork& binary, LinkRecord& link) {
  const char* entry = binary.words + 4 * static_cast<std::size_t>(binary.position - 1);
  auto word = [entry](int k) { return load_u32le(entry + 4 * static_cast<std::size_t>(k - 1)); };

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

  // Period p's block: its congested time, then its slot volumes.
  auto read_period = [&](int p, const char* block) {
    link.period_times[static_cast<std::size_t>(p)] = static_cast<std::int16_t>(load_u32le(block) & 0xFFFFu);
    for (int s = 1; s <= binary.slots; ++s) link.volume(p, s) = load_i32le(block + 4 * static_cast<std::size_t>(s));
  };
  const char* block = entry + 4 * kLinkEntryFixedWords;
  if (binary.periods == 1) {
    // The usual network: without the loop over periods, and nothing
    // cumulative (that takes two periods at least).
    read_period(1, block);
    return;
  }
  for (int p = 1; p <= binary.periods; ++p) {
    read_period(p, block);
    block += 4 * static_cast<std::size_t>(binary.slots + 1);
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

}  // namespace

void read_binary_header(BinaryNetwork& binary) {
  std::string_view record;
  if (binary.records.next(record, ByteStream::kBufferSize) == FortranRecordReader::Status::kEndOfFile) {
    fail_no_header(binary);
  }
  if (record.size() < kBinaryHeaderBytes) {
    throw FileError(binary.stream.name(), FilePlace::at_record(1), "header record",
                    "at least " + std::to_string(kBinaryHeaderBytes) + " bytes",
                    FileError::Found::words(std::to_string(record.size())));
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

LinkStatus read_binary_link(BinaryNetwork& binary, LinkRecord& link) {
  if (binary.first_call) start_link_stream(binary, link);
  if (binary.exhausted) return LinkStatus::kEndOfLinks;
  binary.position += binary.link_stride;
  if (binary.position + binary.link_stride - 1 > binary.word_count && !next_link_record(binary)) {
    binary.exhausted = true;
    binary.records.rewind();
    return LinkStatus::kEndOfLinks;
  }
  decode_entry(binary, link);
  return LinkStatus::kLink;
}

}  // namespace korvo
