#include "common/layout.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace korvo {
namespace {

constexpr int kMaxGroupDepth = 16;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  void run(std::vector<EditItem>& items, std::string& literals, std::size_t& reversion) {
    items_ = &items;
    literals_ = &literals;
    skip_blanks();
    if (at_end() || text_[pos_] != '(') fail("a layout starts with \"(\"");
    ++pos_;
    parse_list(0);
    skip_blanks();
    if (!at_end()) fail("text after the closing \")\"");
    reversion = last_top_group_;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw LayoutError("layout \"" + std::string(text_) + "\", position " + std::to_string(pos_ + 1) + ": " + what);
  }
  bool at_end() const { return pos_ >= text_.size(); }
  void skip_blanks() {
    while (!at_end() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  char peek_upper() {
    skip_blanks();
    if (at_end()) return '\0';
    char c = text_[pos_];
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  bool digit_next() {
    skip_blanks();
    return !at_end() && text_[pos_] >= '0' && text_[pos_] <= '9';
  }
  int number() {
    skip_blanks();
    if (!digit_next()) fail("a number was expected");
    long value = 0;
    while (digit_next()) {
      value = value * 10 + (text_[pos_] - '0');
      if (value > 100000) fail("number too large");
      ++pos_;
    }
    return static_cast<int>(value);
  }

  // Parses items up to the ")" that closes the current level.
  void parse_list(int depth) {
    bool expect_item = true;
    for (;;) {
      char c = peek_upper();
      if (c == '\0') fail("missing \")\"");
      if (c == ')') {
        ++pos_;
        return;
      }
      if (c == ',') {
        ++pos_;
        expect_item = true;
        continue;
      }
      // Commas are optional around "/" and ":" and after a quoted text.
      (void)expect_item;
      parse_item(depth);
      expect_item = false;
    }
  }

  void push(EditItem item) { items_->push_back(item); }

  void parse_item(int depth) {
    int repeat = 1;
    bool has_repeat = false;
    if (digit_next()) {
      repeat = number();
      has_repeat = true;
      if (repeat == 0) fail("a repeat count must be at least 1");
    }
    char c = peek_upper();
    switch (c) {
      case '(': {
        if (depth + 1 >= kMaxGroupDepth) fail("groups nested too deeply");
        ++pos_;
        const std::size_t start = items_->size();
        push({.op = EditOp::kGroupStart, .repeat = repeat});
        parse_list(depth + 1);
        const std::size_t end = items_->size();
        push({.op = EditOp::kGroupEnd, .partner = static_cast<std::int32_t>(start)});
        (*items_)[start].partner = static_cast<std::int32_t>(end);
        if (depth == 0) last_top_group_ = start;
        return;
      }
      case '/':
        ++pos_;
        push({.op = EditOp::kNewRecord, .repeat = repeat});
        return;
      case ':':
        if (has_repeat) fail("\":\" takes no repeat count");
        ++pos_;
        push({.op = EditOp::kColon});
        return;
      case '\'':
      case '"': {
        if (has_repeat) fail("a quoted text takes no repeat count");
        parse_literal();
        return;
      }
      case 'I': {
        ++pos_;
        EditItem item{.op = EditOp::kInteger, .repeat = repeat};
        item.width = number();
        if (item.width == 0) fail("I needs a width of at least 1");
        if (peek_upper() == '.') {
          ++pos_;
          item.decimals = number();
        }
        push(item);
        return;
      }
      case 'F': {
        ++pos_;
        EditItem item{.op = EditOp::kFixed, .repeat = repeat};
        item.width = number();
        if (item.width == 0) fail("F needs a width of at least 1");
        if (peek_upper() != '.') fail("F needs \".d\"");
        ++pos_;
        item.decimals = number();
        push(item);
        return;
      }
      case 'A': {
        ++pos_;
        EditItem item{.op = EditOp::kText, .repeat = repeat};
        if (digit_next()) item.width = number();
        push(item);
        return;
      }
      case 'X': {
        ++pos_;
        push({.op = EditOp::kTabRight, .width = repeat});
        return;
      }
      case 'T': {
        if (has_repeat) fail("T takes no repeat count");
        ++pos_;
        char next = peek_upper();
        if (next == 'R' || next == 'L') {
          ++pos_;
          push({.op = next == 'R' ? EditOp::kTabRight : EditOp::kTabLeft, .width = number()});
        } else {
          const int column = number();
          if (column < 1) fail("T needs a column of at least 1");
          push({.op = EditOp::kTab, .width = column});
        }
        return;
      }
      default:
        fail(std::string("unknown descriptor \"") + text_[pos_] + "\"");
    }
  }

  void parse_literal() {
    const char quote = text_[pos_++];
    const std::size_t offset = literals_->size();
    for (;;) {
      if (at_end()) fail("quoted text not closed");
      char c = text_[pos_++];
      if (c == quote) {
        if (!at_end() && text_[pos_] == quote) {  // a doubled quote stands for itself
          literals_->push_back(quote);
          ++pos_;
          continue;
        }
        break;
      }
      literals_->push_back(c);
    }
    push({.op = EditOp::kLiteral,
          .literal_offset = static_cast<std::uint32_t>(offset),
          .literal_size = static_cast<std::uint32_t>(literals_->size() - offset)});
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::vector<EditItem>* items_ = nullptr;
  std::string* literals_ = nullptr;
  std::size_t last_top_group_ = 0;
};

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
      if (value.kind() != FieldValue::Kind::kInteger) throw LayoutError("I descriptor given a value that is not an integer");
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
    default:
      return;
  }
}

bool is_data(EditOp op) { return op == EditOp::kInteger || op == EditOp::kFixed || op == EditOp::kText; }

}  // namespace

Layout Layout::parse(std::string_view text) {
  Layout layout;
  layout.text_ = std::string(text);
  Parser(text).run(layout.items_, layout.literals_, layout.reversion_);
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

void write_record(RecordSink& sink, const Layout& layout, std::span<const FieldValue> values) {
  thread_local RecordBuffer record;
  record.reset();
  const auto items = layout.items();
  struct Frame {
    std::size_t start;
    std::int32_t remaining;
  };
  std::array<Frame, kMaxGroupDepth> stack;
  int depth = 0;
  std::size_t next_value = 0;
  std::size_t index = 0;
  bool used_value_this_pass = false;

  for (;;) {
    if (index == items.size()) {
      if (next_value == values.size()) break;
      if (!used_value_this_pass) throw LayoutError("layout \"" + layout.text() + "\" has no descriptor for a value");
      sink.write_record(record.view());
      record.reset();
      index = layout.reversion_index();
      depth = 0;
      used_value_this_pass = false;
      continue;
    }
    const EditItem& item = items[index];
    if (is_data(item.op)) {
      bool out_of_values = false;
      for (std::int32_t r = 0; r < item.repeat; ++r) {
        if (next_value == values.size()) {
          out_of_values = true;
          break;
        }
        put_value(record, item, values[next_value++]);
        used_value_this_pass = true;
      }
      if (out_of_values) break;
      ++index;
      continue;
    }
    switch (item.op) {
      case EditOp::kLiteral:
        record.put(layout.literal(item));
        break;
      case EditOp::kTab:
        record.move_to(item.width - 1);
        break;
      case EditOp::kTabRight:
        record.move_to(static_cast<std::int64_t>(record.pos()) + item.width);
        break;
      case EditOp::kTabLeft:
        record.move_to(static_cast<std::int64_t>(record.pos()) - item.width);
        break;
      case EditOp::kNewRecord:
        for (std::int32_t r = 0; r < item.repeat; ++r) {
          sink.write_record(record.view());
          record.reset();
        }
        break;
      case EditOp::kColon:
        if (next_value == values.size()) {
          index = items.size();
          continue;
        }
        break;
      case EditOp::kGroupStart:
        stack[static_cast<std::size_t>(depth++)] = {index, item.repeat};
        break;
      case EditOp::kGroupEnd: {
        Frame& frame = stack[static_cast<std::size_t>(depth - 1)];
        if (--frame.remaining > 0) {
          index = frame.start + 1;
          continue;
        }
        --depth;
        break;
      }
      default:
        break;
    }
    ++index;
  }
  sink.write_record(record.view());
}

std::string render(const Layout& layout, std::initializer_list<FieldValue> values) {
  StringSink sink;
  write_record(sink, layout, values);
  return sink.joined();
}

std::string render_line(const Layout& layout, std::initializer_list<FieldValue> values) {
  std::string out = render(layout, values);
  out.pop_back();
  return out;
}

std::string render(std::string_view layout_text, std::initializer_list<FieldValue> values) {
  return render(Layout::parse(layout_text), values);
}

void edit_integer(std::int64_t value, int width, int min_digits, char* out) {
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
