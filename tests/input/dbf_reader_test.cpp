#include "input/dbf_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"
#include "common/wide_fields.h"
#include "dbf_writer.h"
#include "reports/dbf_listing.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using namespace std::string_literals;
using fixtures::DbfFieldDef;
using fixtures::DbfOptions;
using fixtures::DbfTable;
using fixtures::DbfValue;

// A link file in memory, read through the reader's own steps.
struct LinkFile {
  explicit LinkFile(std::string b, const LinkFieldMap& map = {}) : bytes(std::move(b)) {
    source->stream = ByteStream::from_memory(bytes, "NET05A.DBF");
    source->map = map;
  }
  void prepare() {
    read_link_file_header(*source, &header_listing);
    prepare_link_fields(*source, &report_listing);
  }
  bool next() { return read_next_dbf_link(*source, link) == LinkStatus::kLink; }
  std::string bytes;
  std::unique_ptr<DbfLinkSource> source = std::make_unique<DbfLinkSource>();
  StringSink listing;
  StringSink report;
  DbfHeaderListing header_listing{listing};
  DbfHeaderListing report_listing{report};
  LinkRecord link;
};

// One record of the standard link table with the values 1..20 in slot order.
std::vector<DbfValue> numbered_record() {
  std::vector<DbfValue> values;
  for (int v = 1; v <= 20; ++v) values.emplace_back(v == 20 ? 1 : v * 11);
  return values;
}

std::string error_of(LinkFile& f) {
  try {
    f.prepare();
    while (f.next()) {
    }
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

TEST(DbfHeaderListing, WritesHeaderAndOneLinePerField) {
  DbfTable table({{"ANODE", 'N', 7}, {"DISTANCE", 'N', 7, 2}, {"NAME", 'C', 10, 3}});
  table.options().year = 104;
  table.options().month = 6;
  table.options().day = 15;
  table.add({1, 1.5, "A"}).add({2, 2.5, "B"});
  LinkFile f(table.bytes());
  read_link_file_header(*f.source, &f.header_listing);
  EXPECT_EQ(f.listing.joined(),
            "\f Version > dBASEIII\n"
            " File Creation Date > 2004/ 6/15\n"
            " Number of Data Records =       2\n"
            " Number of Bytes in Header Record =  129\n"
            " Number of Bytes in Data Record =   25\n"
            " FIELD NO. =  1 -- NAME >ANODE       -- TYPE >N -- LENGTH =  7 -- DECIMALS =  0\n"
            " FIELD NO. =  2 -- NAME >DISTANCE    -- TYPE >N -- LENGTH =  7 -- DECIMALS =  2\n"
            " FIELD NO. =  3 -- NAME >NAME        -- TYPE >C -- LENGTH = 10 -- DECIMALS =  0\n"s);
  EXPECT_EQ(f.source->header.field_count, 3);
}

TEST(DbfHeaderListing, VersionLabelsDatesAndOverflow) {
  struct Case {
    std::uint8_t version, year, month;
    std::uint32_t announced;
    std::string first_line, date_line, count_line;
  };
  const Case cases[] = {
      {2, 98, 1, 0, "\f Version > dBASEII ", " File Creation Date >   98/ 1/ 4", " Number of Data Records =       0"},
      {4, 100, 12, 5, "\f Version > dBASEIV ", " File Creation Date > 2000/12/ 4", " Number of Data Records =       5"},
      {0x83, 126, 7, 99999999, "\f Version > dBASEIII", " File Creation Date > 2026/ 7/ 4",
       " Number of Data Records =99999999"},
      {0x30, 255, 100, 100000000, "\f Version > UNKNOWN ", " File Creation Date > 2155/**/ 4",
       " Number of Data Records =********"},
      {0xF5, 99, 0, 0, "\f Version > UNKNOWN ", " File Creation Date >   99/ 0/ 4",
       " Number of Data Records =       0"},
  };
  for (const Case& c : cases) {
    DbfOptions options{.version = c.version, .year = c.year, .month = c.month, .announced_records = c.announced};
    LinkFile f(DbfTable({}, options).bytes());
    read_link_file_header(*f.source, &f.header_listing);
    // A table without descriptors lists the five header lines only.
    ASSERT_EQ(f.listing.records.size(), 5u) << c.first_line;
    EXPECT_EQ(f.listing.records[0], c.first_line);
    EXPECT_EQ(f.listing.records[1], c.date_line);
    EXPECT_EQ(f.listing.records[2], c.count_line);
  }
}

TEST(DbfHeader, FieldCountFollowsTheHeaderLength) {
  // (header length - 2) / 32: 129 bytes hold 3 fields; one byte more reads
  // the terminator as a fourth field, and a header padded to the 4085-byte
  // limit reads its padding as fields up to 127.
  const std::vector<DbfFieldDef> three = {{"A", 'N', 1}, {"B", 'N', 1}, {"C", 'N', 1}};
  for (auto [length, fields] : {std::pair{129, 3}, {130, 4}, {161, 4}, {32, 0}, {33, 0}, {34, 1}, {4085, 127}}) {
    DbfOptions options;
    options.header_length = static_cast<std::uint16_t>(length);
    LinkFile f(DbfTable(three, options).bytes());
    read_link_file_header(*f.source, &f.header_listing);
    EXPECT_EQ(f.source->fields.count, fields) << length;
    EXPECT_EQ(f.listing.records.size(), 5u + static_cast<std::size_t>(fields)) << length;
  }
}

TEST(DbfHeader, LimitsStopWithTheirConsoleLine) {
  const std::vector<DbfFieldDef> two = {{"ANODE", 'N', 7}, {"DISTANCE", 'N', 7}};
  auto with = [&](auto change) {
    DbfOptions options;
    change(options);
    return DbfTable(two, options).bytes();
  };
  const std::string standard = DbfTable(two).bytes();
  struct Case {
    std::string bytes, message;
  };
  const Case cases[] = {
      {"", " NET05A.DBF, byte offset 0 (header): the file ends inside the 32 bytes of the header's fixed part"},
      {standard.substr(0, 20),
       " NET05A.DBF, byte offset 20 (header): the file ends inside the 32 bytes of the header's fixed part"},
      {standard.substr(0, 60), " NET05A.DBF, byte offset 60 (header): the file ends inside its header of 97 bytes"},
      {with([](DbfOptions& o) { o.header_length = 31; }),
       " NET05A.DBF, byte offset 8 (header length): 31 bytes is less than the 32 bytes of the header's fixed part"},
      {with([](DbfOptions& o) { o.header_length = 4086; }),
       " NET05A.DBF, byte offset 8 (header length): 4086 bytes is more than the limit of 4085 bytes"},
      {with([](DbfOptions& o) { o.record_length = 0; }),
       " NET05A.DBF, byte offset 10 (record length): 0 bytes; a record holds at least its deletion flag"},
      {with([](DbfOptions& o) { o.record_length = 4086; }),
       " NET05A.DBF, byte offset 10 (record length): 4086 bytes is more than the limit of 4085 bytes"},
      {with([](DbfOptions& o) { o.record_length = 14; }),
       " NET05A.DBF, byte offset 64 (field DISTANCE): bytes 9-15 run past the record length of 14"},
  };
  for (const Case& c : cases) {
    LinkFile f(c.bytes);
    EXPECT_EQ(error_of(f), c.message);
  }
  // The boundaries themselves are accepted.
  LinkFile at_limit(with([](DbfOptions& o) { o.record_length = 4085; }));
  EXPECT_NO_THROW(at_limit.prepare());
}

TEST(DbfFields, ConversionLayoutsAndPositions) {
  struct Case {
    DbfFieldDef def;
    std::string format;
    DbfConversion conversion;
    int decimals;
  };
  const Case cases[] = {
      {{"A", 'N', 5, 0}, "(I5)", DbfConversion::kInteger, 0},
      {{"B", 'N', 10, 2}, "(F10.2)", DbfConversion::kReal, 2},
      {{"C", 'F', 8, 0}, "(F8.0)", DbfConversion::kReal, 0},
      {{"D", 'F', 255, 255}, "(F255.255)", DbfConversion::kReal, 255},
      {{"E", 'C', 12, 2}, "(A)", DbfConversion::kText, 0},
      {{"F", 'L', 1, 0}, "(A)", DbfConversion::kText, 0},
      {{"G", 'N', 0, 0}, "(I0)", DbfConversion::kInvalid, 0},
  };
  std::vector<DbfFieldDef> defs;
  for (const Case& c : cases) defs.push_back(c.def);
  LinkFile f(DbfTable(defs).bytes());
  read_link_file_header(*f.source, nullptr);
  prepare_link_fields(*f.source, &f.report_listing);
  int start = 2;
  for (int k = 1; k <= 7; ++k) {
    const Case& c = cases[k - 1];
    const DbfField& field = f.source->fields[k];
    EXPECT_EQ(field.format.view(), pad_to(c.format, 10)) << k;
    EXPECT_EQ(field.conversion, c.conversion) << k;
    EXPECT_EQ(field.format_decimals, c.decimals) << k;
    EXPECT_EQ(field.start, start) << k;
    EXPECT_EQ(field.end, start + c.def.length - 1) << k;
    start += c.def.length;
  }
  // A numeric field of length 0 is refused once a keyword needs it.
  LinkFieldMap map;
  map.name[LinkKeyword::kAnode].assign("G");
  LinkFile g(DbfTable(defs).bytes(), map);
  EXPECT_EQ(error_of(g),
            " NET05A.DBF, byte offset 224 (field G, layout (I0)): a numeric field of length 0 cannot hold a value");
}

TEST(DbfFields, EachMissingKeywordGetsItsReportLine) {
  auto fields = fixtures::link_table_fields();
  fields[3].name = "DIRECTION";  // DIR
  fields[11].name = "zone";      // ZONE: letter case matters
  fields[12].name = "USE ";      // USE followed by a blank, not NUL
  LinkFile f(DbfTable(fields).bytes());
  f.prepare();
  EXPECT_EQ(f.report.joined(),
            " ***CRITICAL*** FIELD NAME > DIR         NOT FOUND ON THE DBF FILE\n"
            " ***CRITICAL*** FIELD NAME > ZONE        NOT FOUND ON THE DBF FILE\n"
            " ***CRITICAL*** FIELD NAME > USE         NOT FOUND ON THE DBF FILE\n");
  EXPECT_EQ(f.source->missing_field_count, 3);
  EXPECT_EQ(f.source->map.index[LinkKeyword::kDir], 0);
  EXPECT_EQ(f.source->map.index[LinkKeyword::kTwflag], 20);
}

TEST(DbfRecords, EveryKeywordReachesItsField) {
  LinkFile f(DbfTable(fixtures::link_table_fields()).add(numbered_record()).bytes());
  f.link.volume(2, 1) = 77;  // not supplied by the dBASE source
  f.link.link_group = 5;
  f.prepare();
  ASSERT_TRUE(f.next());
  const LinkRecord& l = f.link;
  const std::vector<std::int64_t> got = {
      l.anode,   l.bnode,     l.distance,        l.direction,    l.area_type, l.facility_type, l.lanes,
      l.time,    l.capacity,  l.count,           l.screenline,   l.zone,      l.use,           l.location,
      l.landuse, l.construct, l.period_times[1], l.volume(1, 1), l.cost,      l.time2};
  const std::vector<std::int64_t> expected = {11,  22,  33,  44,  55,  66,  77,  88,  99,  110,
                                              121, 132, 143, 154, 165, 176, 187, 198, 209, 88};
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(l.two_way);
  EXPECT_EQ(l.volume(2, 1), 77);
  EXPECT_EQ(l.link_group, 5);
}

TEST(DbfRecords, ValueRules) {
  struct Case {
    DbfFieldDef distance;  // the DISTANCE field
    double scale;
    std::string text;
    std::int16_t expected;
  };
  const Case cases[] = {
      {{"DISTANCE", 'N', 7, 2}, 1.0, "  12.34", 12},
      {{"DISTANCE", 'N', 7, 2}, 100.0, "  12.34", 1234},
      {{"DISTANCE", 'N', 7, 0}, 100.0, "   1234", 1234},  // no scale for integers
      {{"DISTANCE", 'N', 7, 2}, 1.0, "  -2.70", -2},      // integer part of -2.2
      {{"DISTANCE", 'N', 7, 2}, 1.0, "   2.50", 3},
      {{"DISTANCE", 'N', 7, 2}, 100.0, "   1234", 1234},  // no point: 12.34
      {{"DISTANCE", 'N', 7, 2}, 0.1, "  12.34", 1},
      {{"DISTANCE", 'F', 7, 0}, 1.0, "    2.5", 3},  // F with 0 decimals is real
      {{"DISTANCE", 'F', 9, 3}, 100.0, "1.234E+01", 1234},
      {{"DISTANCE", 'N', 7, 0}, 1.0, "  40000", -25536},  // low 16 bits
      {{"DISTANCE", 'N', 7, 2}, 100.0, " 400.00", -25536},
      {{"DISTANCE", 'N', 7, 0}, 1.0, "       ", 0},
      {{"DISTANCE", 'N', 7, 0}, 1.0, "    +12", 12},
      {{"DISTANCE", 'C', 7, 0}, 1.0, "1234   ", 1234},  // other types read as integers
      {{"DISTANCE", 'D', 8, 0}, 1.0, "   20040", 20040},
      {{"DISTANCE", 'L', 1, 0}, 1.0, "Y", 1},
      {{"DISTANCE", 'L', 3, 0}, 1.0, " t ", 1},
      {{"DISTANCE", 'L', 1, 0}, 1.0, "F", 0},
      {{"DISTANCE", 'L', 1, 0}, 1.0, "?", 0},
  };
  for (const Case& c : cases) {
    auto fields = fixtures::link_table_fields();
    fields[2] = c.distance;
    std::vector<std::string> texts(20, "1");
    texts[2] = c.text;
    LinkFieldMap map;
    map.scale[LinkKeyword::kDistance] = c.scale;
    LinkFile f(DbfTable(fields).add_raw(texts).bytes(), map);
    f.prepare();
    ASSERT_TRUE(f.next());
    EXPECT_EQ(f.link.distance, c.expected) << c.distance.type << " \"" << c.text << "\" scale " << c.scale;
  }
}

TEST(DbfRecords, AFieldOfNoBytesReadsZeroWhateverStandsBeforeIt) {
  // A character field of length 0 holds no text: it reads as blank, 0. The
  // digits of the field before it must not be taken for its value.
  auto fields = fixtures::link_table_fields();
  fields[2] = {"DISTANCE", 'C', 0, 0};
  std::vector<std::string> texts(20, "1");
  texts[1] = "      7";
  texts[2] = "";
  LinkFile f(DbfTable(fields).add_raw(texts).bytes());
  f.prepare();
  ASSERT_TRUE(f.next());
  EXPECT_EQ(f.link.bnode, 7);
  EXPECT_EQ(f.link.distance, 0);
}

TEST(DbfRecords, ControlFileAliasesReachTheReader) {
  // LENGTH holds miles with decimals; the control file points DISTANCE at it
  // with a scale of 100. An alias in lower case finds no field.
  const std::string control =
      "HEADING\nHEADING\nHEADING\n"
      "LINK ALIAS  1 DISTANCE    LENGTH       100.\n"
      "LINK ALIAS  1 BNODE       bnode\n";
  TextReader reader = TextReader::from_memory(control, "DATABASE.CTL");
  LinkFieldMap map;
  read_database_control(reader, map);
  auto fields = fixtures::link_table_fields();
  fields[2] = {"LENGTH", 'N', 7, 2};
  auto values = numbered_record();
  values[2] = 12.34;
  const std::string bytes = DbfTable(fields).add(values).bytes();
  LinkFile f(bytes, map);
  f.prepare();
  EXPECT_EQ(f.report.joined(), " ***CRITICAL*** FIELD NAME > bnode       NOT FOUND ON THE DBF FILE\n");
  map.name[LinkKeyword::kBnode].assign("BNODE");
  LinkFile g(bytes, map);
  g.prepare();
  ASSERT_TRUE(g.next());
  EXPECT_EQ(g.link.distance, 1234);
}

TEST(DbfRecords, TwoWayOnlyForOne) {
  struct Case {
    DbfFieldDef flag;
    std::string text;
    bool two_way;
  };
  const Case cases[] =
      {
          {{"TWFLAG", 'N', 1}, "1", true},       {{"TWFLAG", 'N', 1}, "2", false},
          {{"TWFLAG", 'N', 1}, "0", false},      {{"TWFLAG", 'N', 1}, " ", false},
          {{"TWFLAG", 'N', 2}, "-1", false},     {{"TWFLAG", 'N', 3, 1}, "1.0", true},
          {{"TWFLAG", 'N', 3, 1}, "1.4", true},  {{"TWFLAG", 'L', 1}, "T", true},
          {{"TWFLAG", 'L', 1}, "F", false},      {{"TWFLAG", 'C', 3}, "  1", true},
          {{"TWFLAG", 'N', 6}, " 65537", false},  // low 16 bits are 1, the value is not
      };
  for (const Case& c : cases) {
    auto fields = fixtures::link_table_fields();
    fields[19] = c.flag;
    std::vector<std::string> texts(20, "1");
    texts[19] = c.text;
    LinkFile f(DbfTable(fields).add_raw(texts).bytes());
    f.prepare();
    f.link.two_way = !c.two_way;
    ASSERT_TRUE(f.next());
    EXPECT_EQ(f.link.two_way, c.two_way) << c.flag.type << " \"" << c.text << "\"";
  }
}

TEST(DbfRecords, ReadsUntilTheBytesEndWhateverTheCount) {
  auto count_links = [](DbfTable& table) {
    LinkFile f(table.bytes());
    f.prepare();
    int n = 0;
    while (f.next()) ++n;
    return n;
  };
  const auto fields = fixtures::link_table_fields();
  DbfTable fewer(fields, DbfOptions{.announced_records = 1000});
  for (int i = 0; i < 998; ++i) fewer.add(numbered_record());
  EXPECT_EQ(count_links(fewer), 998);

  DbfTable more(fields, DbfOptions{.announced_records = 1});
  more.add(numbered_record()).add(numbered_record(), /*deleted=*/true).add(numbered_record());
  EXPECT_EQ(count_links(more), 3);

  // A trailing partial record and the end-of-file byte are no records.
  DbfTable partial(fields);
  partial.add(numbered_record()).append_bytes(" 12345");
  EXPECT_EQ(count_links(partial), 1);
  DbfTable no_end_byte(fields, DbfOptions{.end_of_file_byte = false});
  no_end_byte.add(numbered_record());
  EXPECT_EQ(count_links(no_end_byte), 1);
}

TEST(DbfRecords, ReadingAfterTheEndChangesNothing) {
  LinkFile f(DbfTable(fixtures::link_table_fields()).add(numbered_record()).bytes());
  f.prepare();
  ASSERT_TRUE(f.next());
  EXPECT_FALSE(f.next());
  const LinkRecord after = f.link;
  EXPECT_FALSE(f.next());
  EXPECT_EQ(f.link.anode, after.anode);
  EXPECT_EQ(f.link.two_way, after.two_way);
  EXPECT_EQ(f.link.volume(1, 1), after.volume(1, 1));
}

TEST(DbfRecords, TextThatIsNoNumberStopsTheRun) {
  struct Case {
    DbfFieldDef def;  // replaces the DISTANCE field
    double scale;
    std::string text, message;
  };
  const Case cases[] = {
      {{"DISTANCE", 'N', 7, 2},
       1.0,
       "12.3.4",
       " NET05A.DBF, record 2 (field DISTANCE, bytes 16-22): expected a number, found \"12.3.4 \""},
      {{"DISTANCE", 'N', 7, 0},
       1.0,
       "  12.5",
       " NET05A.DBF, record 2 (field DISTANCE, bytes 16-22): expected an integer, found \"  12.5 \""},
      {{"DISTANCE", 'N', 7, 0},
       1.0,
       "*******",
       " NET05A.DBF, record 2 (field DISTANCE, bytes 16-22): expected an integer, found \"*******\""},
      {{"DISTANCE", 'C', 7, 0},
       1.0,
       "MAIN",
       " NET05A.DBF, record 2 (field DISTANCE, bytes 16-22): expected an integer, found \"MAIN   \""},
      {{"DISTANCE", 'N', 11, 0},
       1.0,
       "99999999999",
       " NET05A.DBF, record 2 (field DISTANCE, bytes 16-26): expected an integer within -2147483648 to 2147483647, "
       "found \"99999999999\""},
      {{"DISTANCE", 'N', 9, 1},
       1000.0,
       "9999999.9",
       " NET05A.DBF, record 2 (field DISTANCE, bytes 16-24): expected a number whose scaled value lies within "
       "-2147483648 to 2147483647, found \"9999999.9\""},
  };
  for (const Case& c : cases) {
    auto fields = fixtures::link_table_fields();
    fields[2] = c.def;
    std::vector<std::string> good(20, "5");
    std::vector<std::string> bad = good;
    bad[0] = "9";
    bad[2] = c.text;
    LinkFieldMap map;
    map.scale[LinkKeyword::kDistance] = c.scale;
    LinkFile f(DbfTable(fields).add_raw(good).add_raw(bad).bytes(), map);
    EXPECT_EQ(error_of(f), c.message);
    EXPECT_EQ(f.link.anode, 5) << "a record that fails leaves the link as it was";
  }
}

TEST(DbfRecords, StreamsAFileLargerThanTheReadBuffer) {
  korvo::testing::TempDir dir;
  {
    fixtures::DbfFileWriter writer(dir.file("BIG.DBF"), fixtures::link_table_fields());
    auto values = numbered_record();
    for (int i = 1; i <= 6000; ++i) {  // 6000 records of 94 bytes
      values[0] = i;
      writer.add(values);
    }
    writer.close();
  }
  DbfLinkSource source;
  source.stream = ByteStream::open_file(dir.file("BIG.DBF"), "BIG.DBF");
  StringSink sink;
  DbfHeaderListing sink_listing(sink);
  read_link_file_header(source, nullptr);
  prepare_link_fields(source, &sink_listing);
  LinkRecord link;
  std::int64_t n = 0, sum = 0;
  while (read_next_dbf_link(source, link) == LinkStatus::kLink) {
    ++n;
    sum += link.anode;
    ASSERT_EQ(link.volume(1, 1), 198);
  }
  EXPECT_EQ(source.header.record_count, 6000u);
  EXPECT_EQ(n, 6000);
  EXPECT_EQ(sum, 6000 * 6001 / 2);
}

// ---- The record plan against the field-by-field conversion ------------------

// Every link value and the error (if any) of each record of a file, read
// with the record plan as prepared (its registers where the processor has
// them), with the plan's registers turned off, and with the plan cleared.
struct PathResult {
  std::vector<std::vector<std::int64_t>> links;
  std::string error = "no error";
};

enum class Path { kPlan, kPlanWithoutRegisters, kFieldByField };

PathResult read_with_plan(const std::string& bytes, const LinkFieldMap& map, Path path, bool& plan_usable,
                          std::uint64_t* at_once = nullptr) {
  LinkFile f(bytes, map);
  PathResult r;
  struct Count {
    std::uint64_t* out;
    const DbfLinkSource& source;
    ~Count() {
      if (out != nullptr) *out = source.records_at_once;
    }
  } count{at_once, *f.source};
  try {
    f.prepare();
    plan_usable = f.source->record_plan.usable;
    if (plan_usable) {
      EXPECT_EQ(f.source->record_plan.wide, wide::available()) << "a record plan within 128 bytes";
      EXPECT_EQ(f.source->record_plan.wide_conversion != nullptr, f.source->record_plan.wide);
    }
    if (path != Path::kPlan) f.source->record_plan.wide = false;
    if (path == Path::kFieldByField) f.source->record_plan.usable = false;
    while (f.next()) {
      const LinkRecord& l = f.link;
      r.links.push_back({l.anode,        l.bnode, l.distance, l.direction, l.area_type, l.facility_type,
                         l.lanes,        l.time,  l.time2,    l.capacity,  l.count,     l.screenline,
                         l.zone,         l.use,   l.location, l.landuse,   l.construct, l.period_times[1],
                         l.volume(1, 1), l.cost,  l.two_way});
    }
  } catch (const FileError& e) {
    r.error = e.what();
  }
  return r;
}

// The three paths over the same file, and what the first of them saw: whether
// the plan covers the file and how many records it converted at once.
struct ThreePaths {
  PathResult planned, narrow, plain;
  bool usable = false;
  std::uint64_t at_once = 0;
};

ThreePaths read_three_ways(const std::string& bytes, const LinkFieldMap& map) {
  ThreePaths r;
  r.planned = read_with_plan(bytes, map, Path::kPlan, r.usable, &r.at_once);
  bool unused = false;
  r.narrow = read_with_plan(bytes, map, Path::kPlanWithoutRegisters, unused);
  r.plain = read_with_plan(bytes, map, Path::kFieldByField, unused);
  return r;
}

// A record of the usual shape, every field the digit 3 right-justified: one
// the plan converts at once.
std::vector<std::string> usual_texts(const std::vector<DbfFieldDef>& fields) {
  std::vector<std::string> texts;
  for (const DbfFieldDef& field : fields)
    texts.push_back(std::string(static_cast<std::size_t>(field.length - 1), ' ') + "3");
  return texts;
}

TEST(DbfRecordPlan, GivesTheLinksOfTheFieldByFieldConversion) {
  // DISTANCE and CONG_TIME are real fields (N with decimals); DISTANCE is
  // scaled so that its widest values leave 32 bits.
  auto fields = fixtures::link_table_fields();
  fields[2] = {"DISTANCE", 'N', 7, 2};
  fields[16] = {"CONG_TIME", 'N', 8, 2};
  LinkFieldMap map;
  map.scale[LinkKeyword::kDistance] = 100000.0;
  map.scale[LinkKeyword::kCongTime] = 100.0;
  // One field of the middle record replaced at a time (so that one field
  // sending the record field by field cannot hide what another does): what
  // the plan converts itself, what sends a record field by field, and what
  // stops the run. ANODE has 7 bytes, DISTANCE 7 (real), MODELVOL 8.
  constexpr std::size_t kAnode = 0, kDistance = 2, kModelvol = 17;
  struct Case {
    std::size_t field;
    std::string text;
    bool error;
  };
  const Case cases[] = {
      {kAnode, "1234567", false},  // full-width fields
      {kModelvol, "12345678", false},
      {kDistance, "1234.56", false},
      {kDistance, "   1234", false},  // a real without its point
      {kAnode, "       ", false},     // all blank: 0
      {kDistance, "       ", false},
      {kModelvol, "00000099", false},  // leading zeros
      {kAnode, "     -5", false},      // signs: field by field
      {kDistance, "  -2.70", false},
      {kModelvol, "     + 3", false},
      {kAnode, "  1 2  ", false},  // inner and trailing blanks
      {kAnode, "12     ", false},
      {kModelvol, "1      2", false},
      {kDistance, "  1 2.5", false},
      {kDistance, " 1.2E+1", false},  // an exponent
      {kDistance, "9999999", true},   // scaled beyond 32 bits
      {kAnode, "     1A", true},      // a letter
      {kDistance, " 1.2.3 ", true},   // two points
      {kAnode, "    1.5", true},      // a point in an integer field
      {kModelvol, "\x01\x02\x03\x04\x05\x06\x07\x08", true},
  };
  const std::vector<std::string> good = usual_texts(fields);
  for (const Case& c : cases) {
    std::vector<std::string> texts = good;
    texts[c.field] = c.text;
    const std::string bytes = DbfTable(fields).add_raw(good).add_raw(texts).add_raw(good).bytes();
    const auto [planned, narrow, plain, usable, at_once] = read_three_ways(bytes, map);
    EXPECT_TRUE(usable) << "the standard link table is one the record plan covers";
    EXPECT_GE(at_once, 1u) << "the first record, right-justified digits, is converted at once";
    const std::string label = "field " + std::to_string(c.field) + " [" + c.text + "]";
    EXPECT_EQ(planned.links, plain.links) << label;
    EXPECT_EQ(planned.error, plain.error) << label;
    EXPECT_EQ(narrow.links, plain.links) << label;
    EXPECT_EQ(narrow.error, plain.error) << label;
    EXPECT_EQ(planned.error != "no error", c.error) << label << ": " << planned.error;
    EXPECT_EQ(planned.links.size(), c.error ? 1u : 3u) << label;
  }
}

// Real fields that the plan reads as a whole part and a fraction when their
// point stands where their decimals put it: for formats and scales around
// that case, records of every shape give the links and errors of the
// field-by-field conversion, and the usual shape is converted at once.
TEST(DbfRecordPlan, PointedRealsAsTheFieldByFieldConversion) {
  struct Format {
    int width;
    int decimals;
    double scale;
  };
  const Format formats[] = {{7, 2, 100.0}, {7, 2, 1e5},   {8, 2, 1e9}, {6, 1, 10.0}, {8, 7, 1e7},
                            {3, 2, 100.0}, {7, 3, 100.0}, {7, 2, 1.0}, {7, 2, 2.5},  {2, 1, 1e3}};
  std::mt19937 random(1607);
  for (const Format& format : formats) {
    const auto width = static_cast<std::size_t>(format.width);
    const auto decimals = static_cast<std::size_t>(format.decimals);
    auto digits = [&random](std::size_t n) {
      std::string text;
      for (std::size_t i = 0; i < n; ++i) text += static_cast<char>('0' + random() % 10);
      return text;
    };
    auto right = [width](const std::string& text) {
      return text.size() >= width ? text.substr(text.size() - width) : std::string(width - text.size(), ' ') + text;
    };
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) {
      const std::size_t whole = random() % (width - decimals);  // digits before the point
      const std::string fraction = digits(decimals);
      switch (i % 10) {
        case 0: texts.push_back(right("." + fraction)); break;                                  // no whole part
        case 1: texts.push_back(right(digits(width - decimals - 1) + "." + fraction)); break;   // full width
        case 2: texts.push_back(right(digits(whole) + "." + fraction.substr(1) + " ")); break;  // a trailing blank
        case 3: texts.push_back(right(digits(whole + 1))); break;                               // no point
        case 4: texts.push_back(right(digits(whole) + "." + fraction + "0").substr(0, width)); break;  // point moved
        case 5: texts.push_back(right("-" + digits(whole) + "." + fraction)); break;                   // a sign
        case 6: texts.push_back(right(digits(whole) + " ." + fraction)); break;  // a blank before the point
        default: texts.push_back(right(digits(whole) + "." + fraction)); break;  // the usual shape
      }
    }
    auto fields = fixtures::link_table_fields();
    fields[2] = {"DISTANCE", 'N', format.width, format.decimals};
    LinkFieldMap map;
    map.scale[LinkKeyword::kDistance] = format.scale;
    const std::vector<std::string> good = usual_texts(fields);
    const std::string label = "N" + std::to_string(format.width) + "." + std::to_string(format.decimals) +
                              " at scale " + std::to_string(format.scale);
    // Each text in a file of its own, after a usual record: an error ends a
    // file, and it must end both readings alike.
    std::uint64_t at_once_total = 0;
    for (const std::string& text : texts) {
      std::vector<std::string> record = good;
      record[2] = text;
      const std::string bytes = DbfTable(fields).add_raw(good).add_raw(record).bytes();
      const auto [planned, narrow, plain, usable, at_once] = read_three_ways(bytes, map);
      ASSERT_TRUE(usable) << label;
      ASSERT_EQ(planned.links, plain.links) << label << " [" << text << "]";
      ASSERT_EQ(planned.error, plain.error) << label << " [" << text << "]";
      ASSERT_EQ(narrow.links, plain.links) << label << " [" << text << "]";
      ASSERT_EQ(narrow.error, plain.error) << label << " [" << text << "]";
      at_once_total += at_once;
    }
    // The usual record of every file, and some of the others, at once.
    EXPECT_GT(at_once_total, texts.size()) << label;
  }
}

// Ten pointed real fields, more than the plan's registers take: the first
// ones come from the registers, the rest from the eight-byte conversion, and
// a record that has any of them written otherwise goes its own way. Every
// record gives the links of the other two paths.
TEST(DbfRecordPlan, MorePointedRealsThanTheRegistersHold) {
  auto fields = fixtures::link_table_fields();
  LinkFieldMap map;
  const std::size_t pointed[] = {0, 1, 2, 7, 8, 9, 11, 13, 16, 17};
  static_assert(std::size(pointed) > DbfRecordPlan::kWidePointed);
  for (const std::size_t k : pointed) {
    fields[k] = {fields[k].name, 'N', 7, 2};
    map.scale[static_cast<LinkKeyword>(k + 1)] = 100.0;
  }
  std::mt19937 random(2612);
  auto value = [&random]() {
    std::string text = std::to_string(random() % 10000) + "." + std::to_string(10 + random() % 90);
    return std::string(7 - text.size(), ' ') + text;
  };
  const char* const odd[] = {"  -1.25", "  12.5 ", "1 23.45", "   1234", "   0.00", "9999.99"};
  std::vector<std::vector<std::string>> records;
  for (int r = 0; r < 60; ++r) {
    std::vector<std::string> texts = usual_texts(fields);
    for (const std::size_t k : pointed) texts[k] = value();
    // Every third record has one field written otherwise, in turn.
    if (r % 3 == 0) texts[pointed[(r / 3) % std::size(pointed)]] = odd[(r / 3) % std::size(odd)];
    records.push_back(texts);
  }
  DbfTable table(fields);
  for (const auto& texts : records) table.add_raw(texts);
  const std::string bytes = table.bytes();
  const auto [planned, narrow, plain, usable, at_once] = read_three_ways(bytes, map);
  ASSERT_TRUE(usable);
  EXPECT_EQ(planned.error, "no error");
  ASSERT_EQ(planned.links.size(), records.size());
  EXPECT_EQ(planned.links, plain.links);
  EXPECT_EQ(narrow.links, plain.links);
  // The records written the usual way, at least, were converted at once.
  EXPECT_GE(at_once, 40u);
}

TEST(DbfRecordPlan, CoversOnlyNumbersOfUpToEightBytesNearTheRecordStart) {
  struct Case {
    const char* what;
    DbfFieldDef replaced;  // replaces field 11 (SCREENLINE)
    bool usable;
  };
  const Case cases[] = {
      {"a C field read as an integer", {"SCREENLINE", 'C', 3}, true},
      {"a field of 9 bytes", {"SCREENLINE", 'N', 9}, false},
      {"a logical field", {"SCREENLINE", 'L', 1}, false},
      {"a field of no bytes", {"SCREENLINE", 'C', 0}, false},
  };
  for (const Case& c : cases) {
    auto fields = fixtures::link_table_fields();
    fields[10] = c.replaced;
    LinkFile f(DbfTable(fields).bytes());
    f.prepare();
    EXPECT_EQ(f.source->record_plan.usable, c.usable) << c.what;
  }
  // A keyword field beyond the bytes one pass marks.
  auto fields = fixtures::link_table_fields();
  fields.insert(fields.begin(), DbfFieldDef{"NOTES", 'C', 250});
  LinkFile far(DbfTable(fields).bytes());
  far.prepare();
  EXPECT_FALSE(far.source->record_plan.usable);
  // A missing keyword leaves the others to the plan.
  fields = fixtures::link_table_fields();
  fields.pop_back();
  LinkFile missing(DbfTable(fields).bytes());
  missing.prepare();
  EXPECT_TRUE(missing.source->record_plan.usable);
}

}  // namespace
}  // namespace korvo

namespace korvo {
namespace {

TEST(DbfScaledValue, AgreesWithTruncatingTheRoundedProduct) {
  // The reference: round half up by trunc(x * scale + 0.5), kept when the
  // result lies within 32 bits.
  auto reference = [](double x, double scale, std::int32_t& out) {
    const double v = std::trunc(x * scale + 0.5);
    if (!(v >= -2147483648.0 && v <= 2147483647.0)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
  };
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  // Ties, hundredths, both ends of 32 bits and beyond, and no number.
  std::vector<std::pair<double, double>> cases = {
      {0.0, 1.0},           {0.5, 1.0},           {-0.5, 1.0},          {-0.6, 1.0},          {2.5, 1.0},
      {-2.5, 1.0},          {1.005, 100.0},       {0.381, 100.0},       {2147483647.0, 1.0},  {2147483647.4, 1.0},
      {2147483647.5, 1.0},  {2147483647.99, 1.0}, {-2147483648.0, 1.0}, {-2147483648.5, 1.0}, {-2147483649.4, 1.0},
      {-2147483649.5, 1.0}, {-2147483649.6, 1.0}, {1e300, 1e300},       {-1e300, 1e300},      {21474836.47, 100.0},
      {21474836.48, 100.0}, {kNaN, 1.0},          {kInf, 1.0},          {-kInf, 1.0},
  };
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> wide(-3e9, 3e9);
  for (int i = 0; i < 20000; ++i) cases.emplace_back(wide(random), 1.0);
  for (int i = 0; i < 20000; ++i) cases.emplace_back(std::floor(wide(random) / 1000) / 1000 + 0.0005, 1000.0);
  for (const auto& [x, scale] : cases) {
    std::int32_t want = 12345, got = 12345;
    const bool ok = reference(x, scale, want);
    EXPECT_EQ(scaled_value(x, scale, got), ok) << x << " x " << scale;
    EXPECT_EQ(got, want) << x << " x " << scale;
  }
}

// The integer path for a scale of 10^k against the double path it stands
// for, on every kind of field text the eight-byte conversion takes: widths
// 1..8, a written point anywhere or none (the field's decimals then), values
// up to eight digits (beyond 32 bits once scaled), under scales that are and
// are not powers of ten.
TEST(DbfScaledField, GivesWhatTheDoublePathGives) {
  std::mt19937_64 random(11);
  const double scales[] = {1.0, 10.0, 100.0, 1000.0, 1e6, 1e9, 1e10, 0.01, 2.5, 100.5, 3.0};
  int integer_path = 0;
  for (int i = 0; i < 400'000; ++i) {
    DbfSlotPlan plan;
    plan.width = 1 + static_cast<int>(random() % 8);
    plan.decimals = static_cast<int>(random() % 10);
    plan.scale = scales[random() % std::size(scales)];
    for (int k = 0; k <= 9; ++k) {
      if (plan.scale == std::pow(10.0, k)) plan.scale_power = k;
    }
    // Blanks, then digits, with a point among them or not; the 8 bytes
    // before the field are room the conversion may load.
    std::string text(static_cast<std::size_t>(plan.width), ' ');
    const int digits = 1 + static_cast<int>(random() % static_cast<unsigned>(plan.width));
    for (int d = plan.width - digits; d < plan.width; ++d) {
      text[static_cast<std::size_t>(d)] = static_cast<char>('0' + random() % 10);
    }
    if (random() % 2 == 0) {
      text[static_cast<std::size_t>(plan.width - 1 - static_cast<int>(random() % static_cast<unsigned>(digits)))] = '.';
    }
    const std::string room = "########" + text;
    const char* end = room.data() + room.size();

    double x = 0;
    std::int32_t want = -7;
    const bool ok = fast_real_field(end, plan.width, plan.decimals, x) && scaled_value(x, plan.scale, want);
    std::int32_t got = -7;
    ASSERT_EQ(fast_scaled_field(end, plan, got), ok) << "[" << text << "] x " << plan.scale;
    ASSERT_EQ(got, want) << "[" << text << "] decimals " << plan.decimals << " x " << plan.scale;
    std::uint64_t d = 0;
    int fraction = 0;
    if (ok && fast_real_digits(end, plan.width, plan.decimals, d, fraction) && fraction <= plan.scale_power) {
      ++integer_path;
    }
  }
  EXPECT_GT(integer_path, 50'000);  // the integer path was taken, often
}

}  // namespace
}  // namespace korvo
