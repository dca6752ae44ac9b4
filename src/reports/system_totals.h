#pragma once
// The STATISTICS banner and the system totals page: the grand totals of the
// completed table, with the accidents, emissions, fuel and costs of an
// analysis run.

namespace korvo {

struct RunContext;

// Writes the banner and the totals of the run's mode. In an analysis run it
// first sets the accident cost (unit costs times the accidents, injuries and
// fatalities). The page is written directly, without the page-break check.
void write_system_totals(RunContext& ctx);

}  // namespace korvo
