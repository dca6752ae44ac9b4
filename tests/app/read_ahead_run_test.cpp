// Whole runs on a dBASE link file read on one thread and with the
// read-ahead thread leave the same files, console and exit status, byte for
// byte: normal runs of both run types, and runs on damaged files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "scenario_generator.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;
using fixtures::ScenarioOptions;
using fixtures::ScenarioRunType;
using fixtures::ScenarioSource;

std::map<std::string, std::string> files_of(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    files[entry.path().filename().string()] = testing::read_file(entry.path());
  }
  return files;
}

// What to do to the generated files before the run.
enum class Damage { kNone, kCutNetwork, kLetterInRecord };

void damage(const fs::path& dir, const std::string& network_file, Damage what) {
  auto cut = [](const fs::path& file, double keep) {
    fs::resize_file(file, static_cast<std::uintmax_t>(static_cast<double>(fs::file_size(file)) * keep));
  };
  switch (what) {
    case Damage::kNone: break;
    case Damage::kCutNetwork: cut(dir / network_file, 0.6); break;
    case Damage::kLetterInRecord: {
      std::string bytes = testing::read_file(dir / network_file);
      // A letter in a numeric field two thirds of the way into the records.
      const std::size_t at = bytes.size() * 2 / 3;
      const std::size_t digit = bytes.find_first_of("0123456789", at);
      ASSERT_NE(digit, std::string::npos);
      bytes[digit] = 'X';
      std::ofstream(dir / network_file, std::ios::binary) << bytes;
      break;
    }
  }
}

TEST(ReadAheadRun, LeavesTheFilesOfAReadingOnOneThread) {
  struct Case {
    ScenarioRunType type;
    Damage damage;
    bool completes;  // normally: a file cut short just has fewer links
  };
  const Case cases[] = {
      {ScenarioRunType::kValidation, Damage::kNone, true},
      {ScenarioRunType::kAnalysis, Damage::kNone, true},
      {ScenarioRunType::kValidation, Damage::kLetterInRecord, false},
      {ScenarioRunType::kValidation, Damage::kCutNetwork, true},
  };
  for (const Case& c : cases) {
    ScenarioOptions options;
    options.links = 12'000;  // three blocks of links and more
    options.run_type = c.type;
    options.source = ScenarioSource::kDbf;
    options.seed = 5;
    std::map<std::string, std::string> outputs[2];
    testing::RunResult results[2];
    for (int threads : {1, 2}) {
      testing::TempDir dir;
      const auto summary = fixtures::write_scenario(options, dir.path());
      damage(dir.path(), summary.network_file, c.damage);
      results[threads - 1] = testing::run_korvo(dir.path(), {}, threads);
      outputs[threads - 1] = files_of(dir.path());
    }
    const std::string label = std::string(c.type == ScenarioRunType::kValidation ? "validation " : "analysis ") +
                              "damage " + std::to_string(static_cast<int>(c.damage));
    EXPECT_EQ(results[0].status, results[1].status) << label;
    EXPECT_EQ(results[0].console, results[1].console) << label;
    EXPECT_EQ(results[0].status == 0, c.completes) << label << "\n" << results[0].console;
    ASSERT_EQ(outputs[0].size(), outputs[1].size()) << label;
    for (const auto& [name, bytes] : outputs[0]) {
      EXPECT_TRUE(outputs[1].count(name) == 1 && outputs[1].at(name) == bytes) << label << ": " << name;
    }
  }
}

}  // namespace
}  // namespace korvo
