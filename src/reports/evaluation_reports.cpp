#include "reports/evaluation_reports.h"

#include "reports/cross_tabs.h"
#include "reports/los_tables.h"
#include "reports/screenline_reports.h"
#include "reports/system_totals.h"

namespace korvo {

void write_evaluation_reports(Report& report, SideFiles& side_files, const Evaluation& e, bool analysis,
                              bool ascii_output) {
  if (analysis) {
    write_analysis_tables(report, e.acc, e.classes);
  } else {
    write_no_volume_list(report, e.acc.no_volume);
    write_validation_tables(report, e.acc.sums, e.classes);
  }
  write_screenline_summaries(report, e.acc.screenlines, e.classes.screenline_name, analysis,
                             ascii_output ? &side_files.screenline_file() : nullptr);
  write_system_totals(report, e.acc, analysis);
  // "SCRNLINE.ASC" is complete; it is closed and kept.
  if (ascii_output) side_files.close_screenline_file();
}

}  // namespace korvo
