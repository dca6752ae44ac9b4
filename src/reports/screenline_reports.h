#pragma once
// The list of links with no assigned volume and the screenline summaries,
// with the screenline totals copied to "SCRNLINE.ASC" when ASCII output is on.

#include "common/text_file.h"
#include "evaluation/accumulators.h"
#include "input/labels_file.h"
#include "reports/report.h"

namespace korvo {

// Validation runs: the no-volume links, eight node pairs to a line, twenty
// lines to a page under the heading, closed by a separator line. An empty
// list writes only the separator.
void write_no_volume_list(Report& report, const NoVolumeList& list);

// Screenlines 1..98 with a non-zero total: their links and total line, each
// screenline kept on one page; then screenline 99 (the individual count links
// of a validation run, or the total line alone of an analysis run). With
// ascii_file not null, each total line is also written there.
void write_screenline_summaries(Report& report, const ScreenlineTables& screenlines, const ScreenlineNames& names,
                                bool analysis, TextWriter* ascii_file);

}  // namespace korvo
