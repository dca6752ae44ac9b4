// "DATABASE.CTL": LINK ALIAS lines into the keyword map.

#include <cstdint>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/database_control.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TextReader control = TextReader::from_memory({reinterpret_cast<const char*>(data), size}, "DATABASE.CTL");
  LinkFieldMap map;
  try {
    read_database_control(control, map);
  } catch (const FileError&) {
    return 0;
  }
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    // A factor of 0 keeps the slot's scale; no alias turns it into 0.
    fuzz::check(map.scale[static_cast<std::size_t>(slot)] != 0.0, "a scale factor of 0 was stored");
  }
  return 0;
}
