// Whole runs on one, two and three threads leave the same files, console and
// exit status, byte for byte: a dBASE link file read on one thread, with the
// read-ahead thread, and with its sums on a third; a binary network's
// statistics gathered on the loop's thread and on their own; normal runs of
// both run types, and runs on damaged files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "app/run_context.h"
#include "scenario_generator.h"
#include "support/temp_dir.h"

#if defined(__linux__)
#include <sched.h>
#endif

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

TEST(ReadAheadRun, LeavesTheFilesOfARunOnOneThread) {
  struct Case {
    ScenarioSource source;
    ScenarioRunType type;
    Damage damage;
    bool completes;  // normally: a dBASE file cut short just has fewer links
  };
  const Case cases[] = {
      {ScenarioSource::kDbf, ScenarioRunType::kValidation, Damage::kNone, true},
      {ScenarioSource::kDbf, ScenarioRunType::kAnalysis, Damage::kNone, true},
      {ScenarioSource::kDbf, ScenarioRunType::kValidation, Damage::kLetterInRecord, false},
      {ScenarioSource::kDbf, ScenarioRunType::kValidation, Damage::kCutNetwork, true},
      {ScenarioSource::kBinary, ScenarioRunType::kValidation, Damage::kNone, true},
      {ScenarioSource::kBinary, ScenarioRunType::kAnalysis, Damage::kNone, true},
      // A record cut in two: the run stops in the middle of the loop.
      {ScenarioSource::kBinary, ScenarioRunType::kValidation, Damage::kCutNetwork, false},
  };
  for (const Case& c : cases) {
    ScenarioOptions options;
    options.links = 12'000;  // three blocks of links and more
    options.run_type = c.type;
    options.source = c.source;
    options.seed = 5;
    std::map<std::string, std::string> outputs[3];
    testing::RunResult results[3];
    for (int threads : {1, 2, 3}) {
      testing::TempDir dir;
      const auto summary = fixtures::write_scenario(options, dir.path());
      damage(dir.path(), summary.network_file, c.damage);
      results[threads - 1] = testing::run_korvo(dir.path(), {}, threads);
      outputs[threads - 1] = files_of(dir.path());
    }
    const std::string label = std::string(c.source == ScenarioSource::kDbf ? "dBASE " : "binary ") +
                              (c.type == ScenarioRunType::kValidation ? "validation " : "analysis ") + "damage " +
                              std::to_string(static_cast<int>(c.damage));
    EXPECT_EQ(results[0].status == 0, c.completes) << label << "\n" << results[0].console;
    for (int t = 1; t < 3; ++t) {
      const std::string run = label + ", " + std::to_string(t + 1) + " threads";
      EXPECT_EQ(results[0].status, results[t].status) << run;
      EXPECT_EQ(results[0].console, results[t].console) << run;
      ASSERT_EQ(outputs[0].size(), outputs[t].size()) << run;
      for (const auto& [name, bytes] : outputs[0]) {
        EXPECT_TRUE(outputs[t].count(name) == 1 && outputs[t].at(name) == bytes) << run << ": " << name;
      }
    }
    if (c.completes && c.type == ScenarioRunType::kValidation) {
      // The statistics were gathered: the counted links' rows are there.
      EXPECT_NE(outputs[2]["KVSTATS.CSV"].find("All counted links"), std::string::npos) << label;
    }
  }
}

TEST(ReadAheadRun, ThreadsFollowTheSettingThenTheCores) {
  struct Case {
    const char* value;  // KORVO_THREADS; null when unset
    unsigned cores;     // 0: the machine does not say
    int threads;
  };
  const Case cases[] = {
      {nullptr, 0, 1}, {nullptr, 1, 1}, {nullptr, 2, 2}, {nullptr, 3, 3}, {nullptr, 64, 3},
      {"1", 64, 1},    {"2", 64, 2},    {"3", 1, 3},     {"2", 1, 2},     {"", 4, 3},
      {"4", 2, 2},     {"0", 2, 2},     {"1 ", 8, 3},    {"one", 1, 1},   {"12", 8, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(threads_setting(c.value, c.cores), c.threads)
        << (c.value != nullptr ? c.value : "(unset)") << " on " << c.cores << " cores";
  }
}

TEST(ReadAheadRun, AValueNotTakenIsNamedWithTheThreadsUsedInstead) {
  struct Case {
    const char* value;  // KORVO_THREADS; null when unset
    int threads;        // those the run takes
    std::string notice;
  };
  const Case cases[] = {
      {nullptr, 2, ""},
      {"", 2, ""},
      {"1", 2, ""},
      {"3", 1, ""},
      {"4", 2, "korvo: KORVO_THREADS=\"4\" is not 1, 2 or 3: this run takes 2 threads, one per core up to three\n"},
      {"1 ", 1, "korvo: KORVO_THREADS=\"1 \" is not 1, 2 or 3: this run takes 1 thread, one per core up to three\n"},
      {"0", 3, "korvo: KORVO_THREADS=\"0\" is not 1, 2 or 3: this run takes 3 threads, one per core up to three\n"},
      // The value is shown as the console shows a file's name: a control
      // byte as \xNN, never a line break.
      {"2\n", 2,
       "korvo: KORVO_THREADS=\"2\\x0A\" is not 1, 2 or 3: this run takes 2 threads, one per core up to three\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(threads_notice(c.value, c.threads), c.notice) << (c.value != nullptr ? c.value : "(unset)");
  }
}

#if defined(__linux__)
// Pins the calling thread to the first n processors it may run on, and gives
// it back its processors when it goes.
class PinnedTo {
 public:
  explicit PinnedTo(int n) {
    if (sched_getaffinity(0, sizeof saved_, &saved_) != 0) return;
    cpu_set_t narrow;
    CPU_ZERO(&narrow);
    int kept = 0;
    for (int cpu = 0; cpu < CPU_SETSIZE && kept < n; ++cpu) {
      if (CPU_ISSET(cpu, &saved_)) {
        CPU_SET(cpu, &narrow);
        ++kept;
      }
    }
    pinned_ = kept == n && sched_setaffinity(0, sizeof narrow, &narrow) == 0;
  }
  ~PinnedTo() {
    if (pinned_) sched_setaffinity(0, sizeof saved_, &saved_);
  }
  PinnedTo(const PinnedTo&) = delete;
  PinnedTo& operator=(const PinnedTo&) = delete;
  bool pinned() const { return pinned_; }

 private:
  cpu_set_t saved_{};
  bool pinned_ = false;
};

TEST(ReadAheadRun, CountsOnlyTheCoresTheRunMayUse) {
  const unsigned all = usable_cores();
  ASSERT_GE(all, 1U);
  {
    PinnedTo one(1);
    ASSERT_TRUE(one.pinned());
    EXPECT_EQ(usable_cores(), 1U);
    EXPECT_EQ(threads_setting(nullptr), 1);
    EXPECT_EQ(threads_setting("2"), 2);  // a setting still holds
  }
  EXPECT_EQ(usable_cores(), all);
  if (all >= 2) {
    PinnedTo two(2);
    ASSERT_TRUE(two.pinned());
    EXPECT_EQ(usable_cores(), 2U);
    EXPECT_EQ(threads_setting(nullptr), 2);
  }
}
#endif

}  // namespace
}  // namespace korvo
