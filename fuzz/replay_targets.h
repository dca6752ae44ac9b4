#pragma once
// The fuzz targets linked into the replay program. Each target's
// LLVMFuzzerTestOneInput is compiled under its own name,
// korvo_replay_<target>, so that all of them fit in one program; the build
// writes the table (replay_targets.cpp in the build directory).

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvo::fuzz {

using TestOneInput = int (*)(const std::uint8_t* data, std::size_t size);

struct ReplayTarget {
  std::string_view name;
  TestOneInput test_one_input;
};

extern const ReplayTarget kReplayTargets[];
extern const std::size_t kReplayTargetCount;

}  // namespace korvo::fuzz
