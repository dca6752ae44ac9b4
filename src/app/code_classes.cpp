#include "app/code_classes.h"

#include <string_view>

namespace korvo {
namespace {

struct ClassName {
  int cls;                 // 0: not evaluated
  std::string_view brief;  // the short label (analysis runs print it), 8 columns
  std::string_view full;   // the long label (validation runs print its first 16 columns for facility types)
};

// Facility types by tens digit (two-digit codes) and by code (one digit).
constexpr ClassName kFtTens[10] = {
    {0, "", ""},
    {1, "Freeway", "Freeway"},
    {2, "Div Art", "Divided Arterial"},
    {3, "Undv Art", "Undiv. Arterial"},
    {4, "Collectr", "Collector"},
    {0, "Centroid", "Centroid Connector (never evaluated)"},
    {6, "One Way", "One-way"},
    {0, "Unplaced", "Not placed: give it a class"},
    {8, "HOV", "HOV"},
    {9, "Toll", "Toll"},
};
constexpr ClassName kFtDigit[10] = {
    {0, "", ""},
    {1, "Freeway", "Freeway"},
    {2, "Div Art", "Divided Arterial"},
    {3, "Undv Art", "Undiv. Arterial"},
    {4, "Collectr", "Collector"},
    {5, "Local St", "Local Street"},
    {6, "One Way", "One-way"},
    {7, "FT 7", "Facility Type 7"},
    {8, "HOV", "HOV"},
    {9, "Toll", "Toll"},
};
// Area types: the short label is right-justified, as the column headings
// of an analysis run print it.
constexpr ClassName kAt[10] = {
    {0, "", ""},
    {1, "     CBD", "CBD"},
    {2, "  Fringe", "CBD Fringe"},
    {3, "   Resid", "Residential"},
    {4, " Out CBD", "Outlying Business District"},
    {5, "   Rural", "Rural"},
    {6, "    AT 6", "Area Type Class 6"},
    {7, "    AT 7", "Area Type Class 7"},
    {8, "    AT 8", "Area Type Class 8"},
    {9, "    AT 9", "Area Type Class 9"},
};

LabelLine line(std::string_view kind, int code, const ClassName& name) {
  LabelLine l;
  l.kind.assign(kind);
  l.code = code;
  l.validation_class = name.cls;
  l.analysis_class = name.cls;
  l.short_label.assign(name.brief);
  l.long_label.assign(name.full);
  return l;
}

}  // namespace

ClassPlan plan_classes(const CodeSurvey& ft, const CodeSurvey& at) {
  ClassPlan plan;
  for (int code = CodeSurvey::kLowest; code <= CodeSurvey::kHighest; ++code) {
    if (!ft.found.test(static_cast<std::size_t>(code))) continue;
    const ClassName& name = code < 10 ? kFtDigit[code] : kFtTens[code / 10];
    plan.lines.push_back(line("FT", code, name));
    if (code >= 50 && code <= 59) {
      plan.ft_connectors.push_back(code);
    } else if (name.cls == 0) {
      plan.ft_unplaced.push_back(code);
    }
  }
  for (int code = CodeSurvey::kLowest; code <= CodeSurvey::kHighest; ++code) {
    if (!at.found.test(static_cast<std::size_t>(code))) continue;
    plan.lines.push_back(line("AT", code, kAt[code < 10 ? code : code / 10]));
  }
  return plan;
}

}  // namespace korvo
