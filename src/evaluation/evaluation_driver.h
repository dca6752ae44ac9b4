#pragma once
// The evaluation driver: prepares the link source, rates and auxiliary
// source, prints the run description pages, streams every link through the
// per-link evaluation and hands the accumulators to the report writer.

namespace korvo {

struct RunContext;

void evaluate_network(RunContext& ctx);

}  // namespace korvo
