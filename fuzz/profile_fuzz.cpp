// "PROFILE.MAS": both passes over the same file.

#include <cstdint>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/profile.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TextReader profile = TextReader::from_memory({reinterpret_cast<const char*>(data), size}, "PROFILE.MAS");
  RunSettings settings;
  FixedText<80> title;
  try {
    read_profile_pass1(profile, settings, [] {});
    profile.rewind();
    read_profile_pass2(profile, settings, title);
  } catch (const FileError&) {
    return 0;
  }
  fuzz::check(settings.validate_mode != settings.analysis_mode, "validation and analysis both on or both off");
  return 0;
}
