#pragma once
// Reading numbers from fixed columns, with the rules of Fortran formatted input:
//   - blanks anywhere in a numeric field are ignored; an all-blank field is 0;
//   - a leading sign is allowed;
//   - in a real field (Fw.d) an explicit decimal point fixes the decimals, and a
//     text without one takes its last d digits as decimals: F8.3 of "     100"
//     is 0.1; an exponent (E, D, or a sign after the digits) is honoured.
// The parse functions report failure through their result; read_integer and
// read_real add the file, the place and the field and throw FileError.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/errors.h"

namespace korvo {

enum class ParseStatus { kOk, kNotANumber, kOutOfRange };

// Iw input. Accepts at most 18 significant digits.
inline ParseStatus parse_integer_field(std::string_view field, std::int64_t& out);

// Fw.d input.
inline ParseStatus parse_real_field(std::string_view field, int decimals, double& out);
ParseStatus parse_real_field(std::string_view field, int decimals, float& out);

// The general paths behind the inline fast paths below (any width, exponents).
ParseStatus parse_integer_field_general(std::string_view field, std::int64_t& out);
ParseStatus parse_real_field_general(std::string_view field, int decimals, double& out);

// Free-format (list-directed) integer: the first integer of the record; leading
// blanks are skipped and the number ends at a blank, a comma or the end of
// the record. Returns kOk and sets found = false for a record with no value.
ParseStatus parse_free_integer(std::string_view record, std::int64_t& out, bool& found);

// Columns first..last (1-based, inclusive) of a record; columns beyond the
// record's end read as blanks, so the result may be shorter than the range.
std::string_view columns(std::string_view record, int first, int last);

// Where a value comes from, for error lines: the file, the place (line or
// record, and columns) and what the field holds, e.g. "KORVOL value".
struct FieldPlace {
  std::string_view file;
  FilePlace place;
  std::string_view field;
};

// Convert or throw FileError naming the place and the text found.
std::int64_t read_integer(std::string_view text, const FieldPlace& place);
double read_real(std::string_view text, int decimals, const FieldPlace& place);
float read_real_single(std::string_view text, int decimals, const FieldPlace& place);

// The error for a field's text that is not what was expected.
FileError conversion_error(std::string_view text, const FieldPlace& place, std::string_view expected);

// Fast paths for the fields that fill the link loop: at most 18 characters of
// blanks, a sign, digits and one point. Anything else (exponents, long
// fields) takes the general path, which gives the same results.
inline ParseStatus parse_integer_field(std::string_view field, std::int64_t& out) {
  if (field.size() > 18) return parse_integer_field_general(field, out);
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  std::int64_t value = 0;
  for (; p < end; ++p) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
    if (digit > 9) {
      if (*p == ' ') continue;
      return ParseStatus::kNotANumber;
    }
    value = value * 10 + static_cast<std::int64_t>(digit);
  }
  out = negative ? -value : value;
  return ParseStatus::kOk;
}

// Powers of ten that a double holds exactly: mantissa / 10^k is then one
// correctly rounded division, the same value the general path gives.
inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The same as whole numbers, 10^0 to 10^19 (the last that 64 bits hold).
inline constexpr auto kWholePowersOfTen = [] {
  std::array<std::uint64_t, 20> powers{};
  powers[0] = 1;
  for (std::size_t k = 1; k < powers.size(); ++k) powers[k] = powers[k - 1] * 10;
  return powers;
}();

inline ParseStatus parse_real_field(std::string_view field, int decimals, double& out) {
  if (field.size() > 18 || decimals < 0 || decimals > 18) return parse_real_field_general(field, decimals, out);
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p < end && *p == ' ') ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  std::int64_t mantissa = 0;
  int fraction_digits = -1;  // -1 until a point is seen
  int digits = 0;
  for (; p < end; ++p) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
    if (digit <= 9) {
      mantissa = mantissa * 10 + static_cast<std::int64_t>(digit);
      ++digits;
      if (fraction_digits >= 0) ++fraction_digits;
    } else if (*p == '.' && fraction_digits < 0) {
      fraction_digits = 0;
    } else if (*p != ' ') {
      return parse_real_field_general(field, decimals, out);
    }
  }
  if (digits == 0) return parse_real_field_general(field, decimals, out);
  if (mantissa > (std::int64_t{1} << 53)) return parse_real_field_general(field, decimals, out);
  const int k = fraction_digits >= 0 ? fraction_digits : decimals;
  const double x = static_cast<double>(mantissa) / kPowersOfTen[k];
  out = negative ? -x : x;
  return ParseStatus::kOk;
}

// Eight-byte paths for short fields (width 1..8) of right-justified numbers,
// the common case of dBASE link files: blanks, then digits (and for reals one
// point). They take `field_end`, one past the field's last byte, and read
// the 8 bytes before it, which the caller must own. They return false for
// anything else (a sign, an inner blank, an exponent), which the paths above
// then convert; where they return true the value is the one those give.
namespace swar {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
inline constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// 0x80 in each byte of x that is zero, 0 elsewhere (exact, no borrow).
inline std::uint64_t zero_bytes(std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x) & kHigh; }
inline std::uint64_t bytes_equal(std::uint64_t x, unsigned char c) { return zero_bytes(x ^ (kOnes * c)); }
// 0x80 in each byte that is an ASCII digit: high nibble 3, low nibble 0..9.
inline std::uint64_t digit_bytes(std::uint64_t x) {
  const std::uint64_t high_nibble_3 = zero_bytes((x & 0xF0F0F0F0F0F0F0F0ULL) ^ 0x3030303030303030ULL);
  const std::uint64_t low_nibble_small = ~(((x & 0x0F0F0F0F0F0F0F0FULL) + 0x0606060606060606ULL) << 3) & kHigh;
  return high_nibble_3 & low_nibble_small;
}
// The value of eight ASCII digits, the first in the lowest byte.
inline std::uint64_t eight_digits(std::uint64_t x) {
  x = ((x & 0x0F0F0F0F0F0F0F0FULL) * 2561) >> 8;
  x = ((x & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
  return ((x & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
}
// The mask that keeps the last `width` (1..8) of 8 loaded bytes.
constexpr std::uint64_t field_mask(int width) { return ~0ULL << (8 * (8 - width)); }

// The 8 bytes ending at field_end, those before the field made blanks.
inline std::uint64_t load_field(const char* field_end, int width) {
  std::uint64_t x;
  std::memcpy(&x, field_end - 8, 8);
  if (width < 8) {
    const std::uint64_t keep = field_mask(width);
    x = (x & keep) | (0x2020202020202020ULL & ~keep);
  }
  return x;
}

// The value of a field of 1..8 bytes already known to hold only blanks
// before digits (an all-blank field is 0): the 8 bytes ending at field_end,
// kept by field_mask(width). A blank's low four bits are 0, so it adds
// nothing.
inline std::uint64_t digits_value(const char* field_end, std::uint64_t keep) {
  std::uint64_t x;
  std::memcpy(&x, field_end - 8, 8);
  return eight_digits(x & keep);
}

// Two such fields at once, a and b, each as digits_value gives it: the
// same steps in the two 64-bit halves of an SSE2 register, with no scalar
// multiply (the record's integer fields wait on the one multiplier
// otherwise).
inline void two_digits_values(const char* end_a, std::uint64_t keep_a, const char* end_b, std::uint64_t keep_b,
                              std::uint64_t& a, std::uint64_t& b) {
#if defined(__SSE2__)
  std::uint64_t xa, xb;
  std::memcpy(&xa, end_a - 8, 8);
  std::memcpy(&xb, end_b - 8, 8);
  __m128i x = _mm_set_epi64x(static_cast<long long>(xb & keep_b), static_cast<long long>(xa & keep_a));
  // Digits become 0..9; blanks and the bytes before the field, 0.
  x = _mm_subs_epu8(x, _mm_set1_epi8('0'));
  // Pairs of digits, the first (lower) byte the tens: 0..99 in 16 bits.
  __m128i v = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(x, _mm_set1_epi16(0x00FF)), _mm_set1_epi16(10)),
                            _mm_srli_epi16(x, 8));
  // Pairs of those, the first times 100: 0..9999 in 32 bits.
  v = _mm_madd_epi16(v, _mm_set1_epi32(0x0001'0064));
  // And the two halves of each field, the first times 10,000.
  v = _mm_add_epi64(_mm_mul_epu32(v, _mm_set1_epi64x(10'000)), _mm_srli_epi64(v, 32));
  a = static_cast<std::uint64_t>(_mm_cvtsi128_si64(v));
  b = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
#else
  a = digits_value(end_a, keep_a);
  b = digits_value(end_b, keep_b);
#endif
}

}  // namespace swar

[[gnu::always_inline]] inline bool fast_integer_field(const char* field_end, int width, std::int64_t& out) {
  if constexpr (std::endian::native != std::endian::little) return false;
  std::uint64_t x = swar::load_field(field_end, width);
  const std::uint64_t blanks = swar::bytes_equal(x, ' ');
  // Blanks only before the digits: the blank bytes form a run from the first
  // byte, so no blank byte follows a byte that is not blank.
  const std::uint64_t lead = blanks >> 7;
  if ((lead & ~(lead << 8)) > 1) return false;
  x |= blanks >> 3;  // blanks read as '0'
  // Every byte a digit: high nibble 3, and adding 6 keeps it 3. A byte of
  // 0xFA or more could carry into its neighbour, but fails the first test.
  if ((x & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL ||
      ((x + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL) {
    return false;
  }
  out = static_cast<std::int64_t>(swar::eight_digits(x));
  return true;
}

// The digits of a real field of 1..8 bytes as one whole number, and how
// many of them follow its point (the written one, or `decimals` when there
// is none); false for any other text than blanks, then digits with at most
// one point.
[[gnu::always_inline]] inline bool fast_real_digits(const char* field_end, int width, int decimals,
                                                    std::uint64_t& digits_out, int& fraction_out) {
  if constexpr (std::endian::native != std::endian::little) return false;
  std::uint64_t x = swar::load_field(field_end, width);
  const std::uint64_t blanks = swar::bytes_equal(x, ' ');
  const std::uint64_t digits = swar::digit_bytes(x);
  const std::uint64_t points = swar::bytes_equal(x, '.');
  if ((blanks | digits | points) != swar::kHigh || digits == 0) return false;
  if ((points & (points - 1)) != 0) return false;  // more than one point
  const int first = std::countr_zero(~blanks & swar::kHigh) / 8;
  if ((blanks >> (8 * first)) != 0) return false;
  x |= blanks >> 3;
  int fraction_digits = decimals;
  if (points != 0) {
    // Take the point out: the bytes before it move up one place and a '0'
    // enters at the front.
    const int at = std::countr_zero(points) / 8;
    fraction_digits = 7 - at;
    const std::uint64_t below = at == 0 ? 0 : (x & ((1ULL << (8 * at)) - 1));
    const std::uint64_t above = at == 7 ? 0 : (x & (~0ULL << (8 * (at + 1))));
    x = (below << 8) | above | 0x30;
  } else if (decimals < 0 || decimals > 22) {
    return false;
  }
  digits_out = swar::eight_digits(x);
  fraction_out = fraction_digits;
  return true;
}

[[gnu::always_inline]] inline bool fast_real_field(const char* field_end, int width, int decimals, double& out) {
  std::uint64_t digits = 0;
  int fraction_digits = 0;
  if (!fast_real_digits(field_end, width, decimals, digits, fraction_digits)) return false;
  out = static_cast<double>(digits) / kPowersOfTen[fraction_digits];
  return true;
}

}  // namespace korvo
