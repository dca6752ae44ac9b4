#include "evaluation/aux_construction.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "common/errors.h"
#include "network_writer.h"
#include "app/run_context.h"
#include "support/fortran_program.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using fixtures::AuxNetworkWriter;
using fixtures::AuxRecord;

class AuxMergeTest : public ::testing::Test {
 protected:
  AuxMergeTest() { ctx_->report.create(dir_.file(kReportFile), kReportFile); }

  std::string report() {
    ctx_->report.flush();
    return dir_.read(kReportFile);
  }
  // Merges one link and returns (construct, screenline, location).
  std::tuple<int, int, int> merge(std::int32_t anode, std::int32_t bnode) {
    ctx_->link.anode = anode;
    ctx_->link.bnode = bnode;
    merge_aux_attributes(*ctx_);
    return {ctx_->link.construct, ctx_->link.screenline, ctx_->link.location};
  }
  void set_table(std::initializer_list<AuxLinkEntry> entries) {
    ctx_->settings.aux_dbf_given = true;
    ctx_->aux.count = 0;
    for (const AuxLinkEntry& e : entries) ctx_->aux.entries[static_cast<std::size_t>(++ctx_->aux.count)] = e;
  }
  void write_aux_file(const std::string& name, std::initializer_list<AuxRecord> records) {
    std::ostringstream out;
    AuxNetworkWriter writer(out);
    for (const AuxRecord& r : records) writer.add(r);
    dir_.write(name, out.str());
  }
  void set_highest_node(std::int32_t node) {
    ctx_->binary.header.words[header_word::kHighestNodeLow] = static_cast<std::int16_t>(node & 0xFFFF);
    ctx_->binary.header.words[header_word::kHighestNodeHigh] = static_cast<std::int16_t>(node >> 16);
  }
  // The binary path with the auxiliary network file: name, open, cursor.
  void start_with_aux_file() {
    prepare_aux_source(*ctx_);
    open_aux_construction_file(*ctx_);
    start_aux_merge(*ctx_);
  }

  testing::TempDir dir_;
  std::ostringstream console_out_;
  std::istringstream console_in_;
  std::unique_ptr<RunContext> ctx_ = RunContext::create(WorkDir(dir_.path()), Console(console_out_, console_in_));
};

TEST_F(AuxMergeTest, TableEntriesMatchLinksInNodePairOrder) {
  set_table({{1, 2, 4, 11, 21, 0}, {1, 3, 5, 12, 22, 0}, {2, 5, 6, 13, 23, 0}});
  ctx_->settings.aux_field_names[kAuxScreenline] = FixedText<11>("SCREEN");
  start_aux_merge(*ctx_);
  ctx_->link.screenline = 99;
  EXPECT_EQ(merge(1, 3), std::make_tuple(5, 12, 22));
  ctx_->link.construct = 9;
  ctx_->link.location = 9;
  EXPECT_EQ(merge(2, 4), std::make_tuple(0, 0, 0));  // 2-5 is above 2-4
  // 2-5 is never reported: entries left after the last link are not.
  EXPECT_EQ(report(), " ***INFO*** DBF LINK      1 -      2 NOT FOUND ON THE HRLDXY FILE\n");
}

TEST_F(AuxMergeTest, AMatchedLinkTakesTheScreenlineOnlyWhenAFieldIsNamed) {
  struct Case {
    const char* field;
    bool named;
  };
  const Case cases[] = {{"NONE", false},  {"none", false}, {"NONESUCH", false},
                        {"SCREEN", true}, {"None", true},  {"SL", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    set_table({{10, 20, 3, 44, 5, 0}});
    ctx_->settings.aux_field_names[kAuxScreenline] = FixedText<11>(c.field);
    start_aux_merge(*ctx_);
    ctx_->link.screenline = 7;
    EXPECT_EQ(merge(10, 20), std::make_tuple(3, c.named ? 44 : 7, 5));
    // An unmatched link loses its screenline either way.
    ctx_->link.screenline = 7;
    EXPECT_EQ(merge(10, 30), std::make_tuple(0, 0, 0));
  }
}

TEST_F(AuxMergeTest, TheCursorOnlyMovesForwardAndEndsBeyondEveryLink) {
  set_table({{5, 6, 1, 0, 1, 0}, {5, 8, 2, 0, 2, 0}, {7, 1, 65539, 0, 3, 0}});
  start_aux_merge(*ctx_);
  EXPECT_EQ(merge(5, 8), std::make_tuple(2, 0, 2));          // 5-6 reported and passed
  EXPECT_EQ(merge(5, 6), std::make_tuple(0, 0, 0));          // behind the cursor: no match any more
  EXPECT_EQ(merge(7, 1), std::make_tuple(3, 0, 3));          // the construction code keeps its low 16 bits
  EXPECT_EQ(merge(65535, 65535), std::make_tuple(0, 0, 0));  // past the last entry: the 9,999,999 pair
  EXPECT_EQ(ctx_->aux_merge.current.anode, kAuxEndNode);
  EXPECT_EQ(merge(65535, 65535), std::make_tuple(0, 0, 0));
  EXPECT_EQ(report(), " ***INFO*** DBF LINK      5 -      6 NOT FOUND ON THE HRLDXY FILE\n");

  // An empty table matches nothing and reports nothing.
  set_table({});
  start_aux_merge(*ctx_);
  EXPECT_EQ(merge(1, 2), std::make_tuple(0, 0, 0));
  EXPECT_EQ(report(), " ***INFO*** DBF LINK      5 -      6 NOT FOUND ON THE HRLDXY FILE\n");
}

TEST_F(AuxMergeTest, TheAuxiliaryFileTakesTheScenariosExtension) {
  struct Case {
    const char* control;  // "" for no VELMAR.CTL
    const char* name;
  };
  const Case cases[] = {{"", "VOLNAUX.XXX"},
                        {" FILEO\n05A output code\n", "VOLNAUX.05A"},
                        {" FILEI\n01B\n FILEO\n05A\n", "VOLNAUX.05A"},
                        {" FILEI\n01B\n", "VOLNAUX.XXX"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    if (*c.control != '\0') dir_.write(kControlFile, c.control);
    prepare_aux_source(*ctx_);
    EXPECT_EQ(ctx_->aux_merge.aux_file_name.trimmed(), c.name);
    std::filesystem::remove(dir_.file(kControlFile));
  }
}

TEST_F(AuxMergeTest, PackedWordsGiveTheirConstructionAndLocationBytes) {
  struct Case {
    std::uint32_t packed;
    int construct, location;
  };
  const Case cases[] = {
      {0x07000500u, 7, 5}, {0x07AB05CDu, 7, 5}, {0xFFFFFFFFu, 255, 255}, {0x00FF00FFu, 0, 0}, {0x80008000u, 128, 128}};
  dir_.write(kControlFile, " FILEO\n05A\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.packed);
    write_aux_file("VOLNAUX.05A", {{1, 2, 0, c.packed}, {2, 1, -1, c.packed}});
    start_with_aux_file();
    ctx_->link.screenline = 6;
    EXPECT_EQ(merge(1, 2), std::make_tuple(c.construct, 6, c.location));
    EXPECT_EQ(merge(2, 1), std::make_tuple(c.construct, 6, c.location));
  }
  EXPECT_EQ(report(), "");
}

TEST_F(AuxMergeTest, NodeNumbersAreUnsignedFromAHighestNodeOf32768) {
  struct Case {
    std::int32_t highest_node;
    bool unsigned_nodes;
  };
  const Case cases[] = {{40000, true}, {32768, true}, {65536 + 5, true}, {32767, false}, {30000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.highest_node);
    write_aux_file("VOLNAUX.XXX", {{40000, 2, 0, fixtures::pack_aux_codes(3, 4)}});
    set_highest_node(c.highest_node);
    start_with_aux_file();
    ctx_->link.anode = 40000;
    ctx_->link.bnode = 2;
    if (c.unsigned_nodes) {
      merge_aux_attributes(*ctx_);
      EXPECT_EQ(std::make_tuple(ctx_->link.construct, ctx_->link.location), std::make_tuple(std::int16_t{3}, 4));
    } else {
      EXPECT_THROW(merge_aux_attributes(*ctx_), RunStop);
    }
  }
}

TEST_F(AuxMergeTest, AMismatchWritesTwoReportLinesAndStopsTheRun) {
  set_highest_node(30000);
  write_aux_file("VOLNAUX.XXX", {{10, 20, 0, 0}, {40000, 2, 0, 0}});
  start_with_aux_file();
  EXPECT_EQ(merge(10, 20), std::make_tuple(0, 0, 0));
  try {
    merge(40000, 2);
    ADD_FAILURE() << "no stop";
  } catch (const RunStop& stop) {
    EXPECT_EQ(std::string(stop.completion_line()), "KORVO -- Abnormal STOP");
  }
  EXPECT_EQ(report(),
            " *** ERROR *** ZEFA HIGHWAY NETWORK AUXILIARY FILE MISMATCH\n"
            "              LOOKING FOR LINK 40000 -     2 AND FOUND LINK-25536 -     2\n");
}

TEST_F(AuxMergeTest, AShortOrEndedAuxiliaryFileStopsWithItsRecord) {
  write_aux_file("VOLNAUX.XXX", {{10, 20, 0, 0}});
  start_with_aux_file();
  merge(10, 20);
  try {
    merge(20, 30);
    ADD_FAILURE() << "no error";
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              " VOLNAUX.XXX, record 2 at byte offset 18: expected the record of link 20-30, found the end of the file");
  }

  std::ostringstream out;
  fixtures::FortranRecordWriter(out).write(std::string(6, '\0'));
  dir_.write("VOLNAUX.XXX", out.str());
  start_with_aux_file();
  try {
    merge(0, 0);
    ADD_FAILURE() << "no error";
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              " VOLNAUX.XXX, record 1 at byte offset 0 (record length): expected at least 10 bytes (from-node, "
              "to-node, unused, codes), found 6");
  }
}

TEST_F(AuxMergeTest, WithoutTheAuxiliaryFileEveryLinkGetsZeros) {
  start_with_aux_file();
  ctx_->link.construct = 5;
  ctx_->link.location = 6;
  ctx_->link.screenline = 7;
  EXPECT_EQ(merge(1, 2), std::make_tuple(0, 7, 0));
  EXPECT_EQ(report(), "\f NO AUXILIARY FILE AVAILABLE -- ALL CONSTRUCTION CODES REPORTED AS \"0\" (10)\n");
}

TEST_F(AuxMergeTest, TheDbaseLinkSourceConsultsNoAuxiliarySource) {
  ctx_->settings.dbf_input_given = true;
  write_aux_file("VOLNAUX.XXX", {{7, 7, 0, 0}});
  start_with_aux_file();
  ctx_->link.construct = 5;
  ctx_->link.location = 6;
  EXPECT_EQ(merge(1, 2), std::make_tuple(5, 0, 6));
  EXPECT_FALSE(ctx_->aux_merge.aux_file_open);
  EXPECT_EQ(report(), "");
}

// An auxiliary network file written by a Fortran program (INTEGER*2 nodes
// and unused value, INTEGER*4 codes) is the writer's file byte for byte and
// merges the same way.
TEST_F(AuxMergeTest, MergesAFileWrittenByFortran) {
  const std::string program = R"(program writeaux
  implicit none
  integer(kind=2) :: ia, ib, iu
  integer(kind=4) :: ipack
  open(11, file='VOLNAUX.FOR', form='unformatted', access='sequential', status='replace')
  ia = -25536
  ib = 12
  iu = 99
  ipack = ior(ishft(7, 24), ishft(5, 8)) + 3
  write(11) ia, ib, iu, ipack
  ia = 12
  ib = -25536
  iu = 0
  ipack = ior(ishft(200, 24), ishft(31, 8))
  write(11) ia, ib, iu, ipack
  close(11)
end program writeaux
)";
  if (!testing::run_fortran_program(dir_, program)) GTEST_SKIP() << "gfortran is not available";
  std::ostringstream out;
  AuxNetworkWriter writer(out);
  writer.add({40000, 12, 99, fixtures::pack_aux_codes(7, 5) + 3});
  writer.add({12, 40000, 0, fixtures::pack_aux_codes(200, 31)});
  EXPECT_EQ(dir_.read("VOLNAUX.FOR"), out.str());

  std::filesystem::rename(dir_.file("VOLNAUX.FOR"), dir_.file("VOLNAUX.XXX"));
  set_highest_node(40000);
  start_with_aux_file();
  EXPECT_EQ(merge(40000, 12), std::make_tuple(7, 0, 5));
  EXPECT_EQ(merge(12, 40000), std::make_tuple(200, 0, 31));
}

}  // namespace
}  // namespace korvo
