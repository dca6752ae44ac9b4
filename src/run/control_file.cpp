#include "run/control_file.h"

#include <ctime>
#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"
#include "run/run_context.h"

namespace korvo {

bool read_file_code(TextReader& control, bool input_key, FixedText<3>& code) {
  const std::string_view wanted = input_key ? "FILEI" : "FILEO";
  std::string_view record;
  while (control.next(record)) {
    if (FixedText<5>(columns(record, 2, 6)).view() != wanted) continue;
    const std::int64_t key_line = control.line_number();
    if (!control.next(record)) {
      throw InputError(input_error_line(control.name(), "line " + std::to_string(key_line + 1), "file code",
                                        "expected the code record after the " + std::string(wanted) +
                                            " key of line " + std::to_string(key_line) + ", found the end of the file"));
    }
    code.assign(columns(record, 1, 3));
    return true;
  }
  return false;
}

void apply_file_code(FixedText<32>& name, const FixedText<3>& code) {
  for (std::size_t p = 0; p < 29; ++p) {
    if (name[p] != '.') continue;
    for (std::size_t k = 0; k < 3; ++k) name[p + 1 + k] = code[k];
    return;
  }
}

RunStamp make_run_stamp(const LocalTime& now) {
  static constexpr std::string_view kMonths = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
  static constexpr std::string_view kDigits = "0123456789";
  auto two = [](int v, char* out) {
    v = ((v % 100) + 100) % 100;
    out[0] = kDigits[static_cast<std::size_t>(v / 10)];
    out[1] = kDigits[static_cast<std::size_t>(v % 10)];
  };
  RunStamp stamp;
  char date[8];
  two(now.day, date);
  const int month = (now.month >= 1 && now.month <= 12) ? now.month : 1;
  for (int k = 0; k < 3; ++k) date[2 + k] = kMonths[static_cast<std::size_t>(3 * month - 3 + k)];
  two(now.year, date + 5);
  date[7] = ' ';
  stamp.date.assign(std::string_view(date, 8));
  char time[8];
  two(now.hour, time);
  time[2] = ':';
  two(now.minute, time + 3);
  time[5] = ':';
  two(now.second, time + 6);
  stamp.time.assign(std::string_view(time, 8));
  return stamp;
}

LocalTime system_local_time() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace korvo
