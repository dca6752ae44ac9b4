#include "common/wide_fields.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/fixed_read.h"

namespace korvo {
namespace {

// A gather of random fields: each lane ends somewhere in the record (or
// keeps nothing), and is 0 to 8 bytes wide.
wide::FieldGather random_gather(std::mt19937& random, std::size_t n) {
  wide::FieldGather gather;
  for (std::size_t k = 0; k < wide::kFields; ++k) {
    if (n == 0 || random() % 5 == 0) continue;
    const std::size_t end = 1 + random() % n;
    const int width = static_cast<int>(random() % (std::min<std::size_t>(end, 8) + 1));
    gather.set_field(k, end, width);
  }
  return gather;
}

// The plain conversion against what it stands for: marks as the byte loop
// gives them, and a field of blanks before digits its number.
TEST(WideFields, ThePlainConversionReadsBlanksThenDigitsAsTheirNumber) {
  const std::string record = "*  1234  007 56789012     9x12.5";
  wide::FieldGather gather;
  gather.set_field(0, 7, 6);   // "  1234"
  gather.set_field(1, 12, 5);  // "  007"
  gather.set_field(2, 21, 8);  // "56789012"
  gather.set_field(3, 26, 5);  // all blank
  gather.set_field(4, 27, 1);  // "9"
  gather.set_field(5, 28, 0);  // no byte at all
  gather.set_field(31, 8, 3);  // the last lane: "34 "
  ByteClasses marks;
  std::array<std::int32_t, wide::kFields> values{};
  values.fill(-1);
  wide::mark_and_convert_plain(record.data(), record.size(), gather, marks, values);
  EXPECT_EQ(values[0], 1234);
  EXPECT_EQ(values[1], 7);
  EXPECT_EQ(values[2], 56789012);
  EXPECT_EQ(values[3], 0);
  EXPECT_EQ(values[4], 9);
  EXPECT_EQ(values[5], 0);
  EXPECT_EQ(values[6], 0);  // a lane nobody set
  EXPECT_EQ(values[31], 340);
  ByteClasses plain;
  classify_bytes_plain(record.data(), record.size(), plain);
  EXPECT_EQ(marks.blank, plain.blank);
  EXPECT_EQ(marks.digit, plain.digit);
}

TEST(WideFields, AFieldMustLieWithinTheBytesOneCallReads) {
  wide::FieldGather gather;
  EXPECT_THROW(gather.set_field(wide::kFields, 8, 1), std::logic_error);
  EXPECT_THROW(gather.set_field(0, wide::kBytes + 1, 1), std::logic_error);
  EXPECT_THROW(gather.set_field(0, 3, 4), std::logic_error);  // would start before the record
  EXPECT_THROW(gather.set_field(0, 20, 9), std::logic_error);
  EXPECT_THROW(gather.set_field(0, 20, -1), std::logic_error);
  EXPECT_NO_THROW(gather.set_field(0, wide::kBytes, 8));
}

// The kinds of registers this processor has.
std::vector<wide::Registers> registers_here() {
  std::vector<wide::Registers> kinds;
  for (const wide::Registers kind : {wide::Registers::kAvx2, wide::Registers::kAvx512Vbmi}) {
    if (wide::has(kind)) kinds.push_back(kind);
  }
  return kinds;
}

const char* name(wide::Registers kind) { return kind == wide::Registers::kAvx2 ? "AVX2" : "AVX-512 VBMI"; }

// The registers against the plain conversion: every record length up to the
// limit, random fields, and bytes of every kind (digits, blanks, signs,
// letters, bytes above 127), so that the saturating steps and the last
// partial load meet every case. Some gathers keep a byte past the record's
// end (which reads 0). Each kind of registers the processor has.
TEST(WideFields, TheRegistersGiveThePlainConversion) {
  const std::vector<wide::Registers> kinds = registers_here();
  if (kinds.empty()) GTEST_SKIP() << "this processor has neither AVX2 nor AVX-512 VBMI";
  std::string alphabet = " 0123456789 0123456789.-+Az\x7f\x80\xff/:";
  alphabet.push_back('\0');
  for (const wide::Registers kind : kinds) {
    std::mt19937 random(77);
    for (int trial = 0; trial < 20000; ++trial) {
      const std::size_t n = static_cast<std::size_t>(trial) % (wide::kBytes + 1);
      // Eight bytes before the record, which a load may cover; the bytes
      // from n on must not count.
      std::string bytes(8 + wide::kBytes + 8, '7');
      const char* record = bytes.data() + 8;
      for (std::size_t i = 0; i < n; ++i) bytes[8 + i] = alphabet[random() % alphabet.size()];
      wide::FieldGather gather = random_gather(random, n);
      if (trial % 10 == 0 && n < wide::kBytes) gather.set_field(random() % wide::kFields, n + 1, 1 + n % 8);
      ByteClasses fast, plain;
      std::array<std::int32_t, wide::kFields> fast_values{}, plain_values{};
      wide::mark_and_convert_with(kind, record, n, gather, fast, fast_values);
      wide::mark_and_convert_plain(record, n, gather, plain, plain_values);
      ASSERT_EQ(fast.blank, plain.blank) << name(kind) << ", trial " << trial << ", length " << n;
      ASSERT_EQ(fast.digit, plain.digit) << name(kind) << ", trial " << trial << ", length " << n;
      ASSERT_EQ(fast_values, plain_values) << name(kind) << ", trial " << trial << ", length " << n;
    }
  }
}

// A record that ends where the readable memory ends: the registers load
// the record's bytes and not one beyond (a byte beyond would fault).
TEST(WideFields, TheRegistersReadNoByteBeyondTheRecord) {
  const std::vector<wide::Registers> kinds = registers_here();
  if (kinds.empty()) GTEST_SKIP() << "this processor has neither AVX2 nor AVX-512 VBMI";
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* area = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(area, MAP_FAILED);
  char* guard = static_cast<char*>(area) + page;
  ASSERT_EQ(mprotect(guard, page, PROT_NONE), 0);
  for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65},
                              std::size_t{100}, wide::kBytes}) {
    char* record = guard - n;
    std::memset(record, '5', n);
    wide::FieldGather gather;
    if (n >= 4) gather.set_field(0, n, 4);
    for (const wide::Registers kind : kinds) {
      ByteClasses marks;
      std::array<std::int32_t, wide::kFields> values{};
      wide::mark_and_convert_with(kind, record, n, gather, marks, values);
      EXPECT_EQ(values[0], n >= 4 ? 5555 : 0) << name(kind) << ", length " << n;
      EXPECT_EQ(marks.digit[0], n >= 64 ? ~0ULL : (1ULL << n) - 1) << name(kind) << ", length " << n;
    }
  }
  munmap(area, 2 * page);
}

}  // namespace
}  // namespace korvo
