#pragma once
// The binary loaded-network file "HRLDXY.xxx": a header record, then LINK,
// NODE and TURN records in Fortran sequential unformatted framing.

#include <array>
#include <cstdint>
#include <string_view>

#include "common/byte_stream.h"
#include "common/fixed_text.h"
#include "common/fortran_records.h"
#include "input/link_record.h"

namespace korvo {

inline constexpr std::size_t kBinaryHeaderTextSize = 880;
inline constexpr int kBinaryHeaderWords = 120;
inline constexpr std::size_t kBinaryHeaderBytes = kBinaryHeaderTextSize + 2 * kBinaryHeaderWords;
inline constexpr int kMaxBinaryRecordWords = 490;  // the words after N in one data record
inline constexpr int kLinkEntryFixedWords = 5;     // node, capacity, count, type and area words

// Header words this reader uses (numbered from 1).
namespace header_word {
inline constexpr int kHighestNodeLow = 3;  // with word 4 the highest node number
inline constexpr int kHighestNodeHigh = 4;
inline constexpr int kCumulativeLimit = 23;  // cumulative volumes only while below 100
inline constexpr int kPeriods = 33;          // P
inline constexpr int kSlots = 34;            // S
inline constexpr int kWeighting = 54;        // odd: volume weighting on
inline constexpr int kNodeLayout = 59;       // odd: 16-bit nodes; even: 14-bit nodes and a direction
}  // namespace header_word

// A record tag as the file holds it: the word whose bytes, from the most
// significant down, spell the tag, so "LINK" is stored as the bytes "KNIL".
constexpr std::int32_t binary_record_tag(std::string_view four) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(four[0])) << 24) |
                                   (static_cast<std::uint32_t>(static_cast<unsigned char>(four[1])) << 16) |
                                   (static_cast<std::uint32_t>(static_cast<unsigned char>(four[2])) << 8) |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(four[3])));
}
inline constexpr std::int32_t kLinkTag = binary_record_tag("LINK");
inline constexpr std::int32_t kNodeTag = binary_record_tag("NODE");
inline constexpr std::int32_t kTurnTag = binary_record_tag("TURN");

struct BinaryHeader {
  FixedText<kBinaryHeaderTextSize> text;
  std::array<std::int16_t, kBinaryHeaderWords + 1> words{};  // header words 1..120

  std::int16_t word(int n) const { return words[static_cast<std::size_t>(n)]; }
  // Characters first..last of the text block (1-based).
  std::string_view chars(int first, int last) const {
    return text.view().substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
  }
  // Header words 3 (low half) and 4 (high half) as one 32-bit value: the
  // network's highest node number.
  std::int32_t highest_node() const {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(word(header_word::kHighestNodeLow))) |
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(word(header_word::kHighestNodeHigh))) << 16));
  }
};

struct BinaryNetwork {
  ByteStream stream;
  FortranRecordReader records;
  BinaryHeader header;
  // Link reader state.
  bool first_call = true;
  bool exhausted = false;       // end of the links seen
  std::int32_t word_count = 0;  // N of the current record
  // Words 1..N of the current record, 4 bytes each, little-endian, where the
  // stream holds them (valid until the stream is read again).
  const char* words = nullptr;
  std::int32_t position = 0;  // first word of the current entry
  std::int32_t link_stride = 0;
  std::int32_t periods = 0;  // P, header word 33
  std::int32_t slots = 0;    // S, header word 34
  bool sixteen_bit_nodes = true;
  bool cumulative = false;  // volumes are turned from cumulative into per-period
};

// Reads the header record of an opened network into binary.header; throws
// FileError when the first record is missing or shorter than the header, or
// when its periods or slots per link entry exceed the link record's slots.
void read_binary_header(BinaryNetwork& binary);

// The binary path takes the link record's slot counts from the header: the
// congested time is in period slot P (header word 33) and there are S volume
// slots (header word 34). The evaluation's volume weights need them before
// the first link is read.
void set_binary_slot_counts(const BinaryHeader& header, LinkRecord& link);

// Delivers the next link of the binary network into link, or returns
// kEndOfLinks and leaves link as it was. The first call rewinds the file and
// reads past the header. After the end every further call returns
// kEndOfLinks again.
// A LINK record that ends in part of an entry (its words after the tag are
// not a whole number of entries) stops the run with a FileError: the
// stride of the header does not describe the file, so none of its links can
// be trusted.
LinkStatus read_binary_link(BinaryNetwork& binary, LinkRecord& link);

}  // namespace korvo
