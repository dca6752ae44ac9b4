#include "input/stats_format.h"

namespace korvo {

namespace {

constexpr std::string_view kSectionNames[kStatsSectionCount] = {"areawide",   "count_group", "ft_class", "at_class",
                                                                "screenline", "geh",         "mdd",      "check"};

}  // namespace

std::string_view stats_section_name(StatsSection section) {
  const auto i = static_cast<std::size_t>(section);
  return i < kStatsSectionCount ? kSectionNames[i] : std::string_view{};
}

std::string_view verdict_name(Verdict verdict) {
  switch (verdict) {
    case Verdict::kNone: return "";
    case Verdict::kPreferable: return "preferable";
    case Verdict::kAcceptable: return "acceptable";
    case Verdict::kOutside: return "outside";
  }
  return "";
}

}  // namespace korvo
