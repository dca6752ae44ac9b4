#include "input/kvstats_reader.h"

#include <cmath>

#include "common/errors.h"
#include "input/csv_fields.h"
#include "input/csv_reader.h"

namespace korvo {
namespace {

constexpr std::size_t kSectionColumn = 0, kKeyColumn = 1, kLabelColumn = 2, kFirstFigureColumn = 3;
constexpr std::size_t kResultColumn = kFirstFigureColumn + kStatsFigureCount;
constexpr std::size_t kColumns = kResultColumn + 1;

constexpr std::string_view kFigureNames[kStatsFigureCount] = {
    "links", "count_sum",         "volume_sum",       "ratio", "rmse_pct", "vmt_count", "vmt_volume", "vmt_ratio",
    "r2",    "target_acceptable", "target_preferable"};

}  // namespace

std::string_view stats_figure_name(StatsFigure figure) { return kFigureNames[static_cast<std::size_t>(figure)]; }

RunStats KvStatsReader::read(ByteStream stream) {
  CsvReader csv(std::move(stream));
  if (!csv.next() || csv_record_text(csv) != kHeader) {
    throw FileError(csv.name(), FilePlace::at_line(1), "",
                    "expected the header row \"" + std::string(kHeader) + "\" of this KORVO's format version " +
                        std::to_string(kCsvFormatVersion) +
                        "; the file is of another version or not a KVSTATS.CSV: run KORVO again on it");
  }
  RunStats stats;
  while (csv.next()) {
    if (csv.blank()) continue;
    if (csv.size() != kColumns) {
      throw FileError(csv.name(), FilePlace::at_line(csv.line()), "",
                      "expected " + std::to_string(kColumns) + " fields, found " + std::to_string(csv.size()));
    }
    if (stats.rows.size() == kMaxRows) {
      throw FileError(csv.name(), FilePlace::at_line(csv.line()), "",
                      "more than " + std::to_string(kMaxRows) + " rows, more than a run can write");
    }
    StatsFileRow row;
    row.line = csv.line();
    bool known = false;
    for (std::size_t s = 0; s < kStatsSectionCount; ++s) {
      if (csv.field(kSectionColumn) == stats_section_name(static_cast<StatsSection>(s))) {
        row.section = static_cast<StatsSection>(s);
        known = true;
      }
    }
    if (!known) {
      csv_field_error(csv, kSectionColumn, "section",
                      "areawide, count_group, ft_class, at_class, screenline, geh, mdd or check");
    }
    if (csv.field(kKeyColumn).empty()) csv_field_error(csv, kKeyColumn, "key", "the row's key");
    row.key = csv.field(kKeyColumn);
    row.label = csv.field(kLabelColumn);
    for (std::size_t f = 0; f < kStatsFigureCount; ++f) {
      const std::size_t column = kFirstFigureColumn + f;
      const auto value = read_csv_number(csv, column, kFigureNames[f], CsvPrecision::kDouble);
      if (!value) continue;
      if (static_cast<StatsFigure>(f) == StatsFigure::kLinks && (*value < 0 || *value != std::floor(*value))) {
        csv_field_error(csv, column, kFigureNames[f], "a whole number of links");
      }
      row.figures[f] = *value;
      row.present[f] = true;
    }
    const std::string_view result = csv.field(kResultColumn);
    if (result == "preferable") {
      row.result = Verdict::kPreferable;
    } else if (result == "acceptable") {
      row.result = Verdict::kAcceptable;
    } else if (result == "outside") {
      row.result = Verdict::kOutside;
    } else if (!result.empty()) {
      csv_field_error(csv, kResultColumn, "result", "preferable, acceptable, outside or nothing");
    }
    stats.rows.push_back(std::move(row));
  }
  return stats;
}

}  // namespace korvo
