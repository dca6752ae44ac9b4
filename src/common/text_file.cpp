#include "common/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/errors.h"

namespace korvo {

bool TextReader::next(std::string_view& line) {
  if (!stream_.is_open()) return false;
  line_.clear();
  bool any = false;
  for (;;) {
    std::string_view chunk = stream_.peek();
    if (chunk.empty()) break;
    any = true;
    const void* newline = std::memchr(chunk.data(), '\n', chunk.size());
    const std::size_t length =
        newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - chunk.data()) : chunk.size();
    if (line_.size() < kMaxLine) line_.append(chunk.data(), std::min(length, kMaxLine - line_.size()));
    stream_.consume(newline ? length + 1 : length);
    if (newline) break;
  }
  if (!any) return false;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  ++line_number_;
  line = line_;
  return true;
}

void TextReader::rewind() {
  stream_.rewind();
  line_number_ = 0;
}

TextWriter::~TextWriter() {
  if (fd_ >= 0) {
    try {
      close();
    } catch (...) {
      // The run is already ending; the error was or will be reported elsewhere.
    }
  }
}

void TextWriter::create(const std::filesystem::path& path, std::string display_name) {
  if (fd_ >= 0) close();
  name_ = std::move(display_name);
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    throw WriteError(name_, std::nullopt, std::string("cannot be created: ") + std::strerror(errno));
  }
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
  used_ = 0;
  written_ = 0;
}

void TextWriter::put(std::string_view bytes) {
  while (!bytes.empty()) {
    if (used_ == kBufferSize) flush();
    std::size_t n = std::min(bytes.size(), kBufferSize - used_);
    std::memcpy(buffer_.get() + used_, bytes.data(), n);
    used_ += n;
    bytes.remove_prefix(n);
  }
}

void TextWriter::write_record(std::string_view record) {
  if (fd_ < 0) throw WriteError(name_.empty() ? "output file" : name_, std::nullopt, "is not open for writing");
  put(record);
  put("\n");
}

void TextWriter::flush() {
  std::size_t done = 0;
  while (done < used_) {
    ssize_t n = ::write(fd_, buffer_.get() + done, used_ - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      used_ = 0;
      throw WriteError(name_, written_ + done, std::string("write failed: ") + std::strerror(error));
    }
    done += static_cast<std::size_t>(n);
  }
  written_ += used_;
  used_ = 0;
}

void TextWriter::close() {
  if (fd_ < 0) return;
  int fd = fd_;
  try {
    flush();
  } catch (...) {
    ::close(fd);
    fd_ = -1;
    throw;
  }
  fd_ = -1;
  if (::close(fd) != 0) {
    throw WriteError(name_, written_, std::string("close failed: ") + std::strerror(errno));
  }
}

}  // namespace korvo
