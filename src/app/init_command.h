#pragma once
// "korvo init": a starter scenario in one command.
//
//   korvo init DIR --dbf FILE      PROFILE.MAS, KVRATES.SYN, KVLABELS.SYN and,
//                                  when names or units differ, DATABASE.CTL
//   korvo init DIR --binary FILE   PROFILE.MAS, KVRATES.SYN, KVLABELS.SYN and,
//                                  when the extension is not XXX, VELMAR.CTL
//
// DIR is made when missing. A file that exists is kept and never
// overwritten; the printout says which. The network is read once, to find
// its fields, codes and units; the printout says what was found, what the
// planner should check and which command runs the scenario.
//
// Exit status: 0 when the files are in place (written or kept); 2 when FILE
// cannot be read, DIR cannot be made or a file cannot be written (one line on
// stderr says which); 3 for an internal error.

#include <filesystem>
#include <iosfwd>
#include <string>

#include "app/command_line.h"

namespace korvo {

struct InitRequest {
  std::filesystem::path directory;
  InitSource source = InitSource::kDbf;
  std::filesystem::path network_file;
};

int run_init(const InitRequest& request, std::ostream& out, std::ostream& err);

}  // namespace korvo
