#include "reports/labels_listing.h"

#include <string>
#include <vector>

namespace korvo {
namespace {

void write_contents_heading(Report& report) {
  static constexpr auto kHeading = R"((' "KVLABELS.SYN" CONTENTS:'/))"_layout;
  write_record(report, kHeading);
}

// One list of codes, ten a line from column 11; a list with no code still
// gives its line, of blanks.
void write_code_list(Report& report, const std::array<std::int16_t, kMaxCode + 1>& map, bool selected) {
  static constexpr auto kCodes = "(10X,10I4)"_layout;
  static const std::string kNoCode(10, ' ');
  std::vector<FieldValue> codes;
  codes.reserve(kMaxCode);
  for (int code = 1; code <= kMaxCode; ++code) {
    if ((map[static_cast<std::size_t>(code)] != 0) == selected) codes.emplace_back(code);
  }
  if (codes.empty()) {
    report.write_record(kNoCode);
    return;
  }
  write_record(report, kCodes, codes);
}

}  // namespace

void start_labels_listing(Report& report) {
  report.new_page();
  write_contents_heading(report);
}

void list_labels_record(Report& report, const LabelsText& text) {
  static constexpr auto kEcho = "(10X,A)"_layout;
  if (report.reserve(1)) write_contents_heading(report);
  write_record(report, kEcho, text);
}

void write_labels_limit_message(Report& report, const LabelsRecord& r, LabelsOutcome outcome) {
  static constexpr auto kLimit = R"((' ***CRITICAL*** ',A,' =',I3,' EXCEEDS THE PROGRAM LIMIT OF',I3,)"
                                 R"(' IN THE FOLLOWING "KVLABELS.SYN" RECORD'/' LABEL ',A2,3I3,1X,A8,1X,A40))"_layout;
  const bool facility = outcome == LabelsOutcome::kFtClassTooHigh;
  const std::string_view type_name = facility ? "FACILITY TYPE" : "AREA TYPE";
  const int limit = facility ? kMaxAnalysisFtClass : kMaxAnalysisAtClass;
  write_record(report, kLimit, type_name, r.analysis_class, limit, r.kind, r.code, r.validation_class, r.analysis_class,
               r.short_label, r.long_label);
}

void write_selection_lists(Report& report, const ClassTables& c, bool analysis) {
  static constexpr auto kFtSelected = "(' FACILITY TYPES SELECTED:'/)"_layout;
  static constexpr auto kFtSkipped = "(//' FACILITY TYPES SKIPPED:'/)"_layout;
  static constexpr auto kAtSelected = "(//' AREA TYPES SELECTED:'/)"_layout;
  static constexpr auto kAtSkipped = "(//' AREA TYPES SKIPPED:'/)"_layout;
  // An analysis run lists the maps it evaluates with; its validation maps
  // stay empty.
  const auto& ft_map = analysis ? c.ft_analysis_map : c.ft_class_map;
  const auto& at_map = analysis ? c.at_analysis_map : c.at_class_map;
  report.new_page();
  write_record(report, kFtSelected);
  write_code_list(report, ft_map, true);
  write_record(report, kFtSkipped);
  write_code_list(report, ft_map, false);
  write_record(report, kAtSelected);
  write_code_list(report, at_map, true);
  write_record(report, kAtSkipped);
  write_code_list(report, at_map, false);
}

}  // namespace korvo
