#pragma once
// Rates files built in code: every value a function of its line and field.

#include <cstdio>
#include <string>

namespace korvo::testing {

// A rates file of n lines; line l holds the nine values text(l, c).
template <typename Text>
std::string rates_file(int lines, Text text) {
  std::string file;
  for (int l = 1; l <= lines; ++l) {
    for (int c = 1; c <= 9; ++c) file += text(l, c) + " ";
    file += "\n";
  }
  return file;
}

// Every value carries its line: l + c/100 ("  5.03" on line 5, field 3).
inline std::string numbered(int l, int c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%6.2f", l + c / 100.0);
  return buf;
}

// The rates behind the expected rate pages: numbered values, and a few that
// do not fit their fields or are negative.
inline std::string golden_rates(int l, int c) {
  if (l == 1 && c == 1) return "12.345";
  if (l == 1 && c == 5) return " 100.5";   // F6.3 of 100.5 does not fit
  if (l == 5 && c == 1) return "999999";   // nor does F7.2 of 999999
  if (l == 15 && c == 3) return "123456";  // nor F8.2 of 123456
  if (l == 36 && c == 2) return "  -1.5";
  return numbered(l, c);
}

}  // namespace korvo::testing
