// The evaluation of one link record: its volume, codes and classes, the
// selections, the lists and the measures (the evaluation layer alone; the
// program driver's order around it is tested in tests/app).

#include "evaluation/link_evaluation.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "evaluation/evaluation_harness.h"
#include "evaluation/table_completion.h"
#include "support/coded_link.h"

namespace korvo {
namespace {

class LinkEvaluationTest : public ::testing::Test {
 protected:
  // Puts the link into the link record as the dBASE reader would and
  // evaluates it.
  void feed(const testing::CodedLink& c) {
    fixtures::copy_link_attributes(c, h.link);
    h.process();
  }
  // The links of a small network, in file order.
  void feed_all(std::initializer_list<testing::CodedLink> links) {
    for (const testing::CodedLink& c : links) feed(c);
  }
  float cell(int ftc, int atc, int lc, Slot slot) const { return h.acc.sums.at(ftc, atc, lc, slot); }

  testing::EvaluationHarness h;
};

// Two directions of a two-way link (each half a link, lane class from both
// directions' lanes) and a one-way link with 12 lanes.
TEST_F(LinkEvaluationTest, SmallValidationNetwork) {
  // clang-format off
  feed_all({
      // A   B   dist  FT  AT lanes time cong   cap count volume  two-way
      {10, 20,  100,  1,  2,  2, 120, 150, 1000,  500,  600, 0, true},
      {20, 10,  100,  1,  2,  2, 120, 150, 1000,    0,  400, 0, true},
      {30, 40,  200,  3,  1, 12, 120, 150, 1000,  700,  800, 0, false},
  });
  // clang-format on

  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::SYS_MILES), 1.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::DIR_MILES), 2.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::LANE_MILES), 4.0f);  // 2 lanes x 1 mile, twice
  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::VOL_ALL), 1000.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::LINKS_REF), 0.5f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::VOL_REF), 600.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, Slot::REF_SUM), 500.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 9, Slot::LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 9, Slot::LANE_MILES), 24.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 9, Slot::VMT_REF), 1400.0f);  // 2 x 700
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 2.0f);
  EXPECT_FLOAT_EQ(h.slot_total(Slot::VOL_ALL), 1800.0f);
  // Congested time 1.5 minutes, original 1.2.
  EXPECT_FLOAT_EQ(h.slot_total(Slot::TIME_SUM), 4.5f);
  EXPECT_FLOAT_EQ(h.slot_total(Slot::ORIG_TIME_SUM), 3.6f);
  EXPECT_FLOAT_EQ(h.acc.los_miles[1][1], 1.0f);  // V/C 0.6 and 0.4
  EXPECT_FLOAT_EQ(h.acc.los_miles[3][1], 2.0f);
}

TEST_F(LinkEvaluationTest, SmallAnalysisNetwork) {
  h.settings.validate_mode = false;
  h.settings.analysis_mode = true;
  // clang-format off
  feed_all({
      // A   B   dist  FT  AT lanes time cong   cap count volume   two-way
      {10, 20,  100,  2,  3,  1, 120, 150, 1000,  0,  1100, 0, true},
      {20, 10,  100,  2,  3,  1, 120, 150,    0,  0,   900, 0, true},
  });
  // clang-format on
  EXPECT_FLOAT_EQ(cell(2, 3, 2, Slot::LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(2, 3, 2, Slot::VOL_REF), 1100.0f);
  EXPECT_FLOAT_EQ(cell(2, 3, 2, Slot::REF_SUM), 1000.0f);
  EXPECT_FLOAT_EQ(cell(2, 3, 2, Slot::LINKS_REF), 0.0f);
  // Delay: 1100 / 60 x 0.3 + 900 / 60 x 0.3 = 10 vehicle hours.
  EXPECT_FLOAT_EQ(cell(2, 3, 2, Slot::DELAY_VHT), 10.0f);
  // V/C 1.1 is level D, no capacity is level A; half a mile each.
  EXPECT_FLOAT_EQ(h.acc.los_miles[2][4], 0.5f);
  EXPECT_FLOAT_EQ(h.acc.los_miles[2][1], 0.5f);
}

TEST_F(LinkEvaluationTest, LaneClasses) {
  struct Case {
    int lanes;
    bool two_way;
    int lane_class;
  };
  const std::vector<Case> cases = {
      {1, false, 1}, {2, false, 2}, {9, false, 9}, {0, false, 9}, {12, false, 9}, {1, true, 2},
      {2, true, 4},  {4, true, 8},  {5, true, 9},  {0, true, 9},  {-1, false, 9},
  };
  for (const Case& c : cases) {
    reset_accumulators(h.acc, h.classes);
    feed({.lanes = c.lanes, .two_way = c.two_way});
    EXPECT_FLOAT_EQ(cell(1, 1, c.lane_class, Slot::LINKS), c.two_way ? 0.5f : 1.0f)
        << c.lanes << (c.two_way ? " two-way" : " one-way");
  }
}

TEST_F(LinkEvaluationTest, LocalStreetCodesArePassedOverWithoutTrace) {
  for (int ft : {50, 55, 59}) feed({.facility_type = ft, .volume = 0});
  EXPECT_EQ(h.slot_total(Slot::LINKS), 0.0f);
  EXPECT_EQ(h.acc.no_volume.count, 0);
  EXPECT_EQ(h.eval.nskipped, 0);
  EXPECT_TRUE(h.events.lines.empty());
  feed({.facility_type = 49});  // class 49 is beyond the Total class: listed, not passed over
  EXPECT_EQ(h.eval.nskipped, 1);
}

TEST_F(LinkEvaluationTest, LocationSelection) {
  h.settings.location_select = 3;
  feed({.location = 4});
  feed({.facility_type = 77, .location = 4});  // would be unclassified, but is not selected
  EXPECT_EQ(h.slot_total(Slot::LINKS), 0.0f);
  EXPECT_EQ(h.eval.nskipped, 0);
  feed({.location = 3});
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 1.0f);

  h.settings.location_select = -99;
  feed({.location = 4});
  feed({.location = 0});
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 3.0f);
}

TEST_F(LinkEvaluationTest, UnclassifiedLinksAreListedAndCounted) {
  h.classes.ft_class_map[7] = 0;  // code 7 not selected
  feed({.anode = 1, .bnode = 2, .facility_type = 0});
  feed({.anode = 3, .bnode = 4, .facility_type = 7});
  feed({.anode = 5, .bnode = 6, .facility_type = 12});    // class 12: beyond NFT 10
  feed({.anode = 7, .bnode = 8, .facility_type = 10});    // class 10: the Total class
  feed({.anode = 9, .bnode = 10, .facility_type = 120});  // no code above 99
  feed({.anode = 11, .bnode = 12, .facility_type = -5});
  feed({.anode = 13, .bnode = 14, .area_type = 6});  // area-type Total class
  feed({.anode = 1234567, .bnode = 7654321, .area_type = 0});
  feed({.anode = 15, .bnode = 16, .facility_type = 9, .area_type = 5});  // classified
  EXPECT_EQ(h.eval.nskipped, 8);
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(9, 5, 2, Slot::LINKS), 1.0f);

  EXPECT_EQ(h.events.lines, (std::vector<std::string>{
                                "skipped 1-2 (FT 0, AT 1)",
                                "skipped 3-4 (FT 7, AT 1)",
                                "skipped 5-6 (FT 12, AT 1)",
                                "skipped 7-8 (FT 10, AT 1)",
                                "skipped 9-10 (FT 120, AT 1)",
                                "skipped 11-12 (FT -5, AT 1)",
                                "skipped 13-14 (FT 1, AT 6)",
                                "skipped 1234567-7654321 (FT 1, AT 0)",
                            }));
}

// Without a profile the network has the facility type in the lanes field
// and the lanes in the facility-type field; code 5 is then the local street.
TEST_F(LinkEvaluationTest, SwappedFieldsWithoutAProfile) {
  h.settings.profile_seen = false;
  feed({.facility_type = 2, .lanes = 3});
  EXPECT_FLOAT_EQ(cell(3, 1, 2, Slot::LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 2, Slot::LANE_MILES), 2.0f);
  feed({.facility_type = 2, .lanes = 5});   // local street: passed over
  feed({.facility_type = 55, .lanes = 1});  // 55 lanes: class 9+, not a local street here
  EXPECT_FLOAT_EQ(cell(1, 1, 9, Slot::LINKS), 1.0f);
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 2.0f);
  feed({.facility_type = 2, .lanes = 12, .volume = 0});  // FT code 12 is unclassified
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"skipped 10-20 (FT 12, AT 1)"});
}

TEST_F(LinkEvaluationTest, NoVolumeList) {
  feed({.anode = 1, .bnode = 2, .volume = 1});
  feed({.anode = 3, .bnode = 4, .volume = 2});  // 2 is enough volume
  feed({.anode = 5, .bnode = 6, .volume = 0, .two_way = true});
  feed({.anode = 6, .bnode = 5, .volume = 0, .two_way = true});                 // the pair's second direction
  feed({.anode = 7, .bnode = 8, .congested_time = 0, .volume = 0, .cost = 0});  // not evaluated, still listed
  feed({.anode = 9, .bnode = 10, .facility_type = 55, .volume = 0});            // passed over before the list
  feed({.anode = 11, .bnode = 12, .facility_type = 77, .volume = 0});           // unclassified before the list
  const NoVolumeList& list = h.acc.no_volume;
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(list.anode[1], 1);
  EXPECT_EQ(list.bnode[1], 2);
  EXPECT_EQ(list.anode[2], 5);
  EXPECT_EQ(list.bnode[2], 6);
  EXPECT_EQ(list.anode[3], 7);
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 3.0f);  // 1, 0.5, 0.5, 1
}

TEST_F(LinkEvaluationTest, NoVolumeListKeepsFiveThousandAndSaysSoOnce) {
  for (int k = 1; k <= 5002; ++k) feed({.anode = k, .bnode = k + 1, .volume = 0});
  const NoVolumeList& list = h.acc.no_volume;
  EXPECT_EQ(list.count, 5000);
  EXPECT_EQ(list.anode[5000], 5000);
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"no-volume list full at 5000"});
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 5002.0f);
}

TEST_F(LinkEvaluationTest, LinkWithoutTimeAndCostIsPassedOver) {
  feed({.congested_time = 0, .cost = 0});
  EXPECT_EQ(h.slot_total(Slot::LINKS), 0.0f);
  feed({.congested_time = 0, .cost = 3});
  EXPECT_FLOAT_EQ(h.slot_total(Slot::LINKS), 1.0f);
  EXPECT_EQ(h.slot_total(Slot::TIME_SUM), 0.0f);
}

// Generalised costs: TIME replaces the congested time, the second time
// (equal to TIME on the dBASE path) becomes the original time.
TEST_F(LinkEvaluationTest, GeneralisedCostsMoveTheTimes) {
  h.settings.gencost = true;
  LinkRecord& r = h.link;
  fixtures::copy_link_attributes(testing::CodedLink{.lanes = 1, .time = 120, .congested_time = 999, .volume = 600}, r);
  r.time2 = 200;
  h.process();
  EXPECT_FLOAT_EQ(h.slot_total(Slot::TIME_SUM), 1.2f);
  EXPECT_FLOAT_EQ(h.slot_total(Slot::ORIG_TIME_SUM), 2.0f);
  EXPECT_EQ(r.period_times[1], 120);
  EXPECT_EQ(r.time, 200);
}

// --- Volumes of the binary path ---------------------------------------------

class BinaryVolumeTest : public LinkEvaluationTest {
 protected:
  void SetUp() override { h.settings.dbf_input_given = false; }
  void set_link(int periods, int slots, const std::vector<std::vector<int>>& v) {
    h.link.time_slot_count = static_cast<std::int16_t>(periods);
    h.link.volume_slot_count = static_cast<std::int16_t>(slots);
    for (int s = 1; s <= slots; ++s)
      for (int p = 1; p <= periods; ++p)
        h.link.volume(p, s) = v[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(p - 1)];
  }
  void set_word(int n, int value) { header.words[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(value); }
  void set_weights() {
    set_volume_weights(h.eval, h.settings.dbf_input_given ? nullptr : &header, h.link.time_slot_count);
  }
  float volume() { return link_volume(h.eval, h.link, h.settings.volume_slots, h.settings.dbf_input_given); }
  float weight(int p) const { return h.eval.volume_weights[static_cast<std::size_t>(p)]; }
  float slot(int s) const { return h.eval.slot_volume[static_cast<std::size_t>(s)]; }
  int rounded(int s) const { return h.eval.slot_volume_rounded[static_cast<std::size_t>(s)]; }

  BinaryHeader header;
};

TEST_F(BinaryVolumeTest, PlainSumsAddOnlyTheProfilesSlots) {
  set_link(3, 3, {{100, 150, 50}, {10, 20, 30}, {1, 2, 3}});
  h.settings.volume_slots = 2;
  set_weights();
  EXPECT_TRUE(h.eval.plain_sum);
  EXPECT_FLOAT_EQ(volume(), 360.0f);
  EXPECT_FLOAT_EQ(slot(1), 300.0f);
  EXPECT_FLOAT_EQ(slot(2), 60.0f);
  EXPECT_EQ(rounded(3), 6);  // listed in the ASCII record, not in the volume
}

TEST_F(BinaryVolumeTest, EqualWeightsWhenWeightingIsOff) {
  set_word(24, 100);  // no plain sums
  set_link(4, 1, {{100, 200, 300, 401}});
  h.settings.volume_slots = 1;
  set_weights();
  EXPECT_FALSE(h.eval.plain_sum);
  for (int p = 1; p <= 4; ++p) EXPECT_FLOAT_EQ(weight(p), 0.25f);
  EXPECT_EQ(weight(5), 0.0f);
  EXPECT_FLOAT_EQ(volume(), 250.25f);
  EXPECT_EQ(rounded(1), 250);
}

TEST_F(BinaryVolumeTest, WeightsFromHeaderWordsUpToTenPeriods) {
  set_word(54, 1);
  set_word(23, 15000);
  set_word(24, 30000);
  set_word(25, 6000);
  set_link(3, 2, {{100, 200, 300}, {10, 10, 10}});
  h.settings.volume_slots = 2;
  set_weights();
  EXPECT_TRUE(h.eval.weighting);
  EXPECT_FLOAT_EQ(weight(1), 0.5f);
  EXPECT_FLOAT_EQ(weight(2), 1.0f);
  EXPECT_FLOAT_EQ(weight(3), 0.2f);
  // Slot 1: 50 + 200 + 60; slot 2: 5 + 10 + 2.
  EXPECT_FLOAT_EQ(volume(), 327.0f);
  EXPECT_FLOAT_EQ(slot(1), 310.0f);
  EXPECT_FLOAT_EQ(slot(2), 17.0f);
}

// More than ten periods: 8-character fields of the header text from
// character 345, read digit by digit with blanks as zeros.
TEST_F(BinaryVolumeTest, WeightsFromHeaderTextBeyondTenPeriods) {
  set_word(54, 1);
  std::string text(kBinaryHeaderTextSize, ' ');
  const std::vector<std::string> fields = {"   30000", "  15000 ", "       0", "  1x    ", "   -3000"};
  for (std::size_t i = 0; i < fields.size(); ++i) text.replace(344 + 8 * i, 8, fields[i]);
  header.text.assign(text);
  h.link.time_slot_count = 12;
  set_weights();
  EXPECT_FLOAT_EQ(weight(1), 1.0f);
  EXPECT_FLOAT_EQ(weight(2), 5.0f);  // 150000
  EXPECT_FLOAT_EQ(weight(3), 0.0f);
  EXPECT_FLOAT_EQ(weight(4), -999999.0f / 30000.0f);
  EXPECT_FLOAT_EQ(weight(5), -999999.0f / 30000.0f);
  EXPECT_FLOAT_EQ(weight(12), 0.0f);  // blank field
  EXPECT_EQ(weight(13), 0.0f);
}

// A network of one period has a shorter path of its own; it must give what
// the general loops give for the same volumes with a second, empty period
// of weight 0 (header word 24 is 0 in both cases, so one stays a plain sum).
TEST_F(BinaryVolumeTest, OnePeriodAsTheLoopsWithAnEmptySecondPeriod) {
  std::mt19937 random(16);
  std::uniform_int_distribution<int> word(-2'000'000, 2'000'000);
  std::uniform_int_distribution<int> weight_word(-30'000, 30'000);
  for (const bool weighted : {false, true}) {
    for (int trial = 0; trial < 400; ++trial) {
      const int slots = 1 + trial % kMaxVolumeSlots;
      std::vector<std::vector<int>> one(static_cast<std::size_t>(slots));
      std::vector<std::vector<int>> two(static_cast<std::size_t>(slots));
      for (int s = 0; s < slots; ++s) {
        // Some zero volumes, so that a weight below 0 gives -0.0 products.
        const int v = trial % 7 == 0 ? 0 : word(random);
        one[static_cast<std::size_t>(s)] = {v};
        two[static_cast<std::size_t>(s)] = {v, 0};
      }
      set_word(54, weighted ? 1 : 0);
      set_word(23, weight_word(random));
      set_word(24, 0);
      h.settings.volume_slots = trial % (slots + 2);

      set_link(2, slots, two);
      set_weights();
      if (weighted) {
        ASSERT_EQ(weight(2), 0.0f);
      }
      ASSERT_EQ(h.eval.plain_sum, !weighted);
      const float expected = volume();
      const auto expected_slots = h.eval.slot_volume;
      const auto expected_rounded = h.eval.slot_volume_rounded;

      set_link(1, slots, one);
      set_weights();
      const float got = volume();
      ASSERT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(expected))
          << "weighted " << weighted << " trial " << trial;
      for (int s = 1; s <= slots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(h.eval.slot_volume[i]), std::bit_cast<std::uint32_t>(expected_slots[i]))
            << "weighted " << weighted << " trial " << trial << " slot " << s;
        ASSERT_EQ(h.eval.slot_volume_rounded[i], expected_rounded[i]);
      }
    }
  }
}

// Without the ASCII record the slot volumes are not kept, and a network of
// plain sums takes a shorter way to the link's volume: the volume must be
// the same, bit for bit.
TEST_F(BinaryVolumeTest, TheVolumeIsTheSameWithoutTheSlotVolumes) {
  std::mt19937 random(24);
  std::uniform_int_distribution<int> word(-2'000'000'000, 2'000'000'000);
  for (const bool weighted : {false, true}) {
    for (int trial = 0; trial < 300; ++trial) {
      const int periods = 1 + trial % 3;
      const int slots = 1 + trial % kMaxVolumeSlots;
      std::vector<std::vector<int>> volumes(static_cast<std::size_t>(slots));
      for (auto& slot : volumes) {
        for (int p = 0; p < periods; ++p) slot.push_back(trial % 5 == 0 ? 0 : word(random));
      }
      set_word(54, weighted ? 1 : 0);
      set_word(23, 15000);
      set_word(24, 0);
      h.settings.volume_slots = trial % (slots + 2);
      set_link(periods, slots, volumes);
      set_weights();
      ASSERT_EQ(h.eval.plain_sum, !weighted);

      h.eval.slot_volumes = true;
      const float expected = volume();
      h.eval.slot_volumes = false;
      const float got = volume();
      ASSERT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(expected))
          << "weighted " << weighted << " trial " << trial;
    }
  }
}

// A run plans the link volumes once: where the plan sums the words itself,
// begin_link must give link_volume's volume, bit for bit, and elsewhere
// leave the link to link_volume.
TEST_F(BinaryVolumeTest, APlannedVolumeIsLinkVolumes) {
  std::mt19937 random(31);
  std::uniform_int_distribution<int> word(-2'000'000'000, 2'000'000'000);
  int planned = 0;
  for (const bool weighted : {false, true}) {
    for (const bool keep_slots : {false, true}) {
      for (int periods = 1; periods <= 3; ++periods) {
        for (const int slots : {0, 1, 2, 5, kMaxVolumeSlots}) {
          // From below 0 to beyond the slots: the plan clamps as link_volume does.
          for (const int volume_slots : {-1, 0, 1, slots - 1, slots, slots + 1, kMaxVolumeSlots + 5}) {
            // Words beyond the network's slots are not the link's.
            for (int p = 1; p <= 3; ++p) {
              for (int s = 1; s <= kMaxVolumeSlots; ++s) h.link.volume(p, s) = word(random);
            }
            std::vector<std::vector<int>> volumes(static_cast<std::size_t>(slots));
            for (auto& slot : volumes) {
              for (int p = 0; p < periods; ++p) slot.push_back(word(random) % 4 == 0 ? 0 : word(random));
            }
            set_word(54, weighted ? 1 : 0);
            set_word(23, 15000);
            set_word(24, 0);
            h.settings.volume_slots = volume_slots;
            set_link(periods, slots, volumes);
            set_weights();
            h.eval.slot_volumes = keep_slots;
            h.eval.plain_summed_slots = -1;
            const float expected = volume();

            plan_link_volume(h.eval, h.link, h.settings.volume_slots);
            const bool plain_words = periods == 1 && !weighted && !keep_slots;
            ASSERT_EQ(h.eval.plain_summed_slots >= 0, plain_words);
            planned += plain_words ? 1 : 0;
            const float got = begin_link(h.eval, h.link, h.settings).vol;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(expected))
                << "weighted " << weighted << ", slot volumes " << keep_slots << ", " << periods << " period(s), "
                << slots << " slot(s), volume_slots " << volume_slots;
          }
        }
      }
    }
  }
  EXPECT_EQ(planned, 35);
}

TEST_F(BinaryVolumeTest, DbasePathUsesTheModelVolume) {
  h.settings.dbf_input_given = true;
  header.words[54] = 1;  // no header on this path
  h.link.time_slot_count = 1;
  set_weights();
  EXPECT_FLOAT_EQ(weight(1), 1.0f);
  EXPECT_FALSE(h.eval.weighting);
  h.link.volume(1, 1) = 4321;
  EXPECT_FLOAT_EQ(volume(), 4321.0f);
}

// --- Closing steps -----------------------------------------------------------

TEST_F(LinkEvaluationTest, LevelOfServiceTotals) {
  LosTable& los = h.acc.los_miles;
  los[1][1] = 2;
  los[1][3] = 3;
  los[4][1] = 5;
  los[4][6] = 1;
  total_level_of_service(los, h.classes.nft);
  EXPECT_FLOAT_EQ(los[10][1], 7.0f);
  EXPECT_FLOAT_EQ(los[10][3], 3.0f);
  EXPECT_FLOAT_EQ(los[10][6], 1.0f);
  EXPECT_FLOAT_EQ(los[1][7], 5.0f);
  EXPECT_FLOAT_EQ(los[4][7], 6.0f);
  EXPECT_FLOAT_EQ(los[10][7], 11.0f);
  EXPECT_EQ(los[2][7], 0.0f);
  EXPECT_EQ(los[11][1], 0.0f);
}

TEST_F(LinkEvaluationTest, InconsistentConstructionCodeClearsTheCostAfterTheLoop) {
  h.settings.validate_mode = false;
  h.settings.analysis_mode = true;
  h.rates.construction_cost[10][1] = 100;
  h.rates.construction_cost[3][2] = 100;
  feed({.facility_type = 2, .construct = 3});
  feed({.facility_type = 1, .construct = 12});
  feed({.facility_type = 1, .construct = 12});
  EXPECT_FLOAT_EQ(h.slot_total(Slot::CONSTR_COST), 300.0f);
  EXPECT_TRUE(h.eval.cost_table_zeroed);
  EXPECT_EQ(h.events.lines, std::vector<std::string>{"construction code inconsistent"});  // said once
  complete_tables(h.acc, h.rates, h.eval.cost_table_zeroed, true);
  EXPECT_EQ(h.slot_total(Slot::CONSTR_COST), 0.0f);
}

}  // namespace
}  // namespace korvo
