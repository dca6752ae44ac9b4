#pragma once
// The sections and the verdicts of KVSTATS.CSV: what the validation
// statistics write and what `korvo compare` reads back.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvo {

enum class StatsSection : std::uint8_t { kAreawide, kCountGroup, kFtClass, kAtClass, kScreenline, kGeh, kMdd, kCheck };
inline constexpr std::size_t kStatsSectionCount = 8;
// "areawide", "count_group", "ft_class", "at_class", "screenline", "geh",
// "mdd", "check".
std::string_view stats_section_name(StatsSection section);

// A figure against its targets; kNone where no target applies.
enum class Verdict : std::uint8_t { kNone, kPreferable, kAcceptable, kOutside };
// "", "preferable", "acceptable", "outside".
std::string_view verdict_name(Verdict verdict);

}  // namespace korvo
