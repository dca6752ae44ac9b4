#include "common/fixed_read.h"

#include <array>
#include <charconv>
#include <cmath>

#include "common/errors.h"

namespace korvo {
namespace {

constexpr std::size_t kMaxNumberText = 320;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Builds "digits.digitsEexp" from a Fortran real field into buf; the value
// then goes through from_chars for a correctly rounded result.
ParseStatus normalise_real(std::string_view field, int decimals, std::array<char, kMaxNumberText + 16>& buf,
                           std::size_t& length, bool& zero_field) {
  std::size_t n = 0;
  auto put = [&](char c) {
    if (n >= kMaxNumberText) return false;
    buf[n++] = c;
    return true;
  };
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < field.size() && field[i] == ' ') ++i;
  };
  skip_blanks();
  if (i == field.size()) {
    zero_field = true;
    return ParseStatus::kOk;
  }
  zero_field = false;
  if (field[i] == '+' || field[i] == '-') {
    if (field[i] == '-') put('-');
    ++i;
  }
  std::size_t mantissa_digits = 0;
  std::size_t digits_after_point = 0;
  bool point = false;
  for (; i < field.size(); ++i) {
    char c = field[i];
    if (c == ' ') continue;
    if (is_digit(c)) {
      if (!put(c)) return ParseStatus::kOutOfRange;
      ++mantissa_digits;
      if (point) ++digits_after_point;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  long exponent = 0;
  if (i < field.size()) {
    char c = field[i];
    bool has_letter = c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q';
    if (!has_letter && c != '+' && c != '-') return ParseStatus::kNotANumber;
    if (has_letter) ++i;
    while (i < field.size() && field[i] == ' ') ++i;
    bool negative_exponent = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
      negative_exponent = field[i] == '-';
      ++i;
    }
    std::size_t exponent_digits = 0;
    for (; i < field.size(); ++i) {
      if (field[i] == ' ') continue;
      if (!is_digit(field[i])) return ParseStatus::kNotANumber;
      if (exponent < 100000) exponent = exponent * 10 + (field[i] - '0');
      ++exponent_digits;
    }
    if (exponent_digits == 0) return ParseStatus::kNotANumber;
    if (negative_exponent) exponent = -exponent;
  }
  if (mantissa_digits == 0) {
    // A lone sign or point reads as zero, as Fortran input does.
    if (point || n > 0 || exponent != 0) {
      zero_field = true;
      return ParseStatus::kOk;
    }
    return ParseStatus::kNotANumber;
  }
  const long scale = exponent - static_cast<long>(point ? digits_after_point : static_cast<std::size_t>(decimals));
  if (!put('e')) return ParseStatus::kOutOfRange;
  auto [end, ec] = std::to_chars(buf.data() + n, buf.data() + buf.size(), scale);
  if (ec != std::errc()) return ParseStatus::kOutOfRange;
  length = static_cast<std::size_t>(end - buf.data());
  return ParseStatus::kOk;
}

template <typename Real>
ParseStatus parse_real_impl(std::string_view field, int decimals, Real& out) {
  std::array<char, kMaxNumberText + 16> buf;
  std::size_t length = 0;
  bool zero = false;
  ParseStatus status = normalise_real(field, decimals, buf, length, zero);
  if (status != ParseStatus::kOk) return status;
  if (zero) {
    out = 0;
    return ParseStatus::kOk;
  }
  Real value{};
  auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + length, value, std::chars_format::scientific);
  if (ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow cannot be held. The decimal exponent
    // of the leading digit tells which: digits "00123e-7" stand for 1.23e-5.
    const std::string_view text(buf.data(), length);
    const std::size_t e = text.find('e');
    std::string_view digits = text.substr(0, e);
    if (!digits.empty() && digits[0] == '-') digits.remove_prefix(1);
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos) {
      out = 0;
      return ParseStatus::kOk;
    }
    long exponent = 0;
    std::from_chars(text.data() + e + 1, text.data() + text.size(), exponent);
    const long leading = exponent + static_cast<long>(digits.size() - first) - 1;
    if (leading < 0) {
      out = 0;
      return ParseStatus::kOk;
    }
    return ParseStatus::kOutOfRange;
  }
  if (ec != std::errc() || ptr != buf.data() + length) return ParseStatus::kNotANumber;
  out = value;
  return ParseStatus::kOk;
}

}  // namespace

ParseStatus parse_integer_field_general(std::string_view field, std::int64_t& out) {
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  int significant = 0;
  for (; i < field.size(); ++i) {
    char c = field[i];
    if (c == ' ') continue;
    if (!is_digit(c)) return ParseStatus::kNotANumber;
    if (value != 0 || c != '0') ++significant;
    if (significant > 18) return ParseStatus::kOutOfRange;
    value = value * 10 + (c - '0');
  }
  out = negative ? -value : value;
  return ParseStatus::kOk;
}

ParseStatus parse_real_field_general(std::string_view field, int decimals, double& out) {
  return parse_real_impl(field, decimals, out);
}

ParseStatus parse_real_field(std::string_view field, int decimals, float& out) {
  return parse_real_impl(field, decimals, out);
}

ParseStatus parse_free_integer(std::string_view record, std::int64_t& out, bool& found) {
  std::size_t i = 0;
  while (i < record.size() && (record[i] == ' ' || record[i] == '\t')) ++i;
  found = false;
  if (i == record.size()) return ParseStatus::kOk;
  std::size_t end = i;
  while (end < record.size() && record[end] != ' ' && record[end] != ',' && record[end] != '\t') ++end;
  std::string_view token = record.substr(i, end - i);
  if (token.empty()) return ParseStatus::kNotANumber;  // a comma first: a null value is not an integer
  std::size_t digits_from = (token[0] == '+' || token[0] == '-') ? 1 : 0;
  if (digits_from == token.size()) return ParseStatus::kNotANumber;
  for (std::size_t k = digits_from; k < token.size(); ++k) {
    if (!is_digit(token[k])) return ParseStatus::kNotANumber;
  }
  ParseStatus status = parse_integer_field(token, out);
  if (status == ParseStatus::kOk) found = true;
  return status;
}

std::string_view columns(std::string_view record, int first, int last) {
  const std::size_t from = static_cast<std::size_t>(first - 1);
  if (from >= record.size() || last < first) return {};
  return record.substr(from, static_cast<std::size_t>(last - first + 1));
}

FileError conversion_error(std::string_view text, const FieldPlace& place, std::string_view expected) {
  return FileError(std::string(place.file), place.place, std::string(place.field), std::string(expected),
                   FileError::Found::file_text(text));
}

std::int64_t read_integer(std::string_view text, const FieldPlace& place) {
  std::int64_t value = 0;
  ParseStatus status = parse_integer_field(text, value);
  if (status == ParseStatus::kOutOfRange) throw conversion_error(text, place, "an integer of at most 18 digits");
  if (status != ParseStatus::kOk) throw conversion_error(text, place, "an integer");
  return value;
}

double read_real(std::string_view text, int decimals, const FieldPlace& place) {
  double value = 0;
  if (parse_real_field(text, decimals, value) != ParseStatus::kOk) throw conversion_error(text, place, "a number");
  return value;
}

float read_real_single(std::string_view text, int decimals, const FieldPlace& place) {
  float value = 0;
  if (parse_real_field(text, decimals, value) != ParseStatus::kOk) throw conversion_error(text, place, "a number");
  return value;
}

}  // namespace korvo
