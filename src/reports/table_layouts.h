#pragma once
// The real-number layouts of the cross-tabulations, kept as texts for the
// whole run. Each table that prints real numbers first writes its number of
// decimals over the digit after every "." and then parses the text; the
// texts keep the digit last written.

#include <string>

namespace korvo {

struct TableLayoutTexts {
  // Facility-type rows by lane class.
  std::string lane_row{"(T2,A,T18,10F10.0)"};
  std::string lane_totals{"(' Totals',10X,10F10.0)"};
  // A group subtotal: each value followed by its "*".
  std::string lane_subtotal{"(T2,A,T18,F10.0,A,9(F9.0,A))"};
  // Facility-type rows by area-type class.
  std::string area_row{"(T2,A,T24,12F9.0)"};
  std::string area_totals{"(/' Totals',T24,12F9.0)"};
};

// Writes the digit of decimals (0..9) after every "." of a layout text:
// "(T2,A,T18,10F10.0)" with 2 becomes "(T2,A,T18,10F10.2)".
inline void write_decimals(std::string& layout_text, int decimals) {
  const char digit = static_cast<char>('0' + (decimals < 0 ? 0 : decimals > 9 ? 9 : decimals));
  for (std::size_t p = 0; p + 1 < layout_text.size(); ++p) {
    if (layout_text[p] == '.') layout_text[p + 1] = digit;
  }
}

}  // namespace korvo
