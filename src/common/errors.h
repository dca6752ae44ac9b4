#pragma once
// The two ways a run can end early.
//
// InputError: the file layer cannot go on (a required file is missing, a value
// cannot be converted, a table limit is reached, the report cannot be written).
// The message is one console line naming the file, the line, record or byte
// offset, the field and what was expected. No completion line follows; the
// process exits with status 2.
//
// RunStop: the run ends with one of its own completion lines ("KORVO --
// Abnormal Completion", "SHWDBF Abnormal Completion", ...). Whatever the
// reason, the process exits with status 0; callers tell runs apart by the line.

#include <stdexcept>
#include <string>

namespace korvo {

class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& console_line) : std::runtime_error(console_line) {}
};

class RunStop : public std::runtime_error {
 public:
  explicit RunStop(const std::string& completion_line) : std::runtime_error(completion_line) {}
  const char* completion_line() const noexcept { return what(); }
};

// The completion lines, exactly as the console shows them.
inline constexpr const char* kNormalCompletion = "KORVO -- Normal Completion";
inline constexpr const char* kAbnormalCompletion = "KORVO -- Abnormal Completion";
inline constexpr const char* kAbnormalCompletionShort = "KORVO Abnormal Completion";
inline constexpr const char* kAuxAbnormalCompletion = " KORVO Abnormal Completion";
inline constexpr const char* kShwdbfAbnormalCompletion = "SHWDBF Abnormal Completion";
inline constexpr const char* kAbnormalStop = "KORVO -- Abnormal STOP";

// Builds the console line of an InputError in one style for every reader:
//   " PROFILE.MAS, line 7, columns 1-80 (KORVOL value): expected an integer, found "12.5""
// where is the line, record or byte offset; field may be empty.
std::string input_error_line(const std::string& file, const std::string& where, const std::string& field,
                             const std::string& problem);

}  // namespace korvo
