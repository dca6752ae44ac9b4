#pragma once
// A fixed array whose entries are named by a scoped enum: keyword slots,
// auxiliary field roles. It indexes by the enum and by number alike, so that
// loops over the numbers still read as they do in the file formats.
//
//   EnumArray<LinkKeyword, double, 21> scale;
//   scale[LinkKeyword::kDistance] = 100.0;   // the same entry as scale[3]

#include <array>
#include <cstddef>

namespace korvo {

template <typename Enum, typename T, std::size_t N>
struct EnumArray : std::array<T, N> {
  using std::array<T, N>::operator[];
  constexpr T& operator[](Enum e) { return std::array<T, N>::operator[](static_cast<std::size_t>(e)); }
  constexpr const T& operator[](Enum e) const { return std::array<T, N>::operator[](static_cast<std::size_t>(e)); }
};

}  // namespace korvo
