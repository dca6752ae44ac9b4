// The hand-off ring passes every item to its drain function once, in the
// order written, however the items fall into blocks; it stops cleanly when
// dropped early, and finish() reports what the drain function threw. Items
// filled in place arrive as added ones do. The streaming copy leaves exactly
// the bytes of an ordinary copy.

#include "common/hand_off_ring.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "common/streaming_store.h"

namespace korvo {
namespace {

using Ring = HandOffRing<std::int64_t>;

// Adds the numbers 0..n - 1, the odd ones filled in place, and finishes.
void write_numbers(Ring& ring, std::int64_t n) {
  for (std::int64_t i = 0; i < n; ++i) {
    if (i % 2 == 0) {
      ring.add(i);
    } else {
      ring.emplace([i](std::int64_t& to) { to = i; });
    }
  }
  ring.finish();
}

TEST(HandOffRing, DrainsEveryItemOnceInTheOrderWritten) {
  struct Case {
    std::int64_t items;
    std::size_t block_items;
  };
  // No item; fewer than a block; whole blocks only (finish() hands over an
  // empty block); a partial last block; many laps of the ring; the full
  // block size.
  constexpr std::size_t kFull = Ring::kBlockItems;
  const Case cases[] = {{0, 16},       {5, 16},     {48, 16},
                        {49, 16},      {10'001, 1}, {10'000, 7},
                        {100'000, 16}, {0, kFull},  {3 * kFull + 5, kFull}};
  for (const Case& c : cases) {
    std::vector<std::int64_t> seen;
    Ring ring([&](std::int64_t item) { seen.push_back(item); }, c.block_items);
    write_numbers(ring, c.items);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(c.items)) << c.items << " in blocks of " << c.block_items;
    for (std::int64_t i = 0; i < c.items; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
  }
}

TEST(HandOffRing, FinishRethrowsWhatTheDrainThrewAndDrainsNothingAfterIt) {
  std::vector<std::int64_t> seen;
  Ring ring(
      [&](std::int64_t item) {
        if (item == 40) throw std::runtime_error("item 40");
        seen.push_back(item);
      },
      16);
  // The writer goes on past the failure: the ring keeps taking blocks.
  EXPECT_THROW(write_numbers(ring, 1'000), std::runtime_error);
  ASSERT_EQ(seen.size(), 40u);
  EXPECT_EQ(seen.back(), 39);
}

TEST(HandOffRing, DroppedBeforeFinishStopsWithoutWaitingForTheRest) {
  std::int64_t drained = 0;
  {
    Ring ring([&](std::int64_t) { ++drained; }, 16);
    for (std::int64_t i = 0; i < 100 * 16 + 3; ++i) ring.add(i);
  }
  // At most every block handed over was drained; the three items of the
  // block being written were not.
  EXPECT_LE(drained, 100 * 16);
  EXPECT_EQ(drained % 16, 0);
}

// Sizes and alignments that take each of the copy's word sizes.
struct alignas(16) Words16 {
  std::array<std::int32_t, 12> w;
};
struct Words8 {
  std::array<double, 10> w;
};
struct Words4 {
  std::array<std::int32_t, 21> w;
};

template <typename T>
void expect_streaming_copy_equals_memcpy() {
  std::array<T, 3> from{};
  std::array<T, 3> to{};
  auto* bytes = reinterpret_cast<unsigned char*>(from.data());
  for (std::size_t i = 0; i < sizeof(from); ++i) bytes[i] = static_cast<unsigned char>(i * 37 + 11);
  std::memset(to.data(), 0xA5, sizeof(to));
  streaming_copy(to[1], from[1]);
  streaming_fence();
  std::array<T, 3> expected{};
  std::memset(expected.data(), 0xA5, sizeof(expected));
  std::memcpy(&expected[1], &from[1], sizeof(T));
  // The copied element, and nothing either side of it.
  EXPECT_EQ(std::memcmp(to.data(), expected.data(), sizeof(to)), 0) << sizeof(T) << " bytes";
}

TEST(StreamingCopy, LeavesTheBytesOfAnOrdinaryCopyAndNothingElse) {
  expect_streaming_copy_equals_memcpy<Words16>();
  expect_streaming_copy_equals_memcpy<Words8>();
  expect_streaming_copy_equals_memcpy<Words4>();
}

}  // namespace
}  // namespace korvo
