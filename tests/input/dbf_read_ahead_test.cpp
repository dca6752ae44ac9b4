#include "input/dbf_read_ahead.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/errors.h"
#include "dbf_writer.h"
#include "input/dbf_reader.h"

namespace korvo {
namespace {

using fixtures::DbfFieldDef;
using fixtures::DbfTable;

// What a reader delivered: every link's values in order, the error that
// ended the links (if any) and the link as it stood after the last call.
struct Delivered {
  std::vector<std::vector<std::int64_t>> links;
  std::string error = "no error";
  std::vector<std::int64_t> last;
};

std::vector<std::int64_t> values_of(const LinkRecord& l) {
  return {l.anode,    l.bnode,   l.distance,  l.direction,       l.area_type,    l.facility_type, l.lanes,
          l.time,     l.time2,   l.capacity,  l.count,           l.screenline,   l.zone,          l.use,
          l.location, l.landuse, l.construct, l.period_times[1], l.volume(1, 1), l.cost,          l.two_way};
}

// A source over bytes in memory, prepared as the driver prepares it. The
// link starts with a count of 77 and a zone of 88: fields the file lacks
// keep them.
struct PreparedSource {
  explicit PreparedSource(const std::string& bytes) {
    source->stream = ByteStream::from_memory(bytes, "NET05A.DBF");
    read_link_file_header(*source, nullptr);
    prepare_link_fields(*source, nullptr);
    link.count = 77;
    link.zone = 88;
  }
  std::unique_ptr<DbfLinkSource> source = std::make_unique<DbfLinkSource>();
  LinkRecord link;
};

template <typename Next>
Delivered deliver(PreparedSource& p, Next next) {
  Delivered d;
  try {
    while (next(p.link) == LinkStatus::kLink) d.links.push_back(values_of(p.link));
    // After the end, further calls keep returning the end.
    if (next(p.link) != LinkStatus::kEndOfLinks) d.error = "a link after the end";
  } catch (const FileError& e) {
    d.error = e.what();
  }
  d.last = values_of(p.link);
  return d;
}

Delivered read_plain(const std::string& bytes) {
  PreparedSource p(bytes);
  return deliver(p, [&](LinkRecord& link) { return read_next_dbf_link(*p.source, link); });
}

Delivered read_ahead(const std::string& bytes, std::size_t block_records) {
  PreparedSource p(bytes);
  DbfReadAhead ahead(*p.source, block_records);
  return deliver(p, [&](LinkRecord& link) { return ahead.next(link); });
}

// A table of n records (record i has ANODE i and a volume of 3 i), with the
// text of field `bad_field` of record `bad_record` (1-based; 0 for none)
// replaced by something that is no number.
std::string numbered_table(const std::vector<DbfFieldDef>& fields, int n, int bad_record = 0,
                           std::size_t bad_field = 2) {
  DbfTable table(fields);
  for (int i = 1; i <= n; ++i) {
    std::vector<std::string> texts;
    for (std::size_t f = 0; f < fields.size(); ++f) {
      const std::string& name = fields[f].name;
      texts.push_back(name == "ANODE"      ? std::to_string(i)
                      : name == "MODELVOL" ? std::to_string(3 * i)
                                           : std::to_string((i * 7 + static_cast<int>(f)) % 90));
    }
    if (i == bad_record) texts[bad_field] = "1.2.3";
    table.add_raw(texts);
  }
  return table.bytes();
}

TEST(DbfReadAhead, DeliversWhatTheReaderDeliversAcrossBlockEnds) {
  const auto fields = fixtures::link_table_fields();
  struct Case {
    int records;
    std::size_t block;
    int bad_record;
  };
  const Case cases[] = {
      {0, 4, 0},          {1, 4, 0},  {3, 4, 0},    {4, 4, 0},       {5, 4, 0},   {13, 4, 0},  // 3 blocks and one over
      {12, 4, 0},         {40, 1, 0}, {2, 4096, 0}, {9000, 4096, 0},                           // the default block size
      {1, 4, 1},          {4, 4, 4},  {5, 4, 5},    {13, 4, 9},      {13, 4, 13}, {20, 1, 7},  // a record that fails
      {9000, 4096, 8193},
  };
  for (const Case& c : cases) {
    const std::string bytes = numbered_table(fields, c.records, c.bad_record);
    const Delivered plain = read_plain(bytes);
    const Delivered ahead = read_ahead(bytes, c.block);
    const std::string label = std::to_string(c.records) + " records, blocks of " + std::to_string(c.block) +
                              ", failing record " + std::to_string(c.bad_record);
    ASSERT_EQ(ahead.links.size(), plain.links.size()) << label;
    EXPECT_EQ(ahead.links, plain.links) << label;
    EXPECT_EQ(ahead.error, plain.error) << label;
    EXPECT_EQ(ahead.last, plain.last) << label << ": the link after the last call";
    const int expected = c.bad_record > 0 ? c.bad_record - 1 : c.records;
    EXPECT_EQ(plain.links.size(), static_cast<std::size_t>(expected)) << label;
    EXPECT_EQ(plain.error != "no error", c.bad_record > 0) << label << ": " << plain.error;
  }
}

TEST(DbfReadAhead, FieldsTheFileLacksKeepTheLinksValues) {
  // A table without COUNT and ZONE, and one whose fields are long and real,
  // which the record plan does not cover.
  auto lacking = fixtures::link_table_fields();
  std::erase_if(lacking, [](const DbfFieldDef& f) { return f.name == "COUNT" || f.name == "ZONE"; });
  auto wide = fixtures::link_table_fields();
  wide[2] = {"DISTANCE", 'N', 12, 3};
  for (const auto& fields : {lacking, wide}) {
    const std::string bytes = numbered_table(fields, 11);
    const Delivered plain = read_plain(bytes);
    const Delivered ahead = read_ahead(bytes, 3);
    ASSERT_EQ(plain.links.size(), 11u);
    EXPECT_EQ(ahead.links, plain.links);
    EXPECT_EQ(ahead.error, plain.error);
  }
  const Delivered d = read_ahead(numbered_table(lacking, 2), 3);
  ASSERT_EQ(d.links.size(), 2u);
  EXPECT_EQ(d.links[1][10], 77) << "count";
  EXPECT_EQ(d.links[1][12], 88) << "zone";
}

TEST(DbfReadAhead, StopsWhenTheLoopEndsEarly) {
  // The loop stops after a few links (an abnormal stop) or before the first
  // one, with the converting thread waiting for a block to be handed back:
  // destroying the read-ahead must not hang or touch freed memory.
  const std::string bytes = numbered_table(fixtures::link_table_fields(), 500);
  for (int taken : {0, 1, 7, 100}) {
    PreparedSource p(bytes);
    {
      DbfReadAhead ahead(*p.source, 4);
      for (int i = 0; i < taken; ++i) ASSERT_EQ(ahead.next(p.link), LinkStatus::kLink);
    }
    EXPECT_EQ(p.link.anode, taken == 0 ? 0 : taken);
  }
}

}  // namespace
}  // namespace korvo
