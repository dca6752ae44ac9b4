// The bad-input matrix: every case of bad_input_cases() runs the whole
// program in a scratch directory and must end as the case says.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "hardening/bad_input_cases.h"
#include "support/temp_dir.h"

namespace korvo::hardening {
namespace {

using korvo::testing::run_korvo;
using korvo::testing::TempDir;

class BadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadInput, EndsAsSpecifiedAndKeepsTheReport) {
  const BadInputCase& c = GetParam();
  ASSERT_FALSE(c.console_tail.empty()) << "every case names the console lines it ends in";
  TempDir dir;
  for (const auto& [name, bytes] : c.files) dir.write(name, bytes);
  const auto result = run_korvo(dir, c.console_input);

  EXPECT_EQ(result.status, c.status) << result.console;
  // The tail must match whole lines, from the start of a line.
  const std::string& console = result.console;
  const bool tail_matches = console.size() >= c.console_tail.size() &&
                            console.compare(console.size() - c.console_tail.size(), std::string::npos,
                                            c.console_tail) == 0 &&
                            (console.size() == c.console_tail.size() ||
                             console[console.size() - c.console_tail.size() - 1] == '\n');
  EXPECT_TRUE(tail_matches) << "console:\n" << console << "expected it to end in:\n" << c.console_tail;

  ASSERT_TRUE(dir.exists("KORVO.OUT"));
  const std::string report = dir.read("KORVO.OUT");
  if (c.report_has.empty()) {
    EXPECT_EQ(report, "");
  } else {
    // Whatever stopped the run, the report ends in a whole record.
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.back(), '\n');
    for (const std::string& text : c.report_has) {
      EXPECT_NE(report.find(text), std::string::npos) << "KORVO.OUT lacks \"" << text << "\"";
    }
  }
}

std::string case_name(const ::testing::TestParamInfo<BadInputCase>& info) {
  std::string name;
  for (const char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Matrix, BadInput, ::testing::ValuesIn(bad_input_cases()), case_name);

}  // namespace
}  // namespace korvo::hardening
