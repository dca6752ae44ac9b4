#include "network_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "common/fortran_records.h"
#include "support/temp_dir.h"

namespace korvo::fixtures {
namespace {

std::string from_description(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream out;
  write_network_description(in, out);
  return out.str();
}

std::string aux_from_description(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream out;
  write_aux_description(in, out);
  return out.str();
}

// The message a description is refused with; empty when it is not.
template <typename Write>
std::string error_of(Write write, const std::string& description) {
  try {
    write(description);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return {};
}

// The N of each data record of a network file (the header record skipped).
std::vector<std::int32_t> record_word_counts(const std::string& bytes) {
  std::vector<std::int32_t> counts;
  std::size_t at = 4 + static_cast<std::size_t>(load_i32le(bytes.data())) + 4;
  while (at + 8 <= bytes.size()) {
    const auto length = static_cast<std::size_t>(load_i32le(bytes.data() + at));
    counts.push_back(load_i32le(bytes.data() + at + 4));
    at += 4 + length + 4;
  }
  return counts;
}

TEST(NetworkWriterTest, ADescriptionWritesWhatTheCallsWrite) {
  const std::string description =
      "# a small network\n"
      "text 105 TEST NETWORK # not a comment\n"
      "periods 2\n"
      "slots 1\n"
      "nodes 14\n"
      "word 3 40000\n"
      "word 120 -1\n"
      "link 10 20 dir=4 cap=1800 time=125 twoway=1 count=0x7FFFF time2=3 ft=2 sl=9 lanes=3 dist=50 at=4 group=77 "
      "cost=8 times=110,120 vol=100,250\n"
      "  \n"
      "entry 1 2 3 4 5 6 7 8 0xFFFFFFFF\n"
      "endrecord\n"
      "node 1 2\n"
      "turn\n"
      "record ABCD -5\n"
      "words 7 8\n"
      "perrecord 1\n"
      "link 20 10\n"
      "link 30 10\n";
  NetworkHeader h;
  h.set_text(105, "TEST NETWORK # not a comment");
  h.set_word(33, 2);
  h.set_word(34, 1);
  h.set_word(59, 0);
  h.set_word(3, static_cast<std::int16_t>(40000 - 65536));
  h.set_word(120, -1);
  std::ostringstream out;
  {
    LoadedNetworkWriter w(out, h);
    w.add_link({.anode = 10,
                .bnode = 20,
                .direction = 4,
                .capacity = 1800,
                .time = 125,
                .two_way = true,
                .count = 0x7FFFF,
                .time2 = 3,
                .facility_type = 2,
                .screenline = 9,
                .lanes = 3,
                .distance = 50,
                .area_type = 4,
                .link_group = 77,
                .cost = 8,
                .period_times = {110, 120},
                .volumes = {100, 250}});
    const std::int32_t raw[] = {1, 2, 3, 4, 5, 6, 7, 8, -1};
    w.add_link_words(raw);
    w.end_link_record();
    const std::int32_t node_words[] = {1, 2};
    w.write_record("NODE", node_words);
    w.write_record("TURN", {});
    const std::int32_t abcd[] = {-5};
    w.write_record("ABCD", abcd);
    const std::int32_t plain[] = {7, 8};
    w.write_words(plain);
    w.set_entries_per_record(1);
    LinkEntry f;
    f.anode = 20;
    f.bnode = 10;
    w.add_link(f);
    f.anode = 30;
    w.add_link(f);
    w.finish();
  }
  const std::string bytes = from_description(description);
  EXPECT_EQ(bytes, out.str());
  // One record of two entries (N = 1 + 2 x 9), then NODE, TURN, ABCD, the
  // plain words, and two LINK records of one entry each.
  EXPECT_EQ(record_word_counts(bytes), (std::vector<std::int32_t>{19, 3, 1, 2, 2, 10, 10}));
  // 14-bit nodes and direction 4: 3 x 2^28 + 20 x 2^14 + 10.
  EXPECT_EQ(load_i32le(bytes.data() + 1128 + 8 + 4), 3 * (1 << 28) + 20 * (1 << 14) + 10);
}

TEST(NetworkWriterTest, LinkRecordsHoldAsManyEntriesAsFit490Words) {
  struct Case {
    int periods, slots, links;
    std::vector<std::int32_t> counts;
  };
  const Case cases[] = {
      {0, 0, 100, {486, 16}},  // stride 5: 97 entries fit
      {2, 2, 45, {485, 12}},   // stride 11: 44 entries fit
      {9, 50, 2, {465, 465}},  // stride 464: one entry each
      {50, 50, 1, {2556}},     // stride 2555: one entry, whatever the size
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.periods * 100 + c.slots);
    NetworkHeader h;
    h.set_word(33, static_cast<std::int16_t>(c.periods));
    h.set_word(34, static_cast<std::int16_t>(c.slots));
    std::ostringstream out;
    {
      LoadedNetworkWriter w(out, h);
      for (int i = 0; i < c.links; ++i) w.add_link(LinkEntry{});
    }
    EXPECT_EQ(record_word_counts(out.str()), c.counts);
  }
}

TEST(NetworkWriterTest, BadDescriptionsNameTheirLine) {
  struct Case {
    std::string description;
    std::string message;
  };
  const Case cases[] = {
      {"frobnicate 1\n", "description line 1: unknown keyword \"frobnicate\""},
      {"link 1 2\nword 33 1\n", "description line 2: header lines must come before the first record"},
      {"\n\nword 121 1\n", "description line 3: value 121 is outside 1 to 120"},
      {"word 33 x1\n", "description line 1: expected a number, found \"x1\""},
      {"word 33\n", "description line 1: a number is missing"},
      {"nodes 15\n", "description line 1: nodes are 16 or 14 bits"},
      {"nodes 16\nlink 70000 1\n", "description line 2: link field anode = 70000 does not fit 16 bits"},
      {"link 16384 1\n", "description line 1: link field anode = 16384 does not fit 14 bits"},
      {"nodes 16\nlink 1 2 lanes=16\n", "description line 2: link field lanes = 16 does not fit 4 bits"},
      {"nodes 16\nlink 1 2 count=524288\n", "description line 2: link field count = 524288 does not fit 19 bits"},
      {"link 1 2 dir=17\n", "description line 1: direction must be 1 to 16"},
      {"link 1 2 speed=3\n", "description line 1: unknown link key \"speed\""},
      {"link 1 2 cap\n", "description line 1: expected KEY=VALUE, found \"cap\""},
      {"periods 1\nslots 1\nlink 1 2 vol=1,2\n",
       "description line 3: more period times or volumes than P and S give room for"},
      {"text 870 ABCDEFGHIJKL\n", "description line 1: header text at 870 does not fit 880 characters"},
      {"record LNK 1\n", "description line 1: a record tag has four characters"},
      {"words 0x100000000\n", "description line 1: expected a number, found \"0x100000000\""},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(from_description, c.description), c.message) << c.description;
}

TEST(NetworkWriterTest, AuxiliaryRecordsHold16BitNodesAndThePackedWord) {
  const std::string bytes = aux_from_description(
      "link 40000 2 cc=7 loc=5\n"
      "link -1 65535 unused=3 packed=0x01020304\n");
  std::string expected;
  auto record = [&expected](std::initializer_list<unsigned char> body) {
    expected += std::string("\x0a\0\0\0", 4);
    for (unsigned char b : body) expected.push_back(static_cast<char>(b));
    expected += std::string("\x0a\0\0\0", 4);
  };
  record({0x40, 0x9C, 0x02, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x07});
  record({0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x04, 0x03, 0x02, 0x01});
  EXPECT_EQ(bytes, expected);

  struct Case {
    std::string description;
    std::string message;
  };
  const Case cases[] = {
      {"link 65536 1\n", "description line 1: value 65536 is outside -32768 to 65535"},
      {"link 1 2 cc=256\n", "description line 1: value 256 is outside 0 to 255"},
      {"node 1 2\n", "description line 1: unknown keyword \"node\""},
      {"link 1 2 zone=3\n", "description line 1: unknown auxiliary key \"zone=3\""},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(aux_from_description, c.description), c.message) << c.description;
}

TEST(NetworkWriterTest, TheProgramWritesBothFilesAndRemovesAFailedOne) {
  const std::string tool = std::string(KORVO_TOOLS_DIR) + "/korvo_netwrite";
  testing::TempDir dir;
  const std::string network = "periods 1\nslots 1\nnodes 16\nlink 1 2 cap=900 times=50 vol=700\nnode 4\n";
  dir.write("net.txt", network);
  dir.write("aux.txt", "link 1 2 cc=3 loc=4\n");
  dir.write("bad.txt", "link 1 2\nword 33 1\n");
  auto run = [&](const std::string& args) {
    const std::string command = "cd '" + dir.path().string() + "' && '" + tool + "' " + args + " 2>err.txt";
    return std::system(command.c_str());
  };
  ASSERT_EQ(run("network net.txt HRLDXY.05A"), 0);
  EXPECT_EQ(dir.read("HRLDXY.05A"), from_description(network));
  ASSERT_EQ(run("aux - VOLNAUX.05A < aux.txt"), 0);
  EXPECT_EQ(dir.read("VOLNAUX.05A"), aux_from_description("link 1 2 cc=3 loc=4\n"));
  EXPECT_NE(run("network bad.txt OUT.BIN"), 0);
  EXPECT_FALSE(dir.exists("OUT.BIN"));
  EXPECT_EQ(dir.read("err.txt"),
            "korvo_netwrite: description line 2: header lines must come before the first record\n");
  EXPECT_NE(run("volume net.txt OUT.BIN"), 0);
}

}  // namespace
}  // namespace korvo::fixtures
