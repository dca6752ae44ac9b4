#pragma once
// KVTABLES.CSV: every figure the report prints in its tables, its screenline
// summaries and its system totals, unrounded, one per row:
//
//   table,measure,area_class,area_label,ft_class,ft_label,lanes,value
//   RUN,FORMAT,,,,,,1
//   RUN,VALIDATION,,,,,,1
//   TOTAL NUMBER OF LINKS,LINKS,1,CBD,1,Freeway,1,12
//   ...
//
// The rows follow the report: the same tables in the same order, the same
// rows left out (a facility-type row whose total is zero), subtotal rows not
// repeated. Classes are numbers, the Total classes included (labelled
// "Total"); labels are trimmed. Two runs' files join on every column but
// value.

#include "common/layout.h"
#include "evaluation/evaluation.h"

namespace korvo {

inline constexpr const char* kTablesCsvFile = "KVTABLES.CSV";
inline constexpr std::string_view kTablesCsvHeader =
    "table,measure,area_class,area_label,ft_class,ft_label,lanes,value";

// Writes the whole file from the completed tables of a run.
void write_tables_csv(RecordSink& out, const Evaluation& e, bool analysis);

}  // namespace korvo
