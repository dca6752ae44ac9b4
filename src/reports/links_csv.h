#pragma once
// KVLINKS.CSV: one row per link record read, in file order, written as the
// link loop reads them (nothing is kept):
//
//   anode,bnode,ft_code,at_code,ft_class,at_class,lanes,lane_class,screenline,location,
//   distance,volume,count,capacity,ratio,speed,los,status
//
// Classes and lane class are empty when the link has none; distance in
// miles; volume as evaluated; ratio is volume over count (validation) or
// over capacity (analysis), empty when that is not above 0; speed is the
// congested speed in mph of an evaluated link whose distance and time are
// not 0; los A..F (volume over capacity) for evaluated links.
//
// A write that fails does not stop the link loop: the failure is kept, the
// rest of the rows are dropped, and finish() throws it once the report is
// complete.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "common/errors.h"
#include "common/text_file.h"
#include "common/work_dir.h"
#include "evaluation/validation_stats.h"
#include "reports/csv_writer.h"

namespace korvo {

inline constexpr const char* kLinksCsvFile = "KVLINKS.CSV";
inline constexpr std::string_view kLinksCsvHeader =
    "anode,bnode,ft_code,at_code,ft_class,at_class,lanes,lane_class,screenline,location,distance,volume,count,"
    "capacity,ratio,speed,los,status";

// What a row needs beyond the statistics' view of the link.
struct LinkCsvExtras {
  int lanes = 0;       // as the evaluation reads them
  int lane_class = 0;  // 0: none
  std::int32_t location = 0;
  float volume = 0;  // the evaluation's single-precision volume
};

class LinksCsvWriter {
 public:
  LinksCsvWriter() = default;
  LinksCsvWriter(const LinksCsvWriter&) = delete;
  LinksCsvWriter& operator=(const LinksCsvWriter&) = delete;

  // Replaces an old file of the name in dir, creates the file and writes
  // the header; a failure is kept for finish().
  void open(const WorkDir& dir, bool analysis);
  bool is_open() const { return open_; }
  void add(const StatsLink& link, const LinkCsvExtras& extras);
  // Closes the file; throws the first write failure, if there was one.
  void finish();

 private:
  TextWriter file_;
  CsvWriter csv_{file_};
  std::optional<WriteError> failure_;
  bool open_ = false;
  bool analysis_ = false;
};

}  // namespace korvo
