#include "input/database_control.h"

#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

constexpr int kHeadingLines = 3;
constexpr std::size_t kColumnsRead = 80;
constexpr char kEndOfFileChar = 26;
constexpr std::string_view kAliasMarker = "LINK ALIAS";

}  // namespace

void read_database_control(TextReader& control, LinkFieldMap& map) {
  const std::string& file = control.name();
  std::string_view line;
  for (int i = 1; i <= kHeadingLines; ++i) {
    if (!control.next(line)) {
      throw FileError(file, FilePlace::at_line(i), "headings",
                      "the file ends after " + std::to_string(i - 1) + " lines; it needs three heading lines");
    }
  }
  while (control.next(line)) {
    line = line.substr(0, std::min(line.size(), kColumnsRead));
    // An editor's end-of-file mark in front of a line is dropped, and the line
    // read from the column after it.
    if (!line.empty() && line[0] == kEndOfFileChar) {
      const std::size_t first = line.find_first_not_of(kEndOfFileChar);
      line = first == std::string_view::npos ? std::string_view{} : line.substr(first);
      if (line.find_first_not_of(' ') == std::string_view::npos) continue;
    }
    if (line.substr(0, kAliasMarker.size()) != kAliasMarker) continue;

    const FilePlace where = FilePlace::at_line(control.line_number());
    read_integer(columns(line, 12, 13), FieldPlace{file, where.with_columns(12, 13), "LINK ALIAS number"});
    const double factor =
        read_real(columns(line, 38, 45), 3, FieldPlace{file, where.with_columns(38, 45), "LINK ALIAS scale factor"});
    const FixedText<11> keyword(columns(line, 15, 25));
    for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
      const auto s = static_cast<std::size_t>(slot);
      if (!(map.name[s] == keyword)) continue;
      map.name[s].assign(columns(line, 27, 37));
      if (factor != 0) map.scale[s] = factor;
      break;
    }
  }
}

}  // namespace korvo
