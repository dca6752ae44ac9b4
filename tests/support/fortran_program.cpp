#include "support/fortran_program.h"

#include <cstdlib>

#include "support/fortran_oracle.h"

namespace korvo::testing {

bool run_fortran_program(const TempDir& dir, const std::string& source) {
  if (!gfortran_available()) return false;
  dir.write("prog.f90", source);
  const std::string command =
      "cd '" + dir.path().string() +
      "' && gfortran -ffree-line-length-none -o prog prog.f90 2>compile.log && ./prog >run.log 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace korvo::testing
