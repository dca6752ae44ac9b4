#pragma once
// Fortran-style layouts ("edit descriptor lists") for writing fixed-column
// records, parsed once and then applied to values.
//
//   static const Layout kLine = Layout::parse("(T2,A,T18,10F10.2)");
//   write_record(report, kLine, {label, v1, v2});
//
// Descriptors: Iw[.m], Fw.d, A[w], 'text' or "text", Tn, TRn, TLn, nX, /, :,
// n(...) and a repeat count before any data descriptor or "/".
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
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
  constexpr FieldValue(T v) : kind_(Kind::kInteger), integer_(static_cast<std::int64_t>(v)) {}  // NOLINT
  constexpr FieldValue(float v) : kind_(Kind::kReal), real_(v) {}                                 // NOLINT
  constexpr FieldValue(double v) : kind_(Kind::kReal), real_(v) {}                                // NOLINT
  constexpr FieldValue(std::string_view v) : kind_(Kind::kText), text_{v.data(), v.size()} {}    // NOLINT
  constexpr FieldValue(const char* v) : FieldValue(std::string_view(v)) {}                        // NOLINT
  FieldValue(const std::string& v) : FieldValue(std::string_view(v)) {}                           // NOLINT
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

// A layout text that cannot be parsed; the message gives the position.
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
  EditOp op;
  std::int32_t repeat = 1;     // data descriptors, "/" and groups
  std::int32_t width = 0;      // I, F, A (0 for A: the whole text); column or move for tabs
  std::int32_t decimals = -1;  // F: d; I: minimum digits m (-1 when not given)
  std::int32_t partner = 0;    // groups: index of the matching start or end
  std::uint32_t literal_offset = 0;
  std::uint32_t literal_size = 0;
};

class Layout {
 public:
  // Parses a layout text such as "(T2,A,T18,10F10.2)". Letters may be in either
  // case; blanks outside quoted texts are ignored. Throws LayoutError.
  static Layout parse(std::string_view text);

  std::span<const EditItem> items() const { return items_; }
  std::string_view literal(const EditItem& item) const {
    return std::string_view(literals_).substr(item.literal_offset, item.literal_size);
  }
  // Index of the item where the layout reverts when it runs out of items
  // while values remain.
  std::size_t reversion_index() const { return reversion_; }
  const std::string& text() const { return text_; }
  // The same layout with d of every F descriptor set to decimals.
  Layout with_decimals(int decimals) const {
    Layout out = *this;
    for (EditItem& item : out.items_) {
      if (item.op == EditOp::kFixed) item.decimals = decimals;
    }
    return out;
  }

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
void write_record(RecordSink& sink, const Layout& layout, std::span<const FieldValue> values);
inline void write_record(RecordSink& sink, const Layout& layout, std::initializer_list<FieldValue> values) {
  write_record(sink, layout, std::span<const FieldValue>(values.begin(), values.size()));
}

// Writes the records of one layout into a string, each followed by "\n".
std::string render(const Layout& layout, std::initializer_list<FieldValue> values);
std::string render(std::string_view layout_text, std::initializer_list<FieldValue> values);
// The same without the final "\n": one console line from a one-record layout.
std::string render_line(const Layout& layout, std::initializer_list<FieldValue> values);

// Single edit descriptors, written right-justified into out[0, width).
// Both fill exactly width characters.
void edit_integer(std::int64_t value, int width, int min_digits, char* out);
void edit_fixed(double value, int width, int decimals, char* out);

// x + 0.5 truncated toward zero, in single precision: the rounding of every
// whole number printed from a real.
std::int64_t round_half_up(float value);

}  // namespace korvo
