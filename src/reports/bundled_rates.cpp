#include "reports/bundled_rates.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace korvo {
namespace {

// A rate in its 6 columns and the one ignored column behind it: whole
// dollars from 1000 up, three decimals below 0.1, two otherwise.
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

}  // namespace

std::string bundled_rates_text() {
  // Scale of each facility-type class against the freeway's rates.
  constexpr double kFt[9] = {1.00, 1.03, 1.05, 1.08, 1.10, 1.05, 1.00, 0.95, 1.00};
  std::string s;
  const double accidents[9] = {1.10, 3.40, 4.20, 4.80, 5.50, 3.90, 0.00, 0.90, 1.20};
  const double injuries[9] = {0.55, 1.60, 2.00, 2.30, 2.60, 1.80, 0.00, 0.45, 0.60};
  const double fatalities[9] = {0.012, 0.022, 0.028, 0.025, 0.030, 0.020, 0.000, 0.010, 0.012};
  const double unit_costs[3] = {4500, 36000, 950000};
  s += rate_line(accidents, 9);
  s += rate_line(injuries, 9);
  s += rate_line(fatalities, 9);
  s += rate_line(unit_costs, 3);
  // Emissions, grams per vehicle mile, by speed class LT 20 .. GE 60.
  const double co[10] = {62.0, 41.5, 33.2, 27.6, 23.8, 21.0, 19.3, 18.4, 18.6, 20.5};
  const double hc[10] = {7.90, 5.40, 4.30, 3.60, 3.10, 2.80, 2.60, 2.50, 2.50, 2.70};
  const double nox[10] = {2.60, 2.70, 2.80, 2.90, 3.00, 3.10, 3.30, 3.50, 3.80, 4.20};
  for (const double* table : {co, hc, nox}) {
    for (int r = 0; r < 10; ++r) {
      double row[9];
      for (int c = 0; c < 9; ++c) row[c] = std::round(table[r] * kFt[c] * 100.0) / 100.0;
      s += rate_line(row, 9);
    }
  }
  // Fuel, gallons per vehicle mile, LT 20 .. GE 65.
  const double fuel[11] = {0.095, 0.072, 0.063, 0.057, 0.053, 0.051, 0.050, 0.051, 0.053, 0.057, 0.063};
  for (double f : fuel) {
    double row[9];
    for (int c = 0; c < 9; ++c) row[c] = std::round(f * kFt[c] * 1000.0) / 1000.0;
    s += rate_line(row, 9);
  }
  // Construction, thousand dollars per mile: codes 1 to 9 as multiples of
  // adding two lanes, then the row of no construction.
  const double add_two[9] = {2000, 1200, 1000, 800, 600, 900, 0, 1800, 1900};
  const double code_factor[9] = {1.0, 1.8, 2.5, 1.4, 1.9, 2.3, 2.2, 3.6, 4.8};
  for (double factor : code_factor) {
    double row[9];
    for (int c = 0; c < 9; ++c) row[c] = std::round(add_two[c] * factor);
    s += rate_line(row, 9);
  }
  const double none[9] = {};
  s += rate_line(none, 9);
  // User cost, dollars per vehicle mile, LT 20 .. GE 65.
  const double user[11] = {0.62, 0.48, 0.42, 0.38, 0.35, 0.33, 0.32, 0.32, 0.33, 0.35, 0.38};
  for (double u : user) {
    double row[9];
    for (int c = 0; c < 9; ++c) row[c] = std::round(u * kFt[c] * 100.0) / 100.0;
    s += rate_line(row, 9);
  }
  // Maintenance, dollars per mile a year, by lane class 1 to 9.
  const double per_lane[9] = {9000, 6000, 5000, 4000, 3000, 5000, 0, 8000, 9000};
  for (int lanes = 1; lanes <= 9; ++lanes) {
    double row[9];
    for (int c = 0; c < 9; ++c) row[c] = per_lane[c] * lanes;
    s += rate_line(row, 9);
  }
  return s;
}

}  // namespace korvo
