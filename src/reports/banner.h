#pragma once
// Block-letter banners of the report ("DESCRIPTION", "ASSUMPTIONS",
// "STATISTICS"): five rows of "*", letters five columns wide with two blanks
// between them. The first row follows a form feed and a blank, the other rows
// start in column 2; three empty lines follow.

#include <string>
#include <string_view>

#include "common/layout.h"

namespace korvo {

// Row 1..5 of a word in block letters (letters A C D E I M N O P R S T U and
// the blank). Throws LayoutError for a letter the font lacks.
std::string banner_row(std::string_view word, int row);

void write_banner(RecordSink& out, std::string_view word);

}  // namespace korvo
