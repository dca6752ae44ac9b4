#include "reports/evaluation_reports.h"

#include "reports/cross_tabs.h"
#include "reports/los_tables.h"
#include "reports/screenline_reports.h"
#include "reports/system_totals.h"
#include "evaluation/table_completion.h"
#include "app/run_context.h"

namespace korvo {

void write_evaluation_reports(RunContext& ctx) {
  EvalSums& sums = ctx.acc.sums;
  add_all_marginal_totals(sums);
  compute_derived_slots(sums);
  if (ctx.settings.analysis_mode) {
    write_analysis_tables(ctx);
  } else {
    write_no_volume_list(ctx);
    write_validation_tables(ctx);
  }
  write_screenline_summaries(ctx);
  write_system_totals(ctx);
  // "SCRNLINE.ASC" is complete; it is closed and kept.
  if (ctx.settings.ascii_output) ctx.ascii_out.close();
}

}  // namespace korvo
