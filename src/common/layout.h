#pragma once
// Fortran-style layouts ("edit descriptor lists") for writing fixed-column
// records.
//
// A layout written in the code is a literal, parsed when the program is
// compiled; a malformed text, or a value of the wrong kind for its
// descriptor, is a compile error:
//
//   constexpr auto kLine = "(T2,A,T18,I6,F10.2)"_layout;
//   write_record(report, kLine, label, count, share);   // text, integer, real
//   write_record(report, kLine, count, label, share);   // does not compile
//
// A layout built while the program runs (the conversion layouts of dBASE
// fields, "(I5)", "(F10.2)") goes through the same parser: Layout::parse.
//
// Descriptors: Iw[.m], Fw.d, A[w], 'text' or "text", Tn, TRn, TLn, nX, /, :,
// n(...) and a repeat count before any data descriptor or "/". I takes an
// integer, F a real or an integer, A a text.
//
// Where Fortran editing differs from C++ habits (each pinned by a test):
//   - A value too wide for its field prints as w asterisks: F8.2 of -12345.6
//     is "********"; printf would widen the field.
//   - Fw.d rounds the exact binary value to nearest, ties to even: F5.2 of
//     0.125 is " 0.12"; F5.0 of 2.5 is "   2.".
//   - d = 0 keeps the point: F11.0 of 1234.4 is "      1234.".
//   - The leading 0 of a value below 1 is written only where the width leaves
//     room: F4.2 of 0.5 is "0.50", F3.2 is ".50", F4.2 of -0.5 is "-.50".
//   - A negative value that rounds to zero keeps its sign: F5.2 of -0.001 is
//     "-0.00".
//   - Tn moves left as well as right and later text overwrites; T, TR, TL and
//     X at the end of a record write nothing.
//   - A layout stops at the first data descriptor that has no value left; the
//     texts, tabs and "/" before it are still written. A layout that runs out
//     of descriptors while values remain starts a new record and reverts to
//     its last top-level group (or to its start).

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "common/fixed_text.h"

namespace korvo {

// One value handed to a layout: an integer, a real or a text. A text value
// refers to storage owned by the caller for the duration of the write.
class FieldValue {
 public:
  enum class Kind : std::uint8_t { kInteger, kReal, kText };

  template <typename T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>) constexpr FieldValue(T v)
      : kind_(Kind::kInteger), integer_(static_cast<std::int64_t>(v)) {}                       // NOLINT
  constexpr FieldValue(float v) : kind_(Kind::kReal), real_(v) {}                              // NOLINT
  constexpr FieldValue(double v) : kind_(Kind::kReal), real_(v) {}                             // NOLINT
  constexpr FieldValue(std::string_view v) : kind_(Kind::kText), text_{v.data(), v.size()} {}  // NOLINT
  constexpr FieldValue(const char* v) : FieldValue(std::string_view(v)) {}                     // NOLINT
  FieldValue(const std::string& v) : FieldValue(std::string_view(v)) {}                        // NOLINT
  template <std::size_t N>
  constexpr FieldValue(const FixedText<N>& v) : FieldValue(v.view()) {}  // NOLINT

  constexpr Kind kind() const { return kind_; }
  constexpr std::int64_t integer() const { return integer_; }
  constexpr double real() const { return real_; }
  constexpr std::string_view text() const { return {text_.data, text_.size}; }

 private:
  struct TextRef {
    const char* data;
    std::size_t size;
  };
  Kind kind_;
  union {
    std::int64_t integer_;
    double real_;
    TextRef text_;
  };
};

// A layout text that cannot be parsed (the message gives the position), or a
// value that does not fit its descriptor: a fault of the program.
class LayoutError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

enum class EditOp : std::uint8_t {
  kInteger,     // Iw or Iw.m
  kFixed,       // Fw.d
  kText,        // A (whole text) or Aw
  kLiteral,     // 'text' or "text"
  kTab,         // Tn: continue at column n
  kTabRight,    // TRn and nX: move n columns right
  kTabLeft,     // TLn: move n columns left
  kNewRecord,   // "/"
  kColon,       // ":" stops the record when no value is left
  kGroupStart,  // "n(" ; partner is the index of the matching group end
  kGroupEnd,    // ")"  ; partner is the index of the matching group start
};

struct EditItem {
  EditOp op = EditOp::kLiteral;
  std::int32_t repeat = 1;     // data descriptors, "/" and groups
  std::int32_t width = 0;      // I, F, A (0 for A: the whole text); column or move for tabs
  std::int32_t decimals = -1;  // F: d; I: minimum digits m (-1 when not given)
  std::int32_t partner = 0;    // groups: index of the matching start or end
  std::uint32_t literal_offset = 0;
  std::uint32_t literal_size = 0;
};

constexpr bool is_data(EditOp op) { return op == EditOp::kInteger || op == EditOp::kFixed || op == EditOp::kText; }

// A parsed layout, whoever owns its storage: what write_record walks.
struct LayoutView {
  std::span<const EditItem> items;
  std::string_view literals;
  // Index of the item where the layout reverts when it runs out of items
  // while values remain.
  std::size_t reversion = 0;
  std::string_view text;

  constexpr std::string_view literal(const EditItem& item) const {
    return literals.substr(item.literal_offset, item.literal_size);
  }
};

namespace layout_detail {

inline constexpr int kMaxGroupDepth = 16;

// Where a parse failed, and why.
struct ParseStatus {
  const char* problem = nullptr;  // null: parsed
  std::size_t position = 0;       // 1-based
  constexpr bool ok() const { return problem == nullptr; }
};

// Counts what a parse produces, so that a compile-time layout can size its
// arrays exactly.
struct CountingOutput {
  std::size_t items = 0;
  std::size_t chars = 0;
  constexpr std::size_t push(const EditItem&) { return items++; }
  constexpr void set_partner(std::size_t, std::int32_t) {}
  constexpr void add_literal_char(char) { ++chars; }
  constexpr std::size_t literal_size() const { return chars; }
};

// The parser of layout texts, shared by compile-time and run-time layouts.
// Out receives the items and the characters of the quoted texts.
template <typename Out>
class Parser {
 public:
  constexpr Parser(std::string_view text, Out& out) : text_(text), out_(out) {}

  // Parses the whole text; reversion receives the index of the last
  // top-level group (0 when there is none).
  constexpr ParseStatus run(std::size_t& reversion) {
    skip_blanks();
    if (at_end() || text_[pos_] != '(') return fail("a layout starts with \"(\"");
    ++pos_;
    if (!parse_list(0)) return status_;
    skip_blanks();
    if (!at_end()) return fail("text after the closing \")\"");
    reversion = last_top_group_;
    return status_;
  }

 private:
  constexpr ParseStatus fail(const char* problem) {
    if (status_.ok()) status_ = {problem, pos_ + 1};
    return status_;
  }
  constexpr bool failed(const char* problem) {
    fail(problem);
    return false;
  }
  constexpr bool at_end() const { return pos_ >= text_.size(); }
  constexpr void skip_blanks() {
    while (!at_end() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  constexpr char peek_upper() {
    skip_blanks();
    if (at_end()) return '\0';
    const char c = text_[pos_];
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  constexpr bool digit_next() {
    skip_blanks();
    return !at_end() && text_[pos_] >= '0' && text_[pos_] <= '9';
  }
  constexpr bool number(std::int32_t& value) {
    skip_blanks();
    if (!digit_next()) return failed("a number was expected");
    long n = 0;
    while (digit_next()) {
      n = n * 10 + (text_[pos_] - '0');
      if (n > 100000) return failed("number too large");
      ++pos_;
    }
    value = static_cast<std::int32_t>(n);
    return true;
  }

  // Parses items up to the ")" that closes the current level. Commas are
  // optional around "/" and ":" and after a quoted text.
  constexpr bool parse_list(int depth) {
    for (;;) {
      const char c = peek_upper();
      if (c == '\0') return failed("missing \")\"");
      if (c == ')') {
        ++pos_;
        return true;
      }
      if (c == ',') {
        ++pos_;
        continue;
      }
      if (!parse_item(depth)) return false;
    }
  }

  constexpr bool parse_item(int depth) {
    std::int32_t repeat = 1;
    bool has_repeat = false;
    if (digit_next()) {
      if (!number(repeat)) return false;
      has_repeat = true;
      if (repeat == 0) return failed("a repeat count must be at least 1");
    }
    switch (peek_upper()) {
      case '(': {
        if (depth + 1 >= kMaxGroupDepth) return failed("groups nested too deeply");
        ++pos_;
        const std::size_t start = out_.push({.op = EditOp::kGroupStart, .repeat = repeat});
        if (!parse_list(depth + 1)) return false;
        const std::size_t end = out_.push({.op = EditOp::kGroupEnd, .partner = static_cast<std::int32_t>(start)});
        out_.set_partner(start, static_cast<std::int32_t>(end));
        if (depth == 0) last_top_group_ = start;
        return true;
      }
      case '/':
        ++pos_;
        out_.push({.op = EditOp::kNewRecord, .repeat = repeat});
        return true;
      case ':':
        if (has_repeat) return failed("\":\" takes no repeat count");
        ++pos_;
        out_.push({.op = EditOp::kColon});
        return true;
      case '\'':
      case '"':
        if (has_repeat) return failed("a quoted text takes no repeat count");
        return parse_literal();
      case 'I': {
        ++pos_;
        EditItem item{.op = EditOp::kInteger, .repeat = repeat};
        if (!number(item.width)) return false;
        if (item.width == 0) return failed("I needs a width of at least 1");
        if (peek_upper() == '.') {
          ++pos_;
          if (!number(item.decimals)) return false;
        }
        out_.push(item);
        return true;
      }
      case 'F': {
        ++pos_;
        EditItem item{.op = EditOp::kFixed, .repeat = repeat};
        if (!number(item.width)) return false;
        if (item.width == 0) return failed("F needs a width of at least 1");
        if (peek_upper() != '.') return failed("F needs \".d\"");
        ++pos_;
        if (!number(item.decimals)) return false;
        out_.push(item);
        return true;
      }
      case 'A': {
        ++pos_;
        EditItem item{.op = EditOp::kText, .repeat = repeat};
        if (digit_next() && !number(item.width)) return false;
        out_.push(item);
        return true;
      }
      case 'X':
        ++pos_;
        out_.push({.op = EditOp::kTabRight, .width = repeat});
        return true;
      case 'T': {
        if (has_repeat) return failed("T takes no repeat count");
        ++pos_;
        const char next = peek_upper();
        std::int32_t column = 0;
        if (next == 'R' || next == 'L') {
          ++pos_;
          if (!number(column)) return false;
          out_.push({.op = next == 'R' ? EditOp::kTabRight : EditOp::kTabLeft, .width = column});
          return true;
        }
        if (!number(column)) return false;
        if (column < 1) return failed("T needs a column of at least 1");
        out_.push({.op = EditOp::kTab, .width = column});
        return true;
      }
      default: return failed("unknown descriptor");
    }
  }

  constexpr bool parse_literal() {
    const char quote = text_[pos_++];
    const std::size_t offset = out_.literal_size();
    for (;;) {
      if (at_end()) return failed("quoted text not closed");
      const char c = text_[pos_++];
      if (c == quote) {
        if (!at_end() && text_[pos_] == quote) {  // a doubled quote stands for itself
          out_.add_literal_char(quote);
          ++pos_;
          continue;
        }
        break;
      }
      out_.add_literal_char(c);
    }
    out_.push({.op = EditOp::kLiteral,
               .literal_offset = static_cast<std::uint32_t>(offset),
               .literal_size = static_cast<std::uint32_t>(out_.literal_size() - offset)});
    return true;
  }

  std::string_view text_;
  Out& out_;
  std::size_t pos_ = 0;
  std::size_t last_top_group_ = 0;
  ParseStatus status_{};
};

// How the items of a layout meet a number of values: calls
// visitor.value(item, index) for each data descriptor that receives value
// `index`, visitor.control(item) for each text, tab and "/", and
// visitor.end_record() where the layout reverts for more values. Returns
// false when the layout reverts without taking a value: it has no
// descriptor for the values that remain. The record open at the end is the
// caller's to finish.
template <typename Visitor>
constexpr bool walk_layout(const LayoutView& layout, std::size_t value_count, Visitor& visitor) {
  struct Frame {
    std::size_t start = 0;
    std::int32_t remaining = 0;
  };
  std::array<Frame, kMaxGroupDepth> stack{};
  const auto items = layout.items;
  std::size_t depth = 0;
  std::size_t next_value = 0;
  std::size_t index = 0;
  bool used_value_this_pass = false;
  for (;;) {
    if (index == items.size()) {
      if (next_value == value_count) return true;
      if (!used_value_this_pass) return false;
      visitor.end_record();
      index = layout.reversion;
      depth = 0;
      used_value_this_pass = false;
      continue;
    }
    const EditItem& item = items[index];
    if (is_data(item.op)) {
      for (std::int32_t r = 0; r < item.repeat; ++r) {
        if (next_value == value_count) return true;
        visitor.value(item, next_value++);
        used_value_this_pass = true;
      }
      ++index;
      continue;
    }
    switch (item.op) {
      case EditOp::kColon:
        if (next_value == value_count) {
          index = items.size();
          continue;
        }
        break;
      case EditOp::kGroupStart: stack[depth++] = {index, item.repeat}; break;
      case EditOp::kGroupEnd: {
        Frame& frame = stack[depth - 1];
        if (--frame.remaining > 0) {
          index = frame.start + 1;
          continue;
        }
        --depth;
        break;
      }
      default: visitor.control(item); break;
    }
    ++index;
  }
}

// The kind of value a C++ type passes to a layout; kAny for a FieldValue,
// whose kind is known only when the program runs.
enum class ValueKind : std::uint8_t { kInteger, kReal, kText, kAny, kNone };

template <typename T>
consteval ValueKind value_kind() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, FieldValue>) {
    return ValueKind::kAny;
  } else if constexpr (std::is_integral_v<U> && !std::is_same_v<U, bool> && !std::is_same_v<U, char>) {
    return ValueKind::kInteger;
  } else if constexpr (std::is_floating_point_v<U>) {
    return ValueKind::kReal;
  } else if constexpr (std::is_convertible_v<const U&, FieldValue>) {
    return ValueKind::kText;
  } else {
    return ValueKind::kNone;
  }
}

constexpr bool fits(EditOp op, ValueKind kind) {
  switch (kind) {
    case ValueKind::kAny: return true;
    case ValueKind::kInteger: return op == EditOp::kInteger || op == EditOp::kFixed;
    case ValueKind::kReal: return op == EditOp::kFixed;
    case ValueKind::kText: return op == EditOp::kText;
    default: return false;
  }
}

// True when every value meets a descriptor of its kind.
template <std::size_t N>
constexpr bool values_fit(const LayoutView& layout, const std::array<ValueKind, N>& kinds) {
  struct Check {
    const std::array<ValueKind, N>& kinds;
    bool ok = true;
    constexpr void value(const EditItem& item, std::size_t index) {
      if (!fits(item.op, kinds[index])) ok = false;
    }
    constexpr void control(const EditItem&) {}
    constexpr void end_record() {}
  } check{kinds};
  return walk_layout(layout, N, check) && check.ok;
}

// Fixed storage for a layout parsed at compile time.
template <std::size_t Items, std::size_t Chars>
struct FixedOutput {
  std::array<EditItem, Items> items{};
  std::array<char, Chars> chars{};
  std::size_t item_count = 0;
  std::size_t char_count = 0;
  constexpr std::size_t push(const EditItem& item) {
    items[item_count] = item;
    return item_count++;
  }
  constexpr void set_partner(std::size_t index, std::int32_t partner) { items[index].partner = partner; }
  constexpr void add_literal_char(char c) { chars[char_count++] = c; }
  constexpr std::size_t literal_size() const { return char_count; }
};

}  // namespace layout_detail

// The text of a layout literal, as a template argument.
template <std::size_t N>
struct LayoutText {
  char chars[N]{};
  consteval LayoutText(const char (&text)[N]) {  // NOLINT: implicit on purpose
    for (std::size_t i = 0; i < N; ++i) chars[i] = text[i];
  }
  constexpr std::string_view view() const { return {chars, N - 1}; }
};

// A layout parsed at compile time, with its storage.
template <std::size_t Items, std::size_t Chars>
struct ParsedLayout {
  std::array<EditItem, Items> items{};
  std::array<char, Chars> literals{};
  std::size_t reversion = 0;
  std::string_view text;

  constexpr LayoutView view() const {
    return {std::span<const EditItem>(items), std::string_view(literals.data(), Chars), reversion, text};
  }
  constexpr operator LayoutView() const { return view(); }  // NOLINT: implicit on purpose

  // The same layout with d of every F descriptor set to decimals: a table
  // writer's real-number rows take the decimals the table asks for.
  constexpr ParsedLayout with_decimals(int decimals) const {
    ParsedLayout out = *this;
    for (EditItem& item : out.items) {
      if (item.op == EditOp::kFixed) item.decimals = decimals;
    }
    return out;
  }
};

namespace layout_detail {

template <LayoutText S>
consteval ParseStatus parse_status() {
  CountingOutput out;
  std::size_t reversion = 0;
  return Parser<CountingOutput>(S.view(), out).run(reversion);
}

template <LayoutText S>
consteval CountingOutput counts() {
  CountingOutput out;
  std::size_t reversion = 0;
  Parser<CountingOutput>(S.view(), out).run(reversion);
  return out;
}

template <LayoutText S>
consteval auto parse_fixed() {
  constexpr CountingOutput kCounts = counts<S>();
  FixedOutput<kCounts.items, kCounts.chars> out;
  std::size_t reversion = 0;
  Parser<FixedOutput<kCounts.items, kCounts.chars>>(S.view(), out).run(reversion);
  ParsedLayout<kCounts.items, kCounts.chars> layout;
  layout.items = out.items;
  layout.literals = out.chars;
  layout.reversion = reversion;
  layout.text = S.view();
  return layout;
}

// '|' of a framed layout text stands for the code page 437 box line (0xB3).
template <std::size_t N>
consteval LayoutText<N> with_box_lines(const LayoutText<N>& text) {
  LayoutText<N> out = text;
  for (char& c : out.chars) {
    if (c == '|') c = '\xB3';
  }
  return out;
}

}  // namespace layout_detail

// A layout literal: the text is a template argument, parsed once when the
// program is compiled; write_record checks the kinds of its values then.
template <LayoutText S>
struct StaticLayout {
  static_assert(layout_detail::parse_status<S>().ok(),
                "malformed layout: Layout::parse of the same text names the position and the problem");
  static constexpr auto parsed = layout_detail::parse_fixed<S>();

  constexpr LayoutView view() const { return parsed.view(); }
  constexpr operator LayoutView() const { return parsed.view(); }  // NOLINT: implicit on purpose
  // The layout with d of every F descriptor set to decimals.
  constexpr auto with_decimals(int decimals) const { return parsed.with_decimals(decimals); }
};

// "(T2,A,I5)"_layout: a layout checked when the program is compiled.
template <LayoutText S>
constexpr StaticLayout<S> operator""_layout() {
  return {};
}
// "(T5,'|',T16,'|')"_framed_layout: the same, '|' written as the box line
// (byte 0xB3) of the rate pages' frames.
template <LayoutText S>
constexpr StaticLayout<layout_detail::with_box_lines(S)> operator""_framed_layout() {
  return {};
}

// A layout parsed while the program runs, owning its storage.
class Layout {
 public:
  // Parses a layout text such as "(T2,A,T18,10F10.2)". Letters may be in either
  // case; blanks outside quoted texts are ignored. Throws LayoutError.
  static Layout parse(std::string_view text);

  std::span<const EditItem> items() const { return items_; }
  LayoutView view() const { return {items_, literals_, reversion_, text_}; }
  operator LayoutView() const { return view(); }  // NOLINT: implicit on purpose
  const std::string& text() const { return text_; }

 private:
  std::vector<EditItem> items_;
  std::string literals_;
  std::size_t reversion_ = 0;
  std::string text_;
};

// Receives the records (lines, without their line end) that a layout writes.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual void write_record(std::string_view record) = 0;
};

// Collects records in memory; for tests and for building lines.
class StringSink final : public RecordSink {
 public:
  void write_record(std::string_view record) override { records.emplace_back(record); }
  // All records joined with "\n" after each.
  std::string joined() const;
  std::vector<std::string> records;
};

// The longest record a layout can build.
inline constexpr std::size_t kMaxRecordLength = 4096;

// Writes the values through the layout to the sink, one call per record.
// Each value's kind is checked against its descriptor as it is written
// (LayoutError); the overload for a layout literal with its values one by one
// checks when compiled.
void write_record(RecordSink& sink, const LayoutView& layout, std::span<const FieldValue> values);

inline void write_record(RecordSink& sink, const LayoutView& layout, std::initializer_list<FieldValue> values) {
  write_record(sink, layout, std::span<const FieldValue>(values.begin(), values.size()));
}

// Values passed one by one, not a span of them.
template <typename... Values>
concept SeparateValues = (!std::is_convertible_v<const Values&, std::span<const FieldValue>> && ...);

template <LayoutText S, typename... Values>
requires SeparateValues<Values...>
void write_record(RecordSink& sink, const StaticLayout<S>& layout, const Values&... values) {
  static_assert(layout_detail::values_fit(
                    StaticLayout<S>::parsed.view(),
                    std::array<layout_detail::ValueKind, sizeof...(Values)>{layout_detail::value_kind<Values>()...}),
                "a value does not fit its descriptor: I takes an integer, F a real or an integer, A a text, "
                "and every value needs a descriptor");
  const std::array<FieldValue, sizeof...(Values)> fields{FieldValue(values)...};
  write_record(sink, layout.view(), std::span<const FieldValue>(fields));
}

// Writes the records of one layout into a string, each followed by "\n".
std::string render(const LayoutView& layout, std::span<const FieldValue> values);
inline std::string render(const LayoutView& layout, std::initializer_list<FieldValue> values) {
  return render(layout, std::span<const FieldValue>(values.begin(), values.size()));
}
std::string render(std::string_view layout_text, std::initializer_list<FieldValue> values);
template <LayoutText S, typename... Values>
requires SeparateValues<Values...> std::string render(const StaticLayout<S>& layout, const Values&... values) {
  StringSink sink;
  write_record(sink, layout, values...);
  return sink.joined();
}
// The same without the final "\n": one console line from a one-record layout.
template <LayoutText S, typename... Values>
requires SeparateValues<Values...> std::string render_line(const StaticLayout<S>& layout, const Values&... values) {
  std::string out = render(layout, values...);
  out.pop_back();
  return out;
}

// Single edit descriptors, written right-justified into out[0, width).
// Both fill exactly width characters.
void edit_integer(std::int64_t value, int width, int min_digits, char* out);
void edit_fixed(double value, int width, int decimals, char* out);

namespace layout_detail {
// edit_integer the plain way, for every width and minimum: what its quicker
// way for the common fields is held to.
void edit_integer_reference(std::int64_t value, int width, int min_digits, char* out);
}  // namespace layout_detail

// A record of Iw fields only, built field after field as write_record
// builds it from a layout of I descriptors (without minimum digits), for a
// file written once a link: no walk of a layout, no FieldValue.
//
//   IntegerRecord record;
//   record.put(link.anode, 6);   // as I6
//   file.write_record(record.view());
//   record.clear();
class IntegerRecord {
 public:
  static constexpr std::size_t kMaxLength = 512;

  void clear() { length_ = 0; }
  // value right-justified in width columns (1..kMaxIntegerWidth), as
  // edit_integer writes it; throws LayoutError past kMaxLength columns.
  void put(std::int64_t value, int width);
  std::string_view view() const { return {chars_.data(), length_}; }

  static constexpr int kMaxIntegerWidth = 20;

 private:
  std::array<char, kMaxLength> chars_;
  std::size_t length_ = 0;
};

// x + 0.5 truncated toward zero, in single precision: the rounding of every
// whole number printed from a real.
std::int64_t round_half_up(float value);

}  // namespace korvo
