#pragma once
// The eleven rate tables of the rates file. Rows and facility-type columns
// are numbered from 1 as the file gives them; index 0 is unused.

#include <array>

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
  std::array<float, 4> unit_cost{};  // 1 accident, 2 injury, 3 fatality (dollars)
  RateGrid<kSpeedClasses10> carbon_monoxide{};  // grams per vehicle mile
  RateGrid<kSpeedClasses10> hydrocarbons{};
  RateGrid<kSpeedClasses10> nitrogen_oxides{};
  RateGrid<kSpeedClasses11> fuel{};              // gallons per vehicle mile
  RateGrid<kCostRows> construction_cost{};       // thousand dollars per mile
  RateGrid<kSpeedClasses11> user_cost{};         // dollars per vehicle mile
  RateGrid<kRateLaneClasses> maintenance_cost{}; // dollars per mile
};

}  // namespace korvo
