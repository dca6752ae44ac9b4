#pragma once
// What the evaluation did with a link record: evaluated it, or passed it
// over for one reason. finish_link returns it; the statistics and the link
// listing take it from there.

#include <cstdint>
#include <string_view>

namespace korvo {

enum class LinkOutcome : std::uint8_t {
  kEvaluated,
  kUnclassified,         // listed in KVSKIP.LNK
  kConnectorPassedOver,  // facility type 50..59 (5 with the fields swapped)
  kZeroTimePassedOver,   // congested time and cost both 0
  kLocationDeselected,   // location other than the profile's GLS
};
inline constexpr int kLinkOutcomeCount = 5;
// "evaluated", "unclassified", "connector_passed_over", ...
std::string_view link_outcome_name(LinkOutcome status);

}  // namespace korvo
