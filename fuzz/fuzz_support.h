#pragma once
// Shared pieces of the fuzz targets.
//
// A target hands its input to one reader (or to the whole program) and lets
// the two ways a run may end on bad input pass: FileStop (the file layer
// stops with one console line) and RunStop (the run ends with a completion
// line). Everything else is a finding: any other exception escapes to
// libFuzzer (or to the replay program) and aborts, and so do the checks a
// target makes on what the reader left behind.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/layout.h"
#include "evaluation/evaluation.h"

namespace korvo::fuzz {

// A report sink that forgets what it is given.
class NullSink final : public RecordSink {
 public:
  void write_record(std::string_view) override {}
};

// Link loop events that are only counted.
class CountingEvents final : public EvaluationEvents {
 public:
  void screenline_list_full(int) override { ++count; }
  void no_volume_list_full(int) override { ++count; }
  void screenline_not_the_same(std::int32_t, std::int32_t, int) override { ++count; }
  void link_skipped(const LinkRecord&, int) override { ++count; }
  void construction_code_inconsistent() override { ++count; }
  void aux_link_not_found(std::int32_t, std::int32_t) override { ++count; }
  void aux_network_mismatch(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override { ++count; }
  long count = 0;
};

// Stops the process with a message on stderr; a finding.
[[noreturn]] void fail(std::string_view what);
inline void check(bool condition, std::string_view what) {
  if (!condition) fail(what);
}

// The console line of a stop must be one line that a terminal shows as it
// is: no line end and no other control character (bytes from the input are
// written escaped, "\x0A").
void check_console_line(std::string_view line);

// A working directory of this process for targets that need files, under
// /dev/shm when it exists (fast), else the temporary directory. Removed at
// exit. clear() empties it before each input.
class ScratchDir {
 public:
  static ScratchDir& instance();
  const std::filesystem::path& path() const { return path_; }
  void clear() const;
  void write(std::string_view name, std::string_view bytes) const;

 private:
  ScratchDir();
  std::filesystem::path path_;
};

// The whole-program target reads a scenario: a working directory's files
// and the console input, framed as a series of chunks
//   selector (1 byte), length (2 bytes, little-endian), that many bytes
// (fewer at the end of the input). The selector picks one of kScenarioNames
// (modulo their number); chunks of the same name are joined in order, so a
// file can be longer than one chunk. The names are the fixed ones, those of
// the hardening scenarios and those of the examples; the last name is the
// console input.
inline constexpr std::string_view kScenarioNames[] = {
    "PROFILE.MAS",  "VELMAR.CTL",   "TITLE",       "DATABASE.CTL", "LINKS05A.DBF", "AUXLINKS.DBF",
    "KVLABELS.SYN", "KVSCREEN.SYN", "KVRATES.SYN", "HRLDXY.XXX",   "HRLDXY.05A",   "VOLNAUX.XXX",
    "VOLNAUX.05A",  "HRLDXY.ASC",   "NET26A.DBF",  "NET45A.DBF",   "NETAUX.DBF",   "HRLDXY.26A",
    "HRLDXY.45A",   "VOLNAUX.26A",  "VOLNAUX.45A", "<console>",
};
inline constexpr std::size_t kScenarioNameCount = std::size(kScenarioNames);
inline constexpr std::string_view kConsoleName = "<console>";

struct ScenarioFile {
  std::string name;
  std::string bytes;
};

std::vector<ScenarioFile> decode_scenario(const std::uint8_t* data, std::size_t size);
// The framing of files, in chunks of at most 65535 bytes. Throws
// std::invalid_argument for a name that is not one of kScenarioNames.
std::string encode_scenario(const std::vector<ScenarioFile>& files);

}  // namespace korvo::fuzz
