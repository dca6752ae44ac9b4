#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace korvo::fuzz {

void fail(std::string_view what) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

void check_console_line(std::string_view line) {
  for (const char c : line) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) fail(std::string("a control character in the console line: ") + std::string(line));
  }
}

namespace {

std::filesystem::path scratch_base() {
  std::error_code ec;
  if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

void remove_scratch() {
  std::error_code ec;
  std::filesystem::remove_all(ScratchDir::instance().path(), ec);
}

}  // namespace

ScratchDir::ScratchDir() {
  path_ = scratch_base() / ("korvo-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(path_);
}

ScratchDir& ScratchDir::instance() {
  static ScratchDir* dir = [] {
    auto* d = new ScratchDir();
    std::atexit(remove_scratch);
    return d;
  }();
  return *dir;
}

void ScratchDir::clear() const {
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    std::filesystem::remove_all(entry.path());
  }
}

void ScratchDir::write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) fail("cannot write a scratch file");
}

std::vector<ScenarioFile> decode_scenario(const std::uint8_t* data, std::size_t size) {
  std::vector<ScenarioFile> files;
  std::size_t pos = 0;
  while (pos < size) {
    const std::string_view name = kScenarioNames[data[pos] % kScenarioNameCount];
    std::size_t length = 0;
    if (pos + 1 < size) length |= data[pos + 1];
    if (pos + 2 < size) length |= static_cast<std::size_t>(data[pos + 2]) << 8;
    pos += 3;
    if (pos > size) pos = size;
    const std::size_t take = std::min(length, size - pos);
    ScenarioFile* file = nullptr;
    for (auto& f : files) {
      if (f.name == name) file = &f;
    }
    if (file == nullptr) file = &files.emplace_back(ScenarioFile{std::string(name), {}});
    file->bytes.append(reinterpret_cast<const char*>(data + pos), take);
    pos += take;
  }
  return files;
}

std::string encode_scenario(const std::vector<ScenarioFile>& files) {
  std::string out;
  for (const auto& file : files) {
    std::size_t selector = kScenarioNameCount;
    for (std::size_t i = 0; i < kScenarioNameCount; ++i) {
      if (kScenarioNames[i] == file.name) selector = i;
    }
    if (selector == kScenarioNameCount) throw std::invalid_argument("no scenario name " + file.name);
    std::string_view rest = file.bytes;
    do {
      const std::size_t n = std::min<std::size_t>(rest.size(), 0xFFFF);
      out.push_back(static_cast<char>(selector));
      out.push_back(static_cast<char>(n & 0xFF));
      out.push_back(static_cast<char>(n >> 8));
      out.append(rest.substr(0, n));
      rest.remove_prefix(n);
    } while (!rest.empty());
  }
  return out;
}

}  // namespace korvo::fuzz
