#include "input/targets_file.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <string_view>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

constexpr char kComment = '#';
constexpr char kEndOfFileMark = 26;  // DOS editors leave it at the end of a file
constexpr std::string_view kOpenEnd = "-";
constexpr std::size_t kMaxWholeDigits = 9;  // counts are 32-bit, and exact in a double

// The longest line holds five fields (RMSE lo hi acc pref); a sixth is kept
// only to be named in the error.
constexpr std::size_t kMaxFields = 6;

// The kinds of line; a kind the file gives replaces all defaults of it.
enum Kind : int { kRmse, kAreaRmse, kAreaVmt, kFt, kAt, kGeh, kKindCount };
constexpr std::array<std::string_view, kKindCount> kKindNames = {"RMSE", "AREA RMSE", "AREA VMT", "FT", "AT", "GEH"};

struct Fields {
  std::array<std::string_view, kMaxFields> text{};
  std::size_t count = 0;
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == kEndOfFileMark; }

// The blank-separated fields of a line, up to its comment.
Fields split_fields(std::string_view line) {
  const std::size_t comment = line.find(kComment);
  if (comment != std::string_view::npos) line = line.substr(0, comment);
  Fields f;
  std::size_t i = 0;
  while (f.count < kMaxFields) {
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i == line.size()) break;
    std::size_t end = i;
    while (end < line.size() && !is_blank(line[end])) ++end;
    f.text[f.count++] = line.substr(i, end - i);
    i = end;
  }
  return f;
}

bool same_keyword(std::string_view text, std::string_view keyword) {
  if (text.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper != keyword[i]) return false;
  }
  return true;
}

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A number as planners write a percentage or a factor: digits with at most
// one point ("45", "7.5", ".5", "12."); no sign, no exponent.
bool parse_number(std::string_view text, double& out) {
  int digits = 0;
  int points = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else {
      return false;
    }
  }
  if (digits == 0 || points > 1) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, std::chars_format::fixed);
  return ec == std::errc() && end == text.data() + text.size();
}

// Shortest text of a number read from the file, for messages.
std::string number_text(double x) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

void set_pair(TargetPair& p, double acceptable, double preferable) { p = TargetPair{true, acceptable, preferable}; }

class TargetsReader {
 public:
  TargetsReader(TextReader& in, Targets& targets) : in_(in), t_(targets) {}

  void read() {
    std::string_view line;
    while (in_.next(line)) {
      const Fields f = split_fields(line);
      if (f.count == 0) continue;
      read_line(f);
    }
    std::sort(t_.groups.begin(), t_.groups.begin() + t_.group_count,
              [](const CountGroup& a, const CountGroup& b) { return a.lo < b.lo; });
  }

 private:
  [[noreturn]] void fail_found(std::string_view field, std::string_view expected, std::string_view found) const {
    throw FileError(in_.name(), FilePlace::at_line(in_.line_number()), std::string(field), std::string(expected),
                    FileError::Found::file_text(found));
  }
  // found: a description of what the line holds, not text from it.
  [[noreturn]] void fail(std::string_view field, std::string_view expected, std::string_view found) const {
    throw FileError(in_.name(), FilePlace::at_line(in_.line_number()), std::string(field), std::string(expected),
                    FileError::Found::words(std::string(found)));
  }
  [[noreturn]] void fail_end(std::string_view field, std::string_view expected) const {
    fail(field, expected, "the end of the line");
  }

  // Field i of the line, or the stop when the line ends before it.
  std::string_view field(const Fields& f, std::size_t i, std::string_view name, std::string_view expected) const {
    if (i >= f.count) fail_end(name, expected);
    return f.text[i];
  }

  void expect_end(const Fields& f, std::size_t used, Kind kind) const {
    if (f.count > used) {
      fail_found(kKindNames[kind], "the end of the line after " + std::to_string(used) + " fields", f.text[used]);
    }
  }

  std::string field_name(Kind kind, std::string_view what) const {
    return std::string(kKindNames[kind]) + " " + std::string(what);
  }

  std::int64_t whole(const Fields& f, std::size_t i, const std::string& name, std::string_view expected) const {
    const std::string_view text = field(f, i, name, expected);
    if (!all_digits(text)) fail_found(name, expected, text);
    if (text.size() > kMaxWholeDigits) fail_found(name, "a whole number of at most 9 digits", text);
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }

  double number(const Fields& f, std::size_t i, const std::string& name) const {
    static constexpr std::string_view kExpected = "a number of 0 or more";
    const std::string_view text = field(f, i, name, kExpected);
    double value = 0;
    if (!parse_number(text, value)) fail_found(name, kExpected, text);
    return value;
  }

  // The acceptable and the preferable target from fields i and i + 1.
  TargetPair pair(const Fields& f, std::size_t i, Kind kind) const {
    const double acceptable = number(f, i, field_name(kind, "acc"));
    const double preferable = number(f, i + 1, field_name(kind, "pref"));
    if (acceptable < preferable) {
      fail_found(field_name(kind, "pref"), "at most the acceptable target (" + number_text(acceptable) + ")",
                 f.text[i + 1]);
    }
    return TargetPair{true, acceptable, preferable};
  }

  // Counts the line against its kind's limit; the first line of a kind
  // clears the kind's defaults.
  void start_kind(Kind kind) {
    int& lines = lines_[static_cast<std::size_t>(kind)];
    if (lines == kMaxTargetLines) {
      fail(kKindNames[kind], "at most " + std::to_string(kMaxTargetLines) + " lines of this kind",
           "line " + std::to_string(kMaxTargetLines + 1) + " of them");
    }
    if (lines == 0) {
      first_line_[static_cast<std::size_t>(kind)] = in_.line_number();
      clear_kind(kind);
    }
    ++lines;
  }

  void clear_kind(Kind kind) {
    switch (kind) {
      case kRmse: t_.group_count = 0; break;
      case kAreaRmse: t_.area_rmse = {}; break;
      case kAreaVmt: t_.area_vmt = {}; break;
      case kFt: t_.ft.fill({}); break;
      case kAt: t_.at.fill({}); break;
      case kGeh: t_.geh = false; break;
      case kKindCount: break;
    }
  }

  // AREA and GEH lines set one target each: a second line would silently
  // override the first.
  void once(Kind kind) const {
    if (lines_[static_cast<std::size_t>(kind)] > 1) {
      fail(kKindNames[kind],
           "one line of this kind (the first is line " + std::to_string(first_line_[static_cast<std::size_t>(kind)]) +
               ")",
           "a second");
    }
  }

  void read_line(const Fields& f) {
    const std::string_view keyword = f.text[0];
    if (same_keyword(keyword, "RMSE")) {
      read_rmse(f);
    } else if (same_keyword(keyword, "AREA")) {
      static constexpr std::string_view kExpected = "RMSE or VMT";
      const std::string_view what = field(f, 1, "AREA kind", kExpected);
      if (same_keyword(what, "RMSE")) {
        read_area(f, kAreaRmse, t_.area_rmse);
      } else if (same_keyword(what, "VMT")) {
        read_area(f, kAreaVmt, t_.area_vmt);
      } else {
        fail_found("AREA kind", kExpected, what);
      }
    } else if (same_keyword(keyword, "FT")) {
      read_class(f, kFt, t_.ft, ft_line_);
    } else if (same_keyword(keyword, "AT")) {
      read_class(f, kAt, t_.at, at_line_);
    } else if (same_keyword(keyword, "GEH")) {
      read_geh(f);
    } else {
      fail_found("keyword", "RMSE, AREA, FT, AT or GEH", keyword);
    }
  }

  void read_rmse(const Fields& f) {
    start_kind(kRmse);
    CountGroup g;
    g.lo = whole(f, 1, field_name(kRmse, "lo"), "a whole number");
    static constexpr std::string_view kHiExpected = "a whole number or \"-\"";
    if (field(f, 2, field_name(kRmse, "hi"), kHiExpected) == kOpenEnd) {
      g.open = true;
      g.hi = std::numeric_limits<std::int64_t>::max();
    } else {
      g.hi = whole(f, 2, field_name(kRmse, "hi"), kHiExpected);
      if (g.hi < g.lo) fail_found(field_name(kRmse, "hi"), "at least lo (" + std::to_string(g.lo) + ")", f.text[2]);
    }
    g.target = pair(f, 3, kRmse);
    expect_end(f, 5, kRmse);
    for (int k = 0; k < t_.group_count; ++k) {
      const CountGroup& other = t_.groups[static_cast<std::size_t>(k)];
      if (g.lo <= other.hi && other.lo <= g.hi) {
        fail(field_name(kRmse, "lo"),
             "a group clear of " + group_text(other) + " (line " +
                 std::to_string(group_line_[static_cast<std::size_t>(k)]) + ")",
             group_text(g));
      }
    }
    group_line_[static_cast<std::size_t>(t_.group_count)] = in_.line_number();
    t_.groups[static_cast<std::size_t>(t_.group_count++)] = g;
  }

  static std::string group_text(const CountGroup& g) {
    return std::to_string(g.lo) + (g.open ? std::string("+") : "-" + std::to_string(g.hi));
  }

  void read_area(const Fields& f, Kind kind, TargetPair& target) {
    start_kind(kind);
    once(kind);
    target = pair(f, 2, kind);
    expect_end(f, 4, kind);
  }

  void read_class(const Fields& f, Kind kind, std::array<TargetPair, kMaxTargetClass + 1>& table,
                  std::array<std::int64_t, kMaxTargetClass + 1>& lines) {
    start_kind(kind);
    const std::string name = field_name(kind, "class");
    static constexpr std::string_view kExpected = "a class 1 to 999";
    const std::string_view text = field(f, 1, name, kExpected);
    int cls = 0;
    if (all_digits(text) && text.size() <= 3) std::from_chars(text.data(), text.data() + text.size(), cls);
    if (cls < 1) fail_found(name, kExpected, text);
    const auto c = static_cast<std::size_t>(cls);
    if (lines[c] != 0) fail_found(name, "each class once (the first is line " + std::to_string(lines[c]) + ")", text);
    lines[c] = in_.line_number();
    table[c] = pair(f, 2, kind);
    expect_end(f, 4, kind);
  }

  void read_geh(const Fields& f) {
    start_kind(kGeh);
    once(kGeh);
    const std::string factor_name = field_name(kGeh, "hourfactor");
    const std::string share_name = field_name(kGeh, "share");
    static constexpr std::string_view kFactorExpected = "a number above 0";
    static constexpr std::string_view kShareExpected = "a number from 0 to 100";
    const std::string_view factor_text = field(f, 1, factor_name, kFactorExpected);
    double factor = 0;
    if (!parse_number(factor_text, factor) || !(factor > 0)) fail_found(factor_name, kFactorExpected, factor_text);
    const std::string_view share_text = field(f, 2, share_name, kShareExpected);
    double share = 0;
    if (!parse_number(share_text, share) || share > 100) fail_found(share_name, kShareExpected, share_text);
    expect_end(f, 3, kGeh);
    t_.geh = true;
    t_.hour_factor = factor;
    t_.geh_share = share;
  }

  TextReader& in_;
  Targets& t_;
  std::array<int, kKindCount> lines_{};
  std::array<std::int64_t, kKindCount> first_line_{};
  std::array<std::int64_t, kMaxTargetLines> group_line_{};
  std::array<std::int64_t, kMaxTargetClass + 1> ft_line_{};
  std::array<std::int64_t, kMaxTargetClass + 1> at_line_{};
};

}  // namespace

void set_default_targets(Targets& t) {
  struct Group {
    std::int64_t lo;
    std::int64_t hi;  // -1: open
    double acceptable;
    double preferable;
  };
  static constexpr Group kGroups[] = {
      {0, 4999, 100, 45},     {5000, 9999, 45, 35},   {10000, 14999, 35, 27}, {15000, 19999, 30, 25},
      {20000, 29999, 27, 15}, {30000, 49999, 25, 15}, {50000, 59999, 20, 10}, {60000, -1, 19, 10},
  };
  t = Targets{};
  for (const Group& g : kGroups) {
    CountGroup& out = t.groups[static_cast<std::size_t>(t.group_count++)];
    out.lo = g.lo;
    out.open = g.hi < 0;
    out.hi = out.open ? std::numeric_limits<std::int64_t>::max() : g.hi;
    set_pair(out.target, g.acceptable, g.preferable);
  }
  set_pair(t.area_rmse, 45, 35);
  set_pair(t.area_vmt, 5, 2);
  for (int cls : {1, 8, 9}) set_pair(t.ft[static_cast<std::size_t>(cls)], 7, 6);
  for (int cls : {2, 3}) set_pair(t.ft[static_cast<std::size_t>(cls)], 15, 10);
  for (int cls : {4, 6}) set_pair(t.ft[static_cast<std::size_t>(cls)], 25, 20);
  for (std::size_t cls = 1; cls <= kMaxTargetClass; ++cls) set_pair(t.at[cls], 25, 15);
  t.geh = false;
  t.hour_factor = 0;
  t.geh_share = 85;
}

void read_targets(TextReader& in, Targets& targets) {
  set_default_targets(targets);
  TargetsReader(in, targets).read();
}

}  // namespace korvo
