#pragma once
// How a run ends early, by what went wrong.
//
// FileStop: the file layer cannot go on. The run writes one console line, no
// completion line, and the process exits with status 2. Its kinds:
//   FileError          an input file: missing, unreadable, a value that
//                      cannot be converted, a limit of the program's tables
//   WriteError         an output file that cannot be created, deleted,
//                      written or closed (a full disk is not an input error),
//                      or a value that does not fit its field of a data file
//   ConsoleInputEnded  the console input ended at the one prompt
//
// RunStop: the run ends with one of its own abnormal completion lines
// ("KORVO -- Abnormal Completion", "SHWDBF Abnormal Completion", ...) and
// the process exits with status 1. Only a run that ends with "KORVO --
// Normal Completion" exits with status 0, so that a calling script never
// takes a failed run for a good one.
//
// Anything else that escapes (std::logic_error, LayoutError) is a fault of the
// program: exit status 3.
//
// The console line of a file error names the file, the place, the field and
// what was expected, in one style for every reader:
//   " PROFILE.MAS, line 7 (value of KORVOL): expected an integer, found "12.5""
//   " NET05A.DBF, record 1207 (field DISTANCE, bytes 12-18): expected a number, found "12.3.4""
//   " VOLNAUX.05A, record 3 at byte offset 36: expected the record of link 10-20, found the end of the file"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvo {

// Where in a file: a line, a record, a byte offset, and columns of a line.
// Empty: the file as a whole.
struct FilePlace {
  std::int64_t line = 0;    // 1-based; 0: no line
  std::int64_t record = 0;  // 1-based; 0: no record
  std::optional<std::uint64_t> byte_offset;
  // The byte offset is where the record starts: "record 3 at byte offset 36";
  // otherwise it is a place of its own: "record 1, byte offset 884".
  bool offset_of_record = false;
  int first_column = 0;  // 1-based; 0: no columns
  int last_column = 0;
  int column = 0;  // one column where a field starts (a CSV field); 0: none

  static FilePlace at_line(std::int64_t line) {
    FilePlace p;
    p.line = line;
    return p;
  }
  static FilePlace at_record(std::int64_t record) {
    FilePlace p;
    p.record = record;
    return p;
  }
  static FilePlace at_byte_offset(std::uint64_t offset) {
    FilePlace p;
    p.byte_offset = offset;
    return p;
  }
  static FilePlace record_at_offset(std::int64_t record, std::uint64_t offset) {
    FilePlace p = at_record(record);
    p.byte_offset = offset;
    p.offset_of_record = true;
    return p;
  }
  static FilePlace at_column(std::int64_t line, int column) {
    FilePlace p = at_line(line);
    p.column = column;
    return p;
  }
  FilePlace with_columns(int first, int last) const {
    FilePlace p = *this;
    p.first_column = first;
    p.last_column = last;
    return p;
  }

  // "line 7, columns 1-80", "line 7, column 12", "record 3 at byte offset 36",
  // "" for none.
  std::string text() const;
};

// A stop of the file layer: exit status 2 and this console line.
class FileStop : public std::runtime_error {
 public:
  const char* console_line() const noexcept { return what(); }

 protected:
  explicit FileStop(const std::string& console_line) : std::runtime_error(console_line) {}
};

class FileError : public FileStop {
 public:
  // What was found, as the line shows it: a text of the file is quoted (with
  // its control bytes as \xNN); a description ("the end of the file") or a
  // number is not.
  struct Found {
    std::string text;
    static Found file_text(std::string_view text);
    static Found words(std::string text) { return Found{std::move(text)}; }
  };

  // A problem said in its own words ("cannot be opened for reading: No such
  // file or directory", "N = 500 exceeds the limit of 490 words per record").
  FileError(std::string file, FilePlace place, std::string field, std::string problem);
  // "expected <expected>, found <found>".
  FileError(std::string file, FilePlace place, std::string field, const std::string& expected, const Found& found);

  const std::string& file() const { return file_; }
  const FilePlace& place() const { return place_; }
  const std::string& field() const { return field_; }
  // Empty for a problem said in its own words.
  const std::string& expected() const { return expected_; }
  const std::string& found() const { return found_; }
  const std::string& problem() const { return problem_; }

 private:
  FileError(std::string file, FilePlace place, std::string field, std::string expected, std::string found,
            std::string problem);

  std::string file_;
  FilePlace place_;
  std::string field_;
  std::string expected_;
  std::string found_;
  std::string problem_;
};

class WriteError : public FileStop {
 public:
  // problem: "cannot be created: Permission denied", "write failed: No space
  // left on device"; byte_offset: where the write failed, when it matters.
  WriteError(std::string file, std::optional<std::uint64_t> byte_offset, std::string problem);

  const std::string& file() const { return file_; }
  const std::optional<std::uint64_t>& byte_offset() const { return byte_offset_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string file_;
  std::optional<std::uint64_t> byte_offset_;
  std::string problem_;
};

class ConsoleInputEnded : public FileStop {
 public:
  // The prompt asked for the name of the dBASE file given as `name`.
  explicit ConsoleInputEnded(std::string_view name);
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

}  // namespace korvo
