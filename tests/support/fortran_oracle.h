#pragma once
// gfortran as an oracle for formatted output: builds a small Fortran program
// from cases, runs it, and returns what each case wrote. Tests that use it
// are skipped where gfortran is absent.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvo::testing {

// One WRITE statement: a layout and its values, given as Fortran values.
struct OracleCase {
  std::string layout;
  // Each value is one of: an integer ("I:42"), a single-precision real by its
  // exact bits ("R:<bits>"), or a text ("A:text").
  std::vector<std::string> values;
};

std::string oracle_int(std::int64_t v);
std::string oracle_real(float v);
std::string oracle_text(const std::string& v);

bool gfortran_available();

// The output of each case (its records joined with "\n" after each), or
// nothing when gfortran cannot be run.
std::optional<std::vector<std::string>> run_fortran_oracle(const std::vector<OracleCase>& cases);

}  // namespace korvo::testing
