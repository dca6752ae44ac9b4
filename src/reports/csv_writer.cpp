#include "reports/csv_writer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvo {
namespace {

// Plain decimal notation within this range of magnitudes, exponent notation
// outside: shortest round-trip either way.
constexpr double kPlainMin = 1e-6;
constexpr double kPlainMax = 1e21;

// Enough for any double in plain notation below 1e21 (22 digits before the
// point, 17 significant after 6 zeros) or in exponent notation.
constexpr std::size_t kNumberBuffer = 64;

// Below this magnitude every whole number of type T is exact, so its
// shortest text is its digits.
template <typename T>
constexpr T kExactWholeLimit = T(1) / std::numeric_limits<T>::epsilon() * 2;

template <typename T>
std::size_t format_number(T value, char* buf) {
  if (!std::isfinite(value)) return 0;
  if (value == 0) value = 0;  // -0 prints as 0
  // Most figures of the tables file are whole (counts of links, and the
  // zeros of empty cells): they go through the integer conversion, which
  // gives the same digits with less work than the shortest-text search.
  if (std::fabs(value) < kExactWholeLimit<T>) {
    const auto whole = static_cast<std::int64_t>(value);
    if (static_cast<T>(whole) == value) {
      return static_cast<std::size_t>(std::to_chars(buf, buf + kNumberBuffer, whole).ptr - buf);
    }
  }
  const double magnitude = std::fabs(static_cast<double>(value));
  const bool plain = magnitude == 0 || (magnitude >= kPlainMin && magnitude < kPlainMax);
  std::to_chars_result r = plain ? std::to_chars(buf, buf + kNumberBuffer, value, std::chars_format::fixed)
                                 : std::to_chars(buf, buf + kNumberBuffer, value);
  if (r.ec != std::errc()) r = std::to_chars(buf, buf + kNumberBuffer, value);
  return r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - buf) : 0;
}

}  // namespace

bool csv_needs_quotes(std::string_view text) {
  if (text.empty()) return false;
  if (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t') return true;
  // KVTABLES.CSV passes its table names and class labels through here row
  // after row. Sixteen bytes at a time, and the rest byte by byte, the scan
  // takes about half the instructions of a loop over every byte
  // (find_first_of, which calls memchr for every character, took more still).
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, comma), _mm_cmpeq_epi8(bytes, quote)),
                                     _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
    if (_mm_movemask_epi8(hit) != 0) return true;
  }
#endif
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

void CsvWriter::separate() {
  if (row_started_) row_ += ',';
  row_started_ = true;
}

void CsvWriter::text(std::string_view value) {
  separate();
  if (!csv_needs_quotes(value)) {
    row_ += value;
    return;
  }
  row_ += '"';
  for (char c : value) {
    if (c == '"') row_ += '"';
    row_ += c;
  }
  row_ += '"';
}

void CsvWriter::number(double value) {
  separate();
  char buf[kNumberBuffer];
  row_.append(buf, format_number(value, buf));
}

void CsvWriter::number(float value) {
  separate();
  char buf[kNumberBuffer];
  row_.append(buf, format_number(value, buf));
}

void CsvWriter::number(std::int64_t value) {
  separate();
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  row_.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

void CsvWriter::empty() { separate(); }

void CsvWriter::end_row() {
  out_.write_record(row_);
  row_.clear();
  row_started_ = false;
}

std::string CsvWriter::take_fields() {
  std::string taken = row_;
  row_.clear();
  row_started_ = false;
  return taken;
}

void CsvWriter::fields(std::string_view taken) {
  separate();
  row_ += taken;
}

std::string CsvWriter::format(double value) {
  char buf[kNumberBuffer];
  return std::string(buf, format_number(value, buf));
}

std::string CsvWriter::format(float value) {
  char buf[kNumberBuffer];
  return std::string(buf, format_number(value, buf));
}

}  // namespace korvo
