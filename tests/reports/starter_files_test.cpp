// The starter files read back through the run's own readers: what a run
// makes of them is what the planner was told.
#include "reports/starter_files.h"

#include <gtest/gtest.h>

#include "common/fixed_read.h"
#include "common/text_file.h"
#include "input/database_control.h"
#include "input/profile.h"
#include "input/rates.h"
#include "reports/bundled_rates.h"
#include "support/golden.h"

namespace korvo {
namespace {

struct ProfileRead {
  RunSettings settings;
  FixedText<80> title;
  bool title_given = false;
  int ascii_files = 0;
};

ProfileRead read_profile(const std::string& text) {
  ProfileRead r;
  TextReader profile = TextReader::from_memory(text, "PROFILE.MAS");
  read_profile_pass1(profile, r.settings, [&r] { ++r.ascii_files; });
  profile.rewind();
  r.title.assign("OLD TITLE");
  r.title_given = read_profile_pass2(profile, r.settings, r.title);
  return r;
}

TEST(StarterProfile, ARunReadsTheDefaultsAndTheLinkFile) {
  for (const bool binary : {false, true}) {
    const std::string text = starter_profile_text(StarterProfile{binary, binary ? "HRLDXY.05A" : "LOADED05A.DBF"});
    const ProfileRead r = read_profile(text);
    const RunSettings defaults;
    EXPECT_TRUE(r.settings.profile_seen);
    EXPECT_TRUE(r.settings.validate_mode);
    EXPECT_FALSE(r.settings.analysis_mode);
    EXPECT_FALSE(r.settings.ascii_output);
    EXPECT_EQ(r.ascii_files, 0);
    EXPECT_FALSE(r.settings.use_counts);
    EXPECT_FALSE(r.settings.two_way_output);
    EXPECT_FALSE(r.settings.gencost);
    EXPECT_EQ(r.settings.volume_slots, defaults.volume_slots);
    EXPECT_FALSE(r.settings.aux_dbf_given);
    EXPECT_EQ(r.settings.dbf_input_given, !binary);
    EXPECT_EQ(r.settings.dbf_file_name.trimmed(), binary ? "NONE" : "LOADED05A.DBF");
    for (const auto& name : r.settings.aux_field_names) EXPECT_EQ(name.trimmed(), "NONE");
    EXPECT_LE(r.settings.location_select, 0);  // every link
    EXPECT_TRUE(r.title_given);
    EXPECT_TRUE(r.title.is_blank());
  }
}

TEST(StarterProfile, CommentLinesCannotBeTakenForKeywordsAndValuesFollowTheirKeywords) {
  const std::string text = starter_profile_text(StarterProfile{false, "LOADED05A.DBF"});
  const std::vector<std::string> lines = testing::split_lines(text);
  bool after_keyword = false;
  int keywords = 0;
  for (const std::string& line : lines) {
    if (after_keyword) {
      EXPECT_NE(line.rfind("*", 0), 0u) << "a comment as a value: " << line;
      after_keyword = false;
      continue;
    }
    if (line.size() > 1 && line[0] == ' ') {
      after_keyword = true;
      ++keywords;
      continue;
    }
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line[0], '*') << line;
    if (line.size() > 1) {
      EXPECT_EQ(line[1], ' ') << line;
    }
  }
  EXPECT_EQ(keywords, 11);
  for (const char* keyword : {" CSVOUT\nY\n", " LINKCSV\nN\n", " HTMLOUT\nY\n", " KORVODBF\nLOADED05A.DBF\n"}) {
    EXPECT_NE(text.find(keyword), std::string::npos) << keyword;
  }
  // On a dBASE network VOLNAUXDBF would rename the link file: only mentioned.
  EXPECT_EQ(text.find("\n VOLNAUXDBF"), std::string::npos);
  EXPECT_EQ(text.find("\n KORVOL"), std::string::npos);
}

TEST(StarterLabels, RecordsSitInTheirColumns) {
  LabelLine ft{FixedText<2>("FT"), 21, 2, 2, FixedText<8>("Div Art"), FixedText<40>("Divided Arterial")};
  LabelLine at{FixedText<2>("AT"), 5, 5, 5, FixedText<8>("   Rural"), FixedText<40>("Rural")};
  const std::vector<LabelLine> lines = {ft, at};
  const std::string text = starter_labels_text(lines);
  const auto records = testing::split_lines(text);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], std::string("LABEL FT 21  2  2 Div Art  Divided Arterial") + std::string(37, ' '));
  EXPECT_EQ(records[1].size(), 80u);
  EXPECT_EQ(columns(records[1], 7, 8), "AT");
  EXPECT_EQ(columns(records[1], 9, 11), "  5");
  EXPECT_EQ(columns(records[1], 19, 26), "   Rural");
  EXPECT_EQ(trim_right(columns(records[1], 28, 67)), "Rural");
}

TEST(StarterDatabaseControl, TheReaderAppliesEveryAliasAndFactor) {
  const std::vector<ControlEntry> entries = {
      {"ANODE: field A_NODE", "ANODE", "A_NODE", 0},
      {"BNODE: field BNODE, its own name", "BNODE", "", 0},
      {"DISTANCE: miles with decimals", "DISTANCE", "MILES", 100},
      {"TIME: field TIME, factor only", "TIME", "TIME", 100},
      {"DIR: stand-in", "DIR", "A_NODE", 0},
  };
  const std::string text = starter_database_control_text("LINKS.DBF", entries);
  TextReader control = TextReader::from_memory(text, "DATABASE.CTL");
  LinkFieldMap map;
  read_database_control(control, map);
  EXPECT_EQ(map.name[LinkKeyword::kAnode].trimmed(), "A_NODE");
  EXPECT_EQ(map.name[LinkKeyword::kBnode].trimmed(), "BNODE");
  EXPECT_EQ(map.name[LinkKeyword::kDistance].trimmed(), "MILES");
  EXPECT_EQ(map.scale[LinkKeyword::kDistance], 100.0);
  EXPECT_EQ(map.name[LinkKeyword::kTime].trimmed(), "TIME");
  EXPECT_EQ(map.scale[LinkKeyword::kTime], 100.0);
  EXPECT_EQ(map.name[LinkKeyword::kDir].trimmed(), "A_NODE");
  EXPECT_EQ(map.scale[LinkKeyword::kDir], 1.0);
  EXPECT_NE(text.find("LINK ALIAS 02 DISTANCE    MILES       100.000\n"), std::string::npos) << text;
}

TEST(BundledRates, SeventyFiveLinesThatTheRatesReaderTakes) {
  const std::string text = bundled_rates_text();
  EXPECT_EQ(testing::split_lines(text).size(), 75u);
  TextReader rates = TextReader::from_memory(text, "KVRATES.SYN");
  RateTables t;
  read_rate_tables(rates, t);
  EXPECT_FLOAT_EQ(t.accident[1], 1.10f);
  EXPECT_FLOAT_EQ(t.maintenance_cost[9][1], 81000.0f);
}

}  // namespace
}  // namespace korvo
