#pragma once
// The suite control file "VELMAR.CTL": three-character file codes that the
// suite's programs use as the extensions of their files.

#include "common/fixed_text.h"
#include "common/text_file.h"

namespace korvo {

// Key records hold "FILEI" (input key) or "FILEO" (output key) in columns
// 2-6; the record after the first matching key gives the code in columns 1-3.
// Returns false when the file holds no such key. Throws FileError when the
// matching key record is the file's last.
bool read_file_code(TextReader& control, bool input_key, FixedText<3>& code);

// Replaces the three characters after the first "." in positions 1-29 of
// name by code ("HRLDXY.XXX" and 05A give "HRLDXY.05A"); a name without one
// is left as it is.
void apply_file_code(FixedText<32>& name, const FixedText<3>& code);

}  // namespace korvo
