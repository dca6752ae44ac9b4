// KORVO: highway evaluation of a loaded network. A batch program: it takes no
// arguments and finds its files by fixed names in the working directory.
// `korvo compare ...` compares finished runs instead (app/compare_command.h).

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/compare_command.h"
#include "app/driver.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "compare") {
    return korvo::run_compare_command(std::vector<std::string>(argv + 2, argv + argc), std::cout);
  }
  auto ctx = korvo::RunContext::create(korvo::WorkDir{}, korvo::Console(std::cout, std::cin));
  return korvo::run_program(*ctx);
}
