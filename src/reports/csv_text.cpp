#include "reports/csv_text.h"

#include <charconv>

namespace korvo {
namespace {

bool needs_quotes(std::string_view text) {
  if (text.empty()) return false;
  if (text.front() == ' ' || text.back() == ' ') return true;
  return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

template <typename T>
void append_number(std::string& record, T value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  record.append(buffer, r.ptr);
}

}  // namespace

void append_csv_field(std::string& record, std::string_view text) {
  if (!needs_quotes(text)) {
    record += text;
    return;
  }
  record += '"';
  for (const char c : text) {
    if (c == '"') record += '"';
    record += c;
  }
  record += '"';
}

void append_csv_float(std::string& record, float value) { append_number(record, value); }

void append_csv_double(std::string& record, double value) { append_number(record, value); }

}  // namespace korvo
