// Replays inputs through a fuzz target without libFuzzer, so that any
// compiler can build the target and CI can run its corpus:
//   <target>_replay DIR_OR_FILE...
// Every regular file (directories: every file in them, in name order) is
// handed to LLVMFuzzerTestOneInput once. A finding aborts, as under the
// fuzzer; an empty or missing corpus is an error, so a test never passes on
// nothing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string read_all(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR_OR_FILE...\n", argv[0]);
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
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
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs from %s\n", inputs.size(), root.c_str());
  }
  return 0;
}
