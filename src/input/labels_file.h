#pragma once
// "KVLABELS.SYN" and "KVSCREEN.SYN": the classes and labels of facility-type
// and area-type codes, and the names of the screenlines.
//
// "KVLABELS.SYN": 80-column records
//   7-8 kind "FT" or "AT", 9-11 code, 12-14 validation class,
//   15-17 analysis class, 19-26 short label, 28-67 long label.
// "KVSCREEN.SYN": one screenline a line, number in columns 1-2, name in
// columns 4-43. Numbers outside 1..99 (and blank lines) store nothing.
//
// In both files a line that begins with end-of-file marks (byte 26, which
// DOS editors leave at the end of a file) loses them, and a line with
// nothing but blanks behind them is passed over.

#include <array>
#include <cstdint>

#include "common/fixed_text.h"
#include "common/text_file.h"

namespace korvo {

inline constexpr int kMaxCode = 99;        // facility-type and area-type codes 1..99
inline constexpr int kMaxScreenline = 99;  // screenlines 1..99
inline constexpr std::size_t kLabelsRecordLength = 80;

using LabelsText = FixedText<kLabelsRecordLength>;

// One record of the labels file, decoded.
struct LabelsRecord {
  FixedText<2> kind;  // "FT" or "AT"; anything else stops the run
  int code = 0;
  int validation_class = 0;
  int analysis_class = 0;
  FixedText<8> short_label;
  FixedText<40> long_label;
};

// The next record of the labels file as the report echoes it: its first 80
// columns, blank-padded, leading end-of-file marks dropped. False at the end
// of the file.
bool next_labels_text(TextReader& labels, LabelsText& text);

// Decodes a record; line is its line number in the file. Throws FileError
// when the code or a class is not a whole number.
LabelsRecord decode_labels_record(const LabelsText& text, std::string_view file, std::int64_t line);

// Screenline names 1..99 (index 0 unused); a screenline the file does not
// name has a blank name.
using ScreenlineNames = std::array<FixedText<40>, kMaxScreenline + 1>;

// Stores the names the file gives. Throws FileError when a number field
// does not hold a whole number.
void read_screenline_names(TextReader& names, ScreenlineNames& out);

}  // namespace korvo
