#include "common/byte_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/errors.h"

namespace korvo {

ByteStream::ByteStream(ByteStream&& other) noexcept { *this = std::move(other); }

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
  if (this != &other) {
    close();
    name_ = std::move(other.name_);
    fd_ = other.fd_;
    memory_mode_ = other.memory_mode_;
    buffer_ = std::move(other.buffer_);
    data_ = other.data_;
    begin_ = other.begin_;
    end_ = other.end_;
    consumed_ = other.consumed_;
    eof_ = other.eof_;
    other.fd_ = -1;
    other.memory_mode_ = false;
    other.data_ = nullptr;
  }
  return *this;
}

ByteStream::~ByteStream() { close(); }

ByteStream ByteStream::open_file(const std::filesystem::path& path, std::string display_name) {
  ByteStream s;
  s.name_ = std::move(display_name);
  s.fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (s.fd_ < 0) {
    throw FileError(s.name_, FilePlace{}, "", std::string("cannot be opened for reading: ") + std::strerror(errno));
  }
  s.buffer_ = std::make_unique_for_overwrite<char[]>(kFrontRoom + kBufferSize);
  std::memset(s.buffer_.get(), ' ', kFrontRoom);
  s.data_ = s.buffer_.get() + kFrontRoom;
  return s;
}

ByteStream ByteStream::from_memory(std::string_view bytes, std::string display_name) {
  ByteStream s;
  s.name_ = std::move(display_name);
  s.memory_mode_ = true;
  s.data_ = bytes.data();
  s.end_ = bytes.size();
  s.eof_ = true;
  return s;
}

void ByteStream::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  memory_mode_ = false;
}

bool ByteStream::fill(std::size_t wanted) {
  if (memory_mode_ || fd_ < 0) return end_ - begin_ >= wanted;
  if (begin_ > 0 && begin_ + wanted > kBufferSize) {
    std::memmove(buffer_.get() + kFrontRoom, buffer_.get() + kFrontRoom + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (end_ - begin_ < wanted && !eof_) {
    ssize_t got = ::read(fd_, buffer_.get() + kFrontRoom + end_, kBufferSize - end_);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError(name_, FilePlace::at_byte_offset(consumed_ + (end_ - begin_)), "",
                      std::string("read failed: ") + std::strerror(errno));
    }
    if (got == 0) {
      eof_ = true;
      break;
    }
    end_ += static_cast<std::size_t>(got);
  }
  return end_ - begin_ >= wanted;
}

const char* ByteStream::take_more(std::size_t n) {
  if (n > kBufferSize && !memory_mode_) return nullptr;
  if (!fill(n)) {
    consumed_ += end_ - begin_;
    begin_ = end_;
    return nullptr;
  }
  const char* p = data_ + begin_;
  begin_ += n;
  consumed_ += n;
  return p;
}

bool ByteStream::skip(std::uint64_t n) {
  while (n > 0) {
    std::size_t step = n > kBufferSize ? kBufferSize : static_cast<std::size_t>(n);
    if (take(step) == nullptr) return false;
    n -= step;
  }
  return true;
}

std::string_view ByteStream::peek() {
  if (end_ == begin_) fill(1);
  return {data_ + begin_, end_ - begin_};
}

void ByteStream::rewind() {
  consumed_ = 0;
  begin_ = 0;
  if (memory_mode_) return;
  if (fd_ >= 0) {
    if (::lseek(fd_, 0, SEEK_SET) < 0) {
      throw FileError(name_, FilePlace{}, "", std::string("cannot be rewound: ") + std::strerror(errno));
    }
  }
  end_ = 0;
  eof_ = false;
}

}  // namespace korvo
