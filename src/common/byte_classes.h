#pragma once
// The blank and digit bytes of a run of bytes, as bit marks: bit i % 64 of
// word i / 64 stands for byte i. The dBASE record loop marks a whole record
// at once and then checks all its numeric fields against the marks with a
// few word operations, instead of examining each field on its own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvo {

inline constexpr std::size_t kByteClassWords = 4;
// The most bytes one call marks.
inline constexpr std::size_t kByteClassLimit = 64 * kByteClassWords;

struct ByteClasses {
  std::array<std::uint64_t, kByteClassWords> blank{};
  std::array<std::uint64_t, kByteClassWords> digit{};
};

// Byte by byte: the reference for classify_bytes.
inline void classify_bytes_plain(const char* bytes, std::size_t n, ByteClasses& out) {
  out = ByteClasses{};
  for (std::size_t i = 0; i < n && i < kByteClassLimit; ++i) {
    const std::uint64_t bit = std::uint64_t{1} << (i % 64);
    if (bytes[i] == ' ') out.blank[i / 64] |= bit;
    if (bytes[i] >= '0' && bytes[i] <= '9') out.digit[i / 64] |= bit;
  }
}

// Marks the first n bytes (at most kByteClassLimit); reads none beyond them.
// Bytes from n on are marked neither blank nor digit.
inline void classify_bytes(const char* bytes, std::size_t n, ByteClasses& out) {
#if defined(__SSE2__)
  if (n > kByteClassLimit) n = kByteClassLimit;
  out = ByteClasses{};
  // Sixteen bytes per step, marked at byte `at` (a multiple of 16, so a
  // step never straddles two words). The marks of the first `drop` bytes
  // are dropped: the last, partial step loads the 16 bytes that end at byte
  // n, of which only those from `at` on are new.
  auto mark = [&out](const char* sixteen, std::size_t at, unsigned drop) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sixteen));
    // A digit is a byte whose distance above '0', taken unsigned, is at most 9.
    const __m128i above_zero = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(above_zero, _mm_set1_epi8(9)), above_zero);
    const __m128i blank = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
    const auto blanks = static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(blank)) >> drop);
    const auto digits = static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(digit)) >> drop);
    out.blank[at / 64] |= blanks << (at % 64);
    out.digit[at / 64] |= digits << (at % 64);
  };
  std::size_t at = 0;
  for (; at + 16 <= n; at += 16) mark(bytes + at, at, 0);
  if (at == n) return;
  if (n >= 16) {
    mark(bytes + n - 16, at, static_cast<unsigned>(at + 16 - n));
  } else {
    // Fewer than 16 bytes in all: a copy padded with NUL bytes, which are
    // neither blank nor digit.
    char copy[16] = {};
    std::memcpy(copy, bytes, n);
    mark(copy, 0, 0);
  }
#else
  classify_bytes_plain(bytes, n, out);
#endif
}

}  // namespace korvo
