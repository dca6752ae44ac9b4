#pragma once
// The title, description and assumptions pages at the front of the report,
// and the construction code definitions of the rate pages.

#include <string_view>

#include "common/layout.h"
#include "reports/report.h"

namespace korvo {

// run_type_name is "VALIDATE" or "ANALYSIS".
void write_description_pages(RecordSink& report, const RunStamp& stamp, std::string_view run_type_name);

// The ASSUMPTIONS banner (five lines after a form feed, then three empty lines).
void write_assumptions_banner(RecordSink& report);

void write_construction_code_definitions(RecordSink& report);

// A binary network without an auxiliary network file: a form feed in column
// 1, then the notice that every construction code is reported as 0.
void write_no_aux_file_notice(RecordSink& report);

}  // namespace korvo
