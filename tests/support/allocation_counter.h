#pragma once
// Counts the calls of the global operator new in this test program, so that a
// test can check that a piece allocates nothing:
//
//   const AllocationCount before;
//   stats.add_link(link);
//   EXPECT_EQ(before.since(), 0);

#include <cstdint>

namespace korvo::testing {

std::int64_t allocations_so_far();

class AllocationCount {
 public:
  AllocationCount() : start_(allocations_so_far()) {}
  std::int64_t since() const { return allocations_so_far() - start_; }

 private:
  std::int64_t start_;
};

}  // namespace korvo::testing
