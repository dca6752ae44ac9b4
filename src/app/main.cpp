// KORVO: highway evaluation of a loaded network. Without arguments a batch
// program that finds its files by fixed names in the working directory;
// "korvo --help" lists the commands.

#include <iostream>

#include "app/command_line.h"
#include "app/dispatch.h"

int main(int argc, char** argv) {
  const korvo::CommandLine command = korvo::parse_command_line(argc, argv);
  return korvo::run_command(command, std::cout, std::cerr, std::cin);
}
