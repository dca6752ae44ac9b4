#pragma once
// The program driver: the whole of a run's start-up and shut-down.

#include "run/run_context.h"

namespace korvo {

// Runs the program in ctx's working directory and returns the process exit
// status: 0 after a completion line (normal or abnormal), 2 after an input or
// output error of the file layer (no completion line), 3 after an internal
// error.
int run_program(RunContext& ctx);

// The accumulator cells a run needs: 430 x NFT x NAT.
std::int64_t accumulator_cells(std::int32_t nft, std::int32_t nat);

}  // namespace korvo
