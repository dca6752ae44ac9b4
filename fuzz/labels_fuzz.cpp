// "KVLABELS.SYN" and "KVSCREEN.SYN" through the labels step, which lists the
// labels file and the selections in the report.
//
// Input: a mode byte (bit 0: analysis run; bit 1: no KVSCREEN.SYN; bit 2:
// no KVLABELS.SYN), then KVLABELS.SYN up to the first NUL byte and
// KVSCREEN.SYN after it.

#include <cstdint>
#include <memory>
#include <sstream>
#include <string_view>

#include "app/driver.h"
#include "common/errors.h"
#include "fuzz_support.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::ostringstream console_out;
  static std::istringstream console_in;
  static const fuzz::ScratchDir& dir = fuzz::ScratchDir::instance();
  static auto ctx = RunContext::create(WorkDir(dir.path()), Console(console_out, console_in),
                                       [] { return LocalTime{2026, 7, 4, 9, 5, 7}; });
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = rest.find('\0');
  dir.clear();
  if (!(mode & 4)) dir.write(kLabelsFile, rest.substr(0, split));
  if (!(mode & 2) && split != std::string_view::npos) dir.write(kScreenNamesFile, rest.substr(split + 1));

  console_out.str("");
  ctx->settings = RunSettings{};
  ctx->settings.analysis_mode = (mode & 1) != 0;
  ctx->settings.validate_mode = !ctx->settings.analysis_mode;
  ctx->report.create(ctx->work.path(kReportFile), kReportFile);
  try {
    prepare_labels_and_selection(*ctx);
  } catch (const FileStop&) {
    ctx->report.close();
    return 0;
  } catch (const RunStop&) {
    ctx->report.close();
    return 0;
  }
  ctx->report.close();
  const ClassTables& c = ctx->eval.classes;
  fuzz::check(c.nft >= 1 && c.nft <= kMaxClasses && c.nat >= 1 && c.nat <= kMaxClasses,
              "class counts outside the accumulator layout");
  for (int code = 1; code <= kMaxCode; ++code) {
    const auto i = static_cast<std::size_t>(code);
    fuzz::check(
        c.ft_class_map[i] >= 0 && c.at_class_map[i] >= 0 && c.ft_analysis_map[i] >= 0 && c.at_analysis_map[i] >= 0,
        "a negative class in a map");
  }
  return 0;
}
