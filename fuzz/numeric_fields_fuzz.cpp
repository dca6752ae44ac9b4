// The conversions of numeric fields: the fast paths of the dBASE record
// loop (eight bytes at a time for short fields, and the inline ones for
// fields of up to 18 characters) against the general conversion they stand
// in for. Where a fast path gives a value, it must be the general one.
//
// Input: a byte for the width (low 5 bits, 0 to 31) and one for the
// decimals (0 to 24), then the field's bytes; the 8 bytes before the field
// are blanks or, with bit 7 of the first byte, digits, as a record's
// earlier field would be.

#include <cstdint>
#include <cstring>
#include <string>

#include "common/fixed_read.h"
#include "fuzz_support.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int width = data[0] & 31;
  const int decimals = data[1] % 25;
  if (size < 2 + static_cast<std::size_t>(width)) return 0;
  // The field as a record holds it: 8 bytes of what came before it.
  std::string record((data[0] & 128) ? "12345678" : "        ");
  record.append(reinterpret_cast<const char*>(data + 2), static_cast<std::size_t>(width));
  const char* field_end = record.data() + record.size();
  const std::string_view field(record.data() + 8, static_cast<std::size_t>(width));

  std::int64_t general_integer = 0;
  const ParseStatus integer_status = parse_integer_field_general(field, general_integer);
  std::int64_t inline_integer = 0;
  fuzz::check(parse_integer_field(field, inline_integer) == integer_status, "integer paths differ in status");
  if (integer_status == ParseStatus::kOk) {
    fuzz::check(inline_integer == general_integer, "integer paths differ in value");
  }
  double general_real = 0;
  const ParseStatus real_status = parse_real_field_general(field, decimals, general_real);
  double inline_real = 0;
  fuzz::check(parse_real_field(field, decimals, inline_real) == real_status, "real paths differ in status");
  if (real_status == ParseStatus::kOk) fuzz::check(inline_real == general_real, "real paths differ in value");

  // The eight-byte paths take widths of 1 to 8; the record loop keeps a
  // field of no bytes off them.
  if (width >= 1 && width <= 8) {
    std::int64_t fast_integer = 0;
    if (fast_integer_field(field_end, width, fast_integer)) {
      fuzz::check(integer_status == ParseStatus::kOk && fast_integer == general_integer,
                  "the eight-byte integer path differs from the general one");
    }
    double fast_real = 0;
    if (fast_real_field(field_end, width, decimals, fast_real)) {
      fuzz::check(real_status == ParseStatus::kOk && fast_real == general_real,
                  "the eight-byte real path differs from the general one");
    }
  }
  return 0;
}
