#pragma once
// A scratch working directory for one test, removed afterwards, and helpers
// to run the whole program in it in-process.

#include <filesystem>
#include <string>
#include <string_view>

#include "reports/report.h"

namespace korvo::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(std::string_view name) const { return path_ / name; }
  void write(std::string_view name, std::string_view bytes) const;
  std::string read(std::string_view name) const;
  bool exists(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// The outcome of one in-process run.
struct RunResult {
  int status = -1;
  std::string console;  // everything written to the console
};

// A fixed clock: 4 July 2026, 09:05:07.
LocalTime fixed_clock();

// Runs the program in dir with console input and a fixed clock. A
// threads of 1 to 3 overrides the run's own choice (KORVO_THREADS).
RunResult run_korvo(const TempDir& dir, std::string_view console_input = {});
// ... in any directory.
RunResult run_korvo(const std::filesystem::path& dir, std::string_view console_input = {}, int threads = 0);

// Reads a whole file; empty when it does not exist.
std::string read_file(const std::filesystem::path& path);

}  // namespace korvo::testing
