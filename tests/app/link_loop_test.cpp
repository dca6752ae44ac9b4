// The program driver's steps around the evaluation: what the link loop does
// with each link read (the ASCII record of every link, before any
// selection), the checks before the first link, and the closing steps.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/driver.h"
#include "common/errors.h"
#include "evaluation/class_tables.h"
#include "evaluation/link_evaluation.h"
#include "support/coded_link.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

class LinkLoopTest : public ::testing::Test {
 protected:
  LinkLoopTest()
      : owner_(RunContext::create(WorkDir(dir_.path()), Console(console_, input_), testing::fixed_clock)),
        ctx(*owner_) {
    ctx.settings.dbf_input_given = true;
    ctx.settings.profile_seen = true;
    set_default_classes(ctx.eval.classes);
    ctx.report.create(ctx.work.path("KORVO.OUT"), "KORVO.OUT");
    reset_accumulators(ctx.eval.acc, ctx.eval.classes);
    set_volume_weights(ctx.eval.state, nullptr, 1);
  }

  void feed(const testing::CodedLink& c) {
    fixtures::copy_link_attributes(c, ctx.link);
    process_link(ctx);
  }
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

  testing::TempDir dir_;
  std::ostringstream console_;
  std::istringstream input_;
  std::unique_ptr<RunContext> owner_;
  RunContext& ctx;
};

TEST_F(LinkLoopTest, AsciiRecordOfEveryLinkRead) {
  ctx.settings.ascii_output = true;
  ctx.side_files.create_ascii_network();
  const testing::CodedLink counted{.anode = 10,
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
                                   .location = 4};
  feed(counted);
  feed({.anode = 123456, .bnode = 7, .facility_type = 55, .volume = 0});  // passed over, still written
  ctx.settings.use_counts = true;
  feed(counted);
  ctx.side_files.flush_ascii_network();
  EXPECT_EQ(dir_.read("HRLDXY.ASC"),
            "    10    20  3  2  2  4  250  120  150   1234   1800\n"
            "123456     7 55  1  2  0  100  120  150      0   1000\n"
            "    10    20  3  2  2  4  250  120  150   1234   1800    700\n");
}

// Twelve slot volumes and the count: thirteen 7-column fields, all in the
// one record.
TEST_F(LinkLoopTest, AsciiRecordCarriesEverySlotVolume) {
  ctx.settings.ascii_output = true;
  ctx.settings.use_counts = true;
  ctx.settings.volume_slots = 12;
  ctx.settings.dbf_input_given = false;
  ctx.side_files.create_ascii_network();
  std::vector<std::vector<int>> volumes;
  for (int s = 1; s <= 12; ++s) volumes.push_back({s * 1000});
  fixtures::copy_link_attributes(testing::CodedLink{.lanes = 1,
                                                    .time = 100,
                                                    .congested_time = 120,
                                                    .capacity = 99999,
                                                    .count = 9999999,  // the widest that fits its 7 columns
                                                    .location = 9},    // no auxiliary source: replaced by 0
                                 ctx.link);
  set_link(1, 12, volumes);
  set_volume_weights(ctx.eval.state, &ctx.binary.header, ctx.link.time_slot_count);
  process_link(ctx);
  ctx.side_files.flush_ascii_network();
  const std::string first =
      "    10    20  1  1  1  0  100  100  120  78000  999999999999   1000   2000   3000   4000   5000   6000"
      "   7000   8000   9000  10000  11000  12000\n";
  EXPECT_EQ(dir_.read("HRLDXY.ASC"), first);

  // A value too wide for its field stops the run before the record: no
  // asterisks reach the file, and the records before it stay.
  struct Case {
    std::int32_t anode, count, slot_volume;
    std::string error;
  };
  const Case cases[] = {
      {10, 10'000'000, 1000,
       " HRLDXY.ASC: link 10-20, COUNT 10000000 does not fit its 7 columns; turn \"ASCII\" off in PROFILE.MAS, or "
       "correct the link's value"},
      {1'000'000, 1, 1000,
       " HRLDXY.ASC: link 1000000-20, ANODE 1000000 does not fit its 6 columns; turn \"ASCII\" off in PROFILE.MAS, "
       "or renumber the nodes below 1,000,000"},
      {-100000, 1, 1000,
       " HRLDXY.ASC: link -100000-20, ANODE -100000 does not fit its 6 columns; turn \"ASCII\" off in PROFILE.MAS, "
       "or renumber the nodes below 1,000,000"},
      // The link's volume sums the slots: a slot too wide alone is negative.
      {10, 1, -1'000'000,
       " HRLDXY.ASC: link 10-20, SLOT 3 VOLUME -1000000 does not fit its 7 columns; turn \"ASCII\" off in "
       "PROFILE.MAS, or correct the link's value"},
  };
  for (const Case& c : cases) {
    ctx.link.anode = c.anode;
    ctx.link.count = c.count;
    volumes[2] = {c.slot_volume};
    set_link(1, 12, volumes);
    try {
      process_link(ctx);
      ADD_FAILURE() << "no error for " << c.error;
    } catch (const WriteError& e) {
      EXPECT_EQ(std::string(e.console_line()), c.error);
    }
    ctx.side_files.flush_ascii_network();
    EXPECT_EQ(dir_.read("HRLDXY.ASC"), first);
  }
}

// A network without periods has no congested time: the evaluation refuses
// it before it reads a link. (The header read already keeps P and S within
// 0..50; the check here guards the tables against any other caller.)
TEST_F(LinkLoopTest, HeaderPeriodsAndSlotsAreCheckedBeforeUse) {
  ctx.binary.stream = ByteStream::from_memory("", "HRLDXY.05A");
  ctx.settings.dbf_input_given = false;
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
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
}

TEST_F(LinkLoopTest, AsciiOutputSwitchesToTheScreenlineFile) {
  ctx.settings.ascii_output = true;
  dir_.write("SCRNLINE.ASC", "old screenlines\n");
  ctx.side_files.create_ascii_network();
  feed({});
  finish_evaluation(ctx);
  ctx.side_files.screenline_file().write_record("screenline record");
  ctx.side_files.close_screenline_file();
  EXPECT_EQ(dir_.read("HRLDXY.ASC"), "    10    20  1  1  2  0  100  120  150    500   1000\n");
  EXPECT_EQ(dir_.read("SCRNLINE.ASC"), "screenline record\n");
}

// Unclassified links go to "KVSKIP.LNK", which the first one creates; after
// the loop the console counts them.
TEST_F(LinkLoopTest, UnclassifiedLinksAreListedInTheirFileAndCountedOnTheConsole) {
  ctx.eval.classes.ft_class_map[7] = 0;  // code 7 not selected
  feed({.anode = 1, .bnode = 2, .facility_type = 0});
  feed({.anode = 3, .bnode = 4, .facility_type = 7});
  feed({.anode = 5, .bnode = 6, .facility_type = 12});
  feed({.anode = 9, .bnode = 10, .facility_type = 120});
  feed({.anode = 11, .bnode = 12, .facility_type = -5});
  feed({.anode = 13, .bnode = 14, .area_type = 6});
  feed({.anode = 1234567, .bnode = 7654321, .area_type = 0});
  feed({.anode = 15, .bnode = 16, .facility_type = 9, .area_type = 5});  // classified
  finish_evaluation(ctx);
  EXPECT_EQ(dir_.read("KVSKIP.LNK"),
            " LIST IS SKIPPED LINKS:\n"
            "\n"
            "  ANODE  BNODE  FT  AT\n"
            "\n"
            "      1      2   0   1\n"
            "      3      4   7   1\n"
            "      5      6  12   1\n"
            "      9     10 120   1\n"
            "     11     12  -5   1\n"
            "     13     14   1   6\n"
            "12345677654321   1   0\n");
  EXPECT_EQ(console_.str(),
            " ***INFO***    7 LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"\n"
            "                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED\n");
}

// The dBASE link record carries its own construction and location codes: no
// auxiliary source is consulted, even with an auxiliary network file present.
TEST_F(LinkLoopTest, TheDbaseLinkSourceConsultsNoAuxiliarySource) {
  dir_.write("VOLNAUX.XXX", "not read");
  feed({.location = 6, .construct = 5});
  EXPECT_EQ(ctx.link.construct, 5);
  EXPECT_EQ(ctx.link.location, 6);
  EXPECT_FALSE(ctx.aux_file.open);
  EXPECT_FLOAT_EQ(ctx.eval.acc.sums.at(1, 1, 2, Slot::LINKS), 1.0f);
}

TEST_F(LinkLoopTest, NoSkippedLinksNoListAndNoConsoleLines) {
  feed({});
  finish_evaluation(ctx);
  EXPECT_FALSE(dir_.exists("KVSKIP.LNK"));
  EXPECT_EQ(console_.str(), "");
}

TEST_F(LinkLoopTest, AnInconsistentConstructionCodeIsSaidOnceOnTheConsole) {
  ctx.settings.validate_mode = false;
  ctx.settings.analysis_mode = true;
  feed({.construct = 12});
  feed({.construct = 11});
  EXPECT_EQ(console_.str(), " ***INFO*** CONSTRUCTION CODE INCONSISTENCY -- COST TABLE ZEROED\n");
}

}  // namespace
}  // namespace korvo
