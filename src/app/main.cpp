// KORVO: highway evaluation of a loaded network. A batch program: it takes no
// arguments and finds its files by fixed names in the working directory.

#include <iostream>

#include "app/driver.h"

int main() {
  auto ctx = korvo::RunContext::create(korvo::WorkDir{}, korvo::Console(std::cout, std::cin));
  return korvo::run_program(*ctx);
}
