#include "app/run_context.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace korvo {

LocalTime system_local_time() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

namespace {

// 1, 2 or 3 for those values; 0 for any other.
int threads_given(const char* value) {
  for (const char* given : {"1", "2", "3"}) {
    if (value != nullptr && std::strcmp(value, given) == 0) return given[0] - '0';
  }
  return 0;
}

}  // namespace

int threads_setting(const char* value, unsigned cores) {
  const int given = threads_given(value);
  return given != 0 ? given : static_cast<int>(std::clamp(cores, 1U, 3U));
}

std::string threads_notice(const char* value, int threads) {
  if (value == nullptr || *value == '\0' || threads_given(value) != 0) return {};
  return "korvo: KORVO_THREADS=\"" + console_safe(value) + "\" is not 1, 2 or 3: this run takes " +
         std::to_string(threads) + (threads == 1 ? " thread" : " threads") + ", one per core up to three\n";
}

unsigned usable_cores() {
#if defined(__linux__)
  // The processors this process may run on: fewer than the machine has
  // under taskset, or a container's cpuset.
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return static_cast<unsigned>(count);
  }
#endif
  return std::thread::hardware_concurrency();
}

int threads_setting(const char* value) { return threads_setting(value, usable_cores()); }

}  // namespace korvo
