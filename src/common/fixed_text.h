#pragma once
// Fixed-width character fields, the way the run's files and the report hold
// names and labels: exactly N characters, blank-padded, never NUL-terminated.
//
//   FixedText<11> name("ANODE");   // "ANODE      "
//   name.view()                    // all 11 characters
//   name.trimmed()                 // "ANODE"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace korvo {

template <std::size_t N>
class FixedText {
 public:
  static constexpr std::size_t kSize = N;

  constexpr FixedText() { chars_.fill(' '); }
  constexpr FixedText(std::string_view text) { assign(text); }  // NOLINT: implicit on purpose

  // Copies the first N characters of text and pads with blanks.
  constexpr void assign(std::string_view text) {
    const std::size_t n = std::min(text.size(), N);
    for (std::size_t i = 0; i < n; ++i) chars_[i] = text[i];
    for (std::size_t i = n; i < N; ++i) chars_[i] = ' ';
  }
  constexpr void clear() { chars_.fill(' '); }

  constexpr std::string_view view() const { return {chars_.data(), N}; }
  // The text without its trailing blanks.
  constexpr std::string_view trimmed() const {
    std::size_t n = N;
    while (n > 0 && chars_[n - 1] == ' ') --n;
    return {chars_.data(), n};
  }
  constexpr bool is_blank() const { return trimmed().empty(); }
  std::string str() const { return std::string(view()); }

  constexpr char& operator[](std::size_t i) { return chars_[i]; }
  constexpr char operator[](std::size_t i) const { return chars_[i]; }
  constexpr char* data() { return chars_.data(); }
  constexpr const char* data() const { return chars_.data(); }

  friend constexpr bool operator==(const FixedText& a, const FixedText& b) { return a.chars_ == b.chars_; }
  // Compares with a text padded with blanks to N characters.
  constexpr bool equals_padded(std::string_view text) const {
    if (text.size() > N) return false;
    return view().substr(0, text.size()) == text &&
           view().substr(text.size()).find_first_not_of(' ') == std::string_view::npos;
  }

 private:
  std::array<char, N> chars_{};
};

// Pads or cuts a text to exactly n characters.
inline std::string pad_to(std::string_view text, std::size_t n) {
  std::string out(text.substr(0, std::min(text.size(), n)));
  out.resize(n, ' ');
  return out;
}

// The text without trailing blanks.
inline std::string_view trim_right(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

}  // namespace korvo
