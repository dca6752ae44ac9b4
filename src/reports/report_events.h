#pragma once
// The link loop's events as the run writes them: FATAL and INFO lines
// straight into the report (no page-break check), unclassified links into
// "KVSKIP.LNK", the construction-code line on the console.

#include "common/console.h"
#include "evaluation/evaluation.h"
#include "reports/report.h"
#include "reports/side_files.h"

namespace korvo {

class ReportEvents final : public EvaluationEvents {
 public:
  ReportEvents(Report& report, SideFiles& side_files, Console& console)
      : report_(report), side_files_(side_files), console_(console) {}

  void screenline_list_full(int limit) override;
  void no_volume_list_full(int limit) override;
  void screenline_not_the_same(std::int32_t anode, std::int32_t bnode, int screenline) override;
  void link_skipped(const LinkRecord& link, int ft_code) override;
  void construction_code_inconsistent() override;
  void aux_link_not_found(std::int32_t anode, std::int32_t bnode) override;
  void aux_network_mismatch(std::int32_t anode, std::int32_t bnode, std::int32_t from, std::int32_t to) override;

 private:
  Report& report_;
  SideFiles& side_files_;
  Console& console_;
};

}  // namespace korvo
