#pragma once
// "KVTABLES.CSV": every figure of a run's report tables, one per row:
//   table,measure,area_class,area_label,ft_class,ft_label,lanes,value
// The first two rows say which format the file is in and the run's type:
//   RUN,FORMAT,,,,,,1
//   RUN,ANALYSIS,,,,,,1        (or RUN,VALIDATION,...)
// A file of another format version is refused: its figures could mean
// something else. Classes are numbers 1..1000 or empty, lanes "1".."8", "9+",
// "total" or empty, the value a number or empty.

#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_stream.h"
#include "common/text_pool.h"
#include "input/csv_fields.h"
#include "input/run_type.h"

namespace korvo {

// The lane classes of the lane tables; kNone where a table has no lanes.
enum class LaneClass : std::int8_t { kNone = 0, kNinePlus = 9, kTotal = 10 };  // 1..8 as numbers
std::string_view lane_class_text(LaneClass lanes);                             // "", "1".."8", "9+", "total"

struct TablesRow {
  std::uint32_t table = 0;  // texts in the pool
  std::uint32_t measure = 0;
  std::int32_t area_class = 0;  // 0: empty
  std::uint32_t area_label = 0;
  std::int32_t ft_class = 0;  // 0: empty
  std::uint32_t ft_label = 0;
  LaneClass lanes = LaneClass::kNone;
  bool has_value = false;
  double value = 0;       // a single-precision value, read exactly
  std::int64_t line = 0;  // in the file, for messages
};

struct RunTables {
  RunType type = RunType::kValidation;
  std::vector<TablesRow> rows;  // in the file's order, the two RUN rows left out
};

class KvTablesReader {
 public:
  static constexpr std::string_view kHeader = "table,measure,area_class,area_label,ft_class,ft_label,lanes,value";
  // Classes 1..999 and, above the highest of them, the Total class: a run
  // with 999 facility-type classes writes its Totals as class 1000.
  static constexpr int kMaxClass = 1000;
  // The most rows a run's file can hold: 24 lane tables x 2325 class pairs
  // (the accumulator limit) x 10 lane classes, and the screenline lists;
  // a cap on what a damaged file can make us keep.
  static constexpr std::size_t kMaxRows = 2'000'000;

  // Reads the whole file; throws FileError naming the file, line, column
  // and field of the first fault, and for a format version other than
  // kCsvFormatVersion.
  static RunTables read(ByteStream stream, TextPool& pool);
};

}  // namespace korvo
