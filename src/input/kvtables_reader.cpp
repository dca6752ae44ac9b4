#include "input/kvtables_reader.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/errors.h"
#include "input/csv_fields.h"
#include "input/csv_reader.h"

namespace korvo {
namespace {

enum Column : std::size_t { kTable, kMeasure, kAreaClass, kAreaLabel, kFtClass, kFtLabel, kLanes, kValue, kColumns };
constexpr std::string_view kColumnNames[kColumns] = {"table",    "measure",  "area_class", "area_label",
                                                     "ft_class", "ft_label", "lanes",      "value"};

std::int32_t read_class(const CsvReader& csv, std::size_t i) {
  const std::string_view text = csv.field(i);
  if (text.empty()) return 0;
  std::int32_t value = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || value < 1 || value > KvTablesReader::kMaxClass) {
    csv_field_error(csv, i, kColumnNames[i], "a class number 1-1000 or nothing");
  }
  return value;
}

LaneClass read_lanes(const CsvReader& csv) {
  const std::string_view text = csv.field(kLanes);
  if (text.empty()) return LaneClass::kNone;
  if (text == "9+") return LaneClass::kNinePlus;
  if (text == "total") return LaneClass::kTotal;
  if (text.size() == 1 && text[0] >= '1' && text[0] <= '8') return static_cast<LaneClass>(text[0] - '0');
  csv_field_error(csv, kLanes, "lanes", "1-8, \"9+\", \"total\" or nothing");
}

void expect_run_row(const CsvReader& csv, bool read, std::string_view what) {
  if (!read || csv.size() != kColumns || csv.field(kTable) != "RUN") {
    throw FileError(
        csv.name(), FilePlace::at_line(csv.line()), "",
        "expected the row \"RUN," + std::string(what) + "\" here; the file is not a KVTABLES.CSV of this KORVO");
  }
}

}  // namespace

std::string_view lane_class_text(LaneClass lanes) {
  static constexpr std::string_view kText[] = {"", "1", "2", "3", "4", "5", "6", "7", "8", "9+", "total"};
  const auto i = static_cast<std::size_t>(lanes);
  return i < std::size(kText) ? kText[i] : "";
}

RunTables KvTablesReader::read(ByteStream stream, TextPool& pool) {
  CsvReader csv(std::move(stream));
  RunTables run;
  if (!csv.next() || csv.size() != kColumns || csv_record_text(csv) != kHeader) {
    throw FileError(
        csv.name(), FilePlace::at_line(1), "",
        "expected the header row \"" + std::string(kHeader) + "\"; the file is not a KVTABLES.CSV of this KORVO");
  }
  // The format version, then the run type.
  expect_run_row(csv, csv.next(), "FORMAT,,,,,,1");
  if (csv.field(kMeasure) != "FORMAT") expect_run_row(csv, false, "FORMAT,,,,,,1");
  if (csv.field(kValue) != std::to_string(kCsvFormatVersion)) {
    throw FileError(csv.name(), csv.place(kValue), "RUN FORMAT",
                    "the file is in format version " + std::string(csv.field(kValue)) +
                        "; this KORVO reads format version " + std::to_string(kCsvFormatVersion) +
                        " only: run KORVO on the run again");
  }
  expect_run_row(csv, csv.next(), "VALIDATION,,,,,,1\" or \"RUN,ANALYSIS,,,,,,1");
  if (csv.field(kMeasure) == "VALIDATION") {
    run.type = RunType::kValidation;
  } else if (csv.field(kMeasure) == "ANALYSIS") {
    run.type = RunType::kAnalysis;
  } else {
    csv_field_error(csv, kMeasure, "RUN measure", "VALIDATION or ANALYSIS");
  }

  while (csv.next()) {
    if (csv.blank()) continue;
    if (csv.size() != kColumns) {
      throw FileError(csv.name(), FilePlace::at_line(csv.line()), "",
                      "expected " + std::to_string(kColumns) + " fields, found " + std::to_string(csv.size()));
    }
    if (run.rows.size() == kMaxRows) {
      throw FileError(csv.name(), FilePlace::at_line(csv.line()), "",
                      "more than " + std::to_string(kMaxRows) + " rows, more than a run can write");
    }
    TablesRow row;
    if (csv.field(kTable).empty()) csv_field_error(csv, kTable, "table", "the name of a table");
    if (csv.field(kMeasure).empty()) csv_field_error(csv, kMeasure, "measure", "the name of a measure");
    row.table = pool.intern(csv.field(kTable));
    row.measure = pool.intern(csv.field(kMeasure));
    row.area_class = read_class(csv, kAreaClass);
    row.area_label = pool.intern(csv.field(kAreaLabel));
    row.ft_class = read_class(csv, kFtClass);
    row.ft_label = pool.intern(csv.field(kFtLabel));
    row.lanes = read_lanes(csv);
    if (const auto value = read_csv_number(csv, kValue, "value", CsvPrecision::kSingle)) {
      row.has_value = true;
      row.value = *value;
    }
    row.line = csv.line();
    run.rows.push_back(row);
  }
  return run;
}

}  // namespace korvo
