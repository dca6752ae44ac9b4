#pragma once
// The titles and scenario code of a finished run, read back from its
// report "KORVO.OUT" for the outputs that describe several runs.
//
// A page header is five records: a form feed record (" " + byte 12), then
// three lines whose columns 27-106 hold the title lines 1-3, then a blank
// line. The scenario code is the xxx of the first "YEAR/ALT (xxx)" caption.
// The titles are taken from the header of the page that caption is on: the
// first pages (the labels listing) can carry other titles than the tables,
// for instance the binary network's own before TITLE and GLT replace them.
// A report without such a caption (a run that stopped early) gives the
// titles of its first page and an empty code.

#include <array>
#include <string>

#include "common/text_file.h"

namespace korvo {

struct RunTitles {
  std::array<std::string, 3> lines;  // trimmed of blanks at both ends
  std::string scenario;              // "45A"; empty when not found
};

// Reads the report from its first line until the first caption; throws
// FileError only when the report cannot be read.
RunTitles read_run_titles(TextReader& report);

}  // namespace korvo
