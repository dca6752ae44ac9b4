// The two-way file at the end of a run: made from "HRLDXY.ASC" as the run
// leaves it, with the run's slots and counts.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/driver.h"
#include "common/errors.h"
#include "support/ascii_records.h"
#include "support/coded_link.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using testing::ascii_record;
using testing::two_way_record;

class TwoWayRunTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::ostringstream console_out_;
  std::istringstream console_in_;
  std::unique_ptr<RunContext> ctx_ = RunContext::create(WorkDir(dir_.path()), Console(console_out_, console_in_));
};

TEST_F(TwoWayRunTest, ReplacesHrldxy2FromHrldxyWithTheRunsSlotsAndCounts) {
  dir_.write(kAsciiNetworkFile,
             ascii_record(10, 20, 2, 500, 1800, {9, 100, 400}) + ascii_record(20, 10, 1, 300, 900, {8, 50, 250}));
  dir_.write(kTwoWayFile, "an old file that is much longer than the new one\n\n\n\n\n\n\n\n");
  ctx_->link.volume_slot_count = 2;
  ctx_->settings.use_counts = true;
  make_two_way_file(*ctx_);
  EXPECT_EQ(dir_.read(kTwoWayFile), two_way_record(10, 20, 3, 2, 2, 500, 1800, 300, 900, 1, {150, 650}));
}

TEST_F(TwoWayRunTest, ConvertsWhatAnAsciiFileStillOpenHolds) {
  // The record of ascii_record(10, 20, 2, 500, 1800), still in the writer.
  LinkRecord& link = ctx_->link;
  fixtures::copy_link_attributes(
      testing::CodedLink{.distance = 125, .area_type = 2, .time = 101, .congested_time = 130}, link);
  LinkValues v;
  v.ft_code = 3;
  v.lanes_value = 2;
  v.vol = 500;
  v.cap = 1800;
  ctx_->side_files.create_ascii_network();
  ctx_->side_files.write_ascii_record(link, v, ctx_->eval.state, false);
  make_two_way_file(*ctx_);
  EXPECT_EQ(dir_.read(kTwoWayFile), two_way_record(10, 20, 3, 2, 2, 500, 1800, 0, 0, 0));
}

TEST_F(TwoWayRunTest, AMissingAsciiFileOrTooManySlotsStopsTheRun) {
  try {
    make_two_way_file(*ctx_);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), " HRLDXY.ASC: cannot be opened for reading: No such file or directory");
  }
  dir_.write(kAsciiNetworkFile, ascii_record(10, 20, 2, 500, 1800));
  ctx_->link.volume_slot_count = 12;
  try {
    make_two_way_file(*ctx_);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              " HRLDXY.ASC (volume slots): the two-way conversion holds at most 10 slot volumes per link, the network "
              "has 12");
  }
  EXPECT_FALSE(dir_.exists(kTwoWayFile));
}

}  // namespace
}  // namespace korvo
