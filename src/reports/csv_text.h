#pragma once
// Text of KORVO's CSV outputs (RFC 4180, records end in LF):
// - a field is quoted when it holds a comma, a quote, CR or LF, or begins
//   or ends with a blank; a quote inside is doubled:
//     Div Art        ->  Div Art
//     Main St, north ->  "Main St, north"
//     12" pipe       ->  "12"" pipe"
// - numbers are the shortest text that reads back to the same value, never
//   locale-dependent: a float as a float (0.1f gives "0.1"), a double as a
//   double; an absent number is an empty field.

#include <string>
#include <string_view>

namespace korvo {

void append_csv_field(std::string& record, std::string_view text);
void append_csv_float(std::string& record, float value);
void append_csv_double(std::string& record, double value);

}  // namespace korvo
