#pragma once
// Construction and location codes for the links of the binary network, from
// the auxiliary network file "VOLNAUX.XXX" or the auxiliary link table.

#include <cstdint>

#include "common/byte_stream.h"
#include "common/fixed_text.h"
#include "common/fortran_records.h"

namespace korvo {

struct RunContext;

struct AuxMergeState {
  FixedText<32> aux_file_name{"VOLNAUX.XXX"};
  bool aux_file_open = false;
  ByteStream aux_stream;
  FortranRecordReader aux_records;
  // Cursor into the auxiliary link table.
  std::int32_t cursor = 0;
};

// Evaluation preparation: with an auxiliary dBASE file, load the auxiliary
// link table; otherwise form the auxiliary network file's name.
void prepare_aux_source(RunContext& ctx);

// On the binary path without an auxiliary dBASE file: open the auxiliary
// network file, or write the "NO AUXILIARY FILE AVAILABLE" line.
void open_aux_construction_file(RunContext& ctx);

// Places the auxiliary table cursor on its first entry.
void start_aux_merge(RunContext& ctx);

// Binary path, once per link: sets construct, location and possibly
// screenline of ctx.link; stops the run on a mismatch.
void merge_aux_attributes(RunContext& ctx);

}  // namespace korvo
