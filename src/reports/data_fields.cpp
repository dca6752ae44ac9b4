#include "reports/data_fields.h"

#include <cstdio>
#include <string>

#include "common/errors.h"

namespace korvo {

bool fits_columns(double value, int columns, int decimals) {
  char buf[512];
  const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  // Fw.0 writes the decimal point behind the digits.
  return n > 0 && n + (decimals == 0 ? 1 : 0) <= columns;
}

void check_data_fields(std::string_view file, std::string_view record, std::span<const DataRealField> fields,
                       std::string_view way_out) {
  for (const DataRealField& f : fields) {
    if (!fits_columns(f.value, f.columns, f.decimals)) {
      char buf[512];
      std::snprintf(buf, sizeof buf, "%.*f", f.decimals, f.value);
      data_field_overflow(file, record, f.name, f.columns, buf, way_out);
    }
  }
}

void data_field_overflow(std::string_view file, std::string_view record, std::string_view field, int columns,
                         std::string_view value, std::string_view way_out) {
  throw WriteError(std::string(file), std::nullopt,
                   std::string(record) + ", " + std::string(field) + " " + std::string(value) + " does not fit its " +
                       std::to_string(columns) + " columns; " + std::string(way_out));
}

std::string link_record_name(std::int64_t anode, std::int64_t bnode) {
  return "link " + std::to_string(anode) + "-" + std::to_string(bnode);
}

std::string first_too_wide(int columns) {
  // 1 and columns zeros, a comma before every third digit from the right.
  std::string out = "1";
  for (int left = columns; left > 0; --left) {
    if (left % 3 == 0) out += ',';
    out += '0';
  }
  return out;
}

}  // namespace korvo
