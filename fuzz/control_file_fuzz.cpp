// "VELMAR.CTL": the input and the output file codes, and the scenario file
// name they make.

#include <cstdint>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/control_file.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TextReader control = TextReader::from_memory({reinterpret_cast<const char*>(data), size}, "VELMAR.CTL");
  for (const bool input_key : {false, true}) {
    control.rewind();
    FixedText<3> code;
    FixedText<32> name("HRLDXY.XXX");
    try {
      if (read_file_code(control, input_key, code)) apply_file_code(name, code);
    } catch (const FileError&) {
      continue;
    }
    fuzz::check(name.view().substr(0, 7) == "HRLDXY.", "the file code changed the name's base");
  }
  return 0;
}
