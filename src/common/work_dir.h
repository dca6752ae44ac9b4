#pragma once
// The working directory where every file of a run has its fixed name. Runs in
// tests use a temporary directory instead of changing the process's own.

#include <filesystem>
#include <string>
#include <string_view>

namespace korvo {

class WorkDir {
 public:
  WorkDir() = default;
  explicit WorkDir(std::filesystem::path dir) : dir_(std::move(dir)) {}

  std::filesystem::path path(std::string_view name) const {
    return dir_.empty() ? std::filesystem::path(name) : dir_ / name;
  }
  // True when something of that name exists (as Fortran's INQUIRE sees it).
  bool exists(std::string_view name) const;
  // Deletes the file when it exists; throws WriteError when it cannot.
  void remove(std::string_view name) const;
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

}  // namespace korvo
