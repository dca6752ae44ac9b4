// Link files written by other programs: GDAL's ogr2ogr (from a CSV with a
// .csvt giving each column's type and width) and shapelib's dbfcreate and
// dbfadd. Every value read back is checked against what the writer was given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "common/errors.h"
#include "input/dbf_reader.h"
#include "reports/dbf_listing.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using namespace std::string_literals;

struct Column {
  const char* name;
  char type;  // N or C
  int width;
  int decimals;
};

// The 20 keywords; distances and congested times in miles and minutes with
// decimals (scaled by 100 on reading), volume and cost as reals, DIR as text.
constexpr Column kColumns[] = {
    {"ANODE", 'N', 7, 0},     {"BNODE", 'N', 7, 0},     {"DISTANCE", 'N', 7, 2},   {"DIR", 'C', 3, 0},
    {"ATYPE", 'N', 3, 0},     {"FTYPE", 'N', 3, 0},     {"LANES", 'N', 3, 0},      {"TIME", 'N', 6, 0},
    {"CAPACITY", 'N', 7, 0},  {"COUNT", 'N', 7, 0},     {"SCREENLINE", 'N', 3, 0}, {"ZONE", 'N', 5, 0},
    {"USE", 'N', 3, 0},       {"LOCATION", 'N', 5, 0},  {"LANDUSE", 'N', 3, 0},    {"CONSTRUCT", 'N', 3, 0},
    {"CONG_TIME", 'N', 7, 2}, {"MODELVOL", 'N', 10, 1}, {"COST", 'N', 6, 1},       {"TWFLAG", 'N', 1, 0},
};

struct ThirdPartyRow {
  std::array<const char*, 20> given;
  std::array<std::int64_t, 20> expected;  // in keyword order
};

const ThirdPartyRow kRows[] = {
    {{"101", "102", "12.34", "1", "3", "2", "2",    "250",     "1800", "12000",
      "5",   "17",  "0",     "4", "1", "0", "3.75", "10500.5", "-2.7", "1"},
     {101, 102, 1234, 1, 3, 2, 2, 250, 1800, 12000, 5, 17, 0, 4, 1, 0, 375, 10501, -2, 1}},
    {{"102", "101", "0.05", "2", "12", "99", "4",   "7",   "0",   "0",
      "0",   "0",   "3",    "0", "0",  "9",  "0.1", "0.4", "2.5", "0"},
     {102, 101, 5, 2, 12, 99, 4, 7, 0, 0, 0, 0, 3, 0, 0, 9, 10, 0, 3, 0}},
    // 400 miles are 40000 hundredths, which a 16-bit distance holds as its
    // low 16 bits.
    {{"2000000", "1",     "400.00", "-1",    "1", "1", "1",    "32767", "9999999", "-9999",
      "99",      "99999", "1",      "99999", "1", "1", "-1.5", "-12.5", "-0.4",    "2"},
     {2000000, 1, -25536, -1, 1, 1, 1, 32767, 9999999, -9999, 99, 99999, 1, 99999, 1, 1, -149, -12, 0, 0}},
};

std::array<std::int64_t, 20> slot_values(const LinkRecord& l) {
  return {l.anode, l.bnode,          l.distance, l.direction, l.area_type,       l.facility_type,
          l.lanes, l.time,           l.capacity, l.count,     l.screenline,      l.zone,
          l.use,   l.location,       l.landuse,  l.construct, l.period_times[1], l.volume(1, 1),
          l.cost,  l.two_way ? 1 : 0};
}

bool tool_present(const char* path) { return ::access(path, X_OK) == 0; }

void run(const korvo::testing::TempDir& dir, const std::string& command) {
  const std::string line = "cd '" + dir.path().string() + "' && " + command + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(line.c_str()), 0) << command;
}

struct ReadBack {
  StringSink listing;
  StringSink report;
  DbfHeaderListing header_listing{listing};
  DbfHeaderListing report_listing{report};
  std::vector<std::array<std::int64_t, 20>> links;
};

ReadBack read_back(const korvo::testing::TempDir& dir, const std::string& file) {
  ReadBack out;
  auto source = std::make_unique<DbfLinkSource>();
  source->stream = ByteStream::open_file(dir.file(file), file);
  source->map.scale[LinkKeyword::kDistance] = 100.0;
  source->map.scale[LinkKeyword::kCongTime] = 100.0;
  read_link_file_header(*source, &out.header_listing);
  prepare_link_fields(*source, &out.report_listing);
  LinkRecord link;
  while (read_next_dbf_link(*source, link) == LinkStatus::kLink) {
    out.links.push_back(slot_values(link));
  }
  return out;
}

void expect_rows(const ReadBack& back) {
  EXPECT_EQ(back.report.joined(), "");
  ASSERT_EQ(back.links.size(), std::size(kRows));
  for (std::size_t r = 0; r < std::size(kRows); ++r) {
    for (std::size_t s = 0; s < 20; ++s) {
      EXPECT_EQ(back.links[r][s], kRows[r].expected[s])
          << "row " << r + 1 << " " << kColumns[s].name << " given \"" << kRows[r].given[s] << "\"";
    }
  }
  // Listing: version, sizes and the descriptors as the writer declared them.
  ASSERT_EQ(back.listing.records.size(), 25u);
  EXPECT_EQ(back.listing.records[0], "\f Version > dBASEIII");
  EXPECT_EQ(back.listing.records[2], " Number of Data Records =       3");
  EXPECT_EQ(back.listing.records[3], " Number of Bytes in Header Record =  673");
  EXPECT_EQ(back.listing.records[4], " Number of Bytes in Data Record =  100");
  EXPECT_EQ(back.listing.records[5 + 2],
            " FIELD NO. =  3 -- NAME >DISTANCE    -- TYPE >N -- LENGTH =  7 -- DECIMALS =  2"s);
  EXPECT_EQ(back.listing.records[5 + 3],
            " FIELD NO. =  4 -- NAME >DIR         -- TYPE >C -- LENGTH =  3 -- DECIMALS =  0"s);
}

std::string csv_line(const std::array<const char*, 20>& cells) {
  std::string line;
  for (const char* cell : cells) line += (line.empty() ? "" : ",") + std::string(cell);
  return line + "\n";
}

TEST(DbfThirdParty, ReadsWhatOgr2ogrWrites) {
  if (!tool_present("/usr/bin/ogr2ogr")) GTEST_SKIP() << "ogr2ogr is not installed";
  korvo::testing::TempDir dir;
  std::array<const char*, 20> header{};
  std::string types;
  for (std::size_t s = 0; s < 20; ++s) {
    const Column& c = kColumns[s];
    header[s] = c.name;
    const std::string w = std::to_string(c.width);
    types += (s ? "," : "");
    types += c.type == 'C' ? "String(" + w + ")"
             : c.decimals  ? "Real(" + w + "." + std::to_string(c.decimals) + ")"
                           : "Integer(" + w + ")";
  }
  std::string csv = csv_line(header);
  for (const ThirdPartyRow& r : kRows) csv += csv_line(r.given);
  dir.write("links.csv", csv);
  dir.write("links.csvt", types + "\n");
  run(dir, "ogr2ogr -f 'ESRI Shapefile' links.dbf links.csv");
  expect_rows(read_back(dir, "links.dbf"));
}

TEST(DbfThirdParty, AnEmptyOgr2ogrCellStopsTheRunNamingItsField) {
  // GDAL stores an empty numeric cell as asterisks, which are no number.
  if (!tool_present("/usr/bin/ogr2ogr")) GTEST_SKIP() << "ogr2ogr is not installed";
  korvo::testing::TempDir dir;
  dir.write("links.csv", "ANODE,COUNT\n1,5\n2,\n");
  dir.write("links.csvt", "Integer(7),Integer(7)\n");
  run(dir, "ogr2ogr -f 'ESRI Shapefile' links.dbf links.csv");
  auto source = std::make_unique<DbfLinkSource>();
  source->stream = ByteStream::open_file(dir.file("links.dbf"), "links.dbf");
  source->map.name.fill(FixedText<11>("ANODE"));
  source->map.name[LinkKeyword::kCount].assign("COUNT");
  StringSink sink;
  DbfHeaderListing sink_listing(sink);
  read_link_file_header(*source, nullptr);
  prepare_link_fields(*source, &sink_listing);
  LinkRecord link;
  read_next_dbf_link(*source, link);
  EXPECT_EQ(link.count, 5);
  try {
    read_next_dbf_link(*source, link);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), " links.dbf, record 2 (field COUNT, bytes 9-15): expected an integer, found \"*******\"");
  }
}

TEST(DbfThirdParty, ReadsWhatShapelibWrites) {
  if (!tool_present("/usr/bin/dbfcreate") || !tool_present("/usr/bin/dbfadd")) {
    GTEST_SKIP() << "shapelib's dbfcreate and dbfadd are not installed";
  }
  korvo::testing::TempDir dir;
  std::string create = "dbfcreate links";
  for (const Column& c : kColumns) {
    create += c.type == 'C'
                  ? std::string(" -s ") + c.name + " " + std::to_string(c.width)
                  : std::string(" -n ") + c.name + " " + std::to_string(c.width) + " " + std::to_string(c.decimals);
  }
  run(dir, create);
  for (const ThirdPartyRow& r : kRows) {
    std::string add = "dbfadd links.dbf";
    for (const char* cell : r.given) add += std::string(" '") + cell + "'";
    run(dir, add);
  }
  const ReadBack back = read_back(dir, "links.dbf");
  expect_rows(back);
  // shapelib stamps its files 26 July 1995: the year byte 95 is listed as is.
  EXPECT_EQ(back.listing.records[1], " File Creation Date >   95/ 7/26");
}

}  // namespace
}  // namespace korvo
