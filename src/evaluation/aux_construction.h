#pragma once
// Construction and location codes for the links of the binary network, from
// the auxiliary network file "VOLNAUX.XXX" or the auxiliary link table.

#include <cstdint>

#include "common/byte_stream.h"
#include "common/fixed_text.h"
#include "common/fortran_records.h"
#include "input/aux_link_file.h"

namespace korvo {

struct RunContext;

// An auxiliary network file record: from-node, to-node and an unused value
// (16 bits each), then the packed codes (32 bits).
inline constexpr std::size_t kAuxRecordBytes = 10;
// The cursor's pair once it has passed the last table entry; no link
// reaches it.
inline constexpr std::int32_t kAuxEndNode = 9'999'999;
// From this highest node number on (header words 3 and 4) the auxiliary
// network file's 16-bit node numbers are unsigned.
inline constexpr std::int32_t kUnsignedNodeThreshold = 32'768;

struct AuxMergeState {
  FixedText<32> aux_file_name{"VOLNAUX.XXX"};
  bool aux_file_open = false;
  ByteStream aux_stream;
  FortranRecordReader aux_records;
  bool unsigned_nodes = false;    // node numbers read as 0..65535
  bool screenline_named = false;  // DBFSL names a field: matched links take its screenline
  // Cursor into the auxiliary link table (1..count, then past the end) and
  // the entry it stands on.
  std::int32_t cursor = 0;
  AuxLinkEntry current{};
};

// The construction and location codes of a packed word: bits 24-31 and
// bits 8-15; the other bits mean nothing here.
inline std::int16_t packed_construction_code(std::uint32_t packed) { return static_cast<std::int16_t>(packed >> 24); }
inline std::int32_t packed_location_code(std::uint32_t packed) {
  return static_cast<std::int32_t>((packed >> 8) & 0xFFu);
}

// Evaluation preparation: with an auxiliary dBASE file, load the auxiliary
// link table; otherwise form the auxiliary network file's name from
// "VOLNAUX.XXX" and the scenario's output-file code.
void prepare_aux_source(RunContext& ctx);

// On the binary path without an auxiliary dBASE file: open the auxiliary
// network file, or write the "NO AUXILIARY FILE AVAILABLE" line (a form feed
// in column 1, then the line). Does nothing on the other paths.
void open_aux_construction_file(RunContext& ctx);

// Places the auxiliary table cursor on its first entry.
void start_aux_merge(RunContext& ctx);

// Binary path, once per link: sets construct, location and possibly
// screenline of ctx.link; stops the run on a mismatch with the auxiliary
// network file (RunStop) and when that file ends before the links
// (InputError).
void merge_aux_attributes(RunContext& ctx);

}  // namespace korvo
