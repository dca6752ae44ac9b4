#include "reports/dbf_listing.h"

#include <algorithm>
#include <array>

namespace korvo {

void DbfHeaderListing::header(const DbfHeader& header) {
  static constexpr auto kVersion = "('\f Version > ',A)"_layout;
  static constexpr auto kDate = "(' File Creation Date >',I5,'/',I2,'/',I2)"_layout;
  static constexpr auto kRecords = "(' Number of Data Records =',I8)"_layout;
  static constexpr auto kHeaderBytes = "(' Number of Bytes in Header Record =',I5)"_layout;
  static constexpr auto kRecordBytes = "(' Number of Bytes in Data Record =',I5)"_layout;
  // A year byte above 99 counts from 1900 (104 is 2004); smaller ones are
  // printed as they stand (98).
  const int year = header.year > 99 ? header.year + 1900 : header.year;
  write_record(out_, kVersion, dbf_version_label(header.version));
  write_record(out_, kDate, year, static_cast<int>(header.month), static_cast<int>(header.day));
  write_record(out_, kRecords, header.record_count);
  write_record(out_, kHeaderBytes, header.header_length);
  write_record(out_, kRecordBytes, header.record_length);
}

void DbfHeaderListing::field(int number, const DbfField& field) {
  static constexpr auto kField =
      "(' FIELD NO. =',I3,' -- NAME >',A,' -- TYPE >',A,' -- LENGTH =',I3,' -- DECIMALS =',I3)"_layout;
  // The name as stored, its NUL padding shown as blanks: no text output
  // holds a NUL byte (text tools take such a report for a binary file).
  std::array<char, sizeof(field.name)> name{};
  const std::string_view stored = field.stored_name();
  std::replace_copy(stored.begin(), stored.end(), name.begin(), '\0', ' ');
  write_record(out_, kField, number, std::string_view(name.data(), stored.size()), std::string_view(&field.type, 1),
               field.length, field.decimals);
}

void DbfHeaderListing::keyword_missing(const FixedText<11>& name) {
  static constexpr auto kMissing = "(' ***CRITICAL*** FIELD NAME > ',A,' NOT FOUND ON THE DBF FILE')"_layout;
  write_record(out_, kMissing, name);
}

}  // namespace korvo
