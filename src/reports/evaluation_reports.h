#pragma once
// The report entry after the link loop: the reports of the run's mode from
// the completed tables, the screenline summaries (with their copy in
// "SCRNLINE.ASC") and the system totals.

#include "evaluation/evaluation.h"
#include "reports/report.h"
#include "reports/side_files.h"

namespace korvo {

// Validation: the no-volume list and the 24 lane tables; analysis: the 35
// area tables and the level-of-service tables. Then, in both, the screenline
// summaries and the system totals. With ascii_output the screenline totals
// also go to "SCRNLINE.ASC", which is then closed.
void write_evaluation_reports(Report& report, SideFiles& side_files, const Evaluation& e, bool analysis,
                              bool ascii_output);

}  // namespace korvo
