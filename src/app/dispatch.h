#pragma once
// What each command of the command line does, and its exit status.

#include <functional>
#include <iosfwd>

#include "app/command_line.h"
#include "app/run_context.h"

namespace korvo {

// Runs the command: out takes the console (and the printouts of --help,
// --version and init), err the usage errors and init's stops, in the
// console input of a run's one prompt. The clock dates a run's report.
int run_command(const CommandLine& command, std::ostream& out, std::ostream& err, std::istream& in,
                std::function<LocalTime()> clock = system_local_time);

}  // namespace korvo
