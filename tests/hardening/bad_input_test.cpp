// The bad-input matrix: every case of bad_input_cases() runs the whole
// program in a scratch directory and must end as the case says.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
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
  const bool tail_matches =
      console.size() >= c.console_tail.size() &&
      console.compare(console.size() - c.console_tail.size(), std::string::npos, c.console_tail) == 0 &&
      (console.size() == c.console_tail.size() || console[console.size() - c.console_tail.size() - 1] == '\n');
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

// The limits of the two tables that grow with the input, apart from the
// table above: their files are too big to build for every test process.
TEST(BadInputLimits, TheAuxiliaryLinkTableHoldsTwoHundredThousandEntries) {
  struct Case {
    int records;
    int status;
    std::string tail;
  };
  const Case cases[] = {
      // Two entries per two-way record: 100,000 records fill the table.
      {100'000, 0, "KORVO -- Normal Completion\n"},
      {100'001, 2, " AUXLINKS.DBF, record 100001: more than 200000 entries, the limit of the auxiliary link table\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.records);
    TempDir dir;
    Files files = binary_aux_dbf_scenario();
    files.erase("AUXLINKS.DBF");
    for (const auto& [name, bytes] : files) dir.write(name, bytes);
    {
      fixtures::DbfFileWriter aux(dir.file("AUXLINKS.DBF"), aux_link_table().fields());
      for (int i = 0; i < c.records; ++i) aux.add({100 + i / 1000, 2000 + i % 1000, 1, 0, 0, 0, ""});
      aux.close();
    }
    const auto result = run_korvo(dir);
    EXPECT_EQ(result.status, c.status);
    ASSERT_GE(result.console.size(), c.tail.size());
    EXPECT_EQ(result.console.substr(result.console.size() - c.tail.size()), c.tail) << result.console;
  }
}

TEST(BadInputLimits, TheTwoWayConversionHoldsTwoHundredThousandAndOneLinks) {
  // One link more than the conversion table holds: the report is complete,
  // the two-way step stops with its line.
  TempDir dir;
  Files files = binary_scenario();
  files.erase("VOLNAUX.05A");
  files.erase("HRLDXY.05A");
  for (const auto& [name, bytes] : files) dir.write(name, bytes);
  {
    std::ofstream out(dir.file("HRLDXY.05A"), std::ios::binary);
    fixtures::NetworkHeader header;
    header.set_word(33, 1);
    header.set_word(34, 1);
    header.set_word(59, 1);
    fixtures::LoadedNetworkWriter writer(out, header);
    fixtures::LinkEntry e;
    e.distance = 100;
    e.facility_type = 1;
    e.area_type = 1;
    e.lanes = 1;
    e.period_times = {100};
    e.volumes = {500};
    for (int i = 0; i < 200'002; ++i) {
      e.anode = static_cast<std::uint32_t>(i % 60'000 + 1);
      e.bnode = e.anode + 1;
      writer.add_link(e);
    }
    writer.finish();
  }
  const auto result = run_korvo(dir);
  EXPECT_EQ(result.status, 2);
  const std::string tail = " HRLDXY.ASC, line 200002: the two-way conversion holds at most 200001 links\n";
  ASSERT_GE(result.console.size(), tail.size());
  EXPECT_EQ(result.console.substr(result.console.size() - tail.size()), tail) << result.console;
  EXPECT_NE(dir.read("KORVO.OUT").find(kTotalsPage), std::string::npos);
}

std::string case_name(const ::testing::TestParamInfo<BadInputCase>& info) {
  std::string name;
  for (const char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Matrix, BadInput, ::testing::ValuesIn(bad_input_cases()), case_name);

}  // namespace
}  // namespace korvo::hardening
