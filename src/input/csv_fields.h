#pragma once
// Field conversions shared by the readers of KORVO's CSV files, with errors
// in one style: the file, line and column of the field, its name, what was
// expected and what was found:
//   " run1/KVSTATS.CSV, line 4, column 31 (rmse_pct): expected a number or
//     nothing, found "12,5""

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "input/csv_reader.h"

namespace korvo {

// The version of KORVO's CSV formats that this program writes and reads.
inline constexpr int kCsvFormatVersion = 1;

// Throws FileError for field i of the current record.
[[noreturn]] void csv_field_error(const CsvReader& csv, std::size_t i, std::string_view field_name,
                                  const std::string& expected);

// The record's fields joined by commas (to compare a header row).
std::string csv_record_text(const CsvReader& csv);

// The precision a number was written in: a KVTABLES.CSV value is a float
// (shortest round-trip text of a float), a statistic a double.
enum class CsvPrecision { kSingle, kDouble };

// Field i as a number; nullopt when empty. Accepts what std::to_chars
// writes (and leading "+"); refuses text, infinities, NaN, and for kSingle
// values beyond the range of a float.
std::optional<double> read_csv_number(const CsvReader& csv, std::size_t i, std::string_view field_name,
                                      CsvPrecision precision);

}  // namespace korvo
