// Replays inputs through a fuzz target without libFuzzer, so that any
// compiler can build the targets and CI can run their corpora:
//   korvo_fuzz_replay TARGET DIR_OR_FILE...
// One program holds every target (replay_targets.h). Every regular file
// (directories: every file in them, in name order) is handed to the target's
// LLVMFuzzerTestOneInput once. A finding aborts, as under the fuzzer; an
// empty or missing corpus, or an unknown target, is an error, so a test
// never passes on nothing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "replay_targets.h"

namespace {

std::string read_all(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const korvo::fuzz::ReplayTarget* find_target(std::string_view name) {
  for (std::size_t i = 0; i < korvo::fuzz::kReplayTargetCount; ++i) {
    if (korvo::fuzz::kReplayTargets[i].name == name) return &korvo::fuzz::kReplayTargets[i];
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s TARGET DIR_OR_FILE...\n", argv[0]);
    return 1;
  }
  const korvo::fuzz::ReplayTarget* target = find_target(argv[1]);
  if (target == nullptr) {
    std::fprintf(stderr, "%s: no fuzz target %s; the targets are:", argv[0], argv[1]);
    for (std::size_t i = 0; i < korvo::fuzz::kReplayTargetCount; ++i) {
      std::fprintf(stderr, " %.*s", static_cast<int>(korvo::fuzz::kReplayTargets[i].name.size()),
                   korvo::fuzz::kReplayTargets[i].name.data());
    }
    std::fprintf(stderr, "\n");
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    const std::filesystem::path root = argv[i];
    std::vector<std::filesystem::path> inputs;
    std::error_code ec;
    if (std::filesystem::is_directory(root, ec)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
      std::sort(inputs.begin(), inputs.end());
    } else if (std::filesystem::is_regular_file(root, ec)) {
      inputs.push_back(root);
    }
    if (inputs.empty()) {
      std::fprintf(stderr, "%s: no inputs to replay\n", root.c_str());
      return 1;
    }
    for (const auto& path : inputs) {
      const std::string bytes = read_all(path);
      target->test_one_input(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs from %s\n", inputs.size(), root.c_str());
  }
  return 0;
}
