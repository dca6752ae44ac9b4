#pragma once
// Labels and type selection: screenline names, the labels file, the class
// maps, NFT and NAT.
//
// "KVSCREEN.SYN" (optional): one screenline a line, number in columns 1-2,
// name in columns 4-43. Numbers outside 1..99 (and blank lines) store nothing.
//
// "KVLABELS.SYN" (optional): 80-column records
//   7-8 kind "FT" or "AT", 9-11 code, 12-14 validation class,
//   15-17 analysis class, 19-26 short label, 28-67 long label.
// The file is echoed to the report (agency header), each record under the
// page-break check, followed by the four selection lists on a new page.
//
// Without a labels file the defaults apply: NFT 10, NAT 6; in an analysis run
// two-digit codes belong to the class of their leading digit.

#include <string_view>

#include "common/text_file.h"
#include "evaluation/class_tables.h"

namespace korvo {

struct RunContext;

// Reads "KVSCREEN.SYN" and "KVLABELS.SYN" (both optional), fills ctx.classes
// and lists the labels file and the selections in the report. Stops the run
// (RunStop "KORVO Abnormal Completion") on a record that is neither "FT" nor
// "AT", and after the lists when an analysis class exceeded its limit.
// Throws InputError when a number field does not hold a whole number.
void prepare_labels_and_selection(RunContext& ctx);

// The classes and labels of a run without a labels file: NFT 10, NAT 6.
void set_default_classes(RunContext& ctx);

// Stores the screenline names of "KVSCREEN.SYN" read from names.
void read_screenline_names(TextReader& names, ClassTables& classes);

// The analysis-class limits of the labels file.
inline constexpr int kMaxAnalysisFtClass = 9;
inline constexpr int kMaxAnalysisAtClass = 11;

}  // namespace korvo
