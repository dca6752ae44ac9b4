#pragma once
// "KVRATES.SYN" and the rate pages of an analysis run.

#include "common/text_file.h"
#include "evaluation/rate_tables.h"

namespace korvo {

struct RunContext;

// Reads the 75 lines of the rates file into the eleven tables; throws
// InputError when the file is short or a field is not a number.
void read_rate_tables(TextReader& rates, RateTables& tables);

// Writes the rate pages (analysis run) to the report.
void write_rate_pages(RunContext& ctx);

}  // namespace korvo
