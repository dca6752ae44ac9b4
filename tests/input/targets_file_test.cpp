#include "input/targets_file.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "common/errors.h"
#include "input/targets_cases.h"

namespace korvo {
namespace {

Targets read_targets_text(const std::string& text) {
  TextReader in = TextReader::from_memory(text, kTargetsFile);
  Targets t;
  read_targets(in, t);
  return t;
}

std::string targets_error(const std::string& text) {
  try {
    read_targets_text(text);
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

void expect_pair(const TargetPair& p, double acceptable, double preferable, const std::string& what) {
  EXPECT_TRUE(p.set) << what;
  EXPECT_EQ(p.acceptable, acceptable) << what;
  EXPECT_EQ(p.preferable, preferable) << what;
}

TEST(TargetsFile, DefaultsAreTheIssuesTargets) {
  Targets t;
  set_default_targets(t);
  struct Group {
    std::int64_t lo, hi;
    double acceptable, preferable;
  };
  const std::int64_t open = std::numeric_limits<std::int64_t>::max();
  const Group groups[] = {{0, 4999, 100, 45},     {5000, 9999, 45, 35},   {10000, 14999, 35, 27},
                          {15000, 19999, 30, 25}, {20000, 29999, 27, 15}, {30000, 49999, 25, 15},
                          {50000, 59999, 20, 10}, {60000, open, 19, 10}};
  ASSERT_EQ(t.group_count, 8);
  for (int k = 0; k < 8; ++k) {
    const CountGroup& g = t.groups[static_cast<std::size_t>(k)];
    EXPECT_EQ(g.lo, groups[k].lo) << k;
    EXPECT_EQ(g.hi, groups[k].hi) << k;
    EXPECT_EQ(g.open, k == 7) << k;
    expect_pair(g.target, groups[k].acceptable, groups[k].preferable, "group " + std::to_string(k));
  }
  expect_pair(t.area_rmse, 45, 35, "AREA RMSE");
  expect_pair(t.area_vmt, 5, 2, "AREA VMT");
  struct Ft {
    int cls;
    bool set;
    double acceptable, preferable;
  };
  const Ft ft[] = {{1, true, 7, 6},    {2, true, 15, 10},   {3, true, 15, 10}, {4, true, 25, 20}, {5, false, 0, 0},
                   {6, true, 25, 20},  {7, false, 0, 0},    {8, true, 7, 6},   {9, true, 7, 6},   {10, false, 0, 0},
                   {999, false, 0, 0}, {1000, false, 0, 0}, {0, false, 0, 0}};
  for (const Ft& c : ft) {
    const TargetPair& p = t.ft_target(c.cls);
    EXPECT_EQ(p.set, c.set) << "FT " << c.cls;
    if (c.set) expect_pair(p, c.acceptable, c.preferable, "FT " + std::to_string(c.cls));
  }
  expect_pair(t.at_target(1), 25, 15, "AT 1");
  expect_pair(t.at_target(999), 25, 15, "AT 999");
  EXPECT_FALSE(t.at_target(1000).set);
  EXPECT_FALSE(t.geh);
  EXPECT_EQ(t.geh_share, 85);
}

TEST(TargetsFile, AKindGivenReplacesAllDefaultsOfThatKindOnly) {
  // One FT line: every default FT target goes, the other kinds stay.
  const Targets t = read_targets_text("FT 2 10 5\n");
  EXPECT_FALSE(t.ft_target(1).set);
  EXPECT_FALSE(t.ft_target(8).set);
  expect_pair(t.ft_target(2), 10, 5, "FT 2");
  EXPECT_FALSE(t.ft_target(3).set);
  expect_pair(t.at_target(7), 25, 15, "AT 7 keeps its default");
  EXPECT_EQ(t.group_count, 8);
  expect_pair(t.area_vmt, 5, 2, "AREA VMT keeps its default");

  // One AT line: the "every class" default goes.
  const Targets a = read_targets_text("AT 3 30 20\n");
  expect_pair(a.at_target(3), 30, 20, "AT 3");
  EXPECT_FALSE(a.at_target(1).set);
  expect_pair(a.ft_target(1), 7, 6, "FT 1 keeps its default");

  // AREA RMSE and AREA VMT are kinds of their own.
  const Targets r = read_targets_text("AREA RMSE 50 40\n");
  expect_pair(r.area_rmse, 50, 40, "AREA RMSE");
  expect_pair(r.area_vmt, 5, 2, "AREA VMT");
}

TEST(TargetsFile, RmseGroupsAreSortedAndMayLeaveGaps) {
  const Targets t = read_targets_text("RMSE 20000 - 20 10\nRMSE 0 999 50 40\nRMSE 5000 19999 40 30\n");
  ASSERT_EQ(t.group_count, 3);
  EXPECT_EQ(t.groups[0].lo, 0);
  EXPECT_EQ(t.groups[0].hi, 999);
  EXPECT_EQ(t.groups[1].lo, 5000);
  EXPECT_EQ(t.groups[2].lo, 20000);
  EXPECT_TRUE(t.groups[2].open);
  expect_pair(t.groups[2].target, 20, 10, "open group");
  // A group of one count is allowed: lo = hi.
  EXPECT_EQ(read_targets_text("RMSE 7 7 1 1\n").groups[0].hi, 7);
}

TEST(TargetsFile, LayoutFreedoms) {
  // Comments, blank lines, tabs, lower and mixed case, CRLF line ends and
  // numbers with a leading or trailing point.
  const Targets t = read_targets_text(
      "  # targets of the 2026 validation\n"
      "\n"
      "rmse\t0\t-\t45\t35   # one group for all counts\r\n"
      "Area Vmt 5. 2\r\n"
      "ft 2 .5 0.25\r\n"
      "gEh 0.1 85\r\n");
  ASSERT_EQ(t.group_count, 1);
  EXPECT_TRUE(t.groups[0].open);
  expect_pair(t.area_vmt, 5, 2, "AREA VMT");
  expect_pair(t.ft_target(2), 0.5, 0.25, "FT 2");
  EXPECT_TRUE(t.geh);
  EXPECT_EQ(t.hour_factor, 0.1);
  EXPECT_EQ(t.geh_share, 85);
  // A comment straight after a value ends the value.
  expect_pair(read_targets_text("FT 1 7 6#fwy\n").ft_target(1), 7, 6, "FT 1");
}

TEST(TargetsFile, SoundFilesRead) {
  for (const auto& file : testing::sound_targets_files()) {
    EXPECT_EQ(targets_error(file.text), "no error") << file.name;
  }
  // The limit of 64 lines of one kind is reached, not passed.
  const Targets t = read_targets_text(testing::many_target_lines("FT", 64));
  expect_pair(t.ft_target(64), 7, 6, "FT 64");
  EXPECT_FALSE(t.ft_target(65).set);
}

TEST(TargetsFile, EveryErrorNamesFileLineFieldExpectationAndFinding) {
  for (const auto& c : testing::bad_targets_cases()) {
    EXPECT_EQ(targets_error(c.text), c.error) << c.name;
  }
}

}  // namespace
}  // namespace korvo
