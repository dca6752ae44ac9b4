#include "reports/banner.h"

#include <array>

namespace korvo {
namespace {

struct Glyph {
  char letter;
  std::array<std::string_view, 5> rows;
};

constexpr Glyph kFont[] = {
    {'A', {" *** ", "*   *", "*****", "*   *", "*   *"}}, {'C', {" ****", "*    ", "*    ", "*    ", " ****"}},
    {'D', {"**** ", "*   *", "*   *", "*   *", "**** "}}, {'E', {"*****", "*    ", "**** ", "*    ", "*****"}},
    {'I', {"*****", "  *  ", "  *  ", "  *  ", "*****"}}, {'M', {"*   *", "** **", "* * *", "*   *", "*   *"}},
    {'N', {"*   *", "**  *", "* * *", "*  **", "*   *"}}, {'O', {" *** ", "*   *", "*   *", "*   *", " *** "}},
    {'P', {"**** ", "*   *", "**** ", "*    ", "*    "}}, {'R', {"**** ", "*   *", "**** ", "*  * ", "*   *"}},
    {'S', {" ****", "*    ", " *** ", "    *", "**** "}}, {'T', {"*****", "  *  ", "  *  ", "  *  ", "  *  "}},
    {'U', {"*   *", "*   *", "*   *", "*   *", " *** "}}, {' ', {"     ", "     ", "     ", "     ", "     "}},
};

const Glyph& glyph(char letter) {
  for (const Glyph& g : kFont) {
    if (g.letter == letter) return g;
  }
  throw LayoutError(std::string("no block letter for \"") + letter + "\"");
}

}  // namespace

std::string banner_row(std::string_view word, int row) {
  std::string out;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (i > 0) out += "  ";
    out += glyph(word[i]).rows[static_cast<std::size_t>(row - 1)];
  }
  return out;
}

void write_banner(RecordSink& out, std::string_view word) {
  static constexpr auto kFirst = "(A,' ',A)"_layout;
  static constexpr auto kRow = "(' ',A)"_layout;
  static constexpr auto kAfter = "(//)"_layout;
  write_record(out, kFirst, "\f", banner_row(word, 1));
  for (int row = 2; row <= 5; ++row) write_record(out, kRow, banner_row(word, row));
  write_record(out, kAfter);
}

}  // namespace korvo
