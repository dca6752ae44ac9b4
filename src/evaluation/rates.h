#pragma once
// "KVRATES.SYN" and the rate pages of an analysis run.
//
// The file has 75 lines of up to nine values, each value in 6 columns
// followed by one ignored column (columns 1-6, 8-13, ..., 57-62). A value
// with a decimal point keeps it; one without is a whole number ("   125" is
// 125.0); blank columns read as 0. Line 4 holds three values, lines 5-75 the
// rows of the grids in the order of RateTables. Lines after the 75th are
// not read.

#include "common/layout.h"
#include "common/text_file.h"
#include "evaluation/rate_tables.h"

namespace korvo {

struct RunContext;

inline constexpr int kRatesFileLines = 75;

// Reads the 75 lines of the rates file into the eleven tables; throws
// InputError when the file is short or a field is not a number.
void read_rate_tables(TextReader& rates, RateTables& tables);

// Writes the rate pages (analysis run) to the report: the accident, injury
// and fatality rates, the emission tables, the fuel table, the construction
// code definitions and the construction cost table. They carry their own
// form feeds and are not counted by the page-break check.
void write_rate_pages(RunContext& ctx);
void write_rate_pages(RecordSink& report, const RateTables& tables);

}  // namespace korvo
