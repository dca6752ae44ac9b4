#pragma once
// Sequential unformatted records as gfortran writes them: each record is
// preceded and followed by its length in bytes, a 4-byte little-endian
// integer. Both markers are checked against each other and against what the
// file still holds before a byte of the record is used.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/byte_stream.h"

namespace korvo {

// Little-endian loads from a byte buffer.
inline std::uint32_t load_u32le(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
inline std::int32_t load_i32le(const char* p) { return static_cast<std::int32_t>(load_u32le(p)); }
inline std::uint16_t load_u16le(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::int16_t load_i16le(const char* p) { return static_cast<std::int16_t>(load_u16le(p)); }

class FortranRecordReader {
 public:
  FortranRecordReader() = default;
  explicit FortranRecordReader(ByteStream* stream) : stream_(stream) {}

  enum class Status { kRecord, kEndOfFile };

  // Reads the next record into `record` (a view into the stream's buffer,
  // valid until the next read). A file that ends exactly between records
  // gives kEndOfFile; anything else that does not frame a record of at most
  // max_length bytes throws FileError naming the file, the record number and
  // the byte offset. Always inline: the auxiliary network file gives one
  // record per link, and a call of its own cost a binary run's link loop
  // about 5 instructions a link.
  [[gnu::always_inline]] Status next(std::string_view& record, std::size_t max_length) {
    // A record the buffer holds whole, between markers that agree, is taken
    // here; everything else (a refill, the end of the file, a marker to
    // report) goes through next_checked, which decides it.
    const std::string_view run = stream_->buffered();
    if (run.size() >= 8) {
      const std::uint32_t length = load_u32le(run.data());
      if (length <= max_length && length <= ByteStream::kBufferSize - 8 && length <= run.size() - 8 &&
          load_u32le(run.data() + 4 + length) == length) {
        record_offset_ = stream_->offset();
        ++record_number_;
        stream_->consume(8 + static_cast<std::size_t>(length));
        record = std::string_view(run.data() + 4, length);  // substr would check again, out of line
        return Status::kRecord;
      }
    }
    return next_checked(record, max_length);
  }

  // Number of the record last read (1 for the first).
  std::int64_t record_number() const { return record_number_; }
  // Byte offset where the record last read starts (its leading marker).
  std::uint64_t record_offset() const { return record_offset_; }
  void rewind();
  ByteStream* stream() { return stream_; }

 private:
  Status next_checked(std::string_view& record, std::size_t max_length);
  [[noreturn]] void fail(const std::string& problem) const;

  ByteStream* stream_ = nullptr;
  std::int64_t record_number_ = 0;
  std::uint64_t record_offset_ = 0;
};

}  // namespace korvo
