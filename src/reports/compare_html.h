#pragma once
// "COMPARE.HTML": the comparison of runs on one self-contained page, made
// with the HTML kit (reports/html/).
//
// Every page starts with the runs (name, scenario code, titles), the
// classes the runs label differently and how many figures are in some runs
// only. Then:
// - analysis runs: the headline changes (one figure per line for the whole
//   network: VMT, VHT, delay, speed, miles at level of service E and F,
//   accidents, emissions, fuel and costs), each change in words ("better",
//   "worse"; "more"/"less" for VMT) beside its sign, and a chart of the
//   percent changes; then each figure by facility-type class and by
//   area-type class, as a table with its Total row and a chart of the
//   change;
// - validation runs: the areawide fit, %RMSE by count group, VMT ratios by
//   class, screenline deviations against their MDD and the data checks,
//   every run side by side with its verdicts, a verdict that differs from
//   the base's marked "changed".

#include <string>

#include "evaluation/comparison.h"

namespace korvo {

std::string compare_page(const Comparison& comparison);

}  // namespace korvo
