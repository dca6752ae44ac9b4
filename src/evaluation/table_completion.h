#pragma once
// Completing the tables after the link loop, before any of them is printed:
// the level-of-service totals, the zeroed construction cost, the total cells
// of EVALSUMS (Total classes and the all-lanes class 10), the ratios,
// averages, percentages and speeds of the derived slots, and in an analysis
// run the emissions in kilograms, the level-of-service percentages and the
// accident cost. The report writers print the finished tables as they are.

#include <cstddef>
#include <span>

#include "evaluation/accumulators.h"
#include "input/rates.h"

namespace korvo {

// Fills the total cells of one slot plane X(i,j,k), i = 1..n1 fastest, by
// adding into them (so a total cell that already holds something keeps it):
//   1. X(n1,j,k) for j < n2, k < n3;   2. X(i,n2,k) for i < n1, k < n3;
//   3. X(i,j,n3) for i < n1, j < n2;   4. X(n1,n2,k) for every k;
//   5. X(n1,j,n3) for every j;          6. X(i,n2,n3) for every i.
// From zero total cells this leaves each total cell equal to the sum of the
// inner cells it covers. Sums are added cell by cell in index order, in
// single precision. The cells of the plane lie stride apart (EVALSUMS keeps
// the other slots between them). Throws std::logic_error when the plane is
// too small.
void add_marginal_totals(std::span<float> plane, int n1, int n2, int n3, std::size_t stride = 1);

// add_marginal_totals for slots 1..43 in order.
void add_all_marginal_totals(EvalSums& sums);

// Computes the derived slots of every cell. Every quotient is formed only
// when its divisor is not 0; otherwise the slot keeps its value. LINK_PCT and
// VOL_PCT, whose divisors are the grand totals, are 0 when those are 0.
// LINKS_REF is overwritten by the percentage of links with a count.
void compute_derived_slots(EvalSums& sums);

// Level-of-service totals: the Total class (row NFT) sums the classes, level
// 7 the levels A..F.
void total_level_of_service(LosTable& miles, int nft);
// The same for the VMT by level of service.
void total_los_vmt(LosVmtTable& vmt, int nft);

// Slot CONSTR_COST of every cell set to 0 (a construction code of 11 or more
// was seen).
void zero_construction_cost(EvalSums& sums);

// Every cell of the CO, HC and NOx slots, totals included: grams to
// kilograms.
void convert_emissions_to_kilograms(EvalSums& sums);

// The level-of-service miles as percentages of the grand total of miles (all
// 0 when that total is 0), rows 1..NFT.
void level_of_service_percentages(Accumulators& acc);

// The accident cost: the unit costs times the grand totals of accidents,
// injuries and fatalities.
void compute_accident_cost(Accumulators& acc, const RateTables& rates);

// Everything above, in the order the run needs it: after the link loop the
// level-of-service totals and the zeroed construction cost, then the table's
// totals and derived slots, then (analysis) kilograms, level-of-service
// percentages and the accident cost.
void complete_tables(Accumulators& acc, const RateTables& rates, bool cost_table_zeroed, bool analysis);

}  // namespace korvo
