#include "common/errors.h"

namespace korvo {
namespace {

std::string stop_line(const std::string& file, const std::string& place, const std::string& field,
                      const std::string& problem) {
  std::string line = " " + file;
  if (!place.empty()) line += ", " + place;
  if (!field.empty()) line += " (" + field + ")";
  line += ": " + problem;
  return line;
}

std::string expected_found(const std::string& expected, const std::string& found) {
  return "expected " + expected + ", found " + found;
}

}  // namespace

std::string FilePlace::text() const {
  std::string out;
  const auto part = [&out](const std::string& text) {
    if (!out.empty()) out += ", ";
    out += text;
  };
  if (line > 0) part("line " + std::to_string(line));
  if (record > 0) {
    part("record " + std::to_string(record));
    if (byte_offset && offset_of_record) out += " at byte offset " + std::to_string(*byte_offset);
  }
  if (byte_offset && !(record > 0 && offset_of_record)) part("byte offset " + std::to_string(*byte_offset));
  if (first_column > 0) part("columns " + std::to_string(first_column) + "-" + std::to_string(last_column));
  if (column > 0) part("column " + std::to_string(column));
  return out;
}

FileError::Found FileError::Found::file_text(std::string_view text) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u >= 127) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  out += '"';
  return Found{out};
}

FileError::FileError(std::string file, FilePlace place, std::string field, std::string problem)
    : FileError(std::move(file), place, std::move(field), "", "", std::move(problem)) {}

FileError::FileError(std::string file, FilePlace place, std::string field, const std::string& expected,
                     const Found& found)
    : FileError(std::move(file), place, std::move(field), expected, found.text, expected_found(expected, found.text)) {}

FileError::FileError(std::string file, FilePlace place, std::string field, std::string expected, std::string found,
                     std::string problem)
    : FileStop(stop_line(file, place.text(), field, problem)),
      file_(std::move(file)),
      place_(place),
      field_(std::move(field)),
      expected_(std::move(expected)),
      found_(std::move(found)),
      problem_(std::move(problem)) {}

WriteError::WriteError(std::string file, std::optional<std::uint64_t> byte_offset, std::string problem)
    : FileStop(stop_line(file, byte_offset ? "byte offset " + std::to_string(*byte_offset) : "", "", problem)),
      file_(std::move(file)),
      byte_offset_(byte_offset),
      problem_(std::move(problem)) {}

ConsoleInputEnded::ConsoleInputEnded(std::string_view name)
    : FileStop(" Console input ended at the prompt for the dBASE file name \"" + std::string(name) + "\"") {}

}  // namespace korvo
