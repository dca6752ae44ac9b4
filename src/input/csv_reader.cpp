#include "input/csv_reader.h"

#include "common/errors.h"

namespace korvo {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A byte for a message: "x" when printable, else byte 0xNN.
std::string describe_byte(int c) {
  if (c >= 0x20 && c < 0x7F) return std::string("\"") + static_cast<char>(c) + "\"";
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  const auto u = static_cast<unsigned>(c);
  return std::string("byte 0x") + kHex[(u >> 4) & 15] + kHex[u & 15];
}

}  // namespace

CsvReader::CsvReader(ByteStream stream) : stream_(std::move(stream)) {}

std::string_view CsvReader::field(std::size_t i) const {
  return std::string_view(bytes_).substr(ends_[i], ends_[i + 1] - ends_[i]);
}

FilePlace CsvReader::place(std::size_t i) const {
  const Start s = i < count_ ? starts_[i] : Start{line(), 1};
  return FilePlace::at_column(s.line, static_cast<int>(s.column));
}

void CsvReader::fail(Start at, const std::string& problem) const {
  throw FileError(stream_.name(), FilePlace::at_column(at.line, static_cast<int>(at.column)), "", problem);
}

int CsvReader::get() {
  if (pos_ >= chunk_.size()) {
    stream_.consume(chunk_.size());
    chunk_ = stream_.peek();
    pos_ = 0;
    if (chunk_.empty()) {
      at_ = {line_, column_};
      return -1;
    }
  }
  const auto c = static_cast<unsigned char>(chunk_[pos_++]);
  at_ = {line_, column_};
  if (c == '\n') {
    ++line_;
    column_ = 1;
  } else {
    ++column_;
  }
  return c;
}

void CsvReader::begin_field() {
  if (count_ == kMaxFields) fail(at_, "more than " + std::to_string(kMaxFields) + " fields in a record");
  starts_[count_] = at_;
}

void CsvReader::end_field() {
  ++count_;
  ends_[count_] = bytes_.size();
}

void CsvReader::append(char c) {
  if (bytes_.size() - ends_[count_] >= kMaxFieldBytes) {
    fail(starts_[count_], "a field of more than " + std::to_string(kMaxFieldBytes) + " bytes");
  }
  bytes_ += c;
}

bool CsvReader::next() {
  count_ = 0;
  ends_[0] = 0;
  bytes_.clear();
  blank_ = false;
  if (!started_) {
    started_ = true;
    const std::string_view head = stream_.peek();
    if (head.substr(0, kByteOrderMark.size()) == kByteOrderMark) stream_.consume(kByteOrderMark.size());
  }
  int c = get();
  if (c < 0) return false;

  enum class State { kFieldStart, kUnquoted, kQuoted, kAfterQuote, kCarriageReturn };
  State state = State::kFieldStart;
  Start quote_at, cr_at;
  bool first_quoted = false;
  for (;; c = get()) {
    switch (state) {
      case State::kFieldStart:
        begin_field();
        if (c == '"') {
          if (count_ == 0) first_quoted = true;
          quote_at = at_;
          state = State::kQuoted;
          continue;
        }
        state = State::kUnquoted;
        [[fallthrough]];
      case State::kUnquoted:
        if (c < 0 || c == '\n') {
          end_field();
          blank_ = count_ == 1 && !first_quoted && field(0).empty();
          return true;
        }
        if (c == ',') {
          end_field();
          state = State::kFieldStart;
        } else if (c == '\r') {
          cr_at = at_;
          state = State::kCarriageReturn;
        } else if (c == '"') {
          fail(at_, "a quote inside a field that does not begin with one (quote the whole field and double the quote)");
        } else if (c == 0) {
          fail(at_, "a NUL byte (not a text file)");
        } else {
          append(static_cast<char>(c));
        }
        continue;
      case State::kQuoted:
        if (c < 0) fail(quote_at, "the quoted field that begins here is not closed before the end of the file");
        if (c == '"') {
          state = State::kAfterQuote;
        } else if (c == 0) {
          fail(at_, "a NUL byte (not a text file)");
        } else {
          append(static_cast<char>(c));
        }
        continue;
      case State::kAfterQuote:
        if (c == '"') {
          append('"');
          state = State::kQuoted;
        } else if (c == ',') {
          end_field();
          state = State::kFieldStart;
        } else if (c < 0 || c == '\n') {
          end_field();
          return true;
        } else if (c == '\r') {
          cr_at = at_;
          state = State::kCarriageReturn;
        } else {
          fail(at_, "expected a comma or the end of the line after the closing quote, found " + describe_byte(c));
        }
        continue;
      case State::kCarriageReturn:
        if (c == '\n') {
          end_field();
          blank_ = count_ == 1 && !first_quoted && field(0).empty();
          return true;
        }
        fail(cr_at, "a CR that is not followed by LF (a line ends in LF or CRLF)");
    }
  }
}

}  // namespace korvo
