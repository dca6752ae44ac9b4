#pragma once
// The evaluation driver: prepares the link source, rates and auxiliary
// source, prints the run description pages, streams every link through the
// per-link evaluation and hands the accumulators to the report writer.
//
// evaluate_network runs the four stages in order; tests call them one by one
// and inspect the accumulators before the reports complete them:
//   prepare_evaluation -> run_link_loop -> finish_evaluation -> reports.

#include <array>
#include <cstdint>

#include "input/link_record.h"

namespace korvo {

struct RunContext;

inline constexpr int kValidationRun = 1;
inline constexpr int kAnalysisRun = 2;

// The driver's state for the one call.
struct EvaluationState {
  int run_type = kValidationRun;
  // Binary path: header word 54 odd turns weighting on; without weighting and
  // with header word 24 below 100, link volumes are plain whole-number sums.
  bool weighting = false;
  bool plain_sum = false;
  // Weight of each period 1..kMaxPeriods (index 0 unused).
  std::array<float, kMaxPeriods + 1> volume_weights{};
  // Volume of each slot of the current link, and the same rounded.
  std::array<float, kMaxVolumeSlots + 1> slot_volume{};
  std::array<std::int32_t, kMaxVolumeSlots + 1> slot_volume_rounded{};
  std::int32_t nskipped = 0;  // NSKIPPED: links of unclassified types
  // Set by the first link with a construction code of 11 or more; the
  // construction cost is cleared after the loop.
  bool cost_table_zeroed = false;
};

// Evaluates the whole network and writes the reports.
void evaluate_network(RunContext& ctx);

// Preparation: zeroes the accumulators, sets up the link source, reads the
// rates, sets up the auxiliary source, forms the volume weights, chooses the
// run type and prints the description and rate pages. Returns false when
// the dBASE link file lacks a keyword field: nothing is evaluated then.
bool prepare_evaluation(RunContext& ctx);

// Reads and evaluates every link of the source.
void run_link_loop(RunContext& ctx);

// The closing steps after the last link: switches the ASCII output to the
// screenline file, reports skipped links, totals the level-of-service miles
// and clears the construction cost when the code table was inconsistent.
void finish_evaluation(RunContext& ctx);

// Pieces of the preparation, for tests.
void reset_accumulators(RunContext& ctx);
void set_volume_weights(RunContext& ctx);

// The volume of the link in ctx.link; also fills the slot volumes.
float link_volume(RunContext& ctx);

// Everything the loop does with the link just read into ctx.link: the
// generalised-cost swap, the auxiliary merge (binary path), its ASCII
// record, the selections, the skipped-link list, the no-volume list and the
// evaluation.
void process_link(RunContext& ctx);

}  // namespace korvo
