#pragma once
// The STATISTICS banner and the system totals page: the grand totals of the
// completed table, with the accidents, emissions, fuel and costs of an
// analysis run.

#include "common/layout.h"
#include "evaluation/accumulators.h"

namespace korvo {

// Writes the banner and the totals of the run's mode from the completed
// tables. The page is written directly, without the page-break check.
void write_system_totals(RecordSink& report, const Accumulators& acc, bool analysis);

}  // namespace korvo
