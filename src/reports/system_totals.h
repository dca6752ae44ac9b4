#pragma once
// The STATISTICS banner and the system totals page: the grand totals of the
// completed table, with the accidents, emissions, fuel and costs of an
// analysis run.

#include <string_view>
#include <vector>

#include "common/layout.h"
#include "evaluation/accumulators.h"

namespace korvo {

// One figure of the system totals page: its caption as printed and its
// value before rounding.
struct SystemTotal {
  std::string_view caption;
  float value;
};

// The figures of the page in its order, for the run's mode.
std::vector<SystemTotal> system_total_values(const Accumulators& acc, bool analysis);

// Writes the banner and the totals of the run's mode from the completed
// tables. The page is written directly, without the page-break check.
void write_system_totals(RecordSink& report, const Accumulators& acc, bool analysis);

}  // namespace korvo
