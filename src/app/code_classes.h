#pragma once
// The classes a starter KVLABELS.SYN gives the facility-type and area-type
// codes found in a network.
//
// Two-digit codes are grouped by tens, and the class is the tens digit, so
// that facility-type classes keep the meaning of the rate columns (1 freeway,
// 2 divided arterial, 3 undivided arterial, 4 collector, 6 one-way, 8 HOV,
// 9 toll) and both classes stay within the analysis limits (9 and 11):
//   facility types 10-19 Freeway, 20-29 Divided Arterial, 30-39 Undivided
//   Arterial, 40-49 Collector, 50-59 centroid connectors (class 0: never
//   evaluated), 60-69 One-way, 80-89 HOV, 90-99 Toll; 70-79 have no class
//   of their own and are not placed (class 0, the links listed as skipped);
//   area types 10-19 CBD, 20-29 CBD Fringe, 30-39 Residential, 40-49
//   Outlying Business District, 50-59 Rural, 60-99 a class per ten with a
//   plain "Area Type" label.
// A one-digit code is a class of its own, the class its digit gives: 1-4,
// 6, 8, 9 as above, 5 Local Street, 7 "Facility Type 7"; area types 1-5 as
// above, 6-9 a class each. Codes outside 1-99 have no class in any run.

#include <cstdint>
#include <string>
#include <vector>

#include "input/dbf_survey.h"
#include "reports/starter_files.h"

namespace korvo {

struct ClassPlan {
  std::vector<LabelLine> lines;    // facility types first, each kind by code
  std::vector<int> ft_unplaced;    // facility-type codes written with class 0 for want of a class
  std::vector<int> ft_connectors;  // codes 50-59 found
};

ClassPlan plan_classes(const CodeSurvey& ft, const CodeSurvey& at);

}  // namespace korvo
