#include "support/golden.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace korvo::testing {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A line as a reader can see it in a test message.
std::string visible(std::string_view line) {
  std::string out;
  for (unsigned char c : line) {
    if (c == '\f') {
      out += "\\f";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void write_whole_file(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::optional<int> integer_in(std::string_view text) {
  text = trim(text);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<ScreenlineLine> screenline_line(std::string_view line) {
  const auto volume = parse_number(trim(columns_of(line, 24, 34)));
  const auto reference = parse_number(trim(columns_of(line, 35, 45)));
  const auto ratio = parse_number(trim(columns_of(line, 51, 56)));
  if (!volume || !reference || !ratio) return std::nullopt;
  return ScreenlineLine{*volume, *reference, *ratio, std::string(line.size() > 56 ? line.substr(56) : "")};
}

}  // namespace

bool regenerating_goldens() {
  const char* flag = std::getenv("KORVO_REGENERATE_GOLDENS");
  return flag != nullptr && std::string_view(flag) != "" && std::string_view(flag) != "0";
}

GoldenCase::GoldenCase(const std::string& name)
    : dir_(std::filesystem::path(KORVO_SOURCE_DIR) / "tests" / "golden" / name) {}

void GoldenCase::copy_inputs(const TempDir& run) const {
  for (const auto& from : {shared_dir(), input_dir()}) {
    if (!std::filesystem::is_directory(from)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
      if (!entry.is_regular_file()) continue;
      std::filesystem::copy_file(entry.path(), run.file(entry.path().filename().string()),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }
}

std::string GoldenCase::expected(std::string_view file) const { return read_file(expected_dir() / file); }

void GoldenCase::regenerate(const TempDir& run, const RunResult& result) const {
  std::filesystem::create_directories(expected_dir());
  for (std::string_view name : kGoldenOutputs) {
    const auto target = expected_dir() / name;
    if (run.exists(name)) {
      write_whole_file(target, run.read(name));
    } else {
      std::filesystem::remove(target);
    }
  }
  write_whole_file(expected_dir() / kConsoleFile, result.console);
}

void GoldenCase::check_outputs(const TempDir& run, const RunResult& result) const {
  for (std::string_view name : kGoldenOutputs) {
    const bool expected_exists = std::filesystem::exists(expected_dir() / name);
    EXPECT_EQ(run.exists(name), expected_exists) << name << (expected_exists ? " was not written" : " was written");
    if (!expected_exists || !run.exists(name)) continue;
    const std::string difference = first_difference(expected(name), run.read(name));
    EXPECT_TRUE(difference.empty()) << name << " differs from " << (expected_dir() / name).string() << " at "
                                    << difference;
  }
  ASSERT_TRUE(std::filesystem::exists(expected_dir() / kConsoleFile)) << "no expected console text";
  const std::string difference = first_difference(expected(kConsoleFile), result.console);
  EXPECT_TRUE(difference.empty()) << "the console differs at " << difference;
}

std::string first_difference(std::string_view expected, std::string_view actual) {
  if (expected == actual) return {};
  const std::vector<std::string> want = split_lines(expected);
  const std::vector<std::string> got = split_lines(actual);
  std::size_t n = 0;
  while (n < want.size() && n < got.size() && want[n] == got[n]) ++n;
  std::string out = "line " + std::to_string(n + 1) + ":\n  expected: ";
  out += n < want.size() ? visible(want[n]) : "(end of file)";
  out += "\n  actual:   ";
  out += n < got.size() ? visible(got[n]) : "(end of file)";
  if (n == want.size() && n == got.size()) out += "\n  (the texts differ in their last line end)";
  return out;
}

std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::optional<double> parse_number(std::string_view token) {
  token = trim(token);
  if (!token.empty() && token.back() == '*') token.remove_suffix(1);
  if (token.empty() || token.find_first_not_of("-0123456789.") != std::string_view::npos) return std::nullopt;
  if (token.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
  const std::string text(token);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

std::string_view columns_of(std::string_view line, int first, int last) {
  const auto begin = static_cast<std::size_t>(first - 1);
  if (begin >= line.size()) return {};
  return line.substr(begin, static_cast<std::size_t>(last - first + 1));
}

std::vector<double> numbers_from(std::string_view line, int first) {
  std::vector<double> values;
  std::string_view rest = columns_of(line, first, static_cast<int>(line.size()));
  while (!rest.empty()) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    rest.remove_prefix(start);
    const std::size_t end = rest.find(' ');
    const auto number = parse_number(rest.substr(0, end));
    // A field too narrow for its value prints asterisks: a NaN makes any
    // comparison with it fail.
    values.push_back(number ? *number : std::numeric_limits<double>::quiet_NaN());
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end);
  }
  return values;
}

std::optional<double> total_value(std::string_view report, std::string_view caption) {
  const std::size_t last_page = report.rfind('\f');
  const std::string_view page = last_page == std::string_view::npos ? report : report.substr(last_page);
  for (const std::string& line : split_lines(page)) {
    if (columns_of(line, 5, 4 + static_cast<int>(caption.size())) != caption) continue;
    // The caption must be whole: blanks, then the value.
    std::string_view rest = columns_of(line, 5 + static_cast<int>(caption.size()), static_cast<int>(line.size()));
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == 0 || start == std::string_view::npos) continue;
    rest.remove_prefix(start);
    const auto value = parse_number(rest.substr(0, rest.find(' ')));
    if (value) return value;
  }
  return std::nullopt;
}

std::vector<std::string> report_table(std::string_view report, std::string_view caption) {
  std::vector<std::string> lines;
  const std::string title = "-- REPORT: " + std::string(caption);
  std::size_t start = 0;
  while (start < report.size()) {
    std::size_t end = report.find('\f', start + 1);
    if (end == std::string_view::npos) end = report.size();
    const std::vector<std::string> page = split_lines(report.substr(start, end - start));
    bool in_table = false;
    for (const std::string& line : page) {
      const std::size_t at = line.find(title);
      if (at != std::string::npos && trim(std::string_view(line).substr(at + title.size())).empty()) in_table = true;
    }
    if (in_table) lines.insert(lines.end(), page.begin(), page.end());
    start = end;
  }
  return lines;
}

std::vector<std::string> area_block(const std::vector<std::string>& table, std::string_view heading) {
  std::vector<std::string> lines;
  bool inside = false;
  for (const std::string& line : table) {
    const bool block_heading =
        line.find("AREA TYPE: ") != std::string::npos || line.find("TOTAL AREA TYPES") != std::string::npos;
    if (block_heading) {
      const std::string_view text = trim(line);
      inside = text == heading || text == "AREA TYPE: " + std::string(trim(heading));
      continue;
    }
    if (inside) lines.push_back(line);
  }
  return lines;
}

std::optional<std::vector<double>> row_values(const std::vector<std::string>& lines, std::string_view label) {
  for (const std::string& line : lines) {
    if (trim(columns_of(line, 2, 17)) == label) return numbers_from(line, 18);
  }
  return std::nullopt;
}

std::vector<std::string> section(std::string_view report, std::string_view from, std::string_view to) {
  std::vector<std::string> lines;
  bool inside = false;
  for (const std::string& line : split_lines(report)) {
    if (!inside) {
      inside = line.find(from) != std::string::npos;
      if (inside) lines.push_back(line);
      continue;
    }
    if (!to.empty() && line.find(to) != std::string::npos) break;
    lines.push_back(line);
  }
  return lines;
}

std::optional<ScreenlineLine> screenline_total(std::string_view report, int s) {
  for (const std::string& line : section(report, "-- SCREENLINE SUMMARIES")) {
    if (integer_in(columns_of(line, 6, 7)) == s && columns_of(line, 16, 21) == "TOTALS") return screenline_line(line);
  }
  return std::nullopt;
}

std::optional<ScreenlineLine> screenline_link(std::string_view report, int s, int anode, int bnode) {
  for (const std::string& line : section(report, "-- SCREENLINE SUMMARIES")) {
    if (integer_in(columns_of(line, 6, 7)) == s && integer_in(columns_of(line, 13, 17)) == anode &&
        integer_in(columns_of(line, 19, 23)) == bnode) {
      return screenline_line(line);
    }
  }
  return std::nullopt;
}

}  // namespace korvo::testing
