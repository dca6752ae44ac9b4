// The whole program over a working directory made from the input (the
// framing is in fuzz_support.h). A run may end any way the program knows
// (exit status 0 after the normal completion line, 1 after an abnormal one,
// 2 after an input or output error); status 3, an internal error, is a
// finding.

#include <cstdint>
#include <new>
#include <sstream>
#include <string>

#include "app/driver.h"
#include "app/run_context.h"
#include "common/errors.h"
#include "fuzz_support.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchDir& dir = fuzz::ScratchDir::instance();
  dir.clear();
  std::string console_input;
  for (const auto& file : fuzz::decode_scenario(data, size)) {
    if (file.name == fuzz::kConsoleName) {
      console_input = file.bytes;
    } else {
      dir.write(file.name, file.bytes);
    }
  }
  std::ostringstream out;
  std::istringstream in(console_input);
  // The context (megabytes of tables) is built afresh for every run in the
  // same storage: a new allocation per run would cost more than the run.
  alignas(RunContext) static unsigned char storage[sizeof(RunContext)];
  auto* ctx =
      new (storage) RunContext(WorkDir(dir.path()), Console(out, in), [] { return LocalTime{2026, 7, 4, 9, 5, 7}; });
  const int status = run_program(*ctx);
  ctx->~RunContext();
  const std::string console = out.str();
  if (status == 3) fuzz::fail(console);
  fuzz::check(status == 0 || status == 1 || status == 2, "an exit status other than 0, 1, 2 or 3");
  if (status == 0 || status == 1) {
    // The completion line is the console's last, and it says what the status says.
    const std::string normal = std::string(kNormalCompletion) + "\n";
    const bool ends_normally = console.ends_with(normal) &&
                               (console.size() == normal.size() || console[console.size() - normal.size() - 1] == '\n');
    fuzz::check(ends_normally == (status == 0), "an exit status that disagrees with the completion line");
  }
  if (status == 2) {
    // The stop's one line is the console's last.
    fuzz::check(!console.empty() && console.back() == '\n', "an input error without its console line");
    const std::size_t start = console.find_last_of('\n', console.size() - 2);
    fuzz::check_console_line(std::string_view(console).substr(
        start == std::string::npos ? 0 : start + 1, console.size() - 1 - (start == std::string::npos ? 0 : start + 1)));
  }
  return 0;
}
