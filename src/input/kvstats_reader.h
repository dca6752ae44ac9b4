#pragma once
// "KVSTATS.CSV": the statistics of a validation run, one row per figure
// group (%RMSE areawide and by count group, VMT ratios by class, screenline
// ratios, GEH and MDD shares, data checks):
//   section,key,label,links,count_sum,volume_sum,ratio,rmse_pct,vmt_count,
//   vmt_volume,vmt_ratio,r2,target_acceptable,target_preferable,result
// The header row is the format's version: a file whose header differs is
// of another version and is refused.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_stream.h"
#include "input/stats_format.h"

namespace korvo {

// A row's verdict against its targets; kNone where no target applies.
// The numeric columns, in the file's order.
enum class StatsFigure : std::uint8_t {
  kLinks,
  kCountSum,
  kVolumeSum,
  kRatio,
  kRmsePct,
  kVmtCount,
  kVmtVolume,
  kVmtRatio,
  kR2,
  kTargetAcceptable,
  kTargetPreferable,
};
inline constexpr std::size_t kStatsFigureCount = 11;
std::string_view stats_figure_name(StatsFigure figure);  // "links", "count_sum", ...

struct StatsFileRow {
  StatsSection section = StatsSection::kAreawide;
  std::string key;
  std::string label;
  std::array<double, kStatsFigureCount> figures{};
  std::array<bool, kStatsFigureCount> present{};  // false: the field was empty
  Verdict result = Verdict::kNone;
  std::int64_t line = 0;

  bool has(StatsFigure f) const { return present[static_cast<std::size_t>(f)]; }
  double get(StatsFigure f) const { return figures[static_cast<std::size_t>(f)]; }
};

struct RunStats {
  std::vector<StatsFileRow> rows;  // in the file's order
};

class KvStatsReader {
 public:
  static constexpr std::string_view kHeader =
      "section,key,label,links,count_sum,volume_sum,ratio,rmse_pct,vmt_count,vmt_volume,vmt_ratio,r2,"
      "target_acceptable,target_preferable,result";
  // Sections are bounded (64 count groups, 999 classes twice, 98
  // screenlines, a few more): a cap on what a damaged file can make us keep.
  static constexpr std::size_t kMaxRows = 4096;

  // Reads the whole file; throws FileError naming the file, line, column
  // and field of the first fault, and for a header of another version.
  static RunStats read(ByteStream stream);
};

}  // namespace korvo
