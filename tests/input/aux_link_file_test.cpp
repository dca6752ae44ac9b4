#include "input/aux_link_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "common/errors.h"
#include "dbf_writer.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using fixtures::DbfTable;
using fixtures::DbfValue;
using Names = AuxFieldNames;

// From-node, to-node, sequence, construction, screenline, location, zone,
// one-way.
const std::vector<fixtures::DbfFieldDef> kFields = {{"A", 'N', 7},  {"B", 'N', 7},  {"SEQ", 'N', 5}, {"CC", 'N', 2},
                                                    {"SL", 'N', 3}, {"GL", 'N', 4}, {"ZON", 'N', 5}, {"OW", 'C', 1}};
const Names kAllNames = {FixedText<11>("A"),  FixedText<11>("B"),  FixedText<11>("SEQ"), FixedText<11>("CC"),
                         FixedText<11>("SL"), FixedText<11>("GL"), FixedText<11>("ZON"), FixedText<11>("OW")};

struct Row {
  DbfValue a, b, seq, cc = 0, sl = 0, gl = 0, zon = 0, ow = " ";
};

std::string aux_file(const std::vector<Row>& rows) {
  DbfTable table(kFields);
  for (const Row& r : rows) table.add({r.a, r.b, r.seq, r.cc, r.sl, r.gl, r.zon, r.ow});
  return table.bytes();
}

struct Loaded {
  std::unique_ptr<AuxLinkTable> table = std::make_unique<AuxLinkTable>();
  std::string entries() const {  // "A-B:cc/sl/gl/zon" per entry
    std::string out;
    for (std::int32_t i = 1; i <= table->count; ++i) {
      const AuxLinkEntry& e = (*table)[i];
      out += std::to_string(e.anode) + "-" + std::to_string(e.bnode) + ":" + std::to_string(e.construct) + "/" +
             std::to_string(e.screenline) + "/" + std::to_string(e.location) + "/" + std::to_string(e.zone) + " ";
    }
    return out;
  }
};

Loaded load(const std::string& bytes, const Names& names = kAllNames) {
  Loaded result;
  ByteStream stream = ByteStream::from_memory(bytes, "AUX.DBF");
  load_aux_links(stream, names, *result.table, nullptr);
  return result;
}

TEST(AuxLinks, DuplicatePairsMergeFirstNonZeroWins) {
  const Loaded l = load(aux_file({{10, 20, 2, 0, 7, 0, 3}, {10, 20, 1, 5, 0, 9, 4}, {10, 30, 1, 0, 0, 0, 0}}));
  EXPECT_EQ(l.entries(), "10-20:5/7/9/4 10-30:0/0/0/0 20-10:5/7/9/4 30-10:0/0/0/0 ");
}

TEST(AuxLinks, OneWayMarkersAndBlankNodes) {
  struct Case {
    Row row;
    std::string entries;
  };
  const Case cases[] = {
      {{10, 20, 1, 1, 0, 0, 0, " "}, "10-20:1/0/0/0 20-10:1/0/0/0 "},
      {{10, 20, 1, 1, 0, 0, 0, "F"}, "10-20:1/0/0/0 "},
      {{10, 20, 1, 1, 0, 0, 0, "R"}, "10-20:1/0/0/0 "},
      {{10, 20, 1, 1, 0, 0, 0, "f"}, "10-20:1/0/0/0 20-10:1/0/0/0 "},
      {{10, 20, 1, 1, 0, 0, 0, "X"}, "10-20:1/0/0/0 20-10:1/0/0/0 "},
      {{DbfValue::blank(), 20, 1, 1}, ""},
      {{10, DbfValue::blank(), 1, 1}, "0-10:1/0/0/0 10-0:1/0/0/0 "},
      {{10, 20, -1023, 1}, "10-20:1/0/0/0 20-10:1/0/0/0 "},
      {{2097151, 20, 1, 1, 0, 0, 0, "F"}, "2097151-20:1/0/0/0 "},
  };
  for (const Case& c : cases) EXPECT_EQ(load(aux_file({c.row})).entries(), c.entries);
}

TEST(AuxLinks, AbsentNamesLeaveTheirColumnsZero) {
  const std::string bytes = aux_file({{10, 20, 1, 5, 7, 9, 4, "F"}});
  const std::vector<std::pair<std::array<const char*, 5>, std::string>> cases = {
      {{"CC", "SL", "GL", "ZON", "OW"}, "10-20:5/7/9/4 "},
      {{"CC", "NONE", "GL", "ZON", "OW"}, "10-20:5/0/0/4 "},  // no screenline: no location either
      {{"CC", "none", "GLX", "ZON", "OW"}, "10-20:5/0/0/4 "},
      {{"NONE", "SL", "GL", "NONEX", "OW"}, "10-20:0/7/9/0 "},
      {{"CC", "SL", "GL", "ZON", "NONE"}, "10-20:5/7/9/4 20-10:5/7/9/4 "},
  };
  for (const auto& [optional, entries] : cases) {
    Names names = kAllNames;
    for (std::size_t i = 0; i < 5; ++i) names[3 + i].assign(optional[i]);
    EXPECT_EQ(load(bytes, names).entries(), entries);
  }
}

TEST(AuxLinks, ANamedFieldThatIsMissingIsNamedInTheStop) {
  const std::string bytes = aux_file({{10, 20, 1}});
  struct Case {
    std::array<const char*, 8> names;
    std::string missing;
  };
  const Case cases[] = {
      {{"A", "B", "SEQ", "CCX", "SL", "GL", "ZZ", "OW"}, "CCX        "},     // ZZ is not examined
      {{"NONE", "B", "SEQ", "CC", "SL", "GL", "ZON", "OW"}, "NONE       "},  // required
      {{"A", "B", "SEQ", "CC", "SL", "NONE", "ZON", "OW"}, "NONE       "},   // required with SL
      {{"A", "B", "SEQ", "CC", "SL", "GL", "ZON", "ow"}, "ow         "},
  };
  for (const Case& c : cases) {
    Names names;
    for (std::size_t i = 0; i < 8; ++i) names[i].assign(c.names[i]);
    auto table = std::make_unique<AuxLinkTable>();
    ByteStream stream = ByteStream::from_memory(bytes, "AUX.DBF");
    try {
      read_aux_links(stream, names, *table, nullptr);
      ADD_FAILURE() << "no stop";
    } catch (const AuxFieldNotFound& missing) {
      EXPECT_EQ(missing.name().view(), c.missing);
    }
  }
}

TEST(AuxLinks, LimitsStopWithTheirConsoleLine) {
  auto error_of = [](const std::string& bytes) {
    try {
      load(bytes);
    } catch (const FileError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  std::vector<fixtures::DbfFieldDef> wide = kFields;
  wide[0].length = 100;
  fixtures::DbfOptions zero_length;
  zero_length.record_length = 0;
  const std::pair<std::string, std::string> cases[] = {
      {aux_file({{10, 20, 1}, {10, 20, 1024}}),
       " AUX.DBF, record 2 (field SEQ, bytes 16-20): sequence number 1024 is beyond the limit of 1023"},
      {aux_file({{10, 20, -1024}}),
       " AUX.DBF, record 1 (field SEQ, bytes 16-20): sequence number -1024 is beyond the limit of 1023"},
      {aux_file({{2097152, 20, 1}}),
       " AUX.DBF, record 1 (field A, bytes 2-8): node number 2097152 is outside 0 to 2097151, the limit of the "
       "auxiliary link table"},
      {aux_file({{-1, 20, 1}}),
       " AUX.DBF, record 1 (field A, bytes 2-8): node number -1 is outside 0 to 2097151, the limit of the auxiliary "
       "link table"},
      {aux_file({{10, -5, 1}}),
       " AUX.DBF, record 1 (field B, bytes 9-15): node number -5 is outside 0 to 2097151, the limit of the auxiliary "
       "link table"},
      {aux_file({{10, 20, "1.5"}}),
       " AUX.DBF, record 1 (field SEQ, bytes 16-20): expected an integer, found \"  1.5\""},
      {DbfTable(wide).bytes(), " AUX.DBF, byte offset 32 (field A): a width of 100 bytes is more than the limit of 99"},
      {DbfTable(kFields, zero_length).bytes(),
       " AUX.DBF, byte offset 10 (record length): 0 bytes; a record holds at least its deletion flag"},
  };
  for (const auto& [bytes, message] : cases) EXPECT_EQ(error_of(bytes), message);
}

TEST(AuxLinks, TheTableHoldsTwoHundredThousandEntries) {
  const std::vector<fixtures::DbfFieldDef> fields = {{"A", 'N', 7}, {"B", 'N', 7}, {"SEQ", 'N', 1}};
  Names names = kAllNames;
  for (std::size_t i = 3; i < 8; ++i) names[i].assign("NONE");
  DbfTable table(fields);
  for (int i = 1; i <= 100'000; ++i) table.add({i, i + 100'000, 0});
  const Loaded full = load(table.bytes(), names);
  EXPECT_EQ(full.table->count, 200'000);
  EXPECT_EQ((*full.table)[1].anode, 1);
  EXPECT_EQ((*full.table)[200'000].bnode, 100'000);

  table.add({7, 8, 0});
  try {
    load(table.bytes(), names);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), " AUX.DBF, record 100001: more than 200000 entries, the limit of the auxiliary link table");
  }
}

TEST(AuxLinks, EmptyFileGivesNoEntries) { EXPECT_EQ(load(aux_file({})).table->count, 0); }

TEST(AuxLinks, SortMatchesAReferenceSort) {
  auto table = std::make_unique<AuxLinkTable>();
  std::mt19937 random(7);
  std::vector<AuxLinkEntry> reference;
  for (std::int32_t i = 1; i <= 5000; ++i) {
    // Distinct keys, so that the order is fixed; the value columns follow.
    const AuxLinkEntry e{static_cast<std::int32_t>(random() % 300),
                         static_cast<std::int32_t>(random() % 1000) * 1024 + i % 1024,
                         i,
                         0,
                         0,
                         0};
    if (std::any_of(reference.begin(), reference.end(),
                    [&](const AuxLinkEntry& r) { return r.anode == e.anode && r.bnode == e.bnode; })) {
      continue;
    }
    reference.push_back(e);
    (*table)[++table->count] = e;
  }
  sort_aux_links(*table);
  std::sort(reference.begin(), reference.end(), [](const AuxLinkEntry& a, const AuxLinkEntry& b) {
    return a.anode < b.anode || (a.anode == b.anode && a.bnode < b.bnode);
  });
  ASSERT_EQ(static_cast<std::size_t>(table->count), reference.size());
  for (std::size_t i = 0; i < reference.size(); ++i) {
    ASSERT_EQ((*table)[static_cast<std::int32_t>(i + 1)].construct, reference[i].construct) << i;
  }
}

TEST(AuxLinks, EqualKeysKeepTheShellSortOrder) {
  // Same pair and sequence twice: the gap-2 pass moves the second record
  // ahead of the first, so its construction code wins the merge.
  const Loaded l = load(aux_file({{10, 20, 1, 1, 0, 0, 0, "F"},
                                  {10, 20, 1, 2, 0, 0, 0, "F"},
                                  {5, 6, 0, 0, 0, 0, 0, "F"},
                                  {30, 40, 0, 0, 0, 0, 0, "F"}}));
  EXPECT_EQ(l.entries(), "5-6:0/0/0/0 10-20:2/0/0/0 30-40:0/0/0/0 ");
}

}  // namespace
}  // namespace korvo
