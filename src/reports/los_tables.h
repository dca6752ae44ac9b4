#pragma once
// The tables of an analysis run: the 35 facility-type by area-type tables and
// the miles and percentages of roadway at each level of service. They print
// the completed tables: the emission slots in kilograms, the percentages
// filled.

#include "evaluation/accumulators.h"
#include "evaluation/class_tables.h"
#include "reports/report.h"

namespace korvo {

// Writes the 35 area tables and the two level-of-service tables.
void write_analysis_tables(Report& report, const Accumulators& acc, const ClassTables& classes);

// The miles of roadway at each level of service A to F and their total, per
// facility-type class; then the same as percentages of the grand total of
// miles. Classes without miles are left out; the Total class is always
// printed.
void write_level_of_service_tables(Report& report, const Accumulators& acc, const ClassTables& classes);

}  // namespace korvo
