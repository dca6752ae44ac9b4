#pragma once
// "COMPARE.CSV": the comparison of runs in long form, one row per figure and
// alternative:
//   table,measure,area_class,area_label,ft_class,ft_label,lanes,
//   alternative,base,value,difference,percent,change,base_result,result,note
// - The first rows describe the runs, the base first: table RUN, measure
//   SCENARIO, TITLE 1, TITLE 2, TITLE 3, the run's name in `alternative`
//   and the text (from the run's KORVO.OUT) in `note`.
// - The key columns are those of KVTABLES.CSV (classes and labels as the
//   base writes them; a Total class keeps the base's number).
// - alternative: the run's name; base and value: the figure in the base run
//   and in the alternative (a table figure as the float it is, a statistic
//   as a double); difference = value - base, to the last decimal the two
//   hold ("0.2" for 0.3 - 0.1); percent = difference / |base| x 100 in
//   single precision, empty where the base is 0. A figure present in one run
//   only keeps its row with the other side empty.
// - change: "better", "worse", "no change" for figures whose direction the
//   comparison knows (analysis runs; "more"/"less" for VMT and lane miles),
//   empty otherwise.
// - Validation runs add every figure of KVSTATS.CSV: table "STATISTICS "
//   + the section ("STATISTICS count_group"), measure the key and the
//   figure ("0-4999 rmse_pct"); the row's class in ft_class/area_class for
//   the class sections, its label in ft_label/area_label. On the row of the
//   figure a verdict judges (%RMSE, VMT ratio, ratio), base_result and
//   result give the verdict in the base and in the alternative.
// - note: "not in base", "not in this alternative", or the alternative's
//   label where it differs from the base's ("ft_label here: Expressway").

#include "common/layout.h"
#include "evaluation/comparison.h"

namespace korvo {

inline constexpr std::string_view kCompareCsvHeader =
    "table,measure,area_class,area_label,ft_class,ft_label,lanes,alternative,base,value,difference,percent,change,"
    "base_result,result,note";

// Writes the header and every row; returns the number of rows after the
// header.
std::size_t write_compare_csv(const Comparison& comparison, RecordSink& out);

}  // namespace korvo
