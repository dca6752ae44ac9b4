#pragma once
// Compiles and runs a small Fortran program in a directory, for tests that
// need files written the way a Fortran model writes them. Tests that use it
// are skipped where gfortran is absent.

#include <string>

#include "support/temp_dir.h"

namespace korvo::testing {

// Writes source to dir as prog.f90, compiles it with gfortran and runs it in
// dir. False when gfortran is absent or the program fails.
bool run_fortran_program(const TempDir& dir, const std::string& source);

}  // namespace korvo::testing
