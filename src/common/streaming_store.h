#pragma once
// Copies into memory that another thread reads next, past the cache.
//
// A block handed from one thread to another ends up in the reader's cache.
// When the writer fills it again, an ordinary store must first take each
// line back from the other core, and on some machines that costs more than
// the work that fills the line. A streaming (non-temporal) store writes the
// line without reading it. The copies are weakly ordered: call
// streaming_fence() before the block is handed over.
//
// Where the machine has no such stores, both are an ordinary copy and
// nothing.

#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace korvo {

// Copies from into to: a plain struct whose size is a multiple of 4 bytes,
// copied in words of 16, 8 or 4 bytes as its size and alignment allow.
template <typename T>
inline void streaming_copy(T& to, const T& from) {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % 4 == 0 && alignof(T) >= 4);
#if defined(__SSE2__)
  const auto* in = reinterpret_cast<const unsigned char*>(&from);
  if constexpr (alignof(T) >= 16 && sizeof(T) % 16 == 0) {
    auto* out = reinterpret_cast<__m128i*>(&to);
    for (std::size_t k = 0; k < sizeof(T) / 16; ++k) {
      _mm_stream_si128(out + k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * k)));
    }
  } else if constexpr (alignof(T) >= 8 && sizeof(T) % 8 == 0 && sizeof(void*) == 8) {
    auto* out = reinterpret_cast<long long*>(&to);
    for (std::size_t k = 0; k < sizeof(T) / 8; ++k) {
      long long word;
      std::memcpy(&word, in + 8 * k, 8);
      _mm_stream_si64(out + k, word);
    }
  } else {
    auto* out = reinterpret_cast<int*>(&to);
    for (std::size_t k = 0; k < sizeof(T) / 4; ++k) {
      int word;
      std::memcpy(&word, in + 4 * k, 4);
      _mm_stream_si32(out + k, word);
    }
  }
#else
  to = from;
#endif
}

// An item as a block for streaming copies holds it: padded to whole 16-byte
// words, so that streaming_copy writes it 16 bytes a store.
template <typename T>
struct alignas(16) StreamingEntry {
  T value;
};

// Makes the streaming copies made so far visible before the stores after it.
inline void streaming_fence() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

}  // namespace korvo
