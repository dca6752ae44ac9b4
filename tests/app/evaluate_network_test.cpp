// Whole runs over small link files built in code: what the evaluation's
// preparation, the link loop and the reports make of a dBASE or binary
// network, seen in the files the run leaves.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "dbf_writer.h"
#include "network_writer.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

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
    " FIELD NO. =  1 -- NAME >ANODE       -- TYPE >N -- LENGTH =  7 -- DECIMALS =  0\n"s;

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
                       " FIELD NO. = 20 -- NAME >TWFLAG      -- TYPE >N -- LENGTH =  1 -- "
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
  EXPECT_EQ(result.console,
            " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\n"
            " ***WARNING*** NO LINK EVALUATED: THE DBF FILE LACKS 1 KEYWORD FIELD(S), LISTED IN KORVO.OUT\n"
            "KORVO -- Normal Completion\n");
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
    writer.add_link({.anode = 10,
                     .bnode = 20,
                     .capacity = 1000,
                     .time = 120,
                     .facility_type = 1,
                     .lanes = 2,
                     .distance = 100,
                     .area_type = 1,
                     .period_times = {140, 150},
                     .volumes = {100, 20, 5, 200, 30, 7}});
    writer.add_link({.anode = 30,
                     .bnode = 40,
                     .capacity = 800,
                     .time = 240,
                     .facility_type = 2,
                     .lanes = 1,
                     .distance = 200,
                     .area_type = 2,
                     .period_times = {0, 300},
                     .volumes = {0, 0, 0, 1, 0, 0}});
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
