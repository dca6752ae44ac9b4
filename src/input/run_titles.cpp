#include "input/run_titles.h"

namespace korvo {
namespace {

constexpr std::size_t kTitleColumn = 27;  // 1-based
constexpr std::size_t kTitleWidth = 80;
constexpr std::string_view kFormFeedRecord = " \f";
constexpr std::string_view kCaption = "YEAR/ALT (";

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string title_columns(std::string_view line) {
  if (line.size() < kTitleColumn) return {};
  return trimmed(line.substr(kTitleColumn - 1, kTitleWidth));
}

}  // namespace

RunTitles read_run_titles(TextReader& report) {
  RunTitles first_page, current;
  bool have_first = false;
  int header_line = 0;  // 1..3 while reading a header's title lines
  std::string_view line;
  while (report.next(line)) {
    if (line == kFormFeedRecord) {
      header_line = 1;
      current = RunTitles{};
      continue;
    }
    if (header_line >= 1 && header_line <= 3) {
      current.lines[static_cast<std::size_t>(header_line - 1)] = title_columns(line);
      if (header_line == 3 && !have_first) {
        first_page = current;
        have_first = true;
      }
      ++header_line;
      continue;
    }
    header_line = 0;
    const std::size_t at = line.find(kCaption);
    if (at == std::string_view::npos) continue;
    const std::string_view rest = line.substr(at + kCaption.size());
    const std::size_t close = rest.find(')');
    current.scenario = trimmed(close == std::string_view::npos ? rest.substr(0, 3) : rest.substr(0, close));
    return current;
  }
  return first_page;
}

}  // namespace korvo
