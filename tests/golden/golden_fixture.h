#pragma once
// The one fixture of the golden cases: each case's run is made once per test
// suite and read by every test of it.
//
//   struct ValidationDbfCase {
//     static constexpr const char* kName = "validation_dbf";   // tests/golden/<name>
//     static constexpr const char* kConsoleInput = "";         // what the operator types
//     static void prepare(const testing::TempDir& dir);        // writes the files built in code
//   };
//   using ValidationDbfGolden = GoldenTest<ValidationDbfCase>;
//   TEST_F(ValidationDbfGolden, ...) { ... run_->golden ... report() ... rates() ... }

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "golden/network_sums.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace korvo::golden {

template <typename Case>
class GoldenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    run_ = testing::run_golden_case(Case::kName, &Case::prepare, Case::kConsoleInput).release();
  }
  static void TearDownTestSuite() {
    delete rates_;
    rates_ = nullptr;
    delete run_;
    run_ = nullptr;
  }

  // The expected report: the numbers a test checks come from here.
  static std::string report() { return run_->report(); }
  // The shared rates file of the cases, read on first use.
  static const RatesFile& rates() {
    if (rates_ == nullptr) rates_ = new RatesFile(testing::read_file(run_->golden.shared_dir() / "KVRATES.SYN"));
    return *rates_;
  }
  // Every file the run writes, and its console, match the case's expected
  // files byte for byte; the exit status is 0 when the expected console ends
  // with the normal completion line, 1 after an abnormal one.
  static void expect_every_output_matches() {
    const std::string console = run_->golden.expected(std::string(testing::kConsoleFile));
    EXPECT_EQ(run_->result.status, console.ends_with("KORVO -- Normal Completion\n") ? 0 : 1);
    run_->golden.check_outputs(run_->dir, run_->result);
  }

  static inline testing::GoldenRun* run_ = nullptr;
  static inline RatesFile* rates_ = nullptr;
};

}  // namespace korvo::golden
