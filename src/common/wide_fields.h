#pragma once
// A record's byte marks and the values of its digit fields in wide
// registers, on processors with AVX-512 byte permutes (VBMI) or with AVX2.
//
// The dBASE record loop otherwise marks a record 16 bytes at a time and
// converts its integer fields two at a time (common/byte_classes.h,
// swar::two_digits_values in common/fixed_read.h), several hundred
// instructions for the usual link record. With VBMI the first 128 bytes of
// a record fill two 64-byte registers and one permute per eight fields
// gathers the 8 bytes that end each field into a lane of its own. With AVX2
// the record is marked 32 bytes at a time and each lane is one 8-byte load,
// four lanes to a register. Either way three multiply-adds turn every lane's
// digits into its value. A FieldGather, made once per file, says which
// bytes each lane takes.
//
//   if (wide::available()) wide::mark_and_convert(record, n, gather, marks, values);
//
// mark_and_convert_plain does the same byte by byte: the reference the
// tests and the fuzz target hold the registers to.

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/byte_classes.h"

namespace korvo::wide {

// The record bytes one call reads, and the fields it converts: eight per
// register, four registers.
inline constexpr std::size_t kBytes = 128;
inline constexpr std::size_t kFields = 32;

// Which record bytes make each field's lane. Byte j of lane k (field k) is
// record byte index[k / 8][8 * (k % 8) + j], and counts when the same byte
// of keep is 0xFF; a lane of 8 bytes ends where its field ends, so a field
// of w bytes keeps the last w bytes of its lane. A lane that keeps nothing
// reads 0.
struct FieldGather {
  std::array<std::array<std::uint8_t, 64>, kFields / 8> index{};
  std::array<std::array<std::uint8_t, 64>, kFields / 8> keep{};
  // The same for the 8-byte loads: lane k is the 8 bytes that end before
  // record byte end[k] (0 for a lane that keeps nothing: the 8 bytes before
  // the record, all dropped). reach is the largest end of a lane that keeps
  // a byte.
  std::array<std::uint8_t, kFields> end{};
  std::size_t reach = 0;

  // Field k takes the `width` (0..8) record bytes that end before byte
  // `end` (end - width >= 0, end <= kBytes); a field of 0 bytes reads 0.
  void set_field(std::size_t k, std::size_t end, int width);
};

// The registers mark_and_convert can use: AVX-512 F, BW, VL and VBMI, or
// AVX2, each with an operating system that saves them.
enum class Registers : std::uint8_t { kNone, kAvx2, kAvx512Vbmi };

// Whether this processor has the given registers; checked once.
bool has(Registers kind);

// Whether it has either: mark_and_convert then uses the widest.
bool available();

// Marks the first n (at most kBytes) bytes of record as classify_bytes does,
// and writes the value of each field k to values[k], k < kFields: its kept
// bytes read as digits, a blank (and any byte below '0') as 0. A field whose
// bytes are all blanks and digits gets its number; others get a number too,
// which means nothing. Reads no byte from n on; the 8 bytes before the
// record must be readable (an 8-byte load may start there; what it finds is
// dropped). Call it only where available() is true.
void mark_and_convert(const char* record, std::size_t n, const FieldGather& gather, ByteClasses& marks,
                      std::array<std::int32_t, kFields>& values);

// mark_and_convert with the registers it would use, picked once: a reader
// that converts record after record keeps it and calls it directly.
using Conversion = void (*)(const char* record, std::size_t n, const FieldGather& gather, ByteClasses& marks,
                            std::array<std::int32_t, kFields>& values);
Conversion widest_conversion();

// The same with the given registers, where has(kind): for tests, which hold
// each kind the processor has to the plain conversion.
void mark_and_convert_with(Registers kind, const char* record, std::size_t n, const FieldGather& gather,
                           ByteClasses& marks, std::array<std::int32_t, kFields>& values);

// The same, byte by byte, on any processor.
void mark_and_convert_plain(const char* record, std::size_t n, const FieldGather& gather, ByteClasses& marks,
                            std::array<std::int32_t, kFields>& values);

}  // namespace korvo::wide
