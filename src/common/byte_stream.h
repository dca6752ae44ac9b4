#pragma once
// Sequential byte input from a file or from memory, through one buffer that
// is allocated when the stream opens and never grows: readers take runs of
// bytes as pointers into it, so streaming a file costs no allocation per
// record. Every read is checked against what is left; a short read reports
// end of file and leaves the stream at its end.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace korvo {

class ByteStream {
 public:
  // The largest run take() can return.
  static constexpr std::size_t kBufferSize = 1 << 18;
  // A file stream's buffer keeps this many bytes of its own before the first
  // byte it hands out, so that a reader may load 8 bytes ending anywhere
  // after the start of a run it took (see front_room()).
  static constexpr std::size_t kFrontRoom = 8;

  ByteStream() = default;
  ByteStream(ByteStream&&) noexcept;
  ByteStream& operator=(ByteStream&&) noexcept;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;
  ~ByteStream();

  // Opens a file for reading; throws FileError naming display_name when it
  // cannot be opened.
  static ByteStream open_file(const std::filesystem::path& path, std::string display_name);
  // Reads from memory the caller keeps alive.
  static ByteStream from_memory(std::string_view bytes, std::string display_name);

  bool is_open() const { return fd_ >= 0 || memory_mode_; }
  // True when the kFrontRoom bytes before any run that take() returns belong
  // to the stream (a file stream); false for memory the caller owns.
  bool front_room() const { return fd_ >= 0; }
  const std::string& name() const { return name_; }

  // The next n bytes (n <= kBufferSize), or nullptr when fewer than n are
  // left; then the stream is at its end. take(0) returns a valid pointer.
  // The bytes already buffered are handed out inline; refilling the buffer
  // is take_more's.
  const char* take(std::size_t n) {
    if (end_ - begin_ < n) return take_more(n);
    const char* p = data_ + begin_;
    begin_ += n;
    consumed_ += n;
    return p;
  }
  // The bytes buffered now, filling the buffer first when it is empty; an
  // empty view means end of file. consume() then advances over some of them.
  std::string_view peek();
  // The bytes buffered now, without reading more.
  std::string_view buffered() const { return {data_ + begin_, end_ - begin_}; }
  void consume(std::size_t n) {
    begin_ += n;
    consumed_ += n;
  }
  // Skips n bytes; false when fewer were left.
  bool skip(std::uint64_t n);
  // Bytes consumed so far: the offset of the next byte.
  std::uint64_t offset() const { return consumed_; }
  // True when no byte is left.
  bool at_end() { return end_ == begin_ && !fill(1); }
  void rewind();
  void close();

 private:
  bool fill(std::size_t wanted);
  const char* take_more(std::size_t n);

  std::string name_;
  int fd_ = -1;
  bool memory_mode_ = false;
  std::unique_ptr<char[]> buffer_;
  const char* data_ = nullptr;  // start of valid bytes (the buffer or the memory)
  std::size_t begin_ = 0;       // first unconsumed byte within data_
  std::size_t end_ = 0;         // one past the last valid byte
  std::uint64_t consumed_ = 0;
  bool eof_ = false;
};

}  // namespace korvo
