#pragma once
// The data files KORVO writes for other programs to read (HRLDXY.ASC,
// HRLDXY2.ASC, SCRNLINE.ASC, KVSKIP.LNK) never hold a value that does not
// fit its field: a field of asterisks cannot be read back. Before a record
// is written its values are checked; the first that does not fit stops the
// run with a WriteError that names the record, the field, the value and the
// way out, and the records before it stay written.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/fixed_read.h"

namespace korvo {

// A whole number of a record and the columns of its field.
struct DataField {
  std::string_view name;
  int columns = 0;
  std::int64_t value = 0;
};

// True when the value's digits, and its minus sign, fit the columns (taken
// as 18 from 18 columns on, the most whose 10^columns has 64 bits).
constexpr bool fits_columns(std::int64_t value, int columns) {
  const auto limit = static_cast<std::int64_t>(kWholePowersOfTen[static_cast<std::size_t>(std::clamp(columns, 0, 18))]);
  return value >= 0 ? value < limit : value > -(limit / 10);
}

// A real number of a record and its field Fw.d.
struct DataRealField {
  std::string_view name;
  int columns = 0;
  int decimals = 0;
  double value = 0;
};

// True when the value, rounded to its decimals, fits the columns.
bool fits_columns(double value, int columns, int decimals);

// Throws WriteError for the first field whose value does not fit:
//   " HRLDXY.ASC: link 1234567-1234568, ANODE 1234567 does not fit its 6
//   columns; turn "ASCII" off in PROFILE.MAS, or renumber the nodes below
//   1,000,000"
// record names the record ("link 1234567-1234568"); way_out(field) says
// what the planner can do about that field.
template <typename WayOut>
void check_data_fields(std::string_view file, std::string_view record, std::span<const DataField> fields,
                       WayOut way_out);
void check_data_fields(std::string_view file, std::string_view record, std::span<const DataRealField> fields,
                       std::string_view way_out);

// Throws the WriteError of one field that does not fit.
[[noreturn]] void data_field_overflow(std::string_view file, std::string_view record, std::string_view field,
                                      int columns, std::string_view value, std::string_view way_out);

// "link 1234567-1234568"
std::string link_record_name(std::int64_t anode, std::int64_t bnode);
// "1,000,000": the first number that needs more than the columns.
std::string first_too_wide(int columns);

template <typename WayOut>
void check_data_fields(std::string_view file, std::string_view record, std::span<const DataField> fields,
                       WayOut way_out) {
  for (const DataField& f : fields) {
    if (!fits_columns(f.value, f.columns)) {
      data_field_overflow(file, record, f.name, f.columns, std::to_string(f.value), way_out(f));
    }
  }
}

}  // namespace korvo
