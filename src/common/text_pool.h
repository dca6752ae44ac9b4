#pragma once
// Strings kept once and named by a number: the readers of KORVO's CSV files
// store the few distinct captions, measures and labels of many rows as
// numbers into one pool. Runs read into the same pool share the numbers, so
// two rows' texts are equal exactly when their numbers are.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace korvo {

class TextPool {
 public:
  TextPool() { intern(""); }
  TextPool(const TextPool&) = delete;
  TextPool& operator=(const TextPool&) = delete;

  // The number of text, adding it when new. The empty text is number 0.
  std::uint32_t intern(std::string_view text) {
    const auto found = index_.find(text);
    if (found != index_.end()) return found->second;
    const auto id = static_cast<std::uint32_t>(texts_.size());
    texts_.emplace_back(text);
    index_.emplace(texts_.back(), id);
    return id;
  }
  // The number of text when the pool holds it.
  std::optional<std::uint32_t> find(std::string_view text) const {
    const auto found = index_.find(text);
    if (found == index_.end()) return std::nullopt;
    return found->second;
  }
  std::string_view text(std::uint32_t id) const { return texts_.at(id); }
  std::size_t size() const { return texts_.size(); }

 private:
  std::deque<std::string> texts_;  // a deque keeps the strings in place for the index's views
  std::unordered_map<std::string_view, std::uint32_t> index_;
};

}  // namespace korvo
