#pragma once
// The binary loaded-network file: a header record, then LINK, NODE and TURN
// records in Fortran sequential unformatted framing.

#include <array>
#include <cstdint>

#include "common/byte_stream.h"
#include "common/fixed_text.h"
#include "common/fortran_records.h"

namespace korvo {

struct RunContext;

inline constexpr std::size_t kBinaryHeaderTextSize = 880;
inline constexpr int kBinaryHeaderWords = 120;
inline constexpr std::size_t kBinaryHeaderBytes = kBinaryHeaderTextSize + 2 * kBinaryHeaderWords;
inline constexpr int kMaxBinaryRecordWords = 490;  // N plus the words of one data record

struct BinaryHeader {
  FixedText<kBinaryHeaderTextSize> text;
  std::array<std::int16_t, kBinaryHeaderWords + 1> words{};  // header words 1..120

  std::int16_t word(int n) const { return words[static_cast<std::size_t>(n)]; }
  // Characters first..last of the text block (1-based).
  std::string_view chars(int first, int last) const {
    return text.view().substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
  }
};

struct BinaryNetwork {
  ByteStream stream;
  FortranRecordReader records;
  BinaryHeader header;
  // Link reader state.
  bool first_call = true;
  std::int32_t word_count = 0;                                 // N of the current record
  std::array<std::int32_t, kMaxBinaryRecordWords + 1> words{}; // words 1..N
  std::int32_t position = 0;
  std::int32_t link_stride = 0;
};

// Reads the header record of an opened network into binary.header; throws
// InputError when the first record is missing or shorter than the header.
void read_binary_header(BinaryNetwork& binary);

// Delivers the next link of the binary network into ctx.link, or sets
// ctx.link.end_of_links.
void read_binary_link(RunContext& ctx);

// Makes "HRLDXY2.ASC" from "HRLDXY.ASC" at the end of the run.
void make_two_way_file(RunContext& ctx);

}  // namespace korvo
