#pragma once
// KORVO.HTML beside the report: the page of a run whose links were
// evaluated, written when the profile's HTMLOUT is yes (the default), after
// the report and the CSV files are complete.

#include <string>
#include <vector>

#include "app/run_context.h"

namespace korvo {

// The input files the run read, in the order the run reads them: those of
// fixed name that are present, the link source and the auxiliary source.
std::vector<std::string> run_input_files(const RunContext& ctx);

// Writes KORVO.HTML (an old one is replaced). A page that cannot be written
// stops the run with WriteError (exit status 2) after the report is complete.
void write_run_page_file(RunContext& ctx);

}  // namespace korvo
