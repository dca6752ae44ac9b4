#pragma once
// KVSTATS.CSV: the validation statistics, one row per group, written from the
// finished rows of ValidationStats. The header row is the format's version:
// a reader refuses a file whose header row differs from kStatsCsvHeader.

#include <span>
#include <string_view>

#include "common/layout.h"
#include "evaluation/validation_stats.h"

namespace korvo {

inline constexpr const char* kStatsCsvFile = "KVSTATS.CSV";
inline constexpr std::string_view kStatsCsvHeader =
    "section,key,label,links,count_sum,volume_sum,ratio,rmse_pct,vmt_count,vmt_volume,vmt_ratio,r2,"
    "target_acceptable,target_preferable,result";

// Writes the header and the rows to out (a TextWriter created on
// "KVSTATS.CSV" stops the run with WriteError when a write fails).
void write_stats_csv(RecordSink& out, std::span<const StatsRow> rows);

}  // namespace korvo
