#pragma once
// "KVRATES.SYN": the eleven rate tables of an analysis run.
//
// The file has 75 lines of up to nine values, each value in 6 columns
// followed by one ignored column (columns 1-6, 8-13, ..., 57-62). A value
// with a decimal point keeps it; one without is a whole number ("   125" is
// 125.0); blank columns read as 0. Line 4 holds three values, lines 5-75 the
// rows of the grids in the order of RateTables. Lines after the 75th are
// not read. Rows and facility-type columns are numbered from 1 as the file
// gives them; index 0 is unused.

#include <array>

#include "common/text_file.h"

namespace korvo {

inline constexpr int kRateFtClasses = 9;
inline constexpr int kSpeedClasses10 = 10;  // s10: LT 20, 20-25, ..., GE 60
inline constexpr int kSpeedClasses11 = 11;  // s11: ..., 60-65, GE 65
inline constexpr int kCostRows = 10;        // construction codes 1..9, row 10 = none
inline constexpr int kRateLaneClasses = 9;

template <int Rows>
using RateGrid = std::array<std::array<float, kRateFtClasses + 1>, Rows + 1>;  // [row][ft]

struct RateTables {
  std::array<float, kRateFtClasses + 1> accident{};  // per million vehicle miles
  std::array<float, kRateFtClasses + 1> injury{};
  std::array<float, kRateFtClasses + 1> fatality{};
  std::array<float, 4> unit_cost{};             // 1 accident, 2 injury, 3 fatality (dollars)
  RateGrid<kSpeedClasses10> carbon_monoxide{};  // grams per vehicle mile
  RateGrid<kSpeedClasses10> hydrocarbons{};
  RateGrid<kSpeedClasses10> nitrogen_oxides{};
  RateGrid<kSpeedClasses11> fuel{};               // gallons per vehicle mile
  RateGrid<kCostRows> construction_cost{};        // thousand dollars per mile
  RateGrid<kSpeedClasses11> user_cost{};          // dollars per vehicle mile
  RateGrid<kRateLaneClasses> maintenance_cost{};  // dollars per mile
};

inline constexpr int kRatesFileLines = 75;

// Reads the 75 lines of the rates file into the eleven tables; throws
// FileError when the file is short or a field is not a number.
void read_rate_tables(TextReader& rates, RateTables& tables);

}  // namespace korvo
