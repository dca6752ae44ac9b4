#pragma once
// Text files as records: TextReader hands out one line at a time (without its
// line end; a CR before the LF is dropped, so files written on DOS read the
// same), TextWriter writes records through layouts and checks every write.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/byte_stream.h"
#include "common/layout.h"

namespace korvo {

class TextReader {
 public:
  // Longer lines keep their first kMaxLine characters; the rest is skipped,
  // as fixed-column reading never looks beyond its last column.
  static constexpr std::size_t kMaxLine = 4096;

  TextReader() = default;
  explicit TextReader(ByteStream stream) : stream_(std::move(stream)) {}

  static TextReader open_file(const std::filesystem::path& path, std::string display_name) {
    return TextReader(ByteStream::open_file(path, std::move(display_name)));
  }
  static TextReader from_memory(std::string_view bytes, std::string display_name) {
    return TextReader(ByteStream::from_memory(bytes, std::move(display_name)));
  }

  // The next line, valid until the next call; false at end of file.
  bool next(std::string_view& line);
  // The number of the line last returned (1 for the first).
  std::int64_t line_number() const { return line_number_; }
  const std::string& name() const { return stream_.name(); }
  bool is_open() const { return stream_.is_open(); }
  void rewind();
  void close() { stream_.close(); }

 private:
  ByteStream stream_;
  std::string line_;
  std::int64_t line_number_ = 0;
};

// A text file written record by record, each record ending in LF. Writes are
// buffered; a failed write or close throws WriteError naming the file and
// the byte offset, so a report is never truncated silently.
class TextWriter final : public RecordSink {
 public:
  TextWriter() = default;
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;
  ~TextWriter() override;

  // Creates (or truncates) the file; throws WriteError when it cannot.
  void create(const std::filesystem::path& path, std::string display_name);
  bool is_open() const { return fd_ >= 0; }
  const std::string& name() const { return name_; }

  void write_record(std::string_view record) override;
  // Writes through a layout (see write_record).
  template <typename AnyLayout, typename... Values>
  void write(const AnyLayout& layout, const Values&... values) {
    korvo::write_record(*this, layout, values...);
  }

  void flush();
  // Flushes and closes; the file is kept.
  void close();
  // Bytes handed to the writer so far.
  std::uint64_t offset() const { return written_ + used_; }

 private:
  void put(std::string_view bytes);

  static constexpr std::size_t kBufferSize = 1 << 16;
  std::string name_;
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
};

}  // namespace korvo
