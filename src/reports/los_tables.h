#pragma once
// The tables of an analysis run: the 35 facility-type by area-type tables
// (the emission slots turned from grams into kilograms between tables 28 and
// 29) and the miles and percentages of roadway at each level of service.

namespace korvo {

struct RunContext;

// Writes the 35 area tables and the two level-of-service tables. Afterwards
// the CO, HC and NOx slots hold kilograms (every cell, totals included) and
// the level-of-service percentages are filled.
void write_analysis_tables(RunContext& ctx);

// The miles of roadway at each level of service A to F and their total, per
// facility-type class; then the same as percentages of the grand total of
// miles (all 0 when that total is 0). Classes without miles are left out;
// the Total class is always printed.
void write_level_of_service_tables(RunContext& ctx);

}  // namespace korvo
