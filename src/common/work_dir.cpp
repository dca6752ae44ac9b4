#include "common/work_dir.h"

#include <system_error>

#include "common/errors.h"

namespace korvo {

bool WorkDir::exists(std::string_view name) const {
  if (name.empty()) return false;
  std::error_code ec;
  return std::filesystem::exists(path(name), ec);
}

void WorkDir::remove(std::string_view name) const {
  std::error_code ec;
  std::filesystem::remove(path(name), ec);
  if (ec) throw WriteError(std::string(name), std::nullopt, "cannot be deleted: " + ec.message());
}

}  // namespace korvo
