#pragma once
// The report entry: completes the accumulators and writes the reports of the
// run's mode, the screenline summaries and the system totals.

namespace korvo {

struct RunContext;

void write_evaluation_reports(RunContext& ctx);

}  // namespace korvo
