#pragma once
// Reading numbers from fixed columns, with the rules of Fortran formatted input:
//   - blanks anywhere in a numeric field are ignored; an all-blank field is 0;
//   - a leading sign is allowed;
//   - in a real field (Fw.d) an explicit decimal point fixes the decimals, and a
//     text without one takes its last d digits as decimals: F8.3 of "     100"
//     is 0.1; an exponent (E, D, or a sign after the digits) is honoured.
// The parse functions report failure through their result; FieldReader adds
// the file, the line and the columns and throws InputError.

#include <cstdint>
#include <string>
#include <string_view>

namespace korvo {

enum class ParseStatus { kOk, kNotANumber, kOutOfRange };

// Iw input. Accepts at most 18 significant digits.
ParseStatus parse_integer_field(std::string_view field, std::int64_t& out);

// Fw.d input.
ParseStatus parse_real_field(std::string_view field, int decimals, double& out);
ParseStatus parse_real_field(std::string_view field, int decimals, float& out);

// Free-format (list-directed) integer: the first integer of the record; leading
// blanks are skipped and the number ends at a blank, a comma or the end of
// the record. Returns kOk and sets found = false for a record with no value.
ParseStatus parse_free_integer(std::string_view record, std::int64_t& out, bool& found);

// Columns first..last (1-based, inclusive) of a record; columns beyond the
// record's end read as blanks, so the result may be shorter than the range.
std::string_view columns(std::string_view record, int first, int last);

// Where a value comes from, for error lines: "PROFILE.MAS", "line 7".
struct FieldPlace {
  std::string_view file;
  std::string where;  // "line 7", "record 12", "byte offset 4096"
  int first_column = 0;
  int last_column = 0;
  std::string_view field;  // what the field holds, e.g. "KORVOL value"
};

// Convert or throw InputError naming the place and the text found.
std::int64_t read_integer(std::string_view text, const FieldPlace& place);
double read_real(std::string_view text, int decimals, const FieldPlace& place);
float read_real_single(std::string_view text, int decimals, const FieldPlace& place);

// The console line for a value that cannot be converted.
std::string conversion_error_line(std::string_view text, const FieldPlace& place, std::string_view expected);

}  // namespace korvo
