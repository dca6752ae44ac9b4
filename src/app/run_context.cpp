#include "app/run_context.h"

#include <cstring>
#include <ctime>
#include <thread>

namespace korvo {

LocalTime system_local_time() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

int threads_setting(const char* value) {
  if (value != nullptr && std::strcmp(value, "1") == 0) return 1;
  return std::thread::hardware_concurrency() > 1 ? 2 : 1;
}

}  // namespace korvo
