#pragma once
// The command line:
//
//   korvo                          the batch run in the working directory
//   korvo DIR                      the batch run in DIR, as if started there
//   korvo init DIR --dbf FILE      a starter scenario for a dBASE link table
//   korvo init DIR --binary FILE   ... for a binary loaded network HRLDXY.xxx
//   korvo compare ...              two runs side by side
//   korvo --help | --version
//
// Parsing only looks at the words; whether DIR is a directory is for the
// command to find out (a DIR that is not one is a usage error too).

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

enum class CommandKind {
  kRun,        // no arguments
  kRunIn,      // DIR
  kHelp,       // --help, -h
  kVersion,    // --version
  kInit,       // init DIR --dbf FILE | --binary FILE
  kInitHelp,   // init --help
  kCompare,    // compare ...
  kUsageError  // anything else
};

enum class InitSource { kDbf, kBinary };

struct CommandLine {
  CommandKind kind = CommandKind::kRun;
  std::string directory;                 // kRunIn, kInit
  InitSource source = InitSource::kDbf;  // kInit
  std::string network_file;              // kInit
  std::vector<std::string> rest;         // kCompare: the words after "compare"
  std::string error;                     // kUsageError: what is wrong, one line
};

// args are the words after the program's name.
CommandLine parse_command_line(std::span<const std::string_view> args);
CommandLine parse_command_line(int argc, const char* const* argv);

// The text of --help (ends in a line end).
std::string usage_text();
// The short usage that follows a usage error on stderr.
std::string short_usage_text();
// The text of "korvo init --help".
std::string init_usage_text();
// "korvo 1.0" and a line end.
std::string version_text();

}  // namespace korvo
