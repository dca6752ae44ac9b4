#include "app/dispatch.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "app/compare_command.h"
#include "app/driver.h"
#include "app/init_command.h"

namespace korvo {
namespace {

int usage_error(std::ostream& err, const std::string& what) {
  err << "korvo: " << what << '\n' << short_usage_text() << "More: korvo --help\n";
  return 2;
}

int run_in(WorkDir dir, std::ostream& out, std::ostream& err, std::istream& in, std::function<LocalTime()> clock) {
  auto ctx = RunContext::create(std::move(dir), Console(out, in), std::move(clock));
  err << threads_notice(std::getenv("KORVO_THREADS"), ctx->threads);
  return run_program(*ctx);
}

}  // namespace

int run_command(const CommandLine& command, std::ostream& out, std::ostream& err, std::istream& in,
                std::function<LocalTime()> clock) {
  switch (command.kind) {
    case CommandKind::kRun: return run_in(WorkDir{}, out, err, in, std::move(clock));
    case CommandKind::kRunIn: {
      std::error_code ec;
      if (!std::filesystem::is_directory(command.directory, ec)) {
        return usage_error(err, "\"" + command.directory + "\" is not a directory");
      }
      return run_in(WorkDir(command.directory), out, err, in, std::move(clock));
    }
    case CommandKind::kHelp: out << usage_text(); return 0;
    case CommandKind::kVersion: out << version_text(); return 0;
    case CommandKind::kInitHelp: out << init_usage_text(); return 0;
    case CommandKind::kInit:
      return run_init(InitRequest{command.directory, command.source, command.network_file}, out, err);
    case CommandKind::kCompare: return run_compare_command(command.rest, out);
    case CommandKind::kUsageError: return usage_error(err, command.error);
  }
  return usage_error(err, "unknown command");
}

}  // namespace korvo
