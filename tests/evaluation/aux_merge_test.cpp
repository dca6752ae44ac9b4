// The merge of auxiliary codes into the links of the binary network: from
// the auxiliary link table by node pair, and from the records of the
// auxiliary network file in network order.

#include "evaluation/aux_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/errors.h"
#include "evaluation/evaluation_harness.h"

namespace korvo {
namespace {

class AuxMergeTest : public ::testing::Test {
 protected:
  // Merges one link from the table and returns (construct, screenline, location).
  std::tuple<int, int, int> merge(std::int32_t anode, std::int32_t bnode) {
    h.link.anode = anode;
    h.link.bnode = bnode;
    merge_from_table(merge_, table_, h.link, h.events);
    return {h.link.construct, h.link.screenline, h.link.location};
  }
  void set_table(std::initializer_list<AuxLinkEntry> entries) {
    table_.count = 0;
    for (const AuxLinkEntry& e : entries) table_.entries[static_cast<std::size_t>(++table_.count)] = e;
  }

  testing::EvaluationHarness h;
  AuxMergeState merge_;
  std::unique_ptr<AuxLinkTable> owner_ = std::make_unique<AuxLinkTable>();
  AuxLinkTable& table_ = *owner_;
};

TEST_F(AuxMergeTest, TableEntriesMatchLinksInNodePairOrder) {
  set_table({{1, 2, 4, 11, 21, 0}, {1, 3, 5, 12, 22, 0}, {2, 5, 6, 13, 23, 0}});
  start_aux_merge(merge_, table_, true);
  h.link.screenline = 99;
  EXPECT_EQ(merge(1, 3), std::make_tuple(5, 12, 22));
  h.link.construct = 9;
  h.link.location = 9;
  EXPECT_EQ(merge(2, 4), std::make_tuple(0, 0, 0));  // 2-5 is above 2-4
  // 2-5 is never reported: entries left after the last link are not.
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"aux link 1-2 not found"});
}

TEST_F(AuxMergeTest, AMatchedLinkTakesTheScreenlineOnlyWhenAFieldIsNamed) {
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named);
    set_table({{10, 20, 3, 44, 5, 0}});
    start_aux_merge(merge_, table_, named);
    h.link.screenline = 7;
    EXPECT_EQ(merge(10, 20), std::make_tuple(3, named ? 44 : 7, 5));
    // An unmatched link loses its screenline either way.
    h.link.screenline = 7;
    EXPECT_EQ(merge(10, 30), std::make_tuple(0, 0, 0));
  }
}

TEST_F(AuxMergeTest, TheCursorOnlyMovesForwardAndEndsBeyondEveryLink) {
  set_table({{5, 6, 1, 0, 1, 0}, {5, 8, 2, 0, 2, 0}, {7, 1, 65539, 0, 3, 0}});
  start_aux_merge(merge_, table_, false);
  EXPECT_EQ(merge(5, 8), std::make_tuple(2, 0, 2));          // 5-6 reported and passed
  EXPECT_EQ(merge(5, 6), std::make_tuple(0, 0, 0));          // behind the cursor: no match any more
  EXPECT_EQ(merge(7, 1), std::make_tuple(3, 0, 3));          // the construction code keeps its low 16 bits
  EXPECT_EQ(merge(65535, 65535), std::make_tuple(0, 0, 0));  // past the last entry: the 9,999,999 pair
  EXPECT_EQ(merge_.current.anode, kAuxEndNode);
  EXPECT_EQ(merge(65535, 65535), std::make_tuple(0, 0, 0));
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"aux link 5-6 not found"});

  // An empty table matches nothing and reports nothing.
  set_table({});
  start_aux_merge(merge_, table_, false);
  EXPECT_EQ(merge(1, 2), std::make_tuple(0, 0, 0));
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"aux link 5-6 not found"});
}

// A link whose nodes lie beyond the end pair (9,999,999) passes the last
// entries and then stops: the end pair is no entry to report.
TEST_F(AuxMergeTest, ALinkBeyondTheEndPairPassesTheTableOnce) {
  set_table({{5, 6, 1, 0, 1, 0}});
  start_aux_merge(merge_, table_, false);
  EXPECT_EQ(merge(2'000'000'000, 1), std::make_tuple(0, 0, 0));
  EXPECT_EQ(merge(2'000'000'001, 1), std::make_tuple(0, 0, 0));
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"aux link 5-6 not found"});
}

TEST_F(AuxMergeTest, RecordsGiveTheConstructionAndLocationBytesOfTheirPackedWord) {
  struct Case {
    std::uint32_t packed;
    int construct, location;
  };
  const Case cases[] = {
      {0x07000500u, 7, 5}, {0x07AB05CDu, 7, 5}, {0xFFFFFFFFu, 255, 255}, {0x00FF00FFu, 0, 0}, {0x80008000u, 128, 128}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.packed);
    h.link.anode = 1;
    h.link.bnode = 2;
    h.link.screenline = 6;
    merge_aux_record(h.link, AuxNetworkRecord{1, 2, c.packed}, h.events);
    EXPECT_EQ(std::make_tuple(int{h.link.construct}, int{h.link.screenline}, h.link.location),
              std::make_tuple(c.construct, 6, c.location));
  }
  EXPECT_TRUE(h.events.lines.empty());
}

TEST_F(AuxMergeTest, ARecordOfAnotherLinkIsReportedAndStopsTheRun) {
  h.link.anode = 40000;
  h.link.bnode = 2;
  try {
    merge_aux_record(h.link, AuxNetworkRecord{-25536, 2, 0}, h.events);
    ADD_FAILURE() << "no stop";
  } catch (const RunStop& stop) {
    EXPECT_EQ(std::string(stop.completion_line()), "KORVO -- Abnormal STOP");
  }
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"aux mismatch: link 40000-2, record -25536-2"});
}

TEST_F(AuxMergeTest, WithoutAnAuxiliarySourceEveryCodeIsZero) {
  h.link.construct = 5;
  h.link.location = 6;
  h.link.screenline = 7;
  clear_aux_codes(h.link);
  EXPECT_EQ(std::make_tuple(int{h.link.construct}, int{h.link.screenline}, h.link.location), std::make_tuple(0, 7, 0));
}

}  // namespace
}  // namespace korvo
