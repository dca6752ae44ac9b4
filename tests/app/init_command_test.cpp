// "korvo init" through the whole program: a starter scenario for networks
// made by the generator (dBASE and binary, their own side files removed) and
// for a dBASE table written by GDAL with other field names and units. The run
// that follows must evaluate every link it should, and its report must equal
// the report of the same network run from a scenario written by hand.
#include "app/init_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "city_model.h"
#include "dbf_writer.h"
#include "scenario_generator.h"
#include "scenario_texts.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;
using fixtures::CityNetwork;
using fixtures::GeneratedLink;
using fixtures::ScenarioOptions;
using fixtures::ScenarioSource;
using testing::TempDir;

struct InitOutcome {
  int status;
  std::string out;
  std::string err;
};

InitOutcome init(const fs::path& dir, InitSource source, const fs::path& file) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = run_init(InitRequest{dir, source, file}, out, err);
  return {status, out.str(), err.str()};
}

bool init_text_has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

std::string record80(std::string text) {
  text.resize(80, ' ');
  return text + "\n";
}

// The labels a planner would write for the generated city from the README's
// naming: codes grouped by tens, 7x without a class.
std::string hand_written_city_labels() {
  return record80("LABEL FT 11  1  1 Freeway  Freeway") + record80("LABEL FT 21  2  2 Div Art  Divided Arterial") +
         record80("LABEL FT 31  3  3 Undv Art Undiv. Arterial") + record80("LABEL FT 41  4  4 Collectr Collector") +
         record80("LABEL FT 42  4  4 Collectr Collector") +
         record80("LABEL FT 51  0  0 Centroid Centroid Connector (never evaluated)") +
         record80("LABEL FT 61  6  6 One Way  One-way") +
         record80("LABEL FT 71  0  0 Unplaced Not placed: give it a class") +
         record80("LABEL AT  1  1  1      CBD CBD") + record80("LABEL AT  2  2  2   Fringe CBD Fringe") +
         record80("LABEL AT  3  3  3    Resid Residential") +
         record80("LABEL AT  4  4  4  Out CBD Outlying Business District") +
         record80("LABEL AT  5  5  5    Rural Rural");
}

// The sums of the links a run evaluates (neither connectors nor the private
// roads without a class), worked out from the generator's stream.
struct CitySums {
  double links = 0;
  double system_miles = 0;
  double vmt = 0;
  std::int64_t skipped = 0;
};

CitySums city_sums(const ScenarioOptions& options) {
  CitySums s;
  CityNetwork network(options);
  GeneratedLink l;
  while (network.next(l)) {
    if (l.facility_type == fixtures::kCentroidConnector) continue;
    if (l.facility_type == fixtures::kPrivateRoad) {
      ++s.skipped;
      continue;
    }
    const double w = l.two_way ? 0.5 : 1.0;
    s.links += w;
    s.system_miles += w * l.distance / 100.0;
    s.vmt += static_cast<double>(l.volume) * l.distance / 100.0;
  }
  return s;
}

void expect_city_evaluated(const std::string& report, const std::string& console, const CitySums& s) {
  EXPECT_TRUE(init_text_has(console, "KORVO -- Normal Completion")) << console;
  EXPECT_TRUE(init_text_has(console, std::to_string(s.skipped) + " LINKS SKIPPED")) << console;
  const auto links = testing::total_value(report, "TOTAL NUMBER OF LINKS");
  const auto miles = testing::total_value(report, "TOTAL SYSTEM MILES");
  const auto vmt = testing::total_value(report, "TOTAL VMT ALL LINKS");
  ASSERT_TRUE(links && miles && vmt);
  EXPECT_NEAR(*links, s.links, 0.5);
  EXPECT_NEAR(*miles, s.system_miles, 0.01 + 1e-5 * s.system_miles);
  EXPECT_NEAR(*vmt, s.vmt, 1 + 1e-5 * s.vmt);
}

void remove_files(const TempDir& dir, std::initializer_list<const char*> names) {
  for (const char* name : names) fs::remove(dir.file(name));
}

// Runs both directories and compares the reports and skip lists byte for
// byte (the runs share a fixed clock).
void expect_same_run(const TempDir& from_init, const TempDir& by_hand, const CitySums& sums) {
  const testing::RunResult a = testing::run_korvo(from_init);
  const testing::RunResult b = testing::run_korvo(by_hand);
  EXPECT_EQ(a.status, 0) << a.console;
  EXPECT_EQ(a.console, b.console);
  const std::string report = from_init.read("KORVO.OUT");
  EXPECT_EQ(testing::first_difference(by_hand.read("KORVO.OUT"), report), "");
  EXPECT_EQ(from_init.read("KVSKIP.LNK"), by_hand.read("KVSKIP.LNK"));
  expect_city_evaluated(report, a.console, sums);
}

TEST(KorvoInit, AGeneratedDbaseCityRunsAsFromAHandWrittenScenario) {
  ScenarioOptions options;
  options.links = 3'000;
  TempDir dir;
  fixtures::write_scenario(options, dir.path());
  remove_files(dir, {"PROFILE.MAS", "KVRATES.SYN", "KVLABELS.SYN", "DATABASE.CTL", "KVSCREEN.SYN", "TITLE"});

  const InitOutcome o = init(dir.path(), InitSource::kDbf, dir.file("NET26A.DBF"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  for (const char* file : {"PROFILE.MAS", "KVRATES.SYN", "KVLABELS.SYN", "DATABASE.CTL"}) {
    EXPECT_TRUE(init_text_has(o.out, std::string("wrote ") + file)) << file;
  }
  EXPECT_TRUE(init_text_has(o.out, "3,000 records"));
  EXPECT_TRUE(init_text_has(o.out, "Scenario code: 26A"));
  EXPECT_TRUE(init_text_has(o.out, "facility type 71 (4 records)"));
  EXPECT_TRUE(init_text_has(o.out, "korvo " + dir.path().string()));
  EXPECT_EQ(dir.read("KVLABELS.SYN"), hand_written_city_labels());

  TempDir hand;
  fs::copy_file(dir.file("NET26A.DBF"), hand.file("NET26A.DBF"));
  hand.write("PROFILE.MAS", " VALIDATE\nY\n KORVODBF\nNET26A.DBF\n");
  hand.write("KVRATES.SYN", fixtures::scenario_rates_file());
  hand.write("DATABASE.CTL", fixtures::scenario_database_control());
  hand.write("KVLABELS.SYN", hand_written_city_labels());
  expect_same_run(dir, hand, city_sums(options));
}

TEST(KorvoInit, AGeneratedBinaryCityRunsAsFromAHandWrittenScenario) {
  ScenarioOptions options;
  options.links = 3'000;
  options.source = ScenarioSource::kBinary;
  TempDir dir;
  fixtures::write_scenario(options, dir.path());
  remove_files(dir, {"PROFILE.MAS", "KVRATES.SYN", "KVLABELS.SYN", "VELMAR.CTL", "KVSCREEN.SYN", "TITLE"});

  const InitOutcome o = init(dir.path(), InitSource::kBinary, dir.file("HRLDXY.26A"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(init_text_has(o.out, "wrote VELMAR.CTL")) << o.out;
  EXPECT_TRUE(init_text_has(o.out, "3,000 links"));
  EXPECT_TRUE(init_text_has(o.out, "Scenario code: 26A"));
  EXPECT_FALSE(init_text_has(o.out, "no VOLNAUX.26A"));
  EXPECT_FALSE(dir.exists("DATABASE.CTL"));
  EXPECT_FALSE(init_text_has(dir.read("PROFILE.MAS"), "\n KORVODBF"));

  TempDir hand;
  for (const char* file : {"HRLDXY.26A", "VOLNAUX.26A"}) fs::copy_file(dir.file(file), hand.file(file));
  hand.write("PROFILE.MAS", " VALIDATE\nY\n");
  hand.write("VELMAR.CTL", " FILEO\n26A\n");
  hand.write("KVRATES.SYN", fixtures::scenario_rates_file());
  hand.write("KVLABELS.SYN", hand_written_city_labels());
  expect_same_run(dir, hand, city_sums(options));
}

// A link table's fields: ANODE to CAPACITY, then `more`.
std::vector<fixtures::DbfFieldDef> link_fields(const std::vector<fixtures::DbfFieldDef>& more) {
  std::vector<fixtures::DbfFieldDef> fields = {{"ANODE", 'N', 7}, {"BNODE", 'N', 7},   {"DISTANCE", 'N', 5},
                                               {"ATYPE", 'N', 3}, {"FTYPE", 'N', 3},   {"LANES", 'N', 2},
                                               {"TIME", 'N', 6},  {"CAPACITY", 'N', 7}};
  fields.insert(fields.end(), more.begin(), more.end());
  return fields;
}

bool ogr2ogr_present() { return ::access("/usr/bin/ogr2ogr", X_OK) == 0; }

// The city as a planner's table from another package: other field names,
// miles and minutes with decimals, volumes as reals, and a text field.
void write_other_table(const ScenarioOptions& options, const TempDir& dir) {
  std::string csv =
      "A_NODE,B_NODE,MILES,direction,AREATYPE,FACTYPE,NUM_LANES,T0,CAP,AADT,SCREEN,TAZ,LINKUSE,LOC,LU,CONST,"
      "CTIME,TOT_VOL,COST,TWOWAY,ROADNAME\n";
  CityNetwork network(options);
  GeneratedLink l;
  char row[512];
  while (network.next(l)) {
    std::snprintf(row, sizeof row, "%d,%d,%.2f,1,%d,%d,%d,%.2f,%d,%d,%d,%d,0,%d,%d,%d,%.2f,%d.0,%d,%d,Street %d\n",
                  l.anode, l.bnode, l.distance / 100.0, l.area_type, l.facility_type, l.lanes, l.time / 100.0,
                  l.capacity, l.count, l.screenline, l.zone, l.location, l.landuse, l.construct,
                  l.congested_time / 100.0, l.volume, l.cost, l.two_way ? 1 : 0, l.anode);
    csv += row;
  }
  dir.write("links.csv", csv);
  dir.write("links.csvt",
            "Integer(7),Integer(7),Real(8.3),Integer(1),Integer(2),Integer(2),Integer(2),Real(8.3),Integer(7),"
            "Integer(7),Integer(2),Integer(5),Integer(1),Integer(3),Integer(3),Integer(2),Real(8.3),Real(10.1),"
            "Integer(4),Integer(1),String(20)\n");
  const std::string command = "cd '" + dir.path().string() +
                              "' && ogr2ogr -f 'ESRI Shapefile' LINKS.DBF links.csv >/dev/null 2>&1 && rm links.csv "
                              "links.csvt";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST(KorvoInit, ATableWrittenByGdalWithOtherNamesAndUnitsRunsAsByHand) {
  if (!ogr2ogr_present()) GTEST_SKIP() << "ogr2ogr is not installed";
  ScenarioOptions options;
  options.links = 3'000;
  TempDir dir;
  write_other_table(options, dir);
  ASSERT_TRUE(dir.exists("LINKS.dbf"));  // GDAL writes the extension in lower case

  const InitOutcome o = init(dir.path(), InitSource::kDbf, dir.file("LINKS.dbf"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(init_text_has(o.out, "wrote DATABASE.CTL")) << o.out;
  EXPECT_TRUE(init_text_has(o.out, "Fields a run does not read: ROADNAME"));
  EXPECT_TRUE(init_text_has(o.out, "miles with decimals"));
  EXPECT_FALSE(init_text_has(o.out, "NOT MAPPED"));
  // The scenario code of LINKS.DBF, and how to get another.
  EXPECT_TRUE(init_text_has(o.out, "Scenario code: NKS"));
  EXPECT_TRUE(init_text_has(o.out, "rename the file so that the three characters before its first \".\" are the code"));

  TempDir hand;
  fs::copy_file(dir.file("LINKS.dbf"), hand.file("LINKS.dbf"));
  hand.write("PROFILE.MAS", " VALIDATE\nY\n KORVODBF\nLINKS.dbf\n");
  hand.write("KVRATES.SYN", fixtures::scenario_rates_file());
  hand.write("KVLABELS.SYN", hand_written_city_labels());
  hand.write("DATABASE.CTL",
             "FIELD NAMES OF THE PLANNING MODEL'S LINK TABLE\n\n\n"
             "LINK ALIAS 01 ANODE       A_NODE\n"
             "LINK ALIAS 02 BNODE       B_NODE\n"
             "LINK ALIAS 03 DISTANCE    MILES       100.000\n"
             "LINK ALIAS 04 DIR         direction\n"
             "LINK ALIAS 05 ATYPE       AREATYPE\n"
             "LINK ALIAS 06 FTYPE       FACTYPE\n"
             "LINK ALIAS 07 LANES       NUM_LANES\n"
             "LINK ALIAS 08 TIME        T0          100.000\n"
             "LINK ALIAS 09 CAPACITY    CAP\n"
             "LINK ALIAS 10 COUNT       AADT\n"
             "LINK ALIAS 11 SCREENLINE  SCREEN\n"
             "LINK ALIAS 12 ZONE        TAZ\n"
             "LINK ALIAS 13 USE         LINKUSE\n"
             "LINK ALIAS 14 LOCATION    LOC\n"
             "LINK ALIAS 15 LANDUSE     LU\n"
             "LINK ALIAS 16 CONSTRUCT   CONST\n"
             "LINK ALIAS 17 CONG_TIME   CTIME       100.000\n"
             "LINK ALIAS 18 MODELVOL    TOT_VOL\n"
             "LINK ALIAS 19 TWFLAG      TWOWAY\n");
  expect_same_run(dir, hand, city_sums(options));
}

TEST(KorvoInit, NeverOverwritesAndSaysWhatItKept) {
  ScenarioOptions options;
  options.links = 500;
  TempDir dir;
  fixtures::write_scenario(options, dir.path());
  remove_files(dir, {"KVRATES.SYN", "DATABASE.CTL"});
  const std::string labels = dir.read("KVLABELS.SYN");
  dir.write("PROFILE.MAS", " VALIDATE\nY\n KORVODBF\nOTHER.DBF\n");
  const fs::path sub = dir.file("scenario");

  // Into the file's own directory, where the profile and labels exist.
  const InitOutcome o = init(dir.path(), InitSource::kDbf, dir.file("NET26A.DBF"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(init_text_has(o.out, "kept  PROFILE.MAS")) << o.out;
  EXPECT_TRUE(init_text_has(o.out, "kept  KVLABELS.SYN"));
  EXPECT_TRUE(init_text_has(o.out, "wrote KVRATES.SYN"));
  EXPECT_TRUE(init_text_has(o.out, "wrote DATABASE.CTL"));
  EXPECT_TRUE(init_text_has(o.out, "the PROFILE.MAS kept names \"OTHER.DBF\", not \"NET26A.DBF\""));
  EXPECT_EQ(dir.read("PROFILE.MAS"), " VALIDATE\nY\n KORVODBF\nOTHER.DBF\n");
  EXPECT_EQ(dir.read("KVLABELS.SYN"), labels);

  // A second init keeps everything the first one wrote.
  const std::string control = dir.read("DATABASE.CTL");
  const InitOutcome again = init(dir.path(), InitSource::kDbf, dir.file("NET26A.DBF"));
  EXPECT_EQ(again.status, 0);
  EXPECT_FALSE(init_text_has(again.out, "wrote "));
  EXPECT_TRUE(init_text_has(again.out, "with it every keyword finds a field")) << again.out;
  EXPECT_EQ(dir.read("DATABASE.CTL"), control);

  // Into a new directory: made, and the profile names the file by its path.
  const InitOutcome other = init(sub, InitSource::kDbf, dir.file("NET26A.DBF"));
  ASSERT_EQ(other.status, 0) << other.err;
  EXPECT_TRUE(fs::is_directory(sub));
  EXPECT_TRUE(init_text_has(testing::read_file(sub / "PROFILE.MAS"), "\n" + dir.file("NET26A.DBF").string() + "\n"));
}

TEST(KorvoInit, ThePrintoutNamesWhatItCouldNotMap) {
  // No SCREENLINE, COST, DIR or ZONE; a text in the count field; codes that
  // have no class; miles as whole numbers.
  fixtures::DbfTable t(link_fields({{"COUNT", 'C', 7},
                                    {"USE", 'N', 1},
                                    {"LOCATION", 'N', 3},
                                    {"LANDUSE", 'N', 3},
                                    {"CONSTRUCT", 'N', 2},
                                    {"CONG_TIME", 'N', 6},
                                    {"MODELVOL", 'N', 7},
                                    {"TWFLAG", 'N', 1}}));
  t.add({1, 2, 1, 1, 11, 2, 150, 1800, "1200", 0, 0, 0, 0, 160, 1100, 0});
  t.add({2, 3, 2, 67, 72, 1, 250, 900, "n/a", 0, 0, 0, 0, 260, 700, 0});
  t.add({3, 4, 1, 2, 120, 1, 150, 900, "", 0, 0, 0, 0, 160, 300, 0});
  TempDir dir;
  t.write_file(dir.file("NT.DBF"));
  const InitOutcome o = init(dir.path(), InitSource::kDbf, dir.file("NT.DBF"));
  ASSERT_EQ(o.status, 0) << o.err;
  const char* expected[] = {
      "  SCREENLINE  -           NOT MAPPED: no field found",
      "  COST        -           NOT MAPPED: no field found",
      "not mapped: SCREENLINE, COST. A run needs all 20 keyword fields",
      "  DIR         ANODE       N 7     stand-in",
      "COUNT (field COUNT): 1 record holds text that is no number, the first record 2 (\"n/a\")",
      "DISTANCE (field DISTANCE): whole numbers averaging 1.33",
      "facility type 72 (1 record): codes 70-79 have no default class",
      "area types 67: no default name",
      "1 record with a facility type outside 1-99 (from 120 to 120)",
      "Scenario code: YYA",
      "fewer than three characters stand before the first \".\" of \"NT.DBF\"",
  };
  for (const char* line : expected) EXPECT_TRUE(init_text_has(o.out, line)) << line << "\n" << o.out;
  const std::string control = dir.read("DATABASE.CTL");
  EXPECT_TRUE(init_text_has(control, "LINK ALIAS 01 DIR         ANODE\n")) << control;
  EXPECT_TRUE(init_text_has(control, "* COST: NOT MAPPED")) << control;

  // The run agrees: it lists the same two fields as not found.
  const testing::RunResult run = testing::run_korvo(dir);
  const std::string report = dir.read("KORVO.OUT");
  EXPECT_TRUE(init_text_has(report, "FIELD NAME > SCREENLINE  NOT FOUND"));
  EXPECT_TRUE(init_text_has(report, "FIELD NAME > COST        NOT FOUND"));
  EXPECT_FALSE(init_text_has(report, "FIELD NAME > DIR"));
}

TEST(KorvoInit, ListsTheConnectorCodesItFinds) {
  struct Case {
    std::vector<int> facility_types;
    const char* line;  // empty: no connector line
  };
  const Case cases[] = {
      {{11, 21}, ""},
      {{11, 51}, "  facility type 51 is a centroid connector (50-59): never evaluated."},
      {{55, 11, 51, 59, 51}, "  facility types 51, 55, 59 are centroid connectors (50-59): never evaluated."},
  };
  for (const Case& c : cases) {
    fixtures::DbfTable t(link_fields({{"COUNT", 'N', 7}, {"CONG_TIME", 'N', 6}, {"MODELVOL", 'N', 7}}));
    int node = 1;
    for (int ft : c.facility_types) {
      t.add({node, node + 1, 1, 1, ft, 1, 150, 900, 0, 160, 300});
      ++node;
    }
    TempDir dir;
    t.write_file(dir.file("NET26A.DBF"));
    const InitOutcome o = init(dir.path(), InitSource::kDbf, dir.file("NET26A.DBF"));
    ASSERT_EQ(o.status, 0) << o.err;
    if (*c.line == '\0') {
      EXPECT_FALSE(init_text_has(o.out, "centroid connector")) << o.out;
    } else {
      EXPECT_TRUE(init_text_has(o.out, std::string(c.line) + "\n")) << c.line << "\n" << o.out;
    }
  }
}

TEST(KorvoInit, StopsWithStatus2WhenItCannotDoWhatIsAsked) {
  TempDir dir;
  dir.write("HRLDXY.05A", "x");
  dir.write("network.bin", "x");
  dir.write("AFILE", "x");
  fixtures::DbfTable table({{"FTYPE", 'N', 3}});
  table.add({11});
  table.write_file(dir.file("T.DBF"));
  fs::create_directory(dir.file("sub"));
  struct Case {
    const char* what;
    fs::path directory;
    InitSource source;
    fs::path file;
    const char* message;
  };
  const Case cases[] = {
      {"no such table", dir.path(), InitSource::kDbf, dir.file("MISSING.DBF"), "MISSING.DBF: not found"},
      {"not a dBASE table", dir.path(), InitSource::kDbf, dir.file("AFILE"), "AFILE"},
      {"DIR is a file", dir.file("AFILE"), InitSource::kDbf, dir.file("T.DBF"), "exists and is not a directory"},
      {"binary name", dir.path(), InitSource::kBinary, dir.file("network.bin"), "by the name HRLDXY.xxx"},
      {"binary elsewhere", dir.file("sub"), InitSource::kBinary, dir.file("HRLDXY.05A"), "in its own directory"},
      {"binary unreadable", dir.path(), InitSource::kBinary, dir.file("HRLDXY.05A"), "HRLDXY.05A"},
  };
  for (const Case& c : cases) {
    const InitOutcome o = init(c.directory, c.source, c.file);
    EXPECT_EQ(o.status, 2) << c.what << "\n" << o.out;
    EXPECT_EQ(o.err.rfind("korvo init: ", 0), 0u) << c.what << ": " << o.err;
    EXPECT_TRUE(init_text_has(o.err, c.message)) << c.what << ": " << o.err;
  }
  EXPECT_FALSE(dir.exists("PROFILE.MAS"));
}

}  // namespace
}  // namespace korvo
