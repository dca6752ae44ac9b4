#include "evaluation/evaluation_driver.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/errors.h"
#include "dbf_writer.h"
#include "link_attributes.h"
#include "network_writer.h"
#include "run/run_context.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

// A link as the link source delivers it (dBASE path unless said otherwise).
struct Coded {
  int anode = 10;
  int bnode = 20;
  int distance = 100;  // 1 mile
  int facility_type = 1;
  int area_type = 1;
  int lanes = 2;
  int time = 120;
  int congested_time = 150;
  int capacity = 1000;
  int count = 0;
  int volume = 500;
  int screenline = 0;
  bool two_way = false;
  int location = 0;
  int construct = 0;
  int cost = 0;
};

// Classes as a run without a labels file has them: NFT 10, NAT 6, every
// code its own class (the analysis maps take the leading digit).
void set_plain_classes(ClassTables& c) {
  c.nft = 10;
  c.nat = 6;
  for (int code = 1; code <= kMaxCode; ++code) {
    const auto i = static_cast<std::size_t>(code);
    c.ft_class_map[i] = static_cast<std::int16_t>(code);
    c.at_class_map[i] = static_cast<std::int16_t>(code);
    c.ft_analysis_map[i] = static_cast<std::int16_t>(code <= 9 ? code : code / 10);
    c.at_analysis_map[i] = c.ft_analysis_map[i];
  }
}

class EvaluationDriverTest : public ::testing::Test {
 protected:
  EvaluationDriverTest()
      : owner_(RunContext::create(WorkDir(dir_.path()), Console(console_, input_), testing::fixed_clock)),
        ctx(*owner_) {
    ctx.settings.dbf_input_given = true;
    ctx.settings.profile_seen = true;
    set_plain_classes(ctx.classes);
    ctx.report.create(ctx.work.path("KORVO.OUT"), "KORVO.OUT");
    reset_accumulators(ctx);
    set_volume_weights(ctx);
  }

  void feed(const Coded& c) {
    fixtures::copy_link_attributes(c, ctx.link);
    process_link(ctx);
  }

  float cell(int ftc, int atc, int lc, int slot) { return ctx.acc.sums.at(ftc, atc, lc, slot); }
  // A slot summed over every cell of the table.
  float slot_total(int slot) {
    const EvalSums& s = ctx.acc.sums;
    float total = 0;
    for (int k = 1; k <= kLaneClassCount; ++k)
      for (int j = 1; j <= s.nat(); ++j)
        for (int i = 1; i <= s.nft(); ++i) total += s.at(i, j, k, slot);
    return total;
  }
  std::string report() {
    ctx.report.flush();
    return dir_.read("KORVO.OUT");
  }

  testing::TempDir dir_;
  std::ostringstream console_;
  std::istringstream input_;
  std::unique_ptr<RunContext> owner_;
  RunContext& ctx;
};

// Two directions of a two-way link (each half a link, lane class from both
// directions' lanes) and a one-way link with 12 lanes.
TEST_F(EvaluationDriverTest, SmallValidationNetwork) {
  feed({.anode = 10,
        .bnode = 20,
        .distance = 100,
        .facility_type = 1,
        .area_type = 2,
        .lanes = 2,
        .count = 500,
        .volume = 600,
        .two_way = true});
  feed({.anode = 20,
        .bnode = 10,
        .distance = 100,
        .facility_type = 1,
        .area_type = 2,
        .lanes = 2,
        .count = 0,
        .volume = 400,
        .two_way = true});
  feed({.anode = 30,
        .bnode = 40,
        .distance = 200,
        .facility_type = 3,
        .area_type = 1,
        .lanes = 12,
        .count = 700,
        .volume = 800});

  EXPECT_FLOAT_EQ(cell(1, 2, 4, LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, SYS_MILES), 1.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, DIR_MILES), 2.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, LANE_MILES), 4.0f);  // 2 lanes x 1 mile, twice
  EXPECT_FLOAT_EQ(cell(1, 2, 4, VOL_ALL), 1000.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, LINKS_REF), 0.5f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, VOL_REF), 600.0f);
  EXPECT_FLOAT_EQ(cell(1, 2, 4, REF_SUM), 500.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 9, LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 9, LANE_MILES), 24.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 9, VMT_REF), 1400.0f);  // 2 x 700
  EXPECT_FLOAT_EQ(slot_total(LINKS), 2.0f);
  EXPECT_FLOAT_EQ(slot_total(VOL_ALL), 1800.0f);
  // Congested time 1.5 minutes, original 1.2.
  EXPECT_FLOAT_EQ(slot_total(TIME_SUM), 4.5f);
  EXPECT_FLOAT_EQ(slot_total(ORIG_TIME_SUM), 3.6f);
  EXPECT_FLOAT_EQ(ctx.acc.los_miles[1][1], 1.0f);  // V/C 0.6 and 0.4
  EXPECT_FLOAT_EQ(ctx.acc.los_miles[3][1], 2.0f);
}

TEST_F(EvaluationDriverTest, SmallAnalysisNetwork) {
  ctx.settings.validate_mode = false;
  ctx.settings.analysis_mode = true;
  feed({.distance = 100,
        .facility_type = 2,
        .area_type = 3,
        .lanes = 1,
        .capacity = 1000,
        .volume = 1100,
        .two_way = true});
  feed({.anode = 20,
        .bnode = 10,
        .distance = 100,
        .facility_type = 2,
        .area_type = 3,
        .lanes = 1,
        .capacity = 0,
        .volume = 900,
        .two_way = true});
  EXPECT_FLOAT_EQ(cell(2, 3, 2, LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(2, 3, 2, VOL_REF), 1100.0f);
  EXPECT_FLOAT_EQ(cell(2, 3, 2, REF_SUM), 1000.0f);
  EXPECT_FLOAT_EQ(cell(2, 3, 2, LINKS_REF), 0.0f);
  // Delay: 1100 / 60 x 0.3 + 900 / 60 x 0.3 = 10 vehicle hours.
  EXPECT_FLOAT_EQ(cell(2, 3, 2, DELAY_VHT), 10.0f);
  // V/C 1.1 is level D, no capacity is level A; half a mile each.
  EXPECT_FLOAT_EQ(ctx.acc.los_miles[2][4], 0.5f);
  EXPECT_FLOAT_EQ(ctx.acc.los_miles[2][1], 0.5f);
}

TEST_F(EvaluationDriverTest, LaneClasses) {
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
    reset_accumulators(ctx);
    feed({.lanes = c.lanes, .two_way = c.two_way});
    EXPECT_FLOAT_EQ(cell(1, 1, c.lane_class, LINKS), c.two_way ? 0.5f : 1.0f)
        << c.lanes << (c.two_way ? " two-way" : " one-way");
  }
}

TEST_F(EvaluationDriverTest, LocalStreetCodesArePassedOverWithoutTrace) {
  for (int ft : {50, 55, 59}) feed({.facility_type = ft, .volume = 0});
  EXPECT_EQ(slot_total(LINKS), 0.0f);
  EXPECT_EQ(ctx.acc.no_volume.count, 0);
  EXPECT_EQ(ctx.eval.nskipped, 0);
  EXPECT_FALSE(dir_.exists("KVSKIP.LNK"));
  feed({.facility_type = 49});  // class 49 is beyond the Total class: listed, not passed over
  EXPECT_EQ(ctx.eval.nskipped, 1);
}

TEST_F(EvaluationDriverTest, LocationSelection) {
  ctx.settings.location_select = 3;
  feed({.location = 4});
  feed({.facility_type = 77, .location = 4});  // would be unclassified, but is not selected
  EXPECT_EQ(slot_total(LINKS), 0.0f);
  EXPECT_EQ(ctx.eval.nskipped, 0);
  feed({.location = 3});
  EXPECT_FLOAT_EQ(slot_total(LINKS), 1.0f);

  ctx.settings.location_select = -99;
  feed({.location = 4});
  feed({.location = 0});
  EXPECT_FLOAT_EQ(slot_total(LINKS), 3.0f);
}

TEST_F(EvaluationDriverTest, UnclassifiedLinksAreListedAndCounted) {
  ctx.classes.ft_class_map[7] = 0;  // code 7 not selected
  feed({.anode = 1, .bnode = 2, .facility_type = 0});
  feed({.anode = 3, .bnode = 4, .facility_type = 7});
  feed({.anode = 5, .bnode = 6, .facility_type = 12});    // class 12: beyond NFT 10
  feed({.anode = 7, .bnode = 8, .facility_type = 10});    // class 10: the Total class
  feed({.anode = 9, .bnode = 10, .facility_type = 120});  // no code above 99
  feed({.anode = 11, .bnode = 12, .facility_type = -5});
  feed({.anode = 13, .bnode = 14, .area_type = 6});  // area-type Total class
  feed({.anode = 1234567, .bnode = 7654321, .area_type = 0});
  feed({.anode = 15, .bnode = 16, .facility_type = 9, .area_type = 5});  // classified
  EXPECT_EQ(ctx.eval.nskipped, 8);
  EXPECT_FLOAT_EQ(slot_total(LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(9, 5, 2, LINKS), 1.0f);

  finish_evaluation(ctx);
  EXPECT_EQ(dir_.read("KVSKIP.LNK"),
            " LIST IS SKIPPED LINKS:\n"
            "\n"
            "  ANODE  BNODE  FT  AT\n"
            "\n"
            "      1      2   0   1\n"
            "      3      4   7   1\n"
            "      5      6  12   1\n"
            "      7      8  10   1\n"
            "      9     10 120   1\n"
            "     11     12  -5   1\n"
            "     13     14   1   6\n"
            "12345677654321   1   0\n");
  EXPECT_EQ(console_.str(),
            " ***INFO***    8 LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"\n"
            "                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED\n");
}

TEST_F(EvaluationDriverTest, NoSkippedLinksNoListAndNoConsoleLines) {
  feed({});
  finish_evaluation(ctx);
  EXPECT_FALSE(dir_.exists("KVSKIP.LNK"));
  EXPECT_EQ(console_.str(), "");
}

// Without a profile the network has the facility type in the lanes field
// and the lanes in the facility-type field; code 5 is then the local street.
TEST_F(EvaluationDriverTest, SwappedFieldsWithoutAProfile) {
  ctx.settings.profile_seen = false;
  feed({.facility_type = 2, .lanes = 3});
  EXPECT_FLOAT_EQ(cell(3, 1, 2, LINKS), 1.0f);
  EXPECT_FLOAT_EQ(cell(3, 1, 2, LANE_MILES), 2.0f);
  feed({.facility_type = 2, .lanes = 5});   // local street: passed over
  feed({.facility_type = 55, .lanes = 1});  // 55 lanes: class 9+, not a local street here
  EXPECT_FLOAT_EQ(cell(1, 1, 9, LINKS), 1.0f);
  EXPECT_FLOAT_EQ(slot_total(LINKS), 2.0f);
  feed({.facility_type = 2, .lanes = 12, .volume = 0});  // FT code 12 is unclassified
  finish_evaluation(ctx);
  EXPECT_EQ(dir_.read("KVSKIP.LNK").substr(49), "     10     20  12   1\n");
}

TEST_F(EvaluationDriverTest, NoVolumeList) {
  feed({.anode = 1, .bnode = 2, .volume = 1});
  feed({.anode = 3, .bnode = 4, .volume = 2});  // 2 is enough volume
  feed({.anode = 5, .bnode = 6, .volume = 0, .two_way = true});
  feed({.anode = 6, .bnode = 5, .volume = 0, .two_way = true});                 // the pair's second direction
  feed({.anode = 7, .bnode = 8, .congested_time = 0, .volume = 0, .cost = 0});  // not evaluated, still listed
  feed({.anode = 9, .bnode = 10, .facility_type = 55, .volume = 0});            // passed over before the list
  feed({.anode = 11, .bnode = 12, .facility_type = 77, .volume = 0});           // unclassified before the list
  const NoVolumeList& list = ctx.acc.no_volume;
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(list.anode[1], 1);
  EXPECT_EQ(list.bnode[1], 2);
  EXPECT_EQ(list.anode[2], 5);
  EXPECT_EQ(list.bnode[2], 6);
  EXPECT_EQ(list.anode[3], 7);
  EXPECT_FLOAT_EQ(slot_total(LINKS), 3.0f);  // 1, 0.5, 0.5, 1
}

TEST_F(EvaluationDriverTest, NoVolumeListKeepsFiveThousandAndSaysSoOnce) {
  for (int k = 1; k <= 5002; ++k) feed({.anode = k, .bnode = k + 1, .volume = 0});
  const NoVolumeList& list = ctx.acc.no_volume;
  EXPECT_EQ(list.count, 5000);
  EXPECT_EQ(list.anode[5000], 5000);
  EXPECT_EQ(report(),
            " ******** FATAL ******** THERE ARE MORE THAN 5000 LINKS WITH NO ASSIGNED VOLUME (THAT IS A LIMIT "
            "PLACED BY THE PROGRAM).\n");
  EXPECT_FLOAT_EQ(slot_total(LINKS), 5002.0f);
}

TEST_F(EvaluationDriverTest, LinkWithoutTimeAndCostIsPassedOver) {
  feed({.congested_time = 0, .cost = 0});
  EXPECT_EQ(slot_total(LINKS), 0.0f);
  feed({.congested_time = 0, .cost = 3});
  EXPECT_FLOAT_EQ(slot_total(LINKS), 1.0f);
  EXPECT_EQ(slot_total(TIME_SUM), 0.0f);
}

// Generalised costs: TIME replaces the congested time, the second time
// (equal to TIME on the dBASE path) becomes the original time.
TEST_F(EvaluationDriverTest, GeneralisedCostsMoveTheTimes) {
  ctx.settings.gencost = true;
  ctx.link.time2 = 200;
  LinkRecord& r = ctx.link;
  r.distance = 100;
  r.facility_type = 1;
  r.area_type = 1;
  r.lanes = 1;
  r.time = 120;
  r.time2 = 200;
  r.period_times[1] = 999;
  r.volume(1, 1) = 600;
  process_link(ctx);
  EXPECT_FLOAT_EQ(slot_total(TIME_SUM), 1.2f);
  EXPECT_FLOAT_EQ(slot_total(ORIG_TIME_SUM), 2.0f);
  EXPECT_EQ(r.period_times[1], 120);
  EXPECT_EQ(r.time, 200);
}

TEST_F(EvaluationDriverTest, AsciiRecordOfEveryLinkRead) {
  ctx.settings.ascii_output = true;
  ctx.ascii_out.create(ctx.work.path("HRLDXY.ASC"), "HRLDXY.ASC");
  feed({.anode = 10,
        .bnode = 20,
        .distance = 250,
        .facility_type = 3,
        .area_type = 2,
        .lanes = 2,
        .time = 120,
        .congested_time = 150,
        .capacity = 1800,
        .count = 700,
        .volume = 1234,
        .location = 4});
  feed({.anode = 123456, .bnode = 7, .facility_type = 55, .volume = 0});  // passed over, still written
  ctx.settings.use_counts = true;
  feed({.anode = 10,
        .bnode = 20,
        .distance = 250,
        .facility_type = 3,
        .area_type = 2,
        .lanes = 2,
        .time = 120,
        .congested_time = 150,
        .capacity = 1800,
        .count = 700,
        .volume = 1234,
        .location = 4});
  ctx.ascii_out.flush();
  EXPECT_EQ(dir_.read("HRLDXY.ASC"),
            "    10    20  3  2  2  4  250  120  150   1234   1800\n"
            "123456     7 55  1  2  0  100  120  150      0   1000\n"
            "    10    20  3  2  2  4  250  120  150   1234   1800    700\n");
}

// --- Volumes of the binary path ---------------------------------------------

class BinaryVolumeTest : public EvaluationDriverTest {
 protected:
  void SetUp() override { ctx.settings.dbf_input_given = false; }
  void set_link(int periods, int slots, const std::vector<std::vector<int>>& v) {
    ctx.link.time_slot_count = static_cast<std::int16_t>(periods);
    ctx.link.volume_slot_count = static_cast<std::int16_t>(slots);
    for (int s = 1; s <= slots; ++s)
      for (int p = 1; p <= periods; ++p)
        ctx.link.volume(p, s) = v[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(p - 1)];
  }
  void set_word(int n, int value) {
    ctx.binary.header.words[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(value);
  }
  float weight(int p) const { return ctx.eval.volume_weights[static_cast<std::size_t>(p)]; }
  float slot(int s) const { return ctx.eval.slot_volume[static_cast<std::size_t>(s)]; }
  int rounded(int s) const { return ctx.eval.slot_volume_rounded[static_cast<std::size_t>(s)]; }
};

TEST_F(BinaryVolumeTest, PlainSumsAddOnlyTheProfilesSlots) {
  set_link(3, 3, {{100, 150, 50}, {10, 20, 30}, {1, 2, 3}});
  ctx.settings.volume_slots = 2;
  set_volume_weights(ctx);
  EXPECT_TRUE(ctx.eval.plain_sum);
  EXPECT_FLOAT_EQ(link_volume(ctx), 360.0f);
  EXPECT_FLOAT_EQ(slot(1), 300.0f);
  EXPECT_FLOAT_EQ(slot(2), 60.0f);
  EXPECT_EQ(rounded(3), 6);  // listed in the ASCII record, not in the volume
}

TEST_F(BinaryVolumeTest, EqualWeightsWhenWeightingIsOff) {
  set_word(24, 100);  // no plain sums
  set_link(4, 1, {{100, 200, 300, 401}});
  ctx.settings.volume_slots = 1;
  set_volume_weights(ctx);
  EXPECT_FALSE(ctx.eval.plain_sum);
  for (int p = 1; p <= 4; ++p) EXPECT_FLOAT_EQ(weight(p), 0.25f);
  EXPECT_EQ(weight(5), 0.0f);
  EXPECT_FLOAT_EQ(link_volume(ctx), 250.25f);
  EXPECT_EQ(rounded(1), 250);
}

TEST_F(BinaryVolumeTest, WeightsFromHeaderWordsUpToTenPeriods) {
  set_word(54, 1);
  set_word(23, 15000);
  set_word(24, 30000);
  set_word(25, 6000);
  set_link(3, 2, {{100, 200, 300}, {10, 10, 10}});
  ctx.settings.volume_slots = 2;
  set_volume_weights(ctx);
  EXPECT_TRUE(ctx.eval.weighting);
  EXPECT_FLOAT_EQ(weight(1), 0.5f);
  EXPECT_FLOAT_EQ(weight(2), 1.0f);
  EXPECT_FLOAT_EQ(weight(3), 0.2f);
  // Slot 1: 50 + 200 + 60; slot 2: 5 + 10 + 2.
  EXPECT_FLOAT_EQ(link_volume(ctx), 327.0f);
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
  ctx.binary.header.text.assign(text);
  ctx.link.time_slot_count = 12;
  set_volume_weights(ctx);
  EXPECT_FLOAT_EQ(weight(1), 1.0f);
  EXPECT_FLOAT_EQ(weight(2), 5.0f);  // 150000
  EXPECT_FLOAT_EQ(weight(3), 0.0f);
  EXPECT_FLOAT_EQ(weight(4), -999999.0f / 30000.0f);
  EXPECT_FLOAT_EQ(weight(5), -999999.0f / 30000.0f);
  EXPECT_FLOAT_EQ(weight(12), 0.0f);  // blank field
  EXPECT_EQ(weight(13), 0.0f);
}

TEST_F(BinaryVolumeTest, DbasePathUsesTheModelVolume) {
  ctx.settings.dbf_input_given = true;
  ctx.binary.header.words[54] = 1;  // no header on this path
  ctx.link.time_slot_count = 1;
  set_volume_weights(ctx);
  EXPECT_FLOAT_EQ(weight(1), 1.0f);
  EXPECT_FALSE(ctx.eval.weighting);
  ctx.link.volume(1, 1) = 4321;
  EXPECT_FLOAT_EQ(link_volume(ctx), 4321.0f);
}

// Twelve slot volumes and the count: thirteen 7-column fields, all in the
// one record.
TEST_F(BinaryVolumeTest, AsciiRecordCarriesEverySlotVolume) {
  ctx.settings.ascii_output = true;
  ctx.settings.use_counts = true;
  ctx.settings.volume_slots = 12;
  ctx.ascii_out.create(ctx.work.path("HRLDXY.ASC"), "HRLDXY.ASC");
  std::vector<std::vector<int>> volumes;
  for (int s = 1; s <= 12; ++s) volumes.push_back({s * 1000});
  set_link(1, 12, volumes);
  set_volume_weights(ctx);
  LinkRecord& r = ctx.link;
  r.anode = 10;
  r.bnode = 20;
  r.distance = 100;
  r.facility_type = 1;
  r.area_type = 1;
  r.lanes = 1;
  r.time = 100;
  r.period_times[1] = 120;
  r.capacity = 99999;
  r.count = 12345678;  // too wide for its 7 columns
  r.location = 9;      // no auxiliary source: replaced by 0
  process_link(ctx);
  ctx.ascii_out.flush();
  EXPECT_EQ(dir_.read("HRLDXY.ASC"),
            "    10    20  1  1  1  0  100  100  120  78000  99999*******   1000   2000   3000   4000   5000   6000"
            "   7000   8000   9000  10000  11000  12000\n");
}

// A network without periods has no congested time: the evaluation refuses
// it before it reads a link. (The header read already keeps P and S within
// 0..50; the check here guards the tables against any other caller.)
TEST_F(BinaryVolumeTest, HeaderPeriodsAndSlotsAreCheckedBeforeUse) {
  ctx.binary.stream = ByteStream::from_memory("", "HRLDXY.05A");
  struct Case {
    int periods, slots;
    std::string error;
  };
  const std::vector<Case> cases = {
      {0, 1, " HRLDXY.05A, record 1 (header word 33, periods per link entry): expected 1 to 50, found 0"},
      {51, 1, " HRLDXY.05A, record 1 (header word 33, periods per link entry): expected 1 to 50, found 51"},
      {3, -1, " HRLDXY.05A, record 1 (header word 34, volume slots per period): expected 0 to 50, found -1"},
  };
  for (const Case& c : cases) {
    set_word(33, c.periods);
    set_word(34, c.slots);
    try {
      prepare_evaluation(ctx);
      ADD_FAILURE() << "no error for " << c.periods << ", " << c.slots;
    } catch (const InputError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
}

// --- Closing steps ---------------------------------------------------------

TEST_F(EvaluationDriverTest, LevelOfServiceTotals) {
  LosTable& los = ctx.acc.los_miles;
  los[1][1] = 2;
  los[1][3] = 3;
  los[4][1] = 5;
  los[4][6] = 1;
  finish_evaluation(ctx);
  EXPECT_FLOAT_EQ(los[10][1], 7.0f);
  EXPECT_FLOAT_EQ(los[10][3], 3.0f);
  EXPECT_FLOAT_EQ(los[10][6], 1.0f);
  EXPECT_FLOAT_EQ(los[1][7], 5.0f);
  EXPECT_FLOAT_EQ(los[4][7], 6.0f);
  EXPECT_FLOAT_EQ(los[10][7], 11.0f);
  EXPECT_EQ(los[2][7], 0.0f);
  EXPECT_EQ(los[11][1], 0.0f);
}

TEST_F(EvaluationDriverTest, InconsistentConstructionCodeClearsTheCostAfterTheLoop) {
  ctx.settings.validate_mode = false;
  ctx.settings.analysis_mode = true;
  ctx.rates.construction_cost[10][1] = 100;
  ctx.rates.construction_cost[3][2] = 100;
  feed({.facility_type = 2, .construct = 3});
  feed({.facility_type = 1, .construct = 12});
  feed({.facility_type = 1, .construct = 12});
  EXPECT_FLOAT_EQ(slot_total(CONSTR_COST), 300.0f);
  finish_evaluation(ctx);
  EXPECT_EQ(slot_total(CONSTR_COST), 0.0f);
  EXPECT_EQ(console_.str(), " ***INFO*** CONSTRUCTION CODE INCONSISTENCY -- COST TABLE ZEROED\n");
}

TEST_F(EvaluationDriverTest, AsciiOutputSwitchesToTheScreenlineFile) {
  ctx.settings.ascii_output = true;
  dir_.write("SCRNLINE.ASC", "old screenlines\n");
  ctx.ascii_out.create(ctx.work.path("HRLDXY.ASC"), "HRLDXY.ASC");
  feed({});
  finish_evaluation(ctx);
  ctx.ascii_out.write_record("screenline record");
  ctx.ascii_out.close();
  EXPECT_EQ(dir_.read("HRLDXY.ASC"), "    10    20  1  1  2  0  100  120  150    500   1000\n");
  EXPECT_EQ(dir_.read("SCRNLINE.ASC"), "screenline record\n");
}

// --- Whole runs over a dBASE link file --------------------------------------

namespace e2e {

struct DbfLink {
  int anode, bnode, distance, at, ft, lanes, time, capacity, count, screenline, location, construct, cong, volume, cost,
      twflag;
};

// The 20 keyword fields in their default names and order.
std::string link_file(const std::vector<DbfLink>& links) {
  fixtures::DbfTable table(fixtures::link_table_fields());
  for (const DbfLink& l : links) {
    table.add({l.anode,    l.bnode,  l.distance,   1,       l.at, l.ft,       l.lanes, l.time,
               l.capacity, l.count,  l.screenline, 0,       0,    l.location, 0,       l.construct,
               l.cong,     l.volume, l.cost,       l.twflag});
  }
  return table.bytes();
}

// 75 lines of nine rates each; line l holds the value l in every column.
std::string rates_file() {
  std::string file;
  for (int l = 1; l <= 75; ++l) {
    for (int c = 1; c <= 9; ++c) file += pad_to(std::to_string(l) + ".", 6) + " ";
    file += "\n";
  }
  return file;
}

}  // namespace e2e

// Five links: a two-way pair on screenline 3 with a count on one direction,
// facility type 12 (unclassified in a validation run without labels, class 1
// in an analysis run) with construction code 12, a local street, and a link
// with volume 1 and construction code 3.
std::string five_links() {
  return e2e::link_file({
      {10, 20, 100, 1, 1, 2, 120, 1000, 500, 3, 0, 0, 150, 600, 0, 1},
      {20, 10, 100, 1, 1, 2, 120, 1000, 0, 3, 0, 0, 150, 400, 0, 1},
      {30, 40, 250, 2, 12, 1, 300, 900, 0, 0, 0, 12, 330, 700, 0, 0},
      {50, 60, 100, 1, 55, 1, 100, 500, 0, 0, 0, 0, 100, 0, 0, 0},
      {70, 80, 200, 3, 2, 3, 240, 2000, 0, 0, 0, 3, 300, 1, 0, 0},
  });
}

using namespace std::string_literals;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The five header lines of the link file's listing: 20 descriptors give a
// header of 32 + 20 x 32 + 1 bytes; the fields add up to 93 bytes a record.
const std::string kHeaderListingStart =
    "\f Version > dBASEIII\n"
    " File Creation Date > 2026/ 7/ 4\n"
    " Number of Data Records =       5\n"
    " Number of Bytes in Header Record =  673\n"
    " Number of Bytes in Data Record =   94\n"
    " FIELD NO. =  1 -- NAME >ANODE\0\0\0\0\0\0 -- TYPE >N -- LENGTH =  7 -- DECIMALS =  0\n"s;

TEST(EvaluateNetworkTest, DbaseValidationRunWithCounts) {
  testing::TempDir dir;
  dir.write("PROFILE.MAS", " VALIDATE\nY\n KORVODBF\nNET05A.DBF\n COUNTS\nY\n ASCII\nY\n");
  dir.write("KVRATES.SYN", e2e::rates_file());
  dir.write("KVSKIP.LNK", "an old list\n");
  dir.write("NET05A.DBF", five_links());
  const auto result = testing::run_korvo(dir);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.console,
            " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\n"
            " ***INFO***    1 LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"\n"
            "                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED\n"
            "KORVO -- Normal Completion\n");
  EXPECT_EQ(dir.read("KVSKIP.LNK"),
            " LIST IS SKIPPED LINKS:\n\n  ANODE  BNODE  FT  AT\n\n"
            "     30     40  12   2\n");
  // Every link read, before any selection; the count ends each record.
  EXPECT_EQ(dir.read("HRLDXY.ASC"),
            "    10    20  1  1  2  0  100  120  150    600   1000    500\n"
            "    20    10  1  1  2  0  100  120  150    400   1000      0\n"
            "    30    40 12  2  1  0  250  300  330    700    900      0\n"
            "    50    60 55  1  1  0  100  100  100      0    500      0\n"
            "    70    80  2  3  3  0  200  240  300      1   2000      0\n");
  // Screenline 3: volume only where there is a count.
  EXPECT_EQ(dir.read("SCRNLINE.ASC"), "  3       600.       500.   1.20" + std::string(44, ' ') + "\n");

  const std::string report = dir.read("KORVO.OUT");
  EXPECT_EQ(report.substr(0, kHeaderListingStart.size()), kHeaderListingStart);
  // The run description follows the listing of the last field.
  EXPECT_TRUE(contains(report,
                       " FIELD NO. = 20 -- NAME >TWFLAG\0\0\0\0\0 -- TYPE >N -- LENGTH =  1 -- "
                       "DECIMALS =  0\n\f\n"s));
  EXPECT_TRUE(contains(report, " TYPE OF RUN:\n\n      VALIDATE\n"));
  EXPECT_TRUE(contains(report,
                       " LINKS WITH NO ASSIGNED VOLUME\n\n\n\n"
                       " +--------------+--------------+--------------+--------------+--------------+"
                       "--------------+--------------+--------------+\n"
                       " +    70     80 +\n"));
  // The pair's entry: both volumes, the one count, the missing-count remark.
  EXPECT_TRUE(contains(report,
                       "      3        10    20      1000.       500.       2.00        1  1  ***CRITICAL*** "
                       "MISSING COUNT IN ONE DIRECTION\n"));
  // Links 1 and 2 (half a link each, 1 mile) and link 5 (2 miles, 3 lanes).
  EXPECT_TRUE(contains(report,
                       "    TOTAL NUMBER OF LINKS                  2\n\n"
                       "    TOTAL SYSTEM MILES                     3.00\n\n"
                       "    TOTAL LANE MILES                      10.00\n\n"
                       "    TOTAL DIRECTIONAL MILES                4.00\n\n"
                       "    TOTAL VMT USING VOLUMES              600     (LINKS WITH COUNTS)\n\n"
                       "    TOTAL VMT USING COUNTS               500     (LINKS WITH COUNTS)\n"));
  EXPECT_TRUE(contains(report, "    TOTAL VOLUMES ALL LINKS             1001\n"));
  EXPECT_TRUE(contains(report,
                       "    TOTAL ORIGINAL SPEED (MPH)            50.00\n\n"
                       "    TOTAL CONGESTED SPEED (MPH)           40.00\n"));
}

// The same links in an analysis run, without counts. Rates file line l holds
// l everywhere: fuel of speed class s is 34 + s, maintenance of lane class k
// is 66 + k, user cost 55 + s.
TEST(EvaluateNetworkTest, DbaseAnalysisRunWithoutCounts) {
  testing::TempDir dir;
  dir.write("PROFILE.MAS", " ANALYSIS\nY\n KORVODBF\nNET05A.DBF\n ASCII\nY\n");
  dir.write("KVRATES.SYN", e2e::rates_file());
  dir.write("KVSKIP.LNK", "an old list\n");
  dir.write("NET05A.DBF", five_links());
  const auto result = testing::run_korvo(dir);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.console,
            " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\n"
            " ***INFO*** CONSTRUCTION CODE INCONSISTENCY -- COST TABLE ZEROED\n"
            "KORVO -- Normal Completion\n");
  EXPECT_FALSE(dir.exists("KVSKIP.LNK"));  // the old list is gone, and nothing was skipped
  EXPECT_EQ(dir.read("HRLDXY.ASC"),
            "    10    20  1  1  2  0  100  120  150    600   1000\n"
            "    20    10  1  1  2  0  100  120  150    400   1000\n"
            "    30    40 12  2  1  0  250  300  330    700    900\n"
            "    50    60 55  1  1  0  100  100  100      0    500\n"
            "    70    80  2  3  3  0  200  240  300      1   2000\n");
  const std::string report = dir.read("KORVO.OUT");
  EXPECT_TRUE(contains(report, " TYPE OF RUN:\n\n      ANALYSIS\n"));
  EXPECT_TRUE(contains(report, "THE FOLLOWING RATES ARE USED IN THE VARIOUS CALCULATIONS:"));
  EXPECT_FALSE(contains(report, "LINKS WITH NO ASSIGNED VOLUME"));
  // Links 1, 2 and 5 run at 40 mph (class 6), link 3 at 45.45 mph (class 7).
  // Fuel: 600 x 40 + 400 x 40 + 1750 x 41 + 2 x 40.
  EXPECT_TRUE(contains(report,
                       "    TOTAL NUMBER OF LINKS                            3\n\n"
                       "    TOTAL SYSTEM MILES                               5.50\n"));
  EXPECT_TRUE(contains(report,
                       "    TOTAL FUEL USE                              111830\n\n"
                       "    TOTAL NEW LANE MILEAGE                          12\n\n"
                       "    TOTAL CONSTRUCTION COST (X $1000)                0\n"));
  // Users: 600 x 61 + 400 x 61 + 1750 x 62 + 2 x 61; maintenance:
  // 0.5 x 70 + 0.5 x 70 + 2.5 x 67 + 2 x 69; delay: 3 + 2 + 3.5 + 0.01.
  EXPECT_TRUE(contains(report,
                       "    TOTAL USERS COST (DOLLARS)                  169622\n\n"
                       "    TOTAL MAINTENANCE COST (DOLLARS)               376\n\n"
                       "    TOTAL DELAY DUE TO CONGESTION (VEH-HRS)          8.51\n"));
}

// A link file without the TWFLAG field: the reader lists it and nothing is
// evaluated; no report follows.
TEST(EvaluateNetworkTest, MissingKeywordFieldEndsTheEvaluation) {
  testing::TempDir dir;
  dir.write("PROFILE.MAS", " KORVODBF\nNET05A.DBF\n");
  dir.write("KVRATES.SYN", e2e::rates_file());
  auto fields = fixtures::link_table_fields();
  fields.pop_back();
  fixtures::DbfTable table(fields);
  table.add({10, 20, 100, 1, 1, 1, 2, 120, 1000, 0, 0, 0, 0, 0, 0, 0, 150, 600, 0});
  dir.write("NET05A.DBF", table.bytes());
  const auto result = testing::run_korvo(dir);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.console, " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\nKORVO -- Normal Completion\n");
  const std::string report = dir.read("KORVO.OUT");
  EXPECT_TRUE(report.ends_with(" ***CRITICAL*** FIELD NAME > TWFLAG      NOT FOUND ON THE DBF FILE\n")) << report;
  EXPECT_FALSE(contains(report, "TYPE OF RUN:"));
}

// A binary network of 2 periods and 3 volume slots, of which the profile
// sums 2; the congested time is the second period's. Header word 23 at 100
// keeps the volumes as stored (no cumulative conversion).
TEST(EvaluateNetworkTest, BinaryValidationRun) {
  testing::TempDir dir;
  dir.write("PROFILE.MAS", " VALIDATE\nY\n KORVOL\n2\n ASCII\nY\n");
  dir.write("KVRATES.SYN", e2e::rates_file());
  fixtures::NetworkHeader header;
  header.set_word(23, 100);
  header.set_word(33, 2);
  header.set_word(34, 3);
  header.set_word(59, 1);
  header.set_text(105, "BINARY TEST NETWORK");
  std::ostringstream network;
  {
    fixtures::LoadedNetworkWriter writer(network, header);
    fixtures::LinkEntry a;
    a.anode = 10;
    a.bnode = 20;
    a.capacity = 1000;
    a.time = 120;
    a.facility_type = 1;
    a.area_type = 1;
    a.lanes = 2;
    a.distance = 100;
    a.period_times = {140, 150};
    a.volumes = {100, 20, 5, 200, 30, 7};
    writer.add_link(a);
    fixtures::LinkEntry b;
    b.anode = 30;
    b.bnode = 40;
    b.capacity = 800;
    b.time = 240;
    b.facility_type = 2;
    b.area_type = 2;
    b.lanes = 1;
    b.distance = 200;
    b.period_times = {0, 300};
    b.volumes = {0, 0, 0, 1, 0, 0};
    writer.add_link(b);
    writer.finish();
  }
  dir.write("HRLDXY.XXX", network.str());
  std::ostringstream aux;
  fixtures::AuxNetworkWriter aux_writer(aux);
  aux_writer.add({10, 20, 0, fixtures::pack_aux_codes(3, 4)});
  aux_writer.add({30, 40, 0, fixtures::pack_aux_codes(0, 0)});
  dir.write("VOLNAUX.XXX", aux.str());

  const auto result = testing::run_korvo(dir);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.console, " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\nKORVO -- Normal Completion\n");
  // Slot volumes 300, 50 and 12; the link volume adds the first two. The
  // location comes from the auxiliary file.
  EXPECT_EQ(dir.read("HRLDXY.ASC"),
            "    10    20  1  1  2  4  100  120  150    350   1000    300     50     12\n"
            "    30    40  2  2  1  0  200  240  300      1    800      1      0      0\n");
  const std::string report = dir.read("KORVO.OUT");
  EXPECT_TRUE(contains(report, "      USES HRLDXY FILE AS DATA SOURCE\n"));
  EXPECT_TRUE(contains(report, " +    30     40 +\n"));
  // Congested speeds: 1 mile in 1.5 minutes and 2 miles in 3 minutes.
  EXPECT_TRUE(contains(report,
                       "    TOTAL NUMBER OF LINKS                  2\n\n"
                       "    TOTAL SYSTEM MILES                     3.00\n"));
  EXPECT_TRUE(contains(report, "    TOTAL VOLUMES ALL LINKS              351\n"));
  EXPECT_TRUE(contains(report, "    TOTAL CONGESTED SPEED (MPH)           40.00\n"));
  EXPECT_FALSE(contains(report, "NO AUXILIARY FILE AVAILABLE"));

  // Without the auxiliary file every location (and construction code) is 0.
  std::filesystem::remove(dir.file("VOLNAUX.XXX"));
  const auto second = testing::run_korvo(dir);
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(dir.read("HRLDXY.ASC").substr(0, 25), "    10    20  1  1  2  0 ");
  EXPECT_TRUE(contains(dir.read("KORVO.OUT"),
                       " NO AUXILIARY FILE AVAILABLE -- ALL CONSTRUCTION CODES REPORTED AS \"0\" (10)\n"));
}

}  // namespace
}  // namespace korvo
