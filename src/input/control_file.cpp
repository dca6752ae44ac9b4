#include "input/control_file.h"

#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {

bool read_file_code(TextReader& control, bool input_key, FixedText<3>& code) {
  const std::string_view wanted = input_key ? "FILEI" : "FILEO";
  std::string_view record;
  while (control.next(record)) {
    if (FixedText<5>(columns(record, 2, 6)).view() != wanted) continue;
    const std::int64_t key_line = control.line_number();
    if (!control.next(record)) {
      throw FileError(control.name(), FilePlace::at_line(key_line + 1), "file code",
                      "the code record after the " + std::string(wanted) + " key of line " + std::to_string(key_line),
                      FileError::Found::words("the end of the file"));
    }
    code.assign(columns(record, 1, 3));
    return true;
  }
  return false;
}

void apply_file_code(FixedText<32>& name, const FixedText<3>& code) {
  for (std::size_t p = 0; p < 29; ++p) {
    if (name[p] != '.') continue;
    for (std::size_t k = 0; k < 3; ++k) name[p + 1 + k] = code[k];
    return;
  }
}

}  // namespace korvo
