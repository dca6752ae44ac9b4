#pragma once
// Cross-tabulations of one measure slot of EVALSUMS, one table per call:
// facility-type classes by lane classes for each area-type class (validation
// runs), and facility-type classes by area-type classes over all lanes
// (analysis runs). Both read the completed table (totals and derived slots
// filled) and start their table on a new page.

#include <span>
#include <string>
#include <string_view>

#include "evaluation/accumulators.h"
#include "evaluation/class_tables.h"
#include "reports/report.h"

namespace korvo {

// Facility-type classes (rows) by lane classes "1" to "8", "9+" and "TOTALS"
// for every area-type class, the last block being "TOTAL AREA TYPES".
// caption: its first 48 characters are printed (blank-padded).
// whole: whole numbers, x + 0.5 truncated; otherwise decimals digits.
// subtotals: print a subtotal line for every group of ten rows (1-9, 10-19,
// ...) that has two or more non-empty rows in the block.
// A row whose lane total is zero (after rounding, for whole numbers) is left
// out; the "Totals" row is always printed.
void write_lane_table(Report& report, const EvalSums& sums, const ClassTables& classes, std::string_view caption,
                      Slot slot, bool whole, int decimals, bool subtotals);

// Facility-type classes (rows) by area-type classes (columns headed by their
// short labels), from the all-lanes class. caption is printed without its
// trailing blanks. Rows whose total is zero (after rounding, for whole
// numbers) are left out; the "Totals" row is always printed. The layouts hold
// twelve columns, which is as many as an analysis run can have.
void write_area_table(Report& report, const EvalSums& sums, const ClassTables& classes, std::string_view caption,
                      Slot slot, bool whole, int decimals);

// A table of the report: its caption, its slot, whole numbers or decimals,
// and (lane tables) whether groups of ten rows get subtotals.
struct TableSpec {
  std::string_view caption;
  Slot slot;
  bool whole;
  int decimals;
  bool subtotals;
};

// The 24 lane tables of a validation run, in their order.
std::span<const TableSpec> validation_table_specs();

// Whether a table prints the row of facility-type class i (not the Totals
// row, which it always prints): its total over lanes (lane table: of area
// type j; area table: of the Total area type) is not zero, after rounding
// for whole-number tables.
bool lane_table_row_printed(const EvalSums& sums, Slot slot, bool whole, int i, int j);
bool area_table_row_printed(const EvalSums& sums, Slot slot, bool whole, int i);

// The 24 lane tables of a validation run, in their fixed order.
void write_validation_tables(Report& report, const EvalSums& sums, const ClassTables& classes);

// The 10-character name of a group of ten facility-type classes in subtotal
// labels: group 0 (rows 1-9) "Class 1-9 ", groups 1-9 "Freeway   " to
// "Toll Fac  ", group 10 and above "Cl 100-109" and so on.
std::string facility_group_name(int group);

}  // namespace korvo
