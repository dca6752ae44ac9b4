#include "input/csv_fields.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/errors.h"

namespace korvo {
namespace {

// A field's text for a message: at most 40 bytes, quoted.
std::string quoted_excerpt(std::string_view text) {
  if (text.size() > 40) return "\"" + std::string(text.substr(0, 40)) + "...\"";
  return "\"" + std::string(text) + "\"";
}

}  // namespace

void csv_field_error(const CsvReader& csv, std::size_t i, std::string_view field_name, const std::string& expected) {
  const std::string_view text = i < csv.size() ? csv.field(i) : std::string_view{};
  const std::string found = text.empty() ? "nothing" : quoted_excerpt(text);
  throw FileError(csv.name(), csv.place(i), std::string(field_name), expected, FileError::Found::words(found));
}

std::string csv_record_text(const CsvReader& csv) {
  std::string text;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    if (i > 0) text += ',';
    text += csv.field(i);
  }
  return text;
}

std::optional<double> read_csv_number(const CsvReader& csv, std::size_t i, std::string_view field_name,
                                      CsvPrecision precision) {
  std::string_view text = csv.field(i);
  if (text.empty()) return std::nullopt;
  const std::string_view number = text.front() == '+' ? text.substr(1) : text;
  double value = 0;
  const auto r = std::from_chars(number.data(), number.data() + number.size(), value);
  const bool whole = r.ec == std::errc() && r.ptr == number.data() + number.size() && !number.empty();
  if (!whole || !std::isfinite(value) ||
      (number.front() != '-' && !std::isdigit(static_cast<unsigned char>(number.front())) && number.front() != '.')) {
    csv_field_error(csv, i, field_name, "a number or nothing");
  }
  if (precision == CsvPrecision::kSingle && std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    csv_field_error(csv, i, field_name, "a number within the range of single precision");
  }
  return value;
}

}  // namespace korvo
