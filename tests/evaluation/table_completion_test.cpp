#include "evaluation/table_completion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "reports/report_fixture.h"

namespace korvo {
namespace {

struct Shape {
  int n1, n2, n3;
};

// Every total cell must equal the sum of the inner cells it covers: a total
// index stands for all inner indices of its dimension. With a stride, the
// cells between the plane's own (other slots of EVALSUMS) keep what they hold.
TEST(MarginalTotals, EveryTotalCellIsTheSumOfTheInnerCellsItCovers) {
  for (const std::size_t stride : {std::size_t{1}, std::size_t{3}}) {
    for (const Shape& shape : {Shape{3, 4, 10}, Shape{10, 6, 10}, Shape{2, 1, 10}, Shape{1, 3, 2}}) {
      const int n1 = shape.n1, n2 = shape.n2, n3 = shape.n3;
      const auto cells = static_cast<std::size_t>(n1 * n2 * n3);
      std::vector<float> plane(stride * (cells - 1) + 1, -1.0f);
      const auto at = [&](int i, int j, int k) {
        return stride * static_cast<std::size_t>((i - 1) + n1 * ((j - 1) + n2 * (k - 1)));
      };
      const auto x = [&](int i, int j, int k) -> float& { return plane[at(i, j, k)]; };
      for (int k = 1; k <= n3; ++k)
        for (int j = 1; j <= n2; ++j)
          for (int i = 1; i <= n1; ++i) x(i, j, k) = 0.0f;
      // Small whole values keep every sum exact in single precision.
      for (int k = 1; k < n3; ++k)
        for (int j = 1; j < n2; ++j)
          for (int i = 1; i < n1; ++i) x(i, j, k) = static_cast<float>(i + 7 * j + 31 * k);
      const std::vector<float> inner = plane;

      add_marginal_totals(plane, n1, n2, n3, stride);

      const auto covers = [](int total_or_inner, int n, int inner_index) {
        return total_or_inner == n ? inner_index < n : inner_index == total_or_inner;
      };
      for (int k = 1; k <= n3; ++k)
        for (int j = 1; j <= n2; ++j)
          for (int i = 1; i <= n1; ++i) {
            float expected = 0.0f;
            for (int kk = 1; kk < n3; ++kk)
              for (int jj = 1; jj < n2; ++jj)
                for (int ii = 1; ii < n1; ++ii)
                  if (covers(i, n1, ii) && covers(j, n2, jj) && covers(k, n3, kk)) expected += inner[at(ii, jj, kk)];
            ASSERT_EQ(x(i, j, k), expected)
                << n1 << "x" << n2 << "x" << n3 << " stride " << stride << " cell " << i << "," << j << "," << k;
          }
      for (std::size_t c = 0; c < plane.size(); ++c) {
        if (c % stride != 0) {
          ASSERT_EQ(plane[c], -1.0f) << "stride " << stride << " cell " << c;
        }
      }
    }
  }
}

TEST(MarginalTotals, RejectsAPlaneTooSmallForItsShape) {
  std::vector<float> plane(59);
  EXPECT_THROW(add_marginal_totals(plane, 2, 3, 10), std::logic_error);
  // 60 cells 43 apart need 59 x 43 + 1.
  std::vector<float> strided(59 * 43);
  EXPECT_THROW(add_marginal_totals(strided, 2, 3, 10, 43), std::logic_error);
  strided.push_back(0.0f);
  EXPECT_NO_THROW(add_marginal_totals(strided, 2, 3, 10, 43));
}

// Two facility-type classes in one area type, lanes 1 and 2; the derived
// slots of the totals are ratios of totals, not sums of ratios.
TEST(DerivedSlots, RatiosAveragesAndSpeedsOfCellsAndTotals) {
  testing::ReportFixture f(3, 2);
  const struct {
    Slot slot;
    float first, second;  // cells (1,1,1) and (2,1,2)
  } inputs[] = {
      {Slot::LINKS, 4, 4},        {Slot::LINKS_REF, 1, 3},    {Slot::SYS_MILES, 2, 6},    {Slot::VOL_ALL, 100, 300},
      {Slot::VMT_REFVOL, 10, 30}, {Slot::VMT_REF, 10, 10},    {Slot::VHT_REFVOL, 6, 0},   {Slot::VHT_REF, 3, 0},
      {Slot::VOL_REF, 50, 150},   {Slot::REF_SUM, 100, 100},  {Slot::ORIG_MILES, 10, 10}, {Slot::ORIG_TIME_SUM, 10, 10},
      {Slot::TIME_SUM, 12, 10},   {Slot::ORIG_VMT, 100, 100}, {Slot::ORIG_VHT, 2, 2},     {Slot::CONG_VHT, 4, 2},
  };
  for (const auto& in : inputs) {
    f.cell(1, 1, 1, in.slot) = in.first;
    f.cell(2, 1, 2, in.slot) = in.second;
  }
  EvalSums& sums = f.e.acc.sums;
  add_all_marginal_totals(sums);
  compute_derived_slots(sums);

  const struct {
    Slot slot;
    float first, second, grand;
  } expected[] = {
      {Slot::LINK_PCT, 50, 50, 100},
      {Slot::LINKS_REF, 25, 75, 50},
      {Slot::AVG_LINK_LEN, 0.5f, 1.5f, 1},
      {Slot::AVG_VOL, 25, 75, 50},
      {Slot::VOL_PCT, 25, 75, 100},
      {Slot::VMT_RATIO, 1, 3, 2},
      {Slot::VHT_RATIO, 2, 0, 2},
      {Slot::VOL_RATIO, 0.5f, 1.5f, 1},
      {Slot::ORIG_SPEED, 60, 60, 60},
      {Slot::CONG_SPEED, 50, 60, 300.0f / 11.0f * 2.0f},
      {Slot::LV_FREE_SPEED, 50, 50, 50},
      {Slot::LV_CONG_SPEED, 25, 50, 100.0f / 3.0f},
      {Slot::LV_SPEED_CHANGE_PCT, -50, 0, -100.0f / 3.0f},
  };
  for (const auto& e : expected) {
    EXPECT_FLOAT_EQ(f.cell(1, 1, 1, e.slot), e.first) << "slot " << number_of(e.slot);
    EXPECT_FLOAT_EQ(f.cell(2, 1, 2, e.slot), e.second) << "slot " << number_of(e.slot);
    EXPECT_FLOAT_EQ(f.cell(3, 2, 10, e.slot), e.grand) << "slot " << number_of(e.slot);
  }
  EXPECT_FLOAT_EQ(f.cell(1, 1, 1, Slot::SPEED_CHANGE_PCT), -100.0f / 6.0f);
}

// With no link evaluated, or links without volume, the percentage slots
// divide by a zero grand total: they stay 0, and no cell becomes NaN or
// infinite.
TEST(DerivedSlots, ZeroDivisorsLeaveZeros) {
  for (bool with_links : {false, true}) {
    testing::ReportFixture f(4, 3);
    if (with_links) f.cell(2, 1, 3, Slot::LINKS) = 5;  // links, but no volume anywhere
    EvalSums& sums = f.e.acc.sums;
    add_all_marginal_totals(sums);
    compute_derived_slots(sums);
    for (int n = 1; n <= kSlotCount; ++n)
      for (int k = 1; k <= kLaneClassCount; ++k)
        for (int j = 1; j <= 3; ++j)
          for (int i = 1; i <= 4; ++i) ASSERT_TRUE(std::isfinite(f.cell(i, j, k, slot_number(n)))) << n;
    EXPECT_EQ(f.cell(4, 3, 10, Slot::VOL_PCT), 0.0f);
    EXPECT_FLOAT_EQ(f.cell(4, 3, 10, Slot::LINK_PCT), with_links ? 100.0f : 0.0f);
    EXPECT_EQ(f.cell(1, 1, 1, Slot::LINK_PCT), 0.0f);
  }
}

}  // namespace
}  // namespace korvo
