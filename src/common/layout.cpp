#include "common/layout.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace korvo {
namespace {

// The record being built: characters, the column cursor and the furthest
// column written.
class RecordBuffer {
 public:
  void reset() {
    pos_ = 0;
    length_ = 0;
  }
  void move_to(std::int64_t column0) {
    if (column0 < 0) column0 = 0;
    if (column0 > static_cast<std::int64_t>(kMaxRecordLength)) overflow();
    pos_ = static_cast<std::size_t>(column0);
  }
  std::size_t pos() const { return pos_; }
  // Reserves n characters at the cursor, blank-filling any gap left by a tab.
  char* reserve(std::size_t n) {
    if (pos_ + n > kMaxRecordLength) overflow();
    if (pos_ > length_) std::memset(chars_.data() + length_, ' ', pos_ - length_);
    char* out = chars_.data() + pos_;
    pos_ += n;
    if (pos_ > length_) length_ = pos_;
    return out;
  }
  void put(std::string_view text) { std::memcpy(reserve(text.size()), text.data(), text.size()); }
  std::string_view view() const { return {chars_.data(), length_}; }

 private:
  [[noreturn]] static void overflow() {
    throw LayoutError("a record longer than " + std::to_string(kMaxRecordLength) + " characters");
  }
  std::array<char, kMaxRecordLength> chars_;
  std::size_t pos_ = 0;
  std::size_t length_ = 0;
};

void put_value(RecordBuffer& record, const EditItem& item, const FieldValue& value) {
  switch (item.op) {
    case EditOp::kInteger: {
      if (value.kind() != FieldValue::Kind::kInteger)
        throw LayoutError("I descriptor given a value that is not an integer");
      edit_integer(value.integer(), item.width, item.decimals, record.reserve(static_cast<std::size_t>(item.width)));
      return;
    }
    case EditOp::kFixed: {
      double x;
      if (value.kind() == FieldValue::Kind::kReal) {
        x = value.real();
      } else if (value.kind() == FieldValue::Kind::kInteger) {
        x = static_cast<double>(value.integer());
      } else {
        throw LayoutError("F descriptor given a text");
      }
      edit_fixed(x, item.width, item.decimals, record.reserve(static_cast<std::size_t>(item.width)));
      return;
    }
    case EditOp::kText: {
      if (value.kind() != FieldValue::Kind::kText) throw LayoutError("A descriptor given a value that is not a text");
      std::string_view text = value.text();
      if (item.width == 0) {
        record.put(text);
      } else {
        const std::size_t w = static_cast<std::size_t>(item.width);
        if (text.size() >= w) {
          record.put(text.substr(0, w));
        } else {
          char* out = record.reserve(w);
          std::memset(out, ' ', w - text.size());
          std::memcpy(out + (w - text.size()), text.data(), text.size());
        }
      }
      return;
    }
    default: return;
  }
}

// Runs the parser into the layout's own storage.
struct VectorOutput {
  std::vector<EditItem>& items;
  std::string& literals;
  std::size_t push(const EditItem& item) {
    items.push_back(item);
    return items.size() - 1;
  }
  void set_partner(std::size_t index, std::int32_t partner) { items[index].partner = partner; }
  void add_literal_char(char c) { literals.push_back(c); }
  std::size_t literal_size() const { return literals.size(); }
};

}  // namespace

Layout Layout::parse(std::string_view text) {
  Layout layout;
  layout.text_ = std::string(text);
  VectorOutput out{layout.items_, layout.literals_};
  const layout_detail::ParseStatus status = layout_detail::Parser<VectorOutput>(text, out).run(layout.reversion_);
  if (!status.ok()) {
    std::string problem = status.problem;
    if (problem == "unknown descriptor" && status.position <= text.size()) {
      problem += std::string(" \"") + text[status.position - 1] + "\"";
    }
    throw LayoutError("layout \"" + layout.text_ + "\", position " + std::to_string(status.position) + ": " + problem);
  }
  return layout;
}

std::string StringSink::joined() const {
  std::string out;
  for (const auto& r : records) {
    out += r;
    out += '\n';
  }
  return out;
}

void write_record(RecordSink& sink, const LayoutView& layout, std::span<const FieldValue> values) {
  thread_local RecordBuffer record;
  record.reset();
  struct Writer {
    RecordSink& sink;
    const LayoutView& layout;
    std::span<const FieldValue> values;
    void value(const EditItem& item, std::size_t index) { put_value(record, item, values[index]); }
    void control(const EditItem& item) {
      switch (item.op) {
        case EditOp::kLiteral: record.put(layout.literal(item)); break;
        case EditOp::kTab: record.move_to(item.width - 1); break;
        case EditOp::kTabRight: record.move_to(static_cast<std::int64_t>(record.pos()) + item.width); break;
        case EditOp::kTabLeft: record.move_to(static_cast<std::int64_t>(record.pos()) - item.width); break;
        case EditOp::kNewRecord:
          for (std::int32_t r = 0; r < item.repeat; ++r) end_record();
          break;
        default: break;
      }
    }
    void end_record() {
      sink.write_record(record.view());
      record.reset();
    }
  } writer{sink, layout, values};
  if (!layout_detail::walk_layout(layout, values.size(), writer)) {
    throw LayoutError("layout \"" + std::string(layout.text) + "\" has no descriptor for a value");
  }
  sink.write_record(record.view());
}

std::string render(const LayoutView& layout, std::span<const FieldValue> values) {
  StringSink sink;
  write_record(sink, layout, values);
  return sink.joined();
}

std::string render(std::string_view layout_text, std::initializer_list<FieldValue> values) {
  return render(Layout::parse(layout_text), values);
}

namespace layout_detail {

void edit_integer_reference(std::int64_t value, int width, int min_digits, char* out) {
  const std::size_t w = static_cast<std::size_t>(width);
  std::array<char, 24> digits;
  const std::uint64_t magnitude =
      value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
  auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude);
  (void)ec;
  std::size_t ndigits = static_cast<std::size_t>(end - digits.data());
  std::size_t zeros = 0;
  if (min_digits >= 0) {
    if (min_digits == 0 && value == 0) ndigits = 0;  // Iw.0 of 0 is all blanks
    if (static_cast<std::size_t>(min_digits) > ndigits) zeros = static_cast<std::size_t>(min_digits) - ndigits;
  }
  const std::size_t needed = ndigits + zeros + (value < 0 ? 1 : 0);
  if (needed > w) {
    std::memset(out, '*', w);
    return;
  }
  std::memset(out, ' ', w - needed);
  char* p = out + (w - needed);
  if (value < 0) *p++ = '-';
  std::memset(p, '0', zeros);
  std::memcpy(p + zeros, digits.data(), ndigits);
}

}  // namespace layout_detail

namespace {

// "00" to "99", two characters each.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Copies n (0..32) bytes with fixed-size moves, two of them overlapping
// where n is not a power of two, instead of a call to memcpy.
inline void copy_short(char* to, const char* from, std::size_t n) {
  if (n >= 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else if (n >= 2) {
    std::memcpy(to, from, 2);
    std::memcpy(to + n - 2, from + n - 2, 2);
  } else if (n == 1) {
    *to = *from;
  }
}

}  // namespace

// The common fields (Iw and Iw.0, up to kFieldScratch columns) are formed
// right-justified in a blank scratch area, two digits at a time, and copied
// out in one piece. The reference way's three variable-length fills and
// copies and std::to_chars took about 160 instructions a field, most of a
// run that writes HRLDXY.ASC.
void edit_integer(std::int64_t value, int width, int min_digits, char* out) {
  constexpr int kFieldScratch = 32;  // 20 characters at most: a sign and 19 digits
  if (width < 0 || width > kFieldScratch || min_digits > 0) {
    layout_detail::edit_integer_reference(value, width, min_digits, out);
    return;
  }
  const auto w = static_cast<std::size_t>(width);
  std::array<char, kFieldScratch> field;
  field.fill(' ');
  char* const end = field.data() + field.size();
  char* p = end;
  std::uint64_t magnitude =
      value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
  if (min_digits != 0 || value != 0) {  // Iw.0 of 0 is all blanks
    while (magnitude >= 100) {
      p -= 2;
      std::memcpy(p, kDigitPairs.data() + 2 * (magnitude % 100), 2);
      magnitude /= 100;
    }
    if (magnitude >= 10) {
      p -= 2;
      std::memcpy(p, kDigitPairs.data() + 2 * magnitude, 2);
    } else {
      *--p = static_cast<char>('0' + magnitude);
    }
  }
  if (value < 0) *--p = '-';
  if (static_cast<std::size_t>(end - p) > w) {
    std::memset(out, '*', w);
    return;
  }
  copy_short(out, end - w, w);
}

void IntegerRecord::put(std::int64_t value, int width) {
  if (width < 1 || width > kMaxIntegerWidth)
    throw LayoutError("an integer field of " + std::to_string(width) + " columns");
  const auto w = static_cast<std::size_t>(width);
  if (length_ + w > kMaxLength) {
    throw LayoutError("a record longer than " + std::to_string(kMaxLength) + " characters");
  }
  edit_integer(value, width, -1, chars_.data() + length_);
  length_ += w;
}

void edit_fixed(double value, int width, int decimals, char* out) {
  const std::size_t w = static_cast<std::size_t>(width);
  const bool negative = std::signbit(value);
  if (!std::isfinite(value)) {
    // As gfortran writes them: "Infinity" or "Inf" where it fits, "NaN".
    std::string_view text;
    if (std::isnan(value)) {
      text = "NaN";
    } else if (w >= 9 || (!negative && w >= 8)) {
      text = negative ? "-Infinity" : "Infinity";
    } else {
      text = negative ? "-Inf" : "Inf";
    }
    if (text.size() > w) {
      std::memset(out, '*', w);
      return;
    }
    std::memset(out, ' ', w - text.size());
    std::memcpy(out + (w - text.size()), text.data(), text.size());
    return;
  }
  // The exact binary value rounded to nearest, ties to even.
  std::array<char, 400> digits;
  auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size() - 1, std::fabs(value),
                                 std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    std::memset(out, '*', w);
    return;
  }
  if (decimals == 0) *end++ = '.';
  const char* begin = digits.data();
  std::size_t length = static_cast<std::size_t>(end - begin);
  // Drop the leading zero of a value below 1 when the width leaves no room.
  const std::size_t sign = negative ? 1 : 0;
  if (length + sign > w && begin[0] == '0' && length >= 2 && begin[1] == '.') {
    ++begin;
    --length;
  }
  if (length + sign > w) {
    std::memset(out, '*', w);
    return;
  }
  std::memset(out, ' ', w - length - sign);
  char* p = out + (w - length - sign);
  if (negative) *p++ = '-';
  std::memcpy(p, begin, length);
}

std::int64_t round_half_up(float value) {
  const float shifted = value + 0.5f;
  if (std::isnan(shifted)) return 0;
  if (shifted >= 9.2e18f) return std::numeric_limits<std::int64_t>::max();
  if (shifted <= -9.2e18f) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(shifted);  // conversion truncates toward zero
}

}  // namespace korvo
