// The program driver's auxiliary source on the binary path: the name of the
// auxiliary network file, the notice when there is none, the node numbers'
// sign, and the links' codes from it or from an auxiliary link table.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <tuple>

#include "app/driver.h"
#include "common/errors.h"
#include "dbf_writer.h"
#include "network_writer.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using fixtures::AuxNetworkWriter;
using fixtures::AuxRecord;

// An auxiliary dBASE file: from-node, to-node, sequence, construction,
// screenline, location, zone, one-way; one record per row.
std::string aux_dbf(const std::vector<std::vector<fixtures::DbfValue>>& rows) {
  fixtures::DbfTable table({{"A", 'N', 7},
                            {"B", 'N', 7},
                            {"SEQ", 'N', 5},
                            {"CC", 'N', 2},
                            {"SL", 'N', 3},
                            {"GL", 'N', 4},
                            {"ZON", 'N', 5},
                            {"OW", 'C', 1}});
  for (const auto& row : rows) table.add(row);
  return table.bytes();
}

AuxFieldNames names(std::initializer_list<const char*> list) {
  AuxFieldNames out;
  std::size_t i = 0;
  for (const char* name : list) out[i++].assign(name);
  return out;
}

const AuxFieldNames kAllNames = names({"A", "B", "SEQ", "CC", "SL", "GL", "ZON", "OW"});

class AuxCodesTest : public ::testing::Test {
 protected:
  AuxCodesTest() { ctx_->report.create(dir_.file(kReportFile), kReportFile); }

  std::string report() {
    ctx_->report.flush();
    return dir_.read(kReportFile);
  }
  // Merges one link and returns (construct, screenline, location).
  std::tuple<int, int, int> merge(std::int32_t anode, std::int32_t bnode) {
    ctx_->link.anode = anode;
    ctx_->link.bnode = bnode;
    merge_aux_codes(*ctx_);
    return {ctx_->link.construct, ctx_->link.screenline, ctx_->link.location};
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
  // The binary path with the auxiliary network file: its name, then open.
  void start_with_aux_file() {
    ctx_->aux_file = AuxNetworkFile{};
    prepare_aux_source(*ctx_);
    open_aux_network_file(*ctx_);
  }

  testing::TempDir dir_;
  std::ostringstream console_out_;
  std::istringstream console_in_;
  std::unique_ptr<RunContext> ctx_ = RunContext::create(WorkDir(dir_.path()), Console(console_out_, console_in_));
};

TEST_F(AuxCodesTest, TheAuxiliaryFileTakesTheScenariosExtension) {
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
    EXPECT_EQ(ctx_->aux_file_name.trimmed(), c.name);
    std::filesystem::remove(dir_.file(kControlFile));
  }
}

TEST_F(AuxCodesTest, EveryLinkTakesTheCodesOfItsRecord) {
  dir_.write(kControlFile, " FILEO\n05A\n");
  write_aux_file("VOLNAUX.05A", {{1, 2, 0, 0x07000500u}, {2, 1, -1, 0x0300FF00u}});
  start_with_aux_file();
  ctx_->link.screenline = 6;
  EXPECT_EQ(merge(1, 2), std::make_tuple(7, 6, 5));
  EXPECT_EQ(merge(2, 1), std::make_tuple(3, 6, 255));
  EXPECT_EQ(report(), "");
}

TEST_F(AuxCodesTest, NodeNumbersAreUnsignedFromAHighestNodeOf32768) {
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
    if (c.unsigned_nodes) {
      EXPECT_EQ(merge(40000, 2), std::make_tuple(3, 0, 4));
    } else {
      EXPECT_THROW(merge(40000, 2), RunStop);
    }
  }
}

TEST_F(AuxCodesTest, AMismatchWritesTwoReportLinesAndStopsTheRun) {
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

TEST_F(AuxCodesTest, WithoutTheAuxiliaryFileEveryLinkGetsZeros) {
  start_with_aux_file();
  ctx_->link.construct = 5;
  ctx_->link.location = 6;
  ctx_->link.screenline = 7;
  EXPECT_EQ(merge(1, 2), std::make_tuple(0, 7, 0));
  EXPECT_EQ(report(), "\f NO AUXILIARY FILE AVAILABLE -- ALL CONSTRUCTION CODES REPORTED AS \"0\" (10)\n");
}

// With an auxiliary dBASE file the codes come from its link table.
TEST_F(AuxCodesTest, WithAnAuxiliaryDbaseFileTheTableGivesTheCodes) {
  ctx_->settings.aux_dbf_given = true;
  ctx_->aux.count = 1;
  ctx_->aux.entries[1] = AuxLinkEntry{10, 20, 3, 44, 5, 0};
  start_aux_merge(ctx_->eval.aux_merge, ctx_->aux, true);
  EXPECT_EQ(merge(5, 6), std::make_tuple(0, 0, 0));
  EXPECT_EQ(merge(10, 20), std::make_tuple(3, 44, 5));
  EXPECT_EQ(merge(10, 30), std::make_tuple(0, 0, 0));
  EXPECT_EQ(report(), "");
}

TEST(AuxLinkTableLoad, AsksForTheFileAndListsItInTheReport) {
  testing::TempDir dir;
  dir.write("AUX.DBF", aux_dbf({{10, 20, 1, 5, 0, 0, 0, " "}}));
  std::ostringstream out;
  std::istringstream in("Y\nAUX.DBF\n");
  auto ctx = RunContext::create(WorkDir(dir.path()), Console(out, in), testing::fixed_clock);
  ctx->settings.dbf_file_name.assign("MISSING.DBF");
  ctx->settings.aux_field_names = kAllNames;
  ctx->dbf.header.record_length = 94;  // the link reader's state stays as it is
  ctx->report.create(dir.file("KORVO.OUT"), "KORVO.OUT");
  ctx->settings.aux_dbf_given = true;
  prepare_aux_source(*ctx);
  ctx->report.close();
  EXPECT_EQ(ctx->aux.count, 2);
  EXPECT_EQ(ctx->dbf.header.record_length, 94);
  EXPECT_EQ(out.str(), " Input file does not exist -- Respecify? (Y/N)> Enter the \"DBF\" file name>");
  const std::string report = dir.read("KORVO.OUT");
  EXPECT_EQ(report.substr(0, 21), "\f Version > dBASEIII\n");
  EXPECT_NE(report.find(" FIELD NO. =  8 -- NAME >OW"), std::string::npos);
}

// A field the profile names that the file lacks: its console line, then the
// auxiliary file's completion line.
TEST(AuxLinkTableLoad, ANamedFieldThatIsMissingStopsTheRunWithItsLine) {
  testing::TempDir dir;
  dir.write("AUX.DBF", aux_dbf({{10, 20, 1, 5, 0, 0, 0, " "}}));
  std::ostringstream out;
  std::istringstream in;
  auto ctx = RunContext::create(WorkDir(dir.path()), Console(out, in), testing::fixed_clock);
  ctx->settings.dbf_file_name.assign("AUX.DBF");
  ctx->settings.aux_field_names = names({"A", "B", "SEQ", "CCX", "SL", "GL", "ZZ", "OW"});
  ctx->settings.aux_dbf_given = true;
  ctx->report.create(dir.file("KORVO.OUT"), "KORVO.OUT");
  try {
    prepare_aux_source(*ctx);
    ADD_FAILURE() << "no stop";
  } catch (const RunStop& stop) {
    EXPECT_STREQ(stop.completion_line(), " KORVO Abnormal Completion");
  }
  EXPECT_EQ(out.str(), " ***CRITICAL*** FIELD NAME > CCX         -- NOT FOUND ON THE DBF FILE\n");
  ctx->report.close();
  EXPECT_EQ(dir.read("KORVO.OUT").substr(0, 21), "\f Version > dBASEIII\n");  // the header is listed first
}

}  // namespace
}  // namespace korvo
