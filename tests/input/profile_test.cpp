#include "input/profile.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace korvo {
namespace {

struct Pass1 {
  RunSettings settings;
  int ascii_files_created = 0;
};

Pass1 pass1(const std::string& text) {
  Pass1 result;
  TextReader profile = TextReader::from_memory(text, "PROFILE.MAS");
  read_profile_pass1(profile, result.settings, [&result] { ++result.ascii_files_created; });
  return result;
}

std::string pass1_error(const std::string& text) {
  try {
    pass1(text);
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ProfileTest, AnEmptyProfileLeavesEveryDefault) {
  const Pass1 p = pass1("");
  const RunSettings defaults;
  EXPECT_FALSE(p.settings.profile_seen);
  EXPECT_TRUE(p.settings.validate_mode);
  EXPECT_FALSE(p.settings.analysis_mode);
  EXPECT_FALSE(p.settings.gencost);
  EXPECT_FALSE(p.settings.use_counts);
  EXPECT_FALSE(p.settings.ascii_output);
  EXPECT_FALSE(p.settings.two_way_output);
  EXPECT_EQ(p.settings.volume_slots, 0);
  EXPECT_EQ(p.settings.dbf_file_name.view(), defaults.dbf_file_name.view());
  EXPECT_EQ(p.settings.dbf_file_name.trimmed(), "NONE");
  EXPECT_EQ(p.settings.location_select, -99);
  EXPECT_TRUE(p.settings.csv_output);
  EXPECT_FALSE(p.settings.link_csv);
  EXPECT_TRUE(p.settings.html_output);
  for (const auto& name : p.settings.aux_field_names) EXPECT_EQ(name.trimmed(), "NONE");
  EXPECT_EQ(p.ascii_files_created, 0);
}

TEST(ProfileTest, SwitchesTakeYOrYOnlyInColumnOne) {
  struct Case {
    std::string value;
    bool expected;
  };
  const std::vector<Case> cases = {{"Y", true},   {"y", true}, {"YES", true}, {"N", false},
                                   {" Y", false}, {"", false}, {"T", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(pass1(" GENCOST\n" + c.value + "\n").settings.gencost, c.expected) << '"' << c.value << '"';
    EXPECT_EQ(pass1(" COUNTS\n" + c.value + "\n").settings.use_counts, c.expected) << '"' << c.value << '"';
    EXPECT_EQ(pass1(" TWOWAY\n" + c.value + "\n").settings.two_way_output, c.expected) << '"' << c.value << '"';
  }
}

TEST(ProfileTest, RunModeFollowsTheLaterKeyword) {
  struct Case {
    std::string profile;
    bool validate;
  };
  const std::vector<Case> cases = {
      {" VALIDATE\nN\n", false},
      {" ANALYSIS\nN\n", true},
      {" ANALYSIS\nY\n", false},
      {" VALIDATE\nY\n ANALYSIS\nY\n", false},
      {" ANALYSIS\nY\n VALIDATE\nY\n", true},
      {" VALIDATION\nN\n", false},  // compared over six characters
  };
  for (const auto& c : cases) {
    const Pass1 p = pass1(c.profile);
    EXPECT_EQ(p.settings.validate_mode, c.validate) << c.profile;
    EXPECT_EQ(p.settings.analysis_mode, !c.validate) << c.profile;
    EXPECT_TRUE(p.settings.profile_seen);
  }
}

TEST(ProfileTest, KeywordsMatchOverTheirOwnWidth) {
  // GENCOST is compared over all eleven columns: GENCOSTS does not match.
  EXPECT_FALSE(pass1(" GENCOSTS\nY\n").settings.gencost);
  // ASCII is compared over five: ASCIIFILE in columns 2-10 matches.
  const Pass1 ascii = pass1(" ASCIIFILE\nY\n");
  EXPECT_TRUE(ascii.settings.ascii_output);
  EXPECT_EQ(ascii.ascii_files_created, 1);
  // A keyword from column 1 is read from its second letter and matches nothing.
  EXPECT_FALSE(pass1("GENCOST\nY\n").settings.gencost);
  EXPECT_FALSE(pass1("COUNTS\nY\n").settings.use_counts);
  // Letter case matters.
  EXPECT_FALSE(pass1(" gencost\nY\n").settings.gencost);
  // Columns beyond 12 are not part of the keyword.
  EXPECT_TRUE(pass1(" GENCOST    remark\nY\n").settings.gencost);
}

TEST(ProfileTest, OutputKeywordsAreSwitchesComparedOverElevenColumns) {
  struct Case {
    std::string profile;
    bool csv;
    bool links;
    bool html;
  };
  const std::vector<Case> cases = {
      {" CSVOUT\nN\n", false, false, true},
      {" CSVOUT\nY\n", true, false, true},
      {" LINKCSV\ny\n", true, true, true},
      {" HTMLOUT\nNO\n", true, false, false},
      {" CSVOUT\nN\n LINKCSV\nY\n HTMLOUT\nN\n", false, true, false},
      {" LINKCSV\nY\n LINKCSV\nN\n", true, false, true},  // the later record holds
      {" CSVOUTPUT\nN\n", true, false, true},             // not the keyword: eleven columns
      {" LINKCS\nY\n", true, false, true},
      {"CSVOUT\nN\n", true, false, true},               // from column 1: no keyword
      {" CSVOUT     remark\nN\n", false, false, true},  // beyond column 12: not compared
  };
  for (const auto& c : cases) {
    const RunSettings s = pass1(c.profile).settings;
    EXPECT_EQ(s.csv_output, c.csv) << c.profile;
    EXPECT_EQ(s.link_csv, c.links) << c.profile;
    EXPECT_EQ(s.html_output, c.html) << c.profile;
  }
  // A keyword's value record is its own: "GENCOST" there is not read as a keyword.
  EXPECT_FALSE(pass1(" CSVOUT\n GENCOST\nY\n").settings.gencost);
}

TEST(ProfileTest, AsciiCreatesTheFileEachTimeItIsTurnedOn) {
  const Pass1 p = pass1(" ASCII\nY\n ASCII\nN\n ASCII\ny\n");
  EXPECT_EQ(p.ascii_files_created, 2);
  EXPECT_TRUE(p.settings.ascii_output);
}

TEST(ProfileTest, DbfNamesShareOneSettingAndSetTheirOwnFlags) {
  const Pass1 a = pass1(" VOLNAUXDBF\nnone\n KORVODBF\nLOADED05A.DBF\n");
  EXPECT_FALSE(a.settings.aux_dbf_given);
  EXPECT_TRUE(a.settings.dbf_input_given);
  EXPECT_EQ(a.settings.dbf_file_name.trimmed(), "LOADED05A.DBF");
  EXPECT_EQ(a.settings.dbf_file_name.view().size(), 80u);

  const Pass1 b = pass1(" KORVODBF\nLINKS.DBF\n VOLNAUXDBF\nAUX.DBF\n");
  EXPECT_TRUE(b.settings.aux_dbf_given);
  EXPECT_TRUE(b.settings.dbf_input_given);
  EXPECT_EQ(b.settings.dbf_file_name.trimmed(), "AUX.DBF");

  // Only "none" and "NONE" padded with blanks count as no file.
  EXPECT_TRUE(pass1(" KORVODBF\nNone\n").settings.dbf_input_given);
  EXPECT_TRUE(pass1(" KORVODBF\n NONE\n").settings.dbf_input_given);
  EXPECT_FALSE(pass1(" KORVODBF\nNONE\n").settings.dbf_input_given);
}

TEST(ProfileTest, AuxFieldNamesAreColumnsOneToEleven) {
  const Pass1 p = pass1(
      " DBFANODE\nA_NODE\n DBFBNODE\nB_NODE\n DBFSEQ\nSEQ\n DBFCC\nCONSTRUCTIONCODE\n DBFSL\nSL\n"
      " DBFGL\nGL\n DBFZON\nZONE\n DBFONEWAY\nONEWAY\n");
  const std::vector<std::string> expected = {"A_NODE", "B_NODE", "SEQ", "CONSTRUCTIO", "SL", "GL", "ZONE", "ONEWAY"};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(p.settings.aux_field_names[i].trimmed(), expected[i]);
  }
}

// "NONE" in the first four characters, in either of its two spellings, names
// no field; anything else names one.
TEST(ProfileTest, AFieldNameStartingWithNoneNamesNoField) {
  const std::pair<const char*, bool> cases[] = {{"NONE", false}, {"none", false}, {"NONESUCH", false}, {"SCREEN", true},
                                                {"None", true},  {"SL", true},    {" NONE", true}};
  for (const auto& [name, named] : cases) EXPECT_EQ(names_a_field(FixedText<11>(name)), named) << name;
}

TEST(ProfileTest, VolumeSlotsAreReadInFreeFormat) {
  struct Case {
    std::string value_records;
    int expected;
  };
  const std::vector<Case> cases = {{"3\n", 3},   {"   12  remark\n", 12}, {"4,5\n", 4},
                                   {"-2\n", -2}, {"\n\n  7\n", 7},        {"+6\n", 6}};
  for (const auto& c : cases) {
    EXPECT_EQ(pass1(" KORVOL\n" + c.value_records).settings.volume_slots, c.expected) << c.value_records;
  }
}

TEST(ProfileTest, BadValuesStopWithALineNamingTheFileAndLine) {
  struct Case {
    std::string profile;
    std::string line;
  };
  const std::vector<Case> cases = {
      {" COUNTS\nY\n GENCOST",
       " PROFILE.MAS, line 4 (value of GENCOST): expected the value record after the keyword, found the end of "
       "the file"},
      {" KORVOL\n12.5\n", " PROFILE.MAS, line 2 (value of KORVOL): expected an integer, found \"12.5\""},
      {" KORVOL\nabc\n", " PROFILE.MAS, line 2 (value of KORVOL): expected an integer, found \"abc\""},
      {" KORVOL\n40000\n",
       " PROFILE.MAS, line 2 (value of KORVOL): expected an integer from -32768 to 32767, found \"40000\""},
      {" KORVOL\n\n\n",
       " PROFILE.MAS, line 4 (value of KORVOL): expected the value record after the keyword, found the end of "
       "the file"},
  };
  for (const auto& c : cases) EXPECT_EQ(pass1_error(c.profile), c.line) << c.profile;
}

TEST(ProfileTest, PassTwoReadsLocationSelectionAndTitle) {
  struct Case {
    std::string profile;
    int location;
    bool title_given;
    std::string title;
  };
  const std::vector<Case> cases = {
      {"", -99, false, ""},
      {" GLS\n12\n", 12, false, ""},
      {" GLS\n0\n", 0, false, ""},
      {" GLS\n-5\n", -5, false, ""},
      {" GLSELECT\n  3\n", 3, false, ""},
      {" GLT\nA TITLE FOR THE RUN\n", -99, true, "A TITLE FOR THE RUN"},
      {" GENCOST\nY\n GLT\nTITLE\n GLS\n4\n", 4, true, "TITLE"},
  };
  for (const auto& c : cases) {
    RunSettings settings;
    FixedText<80> title;
    TextReader profile = TextReader::from_memory(c.profile, "PROFILE.MAS");
    EXPECT_EQ(read_profile_pass2(profile, settings, title), c.title_given) << c.profile;
    EXPECT_EQ(settings.location_select, c.location) << c.profile;
    EXPECT_EQ(title.trimmed(), c.title) << c.profile;
  }
}

TEST(ProfileTest, PassTwoStopsOnABadSelection) {
  RunSettings settings;
  FixedText<80> title;
  TextReader profile = TextReader::from_memory(" GLS\nTWELVE\n", "PROFILE.MAS");
  try {
    read_profile_pass2(profile, settings, title);
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), " PROFILE.MAS, line 2 (value of GLS): expected an integer, found \"TWELVE\"");
  }
}

TEST(ProfileTest, ValueRecordsOfUnknownKeywordsAreReadAsKeywords) {
  // The title after GLT is read as a keyword record by pass 1; " COUNTS" there
  // is taken as the keyword and the next record as its value.
  const Pass1 p = pass1(" GLT\n COUNTS\nY\n");
  EXPECT_TRUE(p.settings.use_counts);
}

}  // namespace
}  // namespace korvo
