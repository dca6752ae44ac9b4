#include "common/wide_fields.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KORVO_WIDE_FIELDS 1
#include <immintrin.h>
#endif

namespace korvo::wide {

void FieldGather::set_field(std::size_t k, std::size_t end, int width) {
  if (k >= kFields || width < 0 || width > 8 || end > kBytes || end < static_cast<std::size_t>(width)) {
    throw std::logic_error("FieldGather::set_field: field " + std::to_string(k) + " of " + std::to_string(width) +
                           " bytes ending at " + std::to_string(end));
  }
  auto& index_row = index[k / 8];
  auto& keep_row = keep[k / 8];
  const std::size_t lane = 8 * (k % 8);
  for (std::size_t j = 0; j < 8; ++j) {
    const bool kept = j >= static_cast<std::size_t>(8 - width);
    // The bytes of the lane before the field are not read: they may lie
    // before the record.
    index_row[lane + j] = kept ? static_cast<std::uint8_t>(end - 8 + j) : 0;
    keep_row[lane + j] = kept ? 0xFF : 0;
  }
  this->end[k] = width > 0 ? static_cast<std::uint8_t>(end) : 0;
  if (width > 0) reach = std::max(reach, end);
}

namespace {

// The steps of the registers for one lane of 8 bytes: each byte less '0',
// not below 0; pairs, fours and the whole eight formed as the multiply-adds
// form them, in the same widths; the low 32 bits of the result.
std::int32_t lane_value(const std::uint8_t* bytes) {
  int digit[8];
  for (int j = 0; j < 8; ++j) digit[j] = bytes[j] > '0' ? bytes[j] - '0' : 0;
  std::uint32_t four[2];
  for (int h = 0; h < 2; ++h) {
    const int* d = digit + 4 * h;
    four[h] = static_cast<std::uint32_t>((d[0] * 10 + d[1]) * 100 + (d[2] * 10 + d[3]));
  }
  const std::uint64_t whole = std::uint64_t{four[0]} * 10'000 + four[1];
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(whole));
}

}  // namespace

void mark_and_convert_plain(const char* record, std::size_t n, const FieldGather& gather, ByteClasses& marks,
                            std::array<std::int32_t, kFields>& values) {
  if (n > kBytes) n = kBytes;
  classify_bytes_plain(record, n, marks);
  for (std::size_t k = 0; k < kFields; ++k) {
    std::uint8_t bytes[8];
    for (std::size_t j = 0; j < 8; ++j) {
      const std::size_t at = 8 * (k % 8) + j;
      const std::uint8_t position = gather.index[k / 8][at];
      // A kept byte at or past n reads as a byte past the record: 0.
      const bool kept = gather.keep[k / 8][at] != 0 && position < n;
      bytes[j] = kept ? static_cast<std::uint8_t>(record[position]) : 0;
    }
    values[k] = lane_value(bytes);
  }
}

#if KORVO_WIDE_FIELDS

bool has(Registers kind) {
  static const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
  static const bool avx2 = __builtin_cpu_supports("avx2");
  switch (kind) {
    case Registers::kNone: return true;
    case Registers::kAvx2: return avx2;
    case Registers::kAvx512Vbmi: return avx512;
  }
  return false;
}

namespace {

Registers widest() {
  static const Registers kind = has(Registers::kAvx512Vbmi) ? Registers::kAvx512Vbmi
                                : has(Registers::kAvx2)     ? Registers::kAvx2
                                                            : Registers::kNone;
  return kind;
}

// The AVX2 steps, each inlined into mark_and_convert_avx2.
#define KORVO_AVX2 __attribute__((target("avx2"), always_inline)) inline

// Marks 32 bytes into marks at byte `at` (a multiple of 32, so a step never
// straddles two words), dropping the marks of the first `drop` bytes.
KORVO_AVX2 void mark_32(const char* bytes, std::size_t at, unsigned drop, ByteClasses& marks) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
  // A digit is a byte whose distance above '0', taken unsigned, is at most 9.
  const __m256i above_zero = _mm256_sub_epi8(v, _mm256_set1_epi8('0'));
  const __m256i digit = _mm256_cmpeq_epi8(_mm256_min_epu8(above_zero, _mm256_set1_epi8(9)), above_zero);
  const __m256i blank = _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' '));
  const std::uint64_t blanks = static_cast<std::uint32_t>(_mm256_movemask_epi8(blank)) >> drop;
  const std::uint64_t digits = static_cast<std::uint32_t>(_mm256_movemask_epi8(digit)) >> drop;
  marks.blank[at / 64] |= blanks << (at % 64);
  marks.digit[at / 64] |= digits << (at % 64);
}

// Lanes k to k + 3, each the 8 bytes that end at its field's end, loaded
// whole from `before`, 8 bytes before the record.
KORVO_AVX2 __m256i load_4_lanes(const char* before, const FieldGather& gather, std::size_t k) {
  std::uint64_t x[4];
  for (std::size_t j = 0; j < 4; ++j) std::memcpy(&x[j], before + gather.end[k + j], 8);
  return _mm256_set_epi64x(static_cast<long long>(x[3]), static_cast<long long>(x[2]), static_cast<long long>(x[1]),
                           static_cast<long long>(x[0]));
}

// The value of each of four lanes, in the low 32 bits of its 64: the bytes
// that `keep` drops (those before the field) are 0, and the rest are the
// steps of the 64-byte registers below.
KORVO_AVX2 __m256i lane_values_4(__m256i x, const std::uint8_t* keep) {
  x = _mm256_and_si256(x, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(keep)));
  x = _mm256_subs_epu8(x, _mm256_set1_epi8('0'));
  __m256i v = _mm256_maddubs_epi16(x, _mm256_set1_epi16(0x010A));
  v = _mm256_madd_epi16(v, _mm256_set1_epi32(0x0001'0064));
  return _mm256_add_epi64(_mm256_mul_epu32(v, _mm256_set1_epi64x(10'000)), _mm256_srli_epi64(v, 32));
}

#undef KORVO_AVX2

__attribute__((target("avx2"))) void mark_and_convert_avx2(const char* record, std::size_t n, const FieldGather& gather,
                                                           ByteClasses& marks,
                                                           std::array<std::int32_t, kFields>& values) {
  if (n > kBytes) n = kBytes;
  // A lane that keeps a byte from n on would load it.
  if (gather.reach > n) {
    mark_and_convert_plain(record, n, gather, marks, values);
    return;
  }
  // Thirty-two bytes per step; the last, partial step loads the 32 bytes
  // that end at byte n, of which only those from `at` on are new.
  marks = ByteClasses{};
  std::size_t at = 0;
  for (; at + 32 <= n; at += 32) mark_32(record + at, at, 0, marks);
  if (at < n) {
    if (n >= 32) {
      mark_32(record + n - 32, at, static_cast<unsigned>(at + 32 - n), marks);
    } else {
      // Fewer than 32 bytes in all: a copy padded with NUL bytes, which are
      // neither blank nor digit.
      char copy[32] = {};
      std::memcpy(copy, record, n);
      mark_32(copy, 0, 0, marks);
    }
  }
  const char* before = record - 8;
  for (std::size_t r = 0; r < kFields / 8; ++r) {
    const __m256i first = lane_values_4(load_4_lanes(before, gather, 8 * r), gather.keep[r].data());
    const __m256i second = lane_values_4(load_4_lanes(before, gather, 8 * r + 4), gather.keep[r].data() + 32);
    // The low 32 bits of each of the eight lanes, in order: the shuffle
    // takes them as first 0 1, second 0 1 | first 2 3, second 2 3.
    const __m256i low =
        _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(first), _mm256_castsi256_ps(second), 0x88));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(values.data() + 8 * r), _mm256_permute4x64_epi64(low, 0xD8));
  }
}

__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi"))) void mark_and_convert_avx512(
    const char* record, std::size_t n, const FieldGather& gather, ByteClasses& marks,
    std::array<std::int32_t, kFields>& values) {
  if (n > kBytes) n = kBytes;
  // The bytes from n on are loaded as 0, which is neither blank nor digit,
  // and are not read: a masked load does not touch them.
  const __mmask64 first_mask = n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
  const __mmask64 second_mask = n <= 64 ? 0 : n >= 128 ? ~__mmask64{0} : (__mmask64{1} << (n - 64)) - 1;
  const __m512i low = _mm512_maskz_loadu_epi8(first_mask, record);
  const __m512i high = second_mask == 0 ? _mm512_setzero_si512() : _mm512_maskz_loadu_epi8(second_mask, record + 64);

  // A digit is a byte whose distance above '0', taken unsigned, is at most 9.
  const __m512i zero_char = _mm512_set1_epi8('0');
  const __m512i nine = _mm512_set1_epi8(9);
  const __m512i blank = _mm512_set1_epi8(' ');
  marks = ByteClasses{};
  marks.blank[0] = _mm512_cmpeq_epi8_mask(low, blank);
  marks.blank[1] = _mm512_cmpeq_epi8_mask(high, blank);
  marks.digit[0] = _mm512_cmple_epu8_mask(_mm512_sub_epi8(low, zero_char), nine);
  marks.digit[1] = _mm512_cmple_epu8_mask(_mm512_sub_epi8(high, zero_char), nine);

  for (std::size_t r = 0; r < kFields / 8; ++r) {
    const __m512i index = _mm512_loadu_si512(gather.index[r].data());
    const __m512i keep = _mm512_loadu_si512(gather.keep[r].data());
    // Each lane's 8 bytes, those not kept 0, then as digits 0..9 (a blank
    // and a byte not kept 0).
    __m512i x = _mm512_and_si512(_mm512_permutex2var_epi8(low, index, high), keep);
    x = _mm512_subs_epu8(x, zero_char);
    // Pairs of digits, the first (lower) byte the tens: 0..99 in 16 bits.
    __m512i v = _mm512_maddubs_epi16(x, _mm512_set1_epi16(0x010A));
    // Pairs of those, the first times 100: 0..9999 in 32 bits.
    v = _mm512_madd_epi16(v, _mm512_set1_epi32(0x0001'0064));
    // And the two halves of each lane, the first times 10,000. (The
    // zero-masking forms of these steps, with every lane kept, are the
    // plain ones: GCC 12 warns of an uninitialized value inside the plain
    // ones' definitions.)
    constexpr __mmask8 kAll = 0xFF;
    v = _mm512_add_epi64(_mm512_maskz_mul_epu32(kAll, v, _mm512_set1_epi64(10'000)),
                         _mm512_maskz_srli_epi64(kAll, v, 32));
    _mm512_mask_cvtepi64_storeu_epi32(values.data() + 8 * r, kAll, v);
  }
}

}  // namespace

bool available() { return widest() != Registers::kNone; }

namespace {

Conversion conversion(Registers kind) {
  switch (kind) {
    case Registers::kAvx512Vbmi: return mark_and_convert_avx512;
    case Registers::kAvx2: return mark_and_convert_avx2;
    case Registers::kNone: break;
  }
  return mark_and_convert_plain;
}

}  // namespace

Conversion widest_conversion() { return conversion(widest()); }

void mark_and_convert_with(Registers kind, const char* record, std::size_t n, const FieldGather& gather,
                           ByteClasses& marks, std::array<std::int32_t, kFields>& values) {
  conversion(kind)(record, n, gather, marks, values);
}

void mark_and_convert(const char* record, std::size_t n, const FieldGather& gather, ByteClasses& marks,
                      std::array<std::int32_t, kFields>& values) {
  widest_conversion()(record, n, gather, marks, values);
}

#else

bool has(Registers kind) { return kind == Registers::kNone; }

bool available() { return false; }

Conversion widest_conversion() { return mark_and_convert_plain; }

void mark_and_convert_with(Registers /*kind*/, const char* record, std::size_t n, const FieldGather& gather,
                           ByteClasses& marks, std::array<std::int32_t, kFields>& values) {
  mark_and_convert_plain(record, n, gather, marks, values);
}

void mark_and_convert(const char* record, std::size_t n, const FieldGather& gather, ByteClasses& marks,
                      std::array<std::int32_t, kFields>& values) {
  mark_and_convert_plain(record, n, gather, marks, values);
}

#endif

}  // namespace korvo::wide
