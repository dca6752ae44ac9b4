#pragma once
// Records of the ASCII loaded network "HRLDXY.ASC" and of its two-way form
// "HRLDXY2.ASC", built with printf, independently of the layout library.

#include <cstdio>
#include <string>
#include <vector>

namespace korvo::testing {

// An "HRLDXY.ASC" record: nodes, FT, AT, lanes, location, distance, time,
// congested time, volume, capacity, then 7-column extras.
inline std::string ascii_record(int a, int b, int lanes, int volume, int capacity, const std::vector<int>& extras = {},
                                int ft = 3, int at = 2) {
  char buffer[256];
  int n = std::snprintf(buffer, sizeof buffer, "%6d%6d%3d%3d%3d%3d%5d%5d%5d%7d%7d", a, b, ft, at, lanes, 0, 125, 101,
                        130, volume, capacity);
  for (int x : extras) n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), "%7d", x);
  return std::string(buffer, static_cast<std::size_t>(n)) + "\n";
}

// A two-way record, built independently of the layout library.
inline std::string two_way_record(int a, int b, int ft, int at, int lanes, int vol, int cap, int vol2, int cap2,
                                  int lanes2, const std::vector<int>& slots = {}) {
  char buffer[256];
  int n = std::snprintf(buffer, sizeof buffer, "%6d%6d%3d%3d%3d%3d%5d%5d%5d%7d%7d%7d%7d%7d%7d%3d%3d", a, b, ft, at,
                        lanes, 0, 125, 101, 130, vol, cap, vol2, cap2, vol + vol2, cap + cap2, lanes2, lanes + lanes2);
  for (int x : slots) n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), "%7d", x);
  return std::string(buffer, static_cast<std::size_t>(n)) + "\n";
}

}  // namespace korvo::testing
