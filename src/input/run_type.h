#pragma once
// The two modes of a run: the profile's run type, and the first row of
// KVTABLES.CSV.

#include <string_view>

namespace korvo {

enum class RunType : int {
  kValidation = 1,  // volumes against ground counts
  kAnalysis = 2,    // volumes against capacity, priced
};

// "validation", "analysis".
constexpr std::string_view run_type_name(RunType type) {
  return type == RunType::kAnalysis ? "analysis" : "validation";
}

}  // namespace korvo
