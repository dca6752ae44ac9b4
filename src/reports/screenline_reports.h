#pragma once
// The list of links with no assigned volume and the screenline summaries,
// with the screenline totals copied to "SCRNLINE.ASC" when ASCII output is on.

namespace korvo {

struct RunContext;

// Validation runs: the no-volume links, eight node pairs to a line, twenty
// lines to a page under the heading, closed by a separator line. An empty
// list writes only the separator.
void write_no_volume_list(RunContext& ctx);

// Screenlines 1..98 with a non-zero total: their links and total line, each
// screenline kept on one page; then screenline 99 (the individual count links
// of a validation run, or the total line alone of an analysis run).
void write_screenline_summaries(RunContext& ctx);

}  // namespace korvo
