#include "input/binary_network.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <tuple>

#include "common/errors.h"
#include "network_writer.h"
#include "support/fortran_program.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using fixtures::LinkEntry;
using fixtures::LoadedNetworkWriter;
using fixtures::NetworkHeader;

NetworkHeader header_with(int periods, int slots, int node_word = 1) {
  NetworkHeader h;
  h.set_word(header_word::kPeriods, static_cast<std::int16_t>(periods));
  h.set_word(header_word::kSlots, static_cast<std::int16_t>(slots));
  h.set_word(header_word::kNodeLayout, static_cast<std::int16_t>(node_word));
  return h;
}

std::string network_bytes(const NetworkHeader& header, const std::function<void(LoadedNetworkWriter&)>& body,
                          int entries_per_record = 0) {
  std::ostringstream out;
  {
    LoadedNetworkWriter writer(out, header, entries_per_record);
    body(writer);
    writer.finish();
  }
  return out.str();
}

// Everything the binary source writes into the link record.
auto binary_fields(const LinkRecord& l) {
  return std::tie(l.anode, l.bnode, l.direction, l.capacity, l.time, l.two_way, l.count, l.time2, l.facility_type,
                  l.screenline, l.lanes, l.distance, l.area_type, l.link_group, l.cost, l.period_times, l.volumes,
                  l.time_slot_count, l.volume_slot_count);
}

class BinaryLinkReaderTest : public ::testing::Test {
 protected:
  void open(std::string bytes) {
    bytes_ = std::move(bytes);
    binary_.stream = ByteStream::from_memory(bytes_, "HRLDXY.05A");
    binary_.records = FortranRecordReader(&binary_.stream);
    read_binary_header(binary_);
  }
  // The links up to the end; a reader that does not end fails the test.
  std::vector<LinkRecord> read_all(std::size_t limit = 10'000) {
    std::vector<LinkRecord> links;
    for (std::size_t i = 0; i <= limit; ++i) {
      if (read_binary_link(binary_, link_) == LinkStatus::kEndOfLinks) return links;
      links.push_back(link_);
    }
    ADD_FAILURE() << "no end of links after " << limit << " links";
    return links;
  }
  std::vector<std::pair<std::int32_t, std::int32_t>> read_pairs() {
    std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
    for (const LinkRecord& l : read_all()) pairs.emplace_back(l.anode, l.bnode);
    return pairs;
  }
  // The message of the FileError that opening and reading every link
  // raises, or "" when there is none.
  std::string error_of(std::string bytes) {
    try {
      open(std::move(bytes));
      read_all();
    } catch (const FileError& e) {
      return e.what();
    }
    return "";
  }

  testing::TempDir dir_;
  BinaryNetwork binary_;
  LinkRecord link_;
  std::string bytes_;
};

TEST_F(BinaryLinkReaderTest, DecodesBothNodeLayouts) {
  struct Case {
    int node_word;  // header word 59
    std::uint32_t word1;
    std::int32_t anode, bnode;
    std::int16_t direction;
  };
  const Case cases[] = {
      {1, 65536u * 20 + 10, 10, 20, 1},
      {3, 65536u * 20 + 10, 10, 20, 1},
      {0, 3u * (1u << 28) + 20u * (1u << 14) + 10, 10, 20, 4},
      {2, 3u * (1u << 28) + 20u * (1u << 14) + 10, 10, 20, 4},
      {1, 0xFFFFFFFFu, 65535, 65535, 1},     // unsigned 16-bit halves
      {0, 0xFFFFFFFFu, 16383, 16383, 16},    // 14 bits each, direction 15 + 1
      {0, (1u << 28) - 1, 16383, 16383, 1},  // bits 28-31 clear
      {0, 1u << 14, 0, 1, 1},
      {1, 0x80000000u, 0, 32768, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word1);
    open(network_bytes(header_with(0, 0, c.node_word), [&](LoadedNetworkWriter& w) {
      const std::int32_t entry[] = {static_cast<std::int32_t>(c.word1), 0, 0, 0, 0};
      w.add_link_words(entry);
    }));
    ASSERT_EQ(read_binary_link(binary_, link_), LinkStatus::kLink);
    EXPECT_EQ(link_.anode, c.anode);
    EXPECT_EQ(link_.bnode, c.bnode);
    EXPECT_EQ(link_.direction, c.direction);
  }
}

TEST_F(BinaryLinkReaderTest, DecodesThePackedFieldsWithoutBleeding) {
  struct Expected {
    std::int32_t capacity;
    std::int16_t time;
    bool two_way;
    std::int32_t count;
    std::int16_t time2, facility_type, screenline, lanes, distance, area_type, link_group, cost;
  };
  struct Case {
    std::uint32_t w2, w3, w4, w5;
    Expected e;
  };
  const Case cases[] = {
      // Every bit set: each field at its maximum, the capacity unsigned.
      {0xFFFFFFFFu,
       0xFFFFFFFFu,
       0xFFFFFFFFu,
       0xFFFFFFFFu,
       {1048575, 4095, true, 524287, 4095, 255, 255, 15, 4095, 255, 4095, 4095}},
      // Only the top bit of word 3: two-way, no count.
      {0, 0x80000000u, 0, 0, {0, 0, true, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Bits 12-30 of word 3: the largest count, one-way.
      {0, 0x7FFFF000u, 0, 0, {0, 0, false, 524287, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Distinct values in every field.
      {(1800u << 12) | 125u,
       (1u << 31) | (4321u << 12) | 130u,
       (12u << 24) | (7u << 16) | (3u << 12) | 250u,
       (4u << 24) | (77u << 12) | 9u,
       {1800, 125, true, 4321, 130, 12, 7, 3, 250, 4, 77, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w2);
    open(network_bytes(header_with(0, 0), [&](LoadedNetworkWriter& w) {
      const std::int32_t entry[] = {65536 * 2 + 1, static_cast<std::int32_t>(c.w2), static_cast<std::int32_t>(c.w3),
                                    static_cast<std::int32_t>(c.w4), static_cast<std::int32_t>(c.w5)};
      w.add_link_words(entry);
    }));
    read_binary_link(binary_, link_);
    const LinkRecord& l = link_;
    EXPECT_EQ(l.capacity, c.e.capacity);
    EXPECT_EQ(l.time, c.e.time);
    EXPECT_EQ(l.two_way, c.e.two_way);
    EXPECT_EQ(l.count, c.e.count);
    EXPECT_EQ(l.time2, c.e.time2);
    EXPECT_EQ(l.facility_type, c.e.facility_type);
    EXPECT_EQ(l.screenline, c.e.screenline);
    EXPECT_EQ(l.lanes, c.e.lanes);
    EXPECT_EQ(l.distance, c.e.distance);
    EXPECT_EQ(l.area_type, c.e.area_type);
    EXPECT_EQ(l.link_group, c.e.link_group);
    EXPECT_EQ(l.cost, c.e.cost);
  }
}

TEST_F(BinaryLinkReaderTest, FillsPeriodTimesAndVolumesAndLeavesTheDbaseFieldsAlone) {
  NetworkHeader h = header_with(2, 3);
  h.set_word(header_word::kWeighting, 1);  // no cumulative conversion
  open(network_bytes(h, [](LoadedNetworkWriter& w) {
    // Period times keep their low 16 bits: 0x12345678 gives 0x5678, 0x1FFFF gives -1.
    const std::int32_t entry[] = {65536 * 2 + 1, 0, 0, 0, 0, 0x12345678, 11, 12, -13, 0x1FFFF, 21, 22, 2147483647};
    w.add_link_words(entry);
  }));
  link_.zone = 5;
  link_.location = 6;
  link_.construct = 7;
  link_.use = 8;
  link_.landuse = 9;
  read_binary_link(binary_, link_);
  const LinkRecord& l = link_;
  EXPECT_EQ(l.time_slot_count, 2);
  EXPECT_EQ(l.volume_slot_count, 3);
  EXPECT_EQ(l.period_times[1], 0x5678);
  EXPECT_EQ(l.period_times[2], -1);
  EXPECT_EQ(l.volume(1, 1), 11);
  EXPECT_EQ(l.volume(1, 2), 12);
  EXPECT_EQ(l.volume(1, 3), -13);
  EXPECT_EQ(l.volume(2, 1), 21);
  EXPECT_EQ(l.volume(2, 2), 22);
  EXPECT_EQ(l.volume(2, 3), 2147483647);
  EXPECT_EQ(std::tie(l.zone, l.location, l.construct, l.use, l.landuse), std::make_tuple(5, 6, 7, 8, 9));
}

TEST_F(BinaryLinkReaderTest, WithoutSlotsThePeriodBlocksAreNotRead) {
  open(network_bytes(header_with(2, 0), [](LoadedNetworkWriter& w) {
    const std::int32_t entry[] = {65536 * 2 + 1, 0, 0, 0, 0, 150, 160};
    w.add_link_words(entry);
  }));
  link_.period_times[1] = 99;
  read_binary_link(binary_, link_);
  EXPECT_EQ(link_.bnode, 2);
  EXPECT_EQ(link_.period_times[1], 99);
  EXPECT_EQ(link_.time_slot_count, 2);
  EXPECT_EQ(link_.volume_slot_count, 0);
}

TEST_F(BinaryLinkReaderTest, CumulativeVolumesBecomePerPeriodOnlyWhenTheHeaderSaysSo) {
  struct Case {
    const char* what;
    int periods, slots, weighting_word, cumulative_word;
    std::vector<std::int32_t> stored;    // V(1,1..S), V(2,1..S), ...
    std::vector<std::int32_t> expected;  // the same order
  };
  std::vector<std::int32_t> eleven(11);
  for (int p = 0; p < 11; ++p) eleven[static_cast<std::size_t>(p)] = 100 * (p + 1);
  const Case cases[] = {
      {"three periods", 3, 1, 0, 0, {100, 250, 300}, {100, 150, 50}},
      {"word 23 of 99", 3, 1, 0, 99, {100, 250, 300}, {100, 150, 50}},
      {"word 54 even", 3, 1, 2, 0, {100, 250, 300}, {100, 150, 50}},
      {"two slots each", 2, 2, 0, 0, {10, 40, 25, 100}, {10, 40, 15, 60}},
      {"ten periods", 10, 1, 0, 0, {1, 3, 6, 10, 15, 21, 28, 36, 45, 55}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"differences wrap", 2, 1, 0, 0, {1, -2147483647 - 1}, {1, 2147483647}},
      {"one period", 1, 1, 0, 0, {100}, {100}},
      {"eleven periods", 11, 1, 0, 0, eleven, eleven},
      {"weighting on", 3, 1, 1, 0, {100, 250, 300}, {100, 250, 300}},
      {"word 23 of 100", 3, 1, 0, 100, {100, 250, 300}, {100, 250, 300}},
      {"word 23 of 500", 3, 1, 0, 500, {100, 250, 300}, {100, 250, 300}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NetworkHeader h = header_with(c.periods, c.slots);
    h.set_word(header_word::kWeighting, static_cast<std::int16_t>(c.weighting_word));
    h.set_word(header_word::kCumulativeLimit, static_cast<std::int16_t>(c.cumulative_word));
    open(network_bytes(h, [&](LoadedNetworkWriter& w) {
      LinkEntry e;
      e.anode = 1;
      e.bnode = 2;
      e.volumes = c.stored;
      w.add_link(e);
      w.add_link(e);  // the second entry starts again from the stored values
    }));
    for (int n = 0; n < 2; ++n) {
      read_binary_link(binary_, link_);
      std::vector<std::int32_t> got;
      for (int p = 1; p <= c.periods; ++p) {
        for (int s = 1; s <= c.slots; ++s) got.push_back(link_.volume(p, s));
      }
      EXPECT_EQ(got, c.expected);
    }
  }
}

TEST_F(BinaryLinkReaderTest, TagsAreStoredInReverseAndOnlyLinkRecordsCarryLinks) {
  const std::string bytes = network_bytes(header_with(0, 0), [](LoadedNetworkWriter& w) {
    const std::int32_t a[] = {65536 * 2 + 1, 0, 0, 0, 0};
    const std::int32_t b[] = {65536 * 3 + 2, 0, 0, 0, 0};
    w.add_link_words(a);
    w.add_link_words(b);
    w.end_link_record();
    const std::int32_t node_words[] = {1, 2, 3};
    w.write_record("NODE", node_words);
    w.write_record("TURN", node_words);
    w.write_record("LINK", {});  // a LINK record without entries
    const std::int32_t c[] = {65536 * 4 + 3, 0, 0, 0, 0};
    w.add_link_words(c);
    w.end_link_record();
    w.write_record("XXXX", node_words);
    w.add_link_words(c);  // behind the unknown tag: never read
  });
  // Header record (4 + 1120 + 4 bytes), then the first data record's marker
  // and N: its tag "LINK" is stored as the bytes "KNIL".
  ASSERT_GT(bytes.size(), 1140u);
  EXPECT_EQ(bytes.substr(1136, 4), "KNIL");
  EXPECT_NE(bytes.find("EDON"), std::string::npos);
  EXPECT_NE(bytes.find("NRUT"), std::string::npos);
  open(bytes);
  EXPECT_EQ(read_pairs(), (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 2}, {2, 3}, {3, 4}}));
}

TEST_F(BinaryLinkReaderTest, ARecordWithoutATagEndsTheLinks) {
  open(network_bytes(header_with(0, 0), [](LoadedNetworkWriter& w) {
    const std::int32_t a[] = {65536 * 2 + 1, 0, 0, 0, 0};
    w.add_link_words(a);
    w.write_words({});  // N = 0
    w.add_link_words(a);
  }));
  EXPECT_EQ(read_pairs(), (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 2}}));
}

TEST_F(BinaryLinkReaderTest, OnlyTheLow16BitsOfNCount) {
  std::ostringstream out;
  fixtures::FortranRecordWriter records(out);
  records.write(header_with(0, 0).encode());
  std::string body;
  fixtures::append_i32le(body, 65536 + 6);  // six words: the tag and one entry
  for (std::int32_t word : {kLinkTag, 65536 * 2 + 1, 0, 0, 0, 0}) fixtures::append_i32le(body, word);
  records.write(body);
  open(out.str());
  EXPECT_EQ(read_pairs(), (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 2}}));
}

TEST_F(BinaryLinkReaderTest, ReadingAfterTheEndChangesNothing) {
  NetworkHeader h = header_with(2, 2);
  open(network_bytes(h, [](LoadedNetworkWriter& w) {
    LinkEntry e;
    e.anode = 7;
    e.bnode = 8;
    e.capacity = 1800;
    e.two_way = true;
    e.period_times = {120, 130};
    e.volumes = {1, 2, 3, 4};
    w.add_link(e);
  }));
  ASSERT_EQ(read_binary_link(binary_, link_), LinkStatus::kLink);
  LinkRecord last = link_;
  for (int n = 0; n < 3; ++n) {
    ASSERT_EQ(read_binary_link(binary_, link_), LinkStatus::kEndOfLinks);
    EXPECT_TRUE(binary_fields(link_) == binary_fields(last)) << "read " << n + 2 << " changed the link";
  }
}

TEST_F(BinaryLinkReaderTest, AnEmptyNetworkHasNoLinks) {
  open(network_bytes(header_with(3, 1), [](LoadedNetworkWriter&) {}));
  EXPECT_TRUE(read_all().empty());
  EXPECT_EQ(link_.time_slot_count, 3);
}

TEST_F(BinaryLinkReaderTest, StreamsThousandsOfLinksAcrossRecordsInOrder) {
  struct Case {
    int periods, slots, entries_per_record;
  };
  // Strides 11 (44 entries fill a record), 5, 9 (seven to a record), 464
  // (one entry per record) and 8 (one period, the usual network, read by a
  // shorter way).
  const Case cases[] = {{2, 2, 0}, {0, 0, 0}, {3, 1, 7}, {9, 50, 0}, {1, 2, 0}, {1, 50, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.periods * 1000 + c.slots);
    NetworkHeader header = header_with(c.periods, c.slots);
    header.set_word(header_word::kWeighting, 1);  // volumes as stored, not cumulative
    open(network_bytes(
        header,
        [&](LoadedNetworkWriter& w) {
          for (std::uint32_t i = 1; i <= 1000; ++i) {
            LinkEntry e;
            e.anode = i;
            e.bnode = 60000 - i;
            for (int p = 1; p <= c.periods && c.slots > 0; ++p) {
              e.period_times.push_back(static_cast<std::int32_t>(i % 1000 + p));
              for (int s = 1; s <= c.slots; ++s) e.volumes.push_back(static_cast<std::int32_t>(1000 * s + i + p));
            }
            w.add_link(e);
          }
        },
        c.entries_per_record));
    const std::vector<LinkRecord> links = read_all();
    ASSERT_EQ(links.size(), 1000u);
    for (std::size_t i = 0; i < links.size(); ++i) {
      ASSERT_EQ(links[i].anode, static_cast<std::int32_t>(i + 1));
      ASSERT_EQ(links[i].bnode, static_cast<std::int32_t>(60000 - (i + 1)));
      const auto n = static_cast<std::int32_t>(i + 1);
      for (int p = 1; p <= c.periods && c.slots > 0; ++p) {
        ASSERT_EQ(links[i].period_times[static_cast<std::size_t>(p)], n % 1000 + p) << "period " << p;
        for (int s = 1; s <= c.slots; ++s) ASSERT_EQ(links[i].volume(p, s), 1000 * s + n + p) << p << "," << s;
      }
    }
  }
}

TEST_F(BinaryLinkReaderTest, BadFilesStopWithALineNamingThePlaceAndTheLimit) {
  auto with_records = [](const NetworkHeader& h, std::initializer_list<std::string> bodies) {
    std::ostringstream out;
    fixtures::FortranRecordWriter records(out);
    records.write(h.encode());
    for (const std::string& body : bodies) records.write(body);
    return out.str();
  };
  auto words = [](std::initializer_list<std::int32_t> ws) {
    std::string body;
    for (std::int32_t w : ws) fixtures::append_i32le(body, w);
    return body;
  };
  auto link_record = [&](int word_count) {
    std::string body = words({word_count, kLinkTag});
    for (int i = 1; i < word_count; ++i) fixtures::append_i32le(body, 65536 * 2 + 1);
    return body;
  };
  std::ostringstream short_header;
  fixtures::FortranRecordWriter(short_header).write(std::string(1000, ' '));
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"no header", "", " HRLDXY.05A, record 1 (header record): expected the header record, found the end of the file"},
      {"short header", short_header.str(),
       " HRLDXY.05A, record 1 (header record): expected at least 1120 bytes, found 1000"},
      {"P above 50", with_records(header_with(51, 1), {}),
       " HRLDXY.05A, record 1, byte offset 948 (header word 33, periods per link entry): expected 0 to 50, found 51"},
      {"negative P", with_records(header_with(-1, 1), {}),
       " HRLDXY.05A, record 1, byte offset 948 (header word 33, periods per link entry): expected 0 to 50, found -1"},
      {"S above 50", with_records(header_with(1, 51), {}),
       " HRLDXY.05A, record 1, byte offset 950 (header word 34, volume slots per period): expected 0 to 50, found "
       "51"},
      {"negative S", with_records(header_with(1, -6), {}),
       " HRLDXY.05A, record 1, byte offset 950 (header word 34, volume slots per period): expected 0 to 50, found "
       "-6"},
      {"491 words", with_records(header_with(0, 0), {link_record(491)}),
       " HRLDXY.05A, record 2 at byte offset 1128 (word count N): N = 491 exceeds the limit of 490 words per record"},
      {"N of -1", with_records(header_with(0, 0), {words({-1, kLinkTag})}),
       " HRLDXY.05A, record 2 at byte offset 1128 (word count N): N = 65535 exceeds the limit of 490 words per record"},
      {"N beyond the bytes", with_records(header_with(0, 0), {words({10, kLinkTag, 1, 2, 3, 4})}),
       " HRLDXY.05A, record 2 at byte offset 1128 (word count N): N = 10 needs 44 bytes, the record holds 24"},
      {"no room for N", with_records(header_with(0, 0), {std::string(2, '\0')}),
       " HRLDXY.05A, record 2 at byte offset 1128 (word count N): expected a record of at least 4 bytes, found 2"},
      {"partial entry", with_records(header_with(0, 0), {link_record(8)}),
       " HRLDXY.05A, record 2 at byte offset 1128 (LINK record): 7 words after the tag do not make whole link "
       "entries of 5 words (header words 33 and 34: P = 0, S = 0)"},
      {"partial entry in a later record",
       with_records(header_with(1, 1), {link_record(15), words({2, kNodeTag, 0}), link_record(14)}),
       " HRLDXY.05A, record 4 at byte offset 1220 (LINK record): 13 words after the tag do not make whole link "
       "entries of 7 words (header words 33 and 34: P = 1, S = 1)"},
      {"stride beyond the buffer", with_records(header_with(50, 50), {link_record(490)}),
       " HRLDXY.05A, record 2 at byte offset 1128 (LINK record): 489 words after the tag do not make whole link "
       "entries of 2555 words (header words 33 and 34: P = 50, S = 50)"},
      {"broken framing", with_records(header_with(0, 0), {}) + words({8, 1, kLinkTag, 5}),
       " HRLDXY.05A, record 2 at byte offset 1128 (record length): trailing marker 5 differs from leading marker 8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(error_of(c.bytes), c.message);
  }
}

// Damaged files end in links or in an FileError, never in anything else:
// bytes of a valid network are overwritten at random, the header's P and S
// and the record markers included.
TEST_F(BinaryLinkReaderTest, DamagedFilesNeverReadOutsideTheRecord) {
  const std::string valid = network_bytes(header_with(2, 3), [](LoadedNetworkWriter& w) {
    for (std::uint32_t i = 1; i <= 60; ++i) {
      LinkEntry e;
      e.anode = i;
      e.bnode = i + 1;
      e.volumes = {1, 2, 3, 4, 5, 6};
      w.add_link(e);
      if (i % 25 == 0) w.write_record("NODE", std::vector<std::int32_t>(30, 7));
    }
  });
  std::mt19937 random(1207);
  int errors = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = valid;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < changes; ++k) {
      // Half the changes hit the header words and the first records.
      const std::size_t span = random() % 2 == 0 ? 1400 : damaged.size();
      damaged[940 + random() % (span - 940)] = static_cast<char>(random());
    }
    try {
      open(damaged);
      int links = 0;
      while (read_binary_link(binary_, link_) == LinkStatus::kLink) {
        ASSERT_LE(++links, 1000) << "round " << round << " does not end";
      }
    } catch (const FileError&) {
      ++errors;
    }
  }
  EXPECT_GT(errors, 0);
}

TEST_F(BinaryLinkReaderTest, HeaderGivesTextWordsAndTheHighestNode) {
  struct Case {
    std::int16_t word3, word4;
    std::int32_t highest;
  };
  const Case cases[] = {
      {-25536, 0, 40000}, {30000, 0, 30000}, {static_cast<std::int16_t>(0x86A0), 1, 100000}, {-1, -1, -1}};
  for (const Case& c : cases) {
    NetworkHeader h = header_with(1, 1);
    h.set_text(105, "NETWORK 2030 ALTERNATIVE A");
    h.set_word(header_word::kHighestNodeLow, c.word3);
    h.set_word(header_word::kHighestNodeHigh, c.word4);
    h.set_word(120, -7);
    open(network_bytes(h, [](LoadedNetworkWriter&) {}));
    EXPECT_EQ(binary_.header.chars(105, 130), "NETWORK 2030 ALTERNATIVE A");
    EXPECT_EQ(binary_.header.word(120), -7);
    EXPECT_EQ(binary_.header.highest_node(), c.highest);
  }
}

// A loaded network written by a Fortran model (sequential unformatted WRITE
// of INTEGER*2 header words, CHARACTER*880 text and INTEGER*4 words) is the
// same file, byte for byte, as the writer's, and reads as the same links.
TEST_F(BinaryLinkReaderTest, ReadsAFileWrittenByFortranAsTheWritersFile) {
  const std::string program = R"(program writenet
  implicit none
  character(len=880) :: text
  integer(kind=2) :: hw(120)
  integer(kind=4) :: w(490), n, k, link_tag, node_tag, turn_tag
  ! A tag's letters from the most significant byte down.
  link_tag = ichar('L')*16777216 + ichar('I')*65536 + ichar('N')*256 + ichar('K')
  node_tag = ichar('N')*16777216 + ichar('O')*65536 + ichar('D')*256 + ichar('E')
  turn_tag = ichar('T')*16777216 + ichar('U')*65536 + ichar('R')*256 + ichar('N')
  text = ' '
  text(105:184) = 'FORTRAN WRITTEN NETWORK'
  hw = 0
  hw(33) = 2
  hw(34) = 1
  hw(59) = 1
  open(10, file='HRLDXY.FOR', form='unformatted', access='sequential', status='replace')
  write(10) text, hw
  n = 1
  w(1) = link_tag
  do k = 1, 3
    w(n+1) = ior(ishft(10*k+10, 16), 10*k)
    w(n+2) = ior(ishft(1800, 12), 100 + k)
    w(n+3) = ibset(ior(ishft(500 + k, 12), 90), 31)
    w(n+4) = ior(ior(ishft(3, 24), ishft(7, 16)), ior(ishft(2, 12), 125))
    w(n+5) = ior(ior(ishft(4, 24), ishft(77, 12)), 9)
    w(n+6) = 110 + k
    w(n+7) = 1000*k
    w(n+8) = 120 + k
    w(n+9) = 2500*k
    n = n + 9
  end do
  write(10) n, (w(k), k = 1, n)
  n = 3
  w(1) = node_tag
  w(2) = 5
  w(3) = 6
  write(10) n, (w(k), k = 1, n)
  w(1) = turn_tag
  write(10) n, (w(k), k = 1, n)
  n = 10
  w(1) = link_tag
  w(2) = ior(ishft(2, 16), 65535)
  w(3) = 0
  w(4) = 0
  w(5) = 0
  w(6) = 0
  w(7) = 1
  w(8) = 10
  w(9) = 2
  w(10) = 30
  write(10) n, (w(k), k = 1, n)
  close(10)
end program writenet
)";
  if (!testing::run_fortran_program(dir_, program)) GTEST_SKIP() << "gfortran is not available";
  const std::string fortran_file = dir_.read("HRLDXY.FOR");

  NetworkHeader h = header_with(2, 1);
  h.set_text(105, "FORTRAN WRITTEN NETWORK");
  const std::string ours = network_bytes(h, [](LoadedNetworkWriter& w) {
    for (std::uint32_t k = 1; k <= 3; ++k) {
      LinkEntry e;
      e.anode = 10 * k;
      e.bnode = 10 * k + 10;
      e.capacity = 1800;
      e.time = 100 + k;
      e.two_way = true;
      e.count = 500 + k;
      e.time2 = 90;
      e.facility_type = 3;
      e.screenline = 7;
      e.lanes = 2;
      e.distance = 125;
      e.area_type = 4;
      e.link_group = 77;
      e.cost = 9;
      e.period_times = {static_cast<std::int32_t>(110 + k), static_cast<std::int32_t>(120 + k)};
      e.volumes = {static_cast<std::int32_t>(1000 * k), static_cast<std::int32_t>(2500 * k)};
      w.add_link(e);
    }
    w.end_link_record();
    const std::int32_t node_words[] = {5, 6};
    w.write_record("NODE", node_words);
    w.write_record("TURN", node_words);
    LinkEntry last;
    last.anode = 65535;
    last.bnode = 2;
    last.period_times = {1, 2};
    last.volumes = {10, 30};
    w.add_link(last);
  });
  EXPECT_EQ(fortran_file, ours);

  std::vector<LinkRecord> from_fortran;
  open(fortran_file);
  from_fortran = read_all();
  open(ours);
  const std::vector<LinkRecord> from_ours = read_all();
  ASSERT_EQ(from_fortran.size(), 4u);
  ASSERT_EQ(from_ours.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(binary_fields(from_fortran[i]) == binary_fields(from_ours[i])) << i;
  // Cumulative volumes 1000k, 2500k became 1000k, 1500k.
  EXPECT_EQ(
      std::make_tuple(from_fortran[2].anode, from_fortran[2].bnode, from_fortran[2].count, from_fortran[2].two_way),
      std::make_tuple(30, 40, 503, true));
  EXPECT_EQ(std::make_tuple(from_fortran[2].volume(1, 1), from_fortran[2].volume(2, 1)), std::make_tuple(3000, 4500));
  EXPECT_EQ(std::make_tuple(from_fortran[3].anode, from_fortran[3].bnode, from_fortran[3].volume(2, 1)),
            std::make_tuple(65535, 2, 20));
}

}  // namespace
}  // namespace korvo
