#pragma once
// The tables of an analysis run: the 35 facility-type by area-type tables and
// the miles and percentages of roadway at each level of service. They print
// the completed tables: the emission slots in kilograms, the percentages
// filled.

#include "evaluation/accumulators.h"
#include "evaluation/class_tables.h"
#include "reports/cross_tabs.h"
#include "reports/report.h"

namespace korvo {

// The 35 area tables of an analysis run, in their order (two decimals).
std::span<const TableSpec> analysis_table_specs();

// Whether a level-of-service table prints the row of facility-type class i
// below the Total class (which it always prints): its total is not zero.
bool los_row_printed(const LosTable& table, int i);

// Writes the 35 area tables and the two level-of-service tables.
void write_analysis_tables(Report& report, const Accumulators& acc, const ClassTables& classes);

// The miles of roadway at each level of service A to F and their total, per
// facility-type class; then the same as percentages of the grand total of
// miles. Classes without miles are left out; the Total class is always
// printed.
void write_level_of_service_tables(Report& report, const Accumulators& acc, const ClassTables& classes);

}  // namespace korvo
