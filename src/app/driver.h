#pragma once
// The program driver: the whole of a run's start-up and shut-down.

#include "app/run_context.h"

namespace korvo {

// Runs the program in ctx's working directory and returns the process exit
// status: 0 after a completion line (normal or abnormal), 2 after an input or
// output error of the file layer (no completion line), 3 after an internal
// error.
int run_program(RunContext& ctx);

// The accumulator cells a run needs: 430 x NFT x NAT.
std::int64_t accumulator_cells(std::int32_t nft, std::int32_t nat);

// Writes the memory requirement line and stops the run with its two console
// lines when the accumulator table does not fit the work area; otherwise
// lays EVALSUMS out in it.
void check_memory(RunContext& ctx);

// The scenario code of a dBASE link file name: the three characters before
// its first "." in positions 1-77 (LOADED05A.DBF gives 05A); "YYA" when there
// is none or fewer than three characters stand before it.
FixedText<3> scenario_code_from_dbf_name(const FixedText<80>& name);

}  // namespace korvo
