#pragma once
// The labels listing: "KVLABELS.SYN" echoed record by record under its
// heading, the messages about records whose analysis class is beyond the
// limit, and the four selection lists on a page of their own.

#include <array>
#include <cstdint>
#include <string_view>

#include "evaluation/class_tables.h"
#include "input/labels_file.h"
#include "reports/report.h"

namespace korvo {

// Begins the listing on a new page with its heading.
void start_labels_listing(Report& report);

// Echoes one record (its first 80 columns) on the current page; a page that
// begins repeats the heading first.
void list_labels_record(Report& report, const LabelsText& text);

// The message for a record whose analysis class exceeds its limit.
void write_labels_limit_message(Report& report, const LabelsRecord& record, LabelsOutcome outcome);

// The facility types and area types selected and skipped by the maps the run
// evaluates with (the analysis maps in an analysis run), on a new page.
void write_selection_lists(Report& report, const ClassTables& classes, bool analysis);

}  // namespace korvo
