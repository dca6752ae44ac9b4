#pragma once
// The side files of a run besides the report:
//   "HRLDXY.ASC"   one text record per link as read (with ASCII output);
//   "SCRNLINE.ASC" the screenline totals (with ASCII output), written after
//                  the link loop through the same writer;
//   "KVSKIP.LNK"   the links whose facility or area type has no class,
//                  created by the first one.
// ("HRLDXY2.ASC" is made from "HRLDXY.ASC" at the end: two_way_file.h.)

#include <cstdint>

#include "common/layout.h"
#include "common/text_file.h"
#include "common/work_dir.h"
#include "evaluation/evaluation.h"
#include "evaluation/link_measures.h"
#include "input/link_record.h"

namespace korvo {

inline constexpr const char* kAsciiNetworkFile = "HRLDXY.ASC";
inline constexpr const char* kTwoWayFile = "HRLDXY2.ASC";
inline constexpr const char* kScreenlineFile = "SCRNLINE.ASC";
inline constexpr const char* kSkipFile = "KVSKIP.LNK";

class SideFiles {
 public:
  explicit SideFiles(WorkDir work) : work_(std::move(work)) {}

  // A new, empty "HRLDXY.ASC" (an old one is deleted, one still open is
  // closed first).
  void create_ascii_network();
  // The link's record: nodes, codes, distance, times, volume and capacity,
  // then the count (with COUNTS) and the slot volumes of a network with
  // several slots; every value is written, however many.
  void write_ascii_record(const LinkRecord& link, const LinkValues& v, const EvaluationState& state, bool use_counts);
  // "HRLDXY.ASC" written so far reaches its file: the two-way conversion
  // reads it while it may still be open.
  void flush_ascii_network();
  // After the link loop: "HRLDXY.ASC" is closed and a new "SCRNLINE.ASC"
  // takes its writer.
  void start_screenline_file();
  // The screenline file's writer.
  TextWriter& screenline_file() { return ascii_; }
  void close_screenline_file() { ascii_.close(); }

  // Deletes an old "KVSKIP.LNK".
  void remove_old_skip_list();
  // Lists a link without a class; the first one creates the file under its
  // heading.
  void list_skipped_link(const LinkRecord& link, int ft_code);
  void close_skip_list() { skip_.close(); }

  // Closes every file in the order skip list, ASCII file; throws on the
  // first failure.
  void close();
  // After an error: closes what is open, ignoring any further failure.
  void close_quietly();

 private:
  WorkDir work_;
  TextWriter ascii_;
  IntegerRecord ascii_record_;  // HRLDXY.ASC's record, built anew for each link
  TextWriter skip_;
};

}  // namespace korvo
