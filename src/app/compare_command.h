#pragma once
// `korvo compare BASE ALT [ALT ...] [--out DIR]`: compares finished runs.
//
// Each argument is the directory of a finished run: its KVTABLES.CSV, its
// KVSTATS.CSV for validation runs, and its KORVO.OUT for the titles. The
// runs are named by their directories' names (the path as given when two
// names are equal). COMPARE.CSV and COMPARE.HTML go to DIR (default: the
// working directory).
//
// Everything is read and checked before anything is written; the outputs
// are written under temporary names in DIR and renamed at the end, so a
// stop leaves no half-written file (and an older comparison as it was).
// Exit status: 0 when both files are written; 2 for the stops of the file
// layer, with one console line: a missing directory, a run without its CSV
// files (run it with "CSVOUT" on), a file of another format version, a
// damaged file, runs of different types, an output that cannot be written,
// and wrong arguments (with the usage); 3 for an internal error.

#include <iosfwd>
#include <string>
#include <vector>

namespace korvo {

// args: the arguments after "compare".
int run_compare_command(const std::vector<std::string>& args, std::ostream& console);

// The usage lines.
std::string compare_usage();

}  // namespace korvo
