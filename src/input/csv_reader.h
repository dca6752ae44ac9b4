#pragma once
// RFC 4180 CSV, read record by record from a byte stream:
// - fields separated by ",", records ending in LF or CRLF (the last record
//   may end at the end of the file);
// - a field that begins with a quote is quoted: it ends at the next single
//   quote, a doubled quote inside stands for one quote, and commas, CR and
//   LF inside are data ("a ""b"", c" reads as: a "b", c);
// - a UTF-8 byte-order mark before the first record is skipped;
// - an empty line is a record of one empty field (blank() tells it apart
//   from a line holding "").
// Bytes are handed out as they are (no character set is assumed).
//
// Errors stop the reading with FileError naming the file, the line and the
// column (in bytes, 1 for the first) where the fault is:
//   " run1/KVTABLES.CSV, line 7, column 12: a quote inside a field that does
//     not begin with one (quote the whole field and double the quote)"
// Faults: a quote inside an unquoted field; anything but a comma or the end
// of the line after a closing quote; a quoted field still open at the end of
// the file (the error names where it opened); a CR not followed by LF
// outside quotes; a NUL byte; more than kMaxFields fields; a field of more
// than kMaxFieldBytes bytes. These caps keep the memory of a record fixed
// whatever the file holds.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/byte_stream.h"
#include "common/errors.h"

namespace korvo {

class CsvReader {
 public:
  static constexpr std::size_t kMaxFields = 64;
  static constexpr std::size_t kMaxFieldBytes = 4096;

  explicit CsvReader(ByteStream stream);

  // Reads the next record; false at the end of the file. Throws FileError.
  bool next();

  std::size_t size() const { return count_; }
  // Field i (0-based) of the record last read, without its quotes.
  std::string_view field(std::size_t i) const;
  // Where field i begins (its opening quote when quoted).
  std::int64_t field_line(std::size_t i) const { return starts_[i].line; }
  std::int64_t field_column(std::size_t i) const { return starts_[i].column; }
  // The line on which the record last read begins.
  std::int64_t line() const { return count_ > 0 ? starts_[0].line : line_; }
  // True when the record last read was an empty line.
  bool blank() const { return blank_; }
  const std::string& name() const { return stream_.name(); }

  // The place of field i for error messages: "line 7, column 12".
  FilePlace place(std::size_t i) const;

 private:
  struct Start {
    std::int64_t line = 0;
    std::int64_t column = 0;
  };
  [[noreturn]] void fail(Start at, const std::string& problem) const;
  int get();  // the next byte (0..255), or -1 at the end; at_ is its place
  void begin_field();
  void end_field();
  void append(char c);

  ByteStream stream_;
  std::string_view chunk_;                          // bytes peeked from the stream
  std::size_t pos_ = 0;                             // the next byte of chunk_
  std::string bytes_;                               // the record's fields, one after the other
  std::array<std::size_t, kMaxFields + 1> ends_{};  // ends_[i + 1]: the end of field i in bytes_
  std::array<Start, kMaxFields> starts_{};
  std::size_t count_ = 0;
  Start at_;               // the place of the byte get() returned last
  std::int64_t line_ = 1;  // the place of the next byte
  std::int64_t column_ = 1;
  bool blank_ = false;
  bool started_ = false;  // the byte-order mark has been looked for
};

}  // namespace korvo
