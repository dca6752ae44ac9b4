#pragma once
// Completing EVALSUMS after the link loop: the total cells (Total classes and
// the all-lanes class 10), then the ratios, averages, percentages and speeds
// of the derived slots, cell by cell, totals included.

#include <span>

#include "evaluation/accumulators.h"

namespace korvo {

// Fills the total cells of one slot plane X(i,j,k), i = 1..n1 fastest, by
// adding into them (so a total cell that already holds something keeps it):
//   1. X(n1,j,k) for j < n2, k < n3;   2. X(i,n2,k) for i < n1, k < n3;
//   3. X(i,j,n3) for i < n1, j < n2;   4. X(n1,n2,k) for every k;
//   5. X(n1,j,n3) for every j;          6. X(i,n2,n3) for every i.
// From zero total cells this leaves each total cell equal to the sum of the
// inner cells it covers. Sums are added cell by cell in index order, in
// single precision. Throws std::logic_error when the plane is too small.
void add_marginal_totals(std::span<float> plane, int n1, int n2, int n3);

// add_marginal_totals for slots 1..43 in order.
void add_all_marginal_totals(EvalSums& sums);

// Computes the derived slots of every cell. Every quotient is formed only
// when its divisor is not 0; otherwise the slot keeps its value. LINK_PCT and
// VOL_PCT, whose divisors are the grand totals, are 0 when those are 0.
// LINKS_REF is overwritten by the percentage of links with a count.
void compute_derived_slots(EvalSums& sums);

}  // namespace korvo
