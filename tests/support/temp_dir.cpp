#include "support/temp_dir.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/driver.h"

namespace korvo::testing {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    auto candidate = base / ("korvo-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file(name).string());
}

std::string TempDir::read(std::string_view name) const { return read_file(file(name)); }

bool TempDir::exists(std::string_view name) const { return std::filesystem::exists(file(name)); }

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

LocalTime fixed_clock() { return LocalTime{2026, 7, 4, 9, 5, 7}; }

RunResult run_korvo(const TempDir& dir, std::string_view console_input) { return run_korvo(dir.path(), console_input); }

RunResult run_korvo(const std::filesystem::path& dir, std::string_view console_input, int threads) {
  std::ostringstream out;
  std::istringstream in{std::string(console_input)};
  auto ctx = RunContext::create(WorkDir(dir), Console(out, in), fixed_clock);
  if (threads > 0) ctx->threads = threads;
  RunResult result;
  result.status = run_program(*ctx);
  result.console = out.str();
  return result;
}

}  // namespace korvo::testing
