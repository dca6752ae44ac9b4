#include "reports/bundled_rates.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>

namespace korvo {
namespace {

// A rate in its 6 columns and the one ignored column behind it.
std::string rate_field(double v) {
  char buf[32];
  const double a = std::abs(v);
  if (a >= 1000) {
    std::snprintf(buf, sizeof buf, "%6.0f ", v);
  } else if (a < 0.1 && v != 0) {
    std::snprintf(buf, sizeof buf, "%6.3f ", v);
  } else {
    std::snprintf(buf, sizeof buf, "%6.2f ", v);
  }
  if (std::strlen(buf) != 7) throw std::logic_error("bundled rates: a rate does not fit 6 columns");
  return buf;
}

std::string rate_line(const double* values, int n) {
  std::string line;
  for (int i = 0; i < n; ++i) line += rate_field(values[i]);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

// Columns of the rate tables: facility-type classes 1 to 9 (freeway, divided
// arterial, undivided arterial, collector, local street, one-way street,
// unused, HOV, toll).
constexpr int kRateClasses = 9;

// One line per base value: the value times each class's factor, rounded to
// 1 / scale (scale 100 keeps two decimals).
std::string rate_lines(std::initializer_list<double> base, const double (&class_factor)[kRateClasses], double scale) {
  std::string s;
  for (const double v : base) {
    double row[kRateClasses];
    for (int c = 0; c < kRateClasses; ++c) row[c] = std::round(v * class_factor[c] * scale) / scale;
    s += rate_line(row, kRateClasses);
  }
  return s;
}

}  // namespace

std::string bundled_rates_text() {
  // The classes' factors on the base rates of the speed tables.
  constexpr double kByClass[kRateClasses] = {1.00, 1.03, 1.05, 1.08, 1.10, 1.05, 1.00, 0.95, 1.00};
  std::string s;
  const double accidents[kRateClasses] = {1.10, 3.40, 4.20, 4.80, 5.50, 3.90, 0.00, 0.90, 1.20};
  const double injuries[kRateClasses] = {0.55, 1.60, 2.00, 2.30, 2.60, 1.80, 0.00, 0.45, 0.60};
  const double fatalities[kRateClasses] = {0.012, 0.022, 0.028, 0.025, 0.030, 0.020, 0.000, 0.010, 0.012};
  const double unit_costs[3] = {4500, 36000, 950000};
  s += rate_line(accidents, kRateClasses);
  s += rate_line(injuries, kRateClasses);
  s += rate_line(fatalities, kRateClasses);
  s += rate_line(unit_costs, 3);
  // Emissions, grams per vehicle mile, by speed class LT 20 .. GE 60:
  // carbon monoxide, hydrocarbons, nitrogen oxides.
  s += rate_lines({62.0, 41.5, 33.2, 27.6, 23.8, 21.0, 19.3, 18.4, 18.6, 20.5}, kByClass, 100);
  s += rate_lines({7.90, 5.40, 4.30, 3.60, 3.10, 2.80, 2.60, 2.50, 2.50, 2.70}, kByClass, 100);
  s += rate_lines({2.60, 2.70, 2.80, 2.90, 3.00, 3.10, 3.30, 3.50, 3.80, 4.20}, kByClass, 100);
  // Fuel, gallons per vehicle mile, LT 20 .. GE 65.
  s += rate_lines({0.095, 0.072, 0.063, 0.057, 0.053, 0.051, 0.050, 0.051, 0.053, 0.057, 0.063}, kByClass, 1000);
  // Construction, thousand dollars per mile: codes 1 to 9 as multiples of
  // adding two lanes, then the row of no construction.
  constexpr double kAddTwoLanes[kRateClasses] = {2000, 1200, 1000, 800, 600, 900, 0, 1800, 1900};
  s += rate_lines({1.0, 1.8, 2.5, 1.4, 1.9, 2.3, 2.2, 3.6, 4.8}, kAddTwoLanes, 1);
  const double none[kRateClasses] = {};
  s += rate_line(none, kRateClasses);
  // User cost, dollars per vehicle mile, LT 20 .. GE 65.
  s += rate_lines({0.62, 0.48, 0.42, 0.38, 0.35, 0.33, 0.32, 0.32, 0.33, 0.35, 0.38}, kByClass, 100);
  // Maintenance, dollars per mile a year, by lane class 1 to 9.
  constexpr double kPerLane[kRateClasses] = {9000, 6000, 5000, 4000, 3000, 5000, 0, 8000, 9000};
  s += rate_lines({1, 2, 3, 4, 5, 6, 7, 8, 9}, kPerLane, 1);
  return s;
}

}  // namespace korvo
