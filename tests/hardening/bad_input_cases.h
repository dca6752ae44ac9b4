#pragma once
// The bad-input matrix: for every input file of a run, the file missing
// (where the run needs it), empty, cut short, binary garbage, an overlong
// line and numbers beyond the ranges the formats allow. Each case is a whole
// working directory and what the run must end in: its exit status, the last
// console lines exactly, and texts of the pages written before the stop that
// KORVO.OUT must still hold.
//
// Header only: the matrix test and the fuzz seed writer both include it.

#include <ostream>
#include <string>
#include <vector>

#include "hardening/scenarios.h"

namespace korvo::hardening {

struct BadInputCase {
  std::string name;
  Files files;
  std::string console_input;
  int status = 0;
  // The console's last lines, exactly (every line with its line end).
  std::string console_tail;
  // Texts KORVO.OUT must hold; none: KORVO.OUT must be empty.
  std::vector<std::string> report_has;
};

// Pages a run writes before it fails: the labels listing (labels step), the
// dBASE header listing (evaluation preparation), the run description page
// and the totals banner (the end of the reports).
inline const std::string kLabelsPage = "\"KVLABELS.SYN\" CONTENTS:";
inline const std::string kSelectionPage = " FACILITY TYPES SELECTED:";
inline const std::string kDbfListing = " Version > dBASEIII";
inline const std::string kDescriptionPage = " KORVO MODULE (Q7730518.DRIVER.SETUP.FORT(KORVO))";
inline const std::string kNoAuxFilePage = " NO AUXILIARY FILE AVAILABLE";
inline const std::string kTotalsPage = "TOTAL NUMBER OF LINKS";
inline const std::string kBinaryMemoryLine = " DATA ARRAY MEMORY REQUIREMENT --  103200 BYTES\n";

// Test output names a case by its name alone.
inline void PrintTo(const BadInputCase& c, std::ostream* out) { *out << c.name; }

inline Files with(Files files, const std::string& name, std::string bytes) {
  files[name] = std::move(bytes);
  return files;
}
inline Files without(Files files, const std::string& name) {
  files.erase(name);
  return files;
}
inline std::string padded(std::string text, std::size_t n) {
  text.resize(n, ' ');
  return text;
}

// The console of a run that completes: the memory line, the skipped-links
// lines when some link had no class, then the completion line.
inline const std::string kDbfMemoryLine = " DATA ARRAY MEMORY REQUIREMENT --   34400 BYTES\n";
inline const std::string kNormalEnd = "KORVO -- Normal Completion\n";
inline std::string skipped_lines(int n) {
  char count[8];
  std::snprintf(count, sizeof count, "%5d", n);
  return std::string(" ***INFO***") + count +
         " LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"\n"
         "                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED\n";
}
// The dBASE scenario completes with its one link of facility type 12 skipped.
inline const std::string kDbfCompleted = kDbfMemoryLine + skipped_lines(1) + kNormalEnd;
// A run that evaluates no link says why before its completion line.
inline const std::string kMissingFieldWarning =
    " ***WARNING*** NO LINK EVALUATED: THE DBF FILE LACKS 1 KEYWORD FIELD(S), LISTED IN KORVO.OUT\n";
// The scenario's 7 links without labels: 6 without a class, 1 connector.
inline const std::string kAllUnclassifiedWarning =
    " ***WARNING*** NO LINK EVALUATED: 7 LINKS READ, 6 UNCLASSIFIED (KVSKIP.LNK), 1 PASSED OVER (FACILITY TYPES "
    "50-59), 0 NOT SELECTED (LOCATION), 0 WITHOUT TIME OR COST\n";

inline std::vector<BadInputCase> profile_cases() {
  const Files base = dbf_scenario();
  const std::string profile = base.at("PROFILE.MAS");
  return {
      {"PROFILE.MAS missing",
       without(base, "PROFILE.MAS"),
       "",
       2,
       " PROFILE.MAS: not found: the run needs its profile in the working directory\n",
       {}},
      // No keyword: the binary network is the link source, and this
      // directory has none.
      {"PROFILE.MAS empty",
       with(base, "PROFILE.MAS", ""),
       "",
       2,
       " HRLDXY.XXX: cannot be opened for reading: No such file or directory\n",
       {}},
      {"PROFILE.MAS cut after a keyword",
       with(base, "PROFILE.MAS", " VALIDATE\nY\n KORVODBF\n"),
       "",
       2,
       " PROFILE.MAS, line 4 (value of KORVODBF): expected the value record after the keyword, found the end of "
       "the file\n",
       {}},
      {"PROFILE.MAS cut inside a file name",
       with(base, "PROFILE.MAS", cut(profile, 29)),
       "",
       1,
       " ***CRITICAL*** INPUT DBF FILE NOT FOUND >" + padded("LINKS05", 80) + "\nKORVO -- Abnormal Completion\n",
       {}},
      {"PROFILE.MAS binary garbage",
       with(base, "PROFILE.MAS", garbage(600)),
       "",
       2,
       " HRLDXY.XXX: cannot be opened for reading: No such file or directory\n",
       {}},
      // Only columns 1-80 of a file name and columns 2-12 of a keyword count.
      {"PROFILE.MAS overlong lines",
       with(base, "PROFILE.MAS",
            " VALIDATE" + std::string(3000, 'E') + "\nY\n KORVODBF\nLINKS05A.DBF" + std::string(6000, ' ') + "X\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kDescriptionPage}},
      {"PROFILE.MAS KORVOL beyond 16 bits",
       with(base, "PROFILE.MAS", profile + " KORVOL\n40000\n"),
       "",
       2,
       " PROFILE.MAS, line 14 (value of KORVOL): expected an integer from -32768 to 32767, found \"40000\"\n",
       {}},
      {"PROFILE.MAS GLS beyond 32 bits",
       with(base, "PROFILE.MAS", profile + " GLS\n  99999999999\n"),
       "",
       2,
       " PROFILE.MAS, line 14 (value of GLS): expected an integer from -2147483648 to 2147483647, found "
       "\"  99999999999\"\n",
       {kLabelsPage}},
      {"PROFILE.MAS GLS not a number",
       with(base, "PROFILE.MAS", profile + " GLS\nTWELVE\n"),
       "",
       2,
       " PROFILE.MAS, line 14 (value of GLS): expected an integer, found \"TWELVE\"\n",
       {kLabelsPage}},
  };
}

inline std::vector<BadInputCase> control_file_cases() {
  const Files base = binary_scenario();
  const std::string missing_network = " HRLDXY.XXX: cannot be opened for reading: No such file or directory\n";
  return {
      // Without a control file, or without its output key, the network keeps
      // the placeholder extension.
      {"VELMAR.CTL missing", without(base, "VELMAR.CTL"), "", 2, missing_network, {}},
      {"VELMAR.CTL empty", with(base, "VELMAR.CTL", ""), "", 2, missing_network, {}},
      {"VELMAR.CTL cut after the output key",
       with(base, "VELMAR.CTL", "SUITE CONTROL\n FILEI\n00B\n FILEO\n"),
       "",
       2,
       " VELMAR.CTL, line 5 (file code): expected the code record after the FILEO key of line 4, found the end of "
       "the file\n",
       {}},
      {"VELMAR.CTL binary garbage", with(base, "VELMAR.CTL", garbage(600, 7)), "", 2, missing_network, {}},
      {"VELMAR.CTL overlong lines",
       with(base, "VELMAR.CTL", " FILEO" + std::string(5000, 'O') + "\n05A" + std::string(5000, 'A') + "\n"),
       "",
       0,
       "KORVO -- Normal Completion\n",
       {kDescriptionPage}},
  };
}

inline std::vector<BadInputCase> title_cases() {
  const Files base = dbf_scenario();
  return {
      // TITLE is optional; whatever its first record holds, 80 characters of
      // it become the second title line.
      {"TITLE empty", with(base, "TITLE", ""), "", 0, kDbfCompleted, {kLabelsPage, kDescriptionPage}},
      {"TITLE binary garbage",
       with(base, "TITLE", garbage(300, 3)),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kDescriptionPage}},
      {"TITLE overlong line",
       with(base, "TITLE", std::string(80, 'T') + std::string(9000, 'X') + "\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, std::string(80, 'T') + "            DATE   04JUL26"}},
  };
}

inline std::vector<BadInputCase> database_control_cases() {
  const Files base = dbf_scenario();
  const std::string headings = "DATABASE CONTROL\nLINK FIELDS\n----------\n";
  return {
      {"DATABASE.CTL empty",
       with(base, "DATABASE.CTL", ""),
       "",
       2,
       " DATABASE.CTL, line 1 (headings): the file ends after 0 lines; it needs three heading lines\n",
       {kLabelsPage}},
      {"DATABASE.CTL cut inside the headings",
       with(base, "DATABASE.CTL", cut(headings, 20)),
       "",
       2,
       " DATABASE.CTL, line 3 (headings): the file ends after 2 lines; it needs three heading lines\n",
       {kLabelsPage}},
      {"DATABASE.CTL scale factor not a number",
       with(base, "DATABASE.CTL", headings + "LINK ALIAS 03 DISTANCE    DISTANCE   1..5\n"),
       "",
       2,
       " DATABASE.CTL, line 4, columns 38-45 (LINK ALIAS scale factor): expected a number, found \"1..5\"\n",
       {kLabelsPage}},
      {"DATABASE.CTL alias number not a number",
       with(base, "DATABASE.CTL", headings + "LINK ALIAS X3 DISTANCE    DISTANCE\n"),
       "",
       2,
       " DATABASE.CTL, line 4, columns 12-13 (LINK ALIAS number): expected an integer, found \"X3\"\n",
       {kLabelsPage}},
      // An alias to a field the link file lacks: the report says so and no
      // link is evaluated.
      {"DATABASE.CTL alias to a missing field",
       with(base, "DATABASE.CTL", headings + "LINK ALIAS 03 DISTANCE    LENGTH\n"),
       "",
       0,
       kDbfMemoryLine + kMissingFieldWarning + kNormalEnd,
       {kLabelsPage, " ***CRITICAL*** FIELD NAME > LENGTH      NOT FOUND ON THE DBF FILE"}},
      {"DATABASE.CTL binary garbage",
       with(base, "DATABASE.CTL", headings + garbage(800, 11)),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kDescriptionPage}},
      {"DATABASE.CTL overlong line",
       with(base, "DATABASE.CTL",
            headings + "LINK ALIAS 03 DISTANCE    DISTANCE     1.000" + std::string(7000, '9') + "\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kDescriptionPage}},
  };
}

// The stored texts of a link record, with field k holding text instead.
inline std::vector<std::string> raw_link_texts(const std::vector<fixtures::DbfFieldDef>& fields, const DbfLink& link,
                                               std::size_t k, const std::string& text) {
  const auto values = link_values(link);
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < fields.size(); ++i) texts.push_back(fixtures::format_dbf_value(fields[i], values[i]));
  texts[k] = text;
  return texts;
}

inline std::vector<BadInputCase> dbf_link_cases() {
  const Files base = dbf_scenario();
  const std::string file(kLinkDbf);
  const std::string& bytes = base.at(file);
  auto table_with = [](auto change) {
    fixtures::DbfTable table = link_table();
    change(table.options());
    return table.bytes();
  };
  // The third record's DISTANCE (bytes 16-21) holds text that is no number.
  fixtures::DbfTable bad_distance = link_table({scenario_links()[0], scenario_links()[1]});
  bad_distance.add_raw(raw_link_texts(fixtures::link_table_fields(), scenario_links()[2], 2, "12.3.4"));
  // ANODE in a wider field than any 32-bit number.
  auto wide_fields = fixtures::link_table_fields();
  wide_fields[0].length = 12;
  fixtures::DbfTable wide_anode(wide_fields);
  wide_anode.add(link_values(scenario_links()[0]));
  wide_anode.add_raw(raw_link_texts(wide_fields, scenario_links()[1], 0, "99999999999 "));
  // MODELVOL as a real field whose value does not fit 32 bits.
  auto real_fields = fixtures::link_table_fields();
  real_fields[17] = {"MODELVOL", 'N', 14, 2};
  fixtures::DbfTable real_volume(real_fields);
  real_volume.add(link_values(scenario_links()[0]));
  real_volume.add_raw(raw_link_texts(real_fields, scenario_links()[1], 17, " 3000000000.00"));
  // No COUNT field.
  auto no_count = fixtures::link_table_fields();
  no_count.erase(no_count.begin() + 9);
  fixtures::DbfTable without_count(no_count);
  const std::string listed = kLabelsPage;
  return {
      {"link DBF missing",
       without(base, file),
       "",
       1,
       " ***CRITICAL*** INPUT DBF FILE NOT FOUND >" + padded(file, 80) + "\nKORVO -- Abnormal Completion\n",
       {}},
      {"link DBF empty",
       with(base, file, ""),
       "",
       2,
       " LINKS05A.DBF, byte offset 0 (header): the file ends inside the 32 bytes of the header's fixed part\n",
       {listed}},
      {"link DBF cut inside the fixed header",
       with(base, file, cut(bytes, 20)),
       "",
       2,
       " LINKS05A.DBF, byte offset 20 (header): the file ends inside the 32 bytes of the header's fixed part\n",
       {listed}},
      {"link DBF cut inside the descriptors",
       with(base, file, cut(bytes, 100)),
       "",
       2,
       " LINKS05A.DBF, byte offset 100 (header): the file ends inside its header of 673 bytes\n",
       {listed}},
      // A trailing partial record is no record: the links before it count.
      {"link DBF cut inside a record",
       with(base, file, cut(bytes, 673 + 6 * 104 + 50)),
       "",
       0,
       kDbfCompleted,
       {listed, kDbfListing, kDescriptionPage}},
      {"link DBF binary garbage",
       with(base, file, garbage(2000, 5)),
       "",
       2,
       " LINKS05A.DBF, byte offset 8 (header length): 26684 bytes is more than the limit of 4085 bytes\n",
       {listed}},
      {"link DBF header length beyond the buffer",
       with(base, file, table_with([](fixtures::DbfOptions& o) { o.header_length = 4086; })),
       "",
       2,
       " LINKS05A.DBF, byte offset 8 (header length): 4086 bytes is more than the limit of 4085 bytes\n",
       {listed}},
      {"link DBF record length 0",
       with(base, file, table_with([](fixtures::DbfOptions& o) { o.record_length = 0; })),
       "",
       2,
       " LINKS05A.DBF, byte offset 10 (record length): 0 bytes; a record holds at least its deletion flag\n",
       {listed}},
      {"link DBF record length beyond the buffer",
       with(base, file, table_with([](fixtures::DbfOptions& o) { o.record_length = 4086; })),
       "",
       2,
       " LINKS05A.DBF, byte offset 10 (record length): 4086 bytes is more than the limit of 4085 bytes\n",
       {listed}},
      {"link DBF fields beyond the record length",
       with(base, file, table_with([](fixtures::DbfOptions& o) { o.record_length = 50; })),
       "",
       2,
       " LINKS05A.DBF, byte offset 320 (field COUNT): bytes 46-52 run past the record length of 50\n",
       {listed, kDbfListing}},
      {"link DBF text in a numeric field",
       with(base, file, bad_distance.bytes()),
       "",
       2,
       " LINKS05A.DBF, record 3 (field DISTANCE, bytes 16-21): expected an integer, found \"12.3.4\"\n",
       {listed, kDbfListing, kDescriptionPage}},
      {"link DBF node number beyond 32 bits",
       with(base, file, wide_anode.bytes()),
       "",
       2,
       " LINKS05A.DBF, record 2 (field ANODE, bytes 2-13): expected an integer within -2147483648 to 2147483647, "
       "found \"99999999999 \"\n",
       {listed, kDbfListing, kDescriptionPage}},
      {"link DBF real value beyond 32 bits",
       with(base, file, real_volume.bytes()),
       "",
       2,
       " LINKS05A.DBF, record 2 (field MODELVOL, bytes 81-94): expected a number whose scaled value lies within "
       "-2147483648 to 2147483647, found \" 3000000000.00\"\n",
       {listed, kDbfListing, kDescriptionPage}},
      {"link DBF without a keyword field",
       with(base, file, without_count.bytes()),
       "",
       0,
       kDbfMemoryLine + kMissingFieldWarning + kNormalEnd,
       {listed, kDbfListing, " ***CRITICAL*** FIELD NAME > COUNT       NOT FOUND ON THE DBF FILE"}},
  };
}

inline std::vector<BadInputCase> labels_cases() {
  const Files base = dbf_scenario();
  const std::string labels = base.at("KVLABELS.SYN");
  return {
      // No record: no class is selected, every link is skipped.
      {"KVLABELS.SYN empty",
       with(base, "KVLABELS.SYN", ""),
       "",
       0,
       " DATA ARRAY MEMORY REQUIREMENT --    1720 BYTES\n" + skipped_lines(6) + kAllUnclassifiedWarning + kNormalEnd,
       {kLabelsPage, kSelectionPage}},
      {"KVLABELS.SYN cut inside a record",
       with(base, "KVLABELS.SYN", cut(labels, 44)),
       "",
       0,
       " DATA ARRAY MEMORY REQUIREMENT --    3440 BYTES\n" + skipped_lines(6) + kAllUnclassifiedWarning + kNormalEnd,
       {kLabelsPage, kSelectionPage}},
      // The fields of a record are read before its kind is looked at.
      {"KVLABELS.SYN binary garbage",
       with(base, "KVLABELS.SYN", garbage(400, 9)),
       "",
       2,
       " KVLABELS.SYN, line 1, columns 9-11 (code): expected an integer, found \"%\\xD9}\"\n",
       {kLabelsPage}},
      {"KVLABELS.SYN kind neither FT nor AT",
       with(base, "KVLABELS.SYN", labels + "      XT  1  1  1 OTHER    Other\n"),
       "",
       1,
       " ***CRITICAL*** NO \"FT\" OR \"AT\" ON KVLABELS.SYN FILE\n"
       " KVLABELS.SYN, line 11 (columns 7-8): expected \"FT\" or \"AT\", found \"      XT  1  1  1 OTHER    Other\"\n"
       "KORVO Abnormal Completion\n",
       {kLabelsPage}},
      {"KVLABELS.SYN code not a number",
       with(base, "KVLABELS.SYN", labels + "      FT 1X  1  1 FREEWAY  Freeway\n"),
       "",
       2,
       " KVLABELS.SYN, line 11, columns 9-11 (code): expected an integer, found \" 1X\"\n",
       {kLabelsPage}},
      {"KVLABELS.SYN overlong line",
       with(base, "KVLABELS.SYN", labels + "      FT  7  3  7 OTHER    Other" + std::string(6000, 'Z') + "\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kSelectionPage, kDescriptionPage}},
      // Codes outside 1 to 99 and negative classes select nothing.
      {"KVLABELS.SYN codes and classes out of range",
       with(
           base, "KVLABELS.SYN",
           labels + "      FT150  2  2 BIG      Big\n      FT -3  2  2 NEG      Neg\n      FT  7 -2  2 NEGCL    Neg\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kSelectionPage, kDescriptionPage}},
      {"KVLABELS.SYN classes beyond the work area",
       with(base, "KVLABELS.SYN", labels + "      FT  9999  1 MANY     Many\n      AT  9999  1    MANY Many\n"),
       "",
       1,
       " DATA ARRAY MEMORY REQUIREMENT --******** BYTES\n Requirement exceeds maximum of 4000000 bytes\n"
       "KORVO -- Abnormal Completion\n",
       {kLabelsPage, kSelectionPage}},
      {"KVLABELS.SYN analysis class beyond 9",
       with(with(base, "PROFILE.MAS", " ANALYSIS\nY\n KORVODBF\nLINKS05A.DBF\n"), "KVLABELS.SYN",
            labels + "      FT  9  9 10 TOLL     Toll\n"),
       "",
       1,
       "KORVO Abnormal Completion\n",
       {kLabelsPage, " ***CRITICAL*** FACILITY TYPE = 10 EXCEEDS THE PROGRAM LIMIT OF  9", kSelectionPage}},
      {"KVLABELS.SYN analysis class beyond 11",
       with(with(base, "PROFILE.MAS", " ANALYSIS\nY\n KORVODBF\nLINKS05A.DBF\n"), "KVLABELS.SYN",
            labels + "      AT  9  3 12   OTHER Other\n"),
       "",
       1,
       "KORVO Abnormal Completion\n",
       {kLabelsPage, " ***CRITICAL*** AREA TYPE = 12 EXCEEDS THE PROGRAM LIMIT OF 11", kSelectionPage}},
  };
}

inline std::vector<BadInputCase> screen_names_cases() {
  const Files base = dbf_scenario();
  return {
      {"KVSCREEN.SYN empty", with(base, "KVSCREEN.SYN", ""), "", 0, kDbfCompleted, {kLabelsPage, kDescriptionPage}},
      {"KVSCREEN.SYN cut inside a record",
       with(base, "KVSCREEN.SYN", cut(base.at("KVSCREEN.SYN"), 28)),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kDescriptionPage}},
      {"KVSCREEN.SYN number not a number",
       with(base, "KVSCREEN.SYN", " 1 NORTH\nAB EAST\n"),
       "",
       2,
       " KVSCREEN.SYN, line 2, columns 1-2 (screenline number): expected an integer, found \"AB\"\n",
       {}},
      {"KVSCREEN.SYN binary garbage",
       with(base, "KVSCREEN.SYN", garbage(300, 13)),
       "",
       2,
       " KVSCREEN.SYN, line 1, columns 1-2 (screenline number): expected an integer, found \"\\x12\\x1D\"\n",
       {}},
      // Numbers outside 1 to 99 name no screenline.
      {"KVSCREEN.SYN numbers out of range",
       with(base, "KVSCREEN.SYN", " 0 ZERO\n-5 NEGATIVE\n 1 NORTH\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kDescriptionPage}},
      {"KVSCREEN.SYN overlong line",
       with(base, "KVSCREEN.SYN", " 1 NORTH" + std::string(8000, 'N') + "\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kDescriptionPage}},
  };
}

inline std::vector<BadInputCase> rates_cases() {
  const Files base = dbf_scenario();
  const std::string listed = kLabelsPage;
  std::string bad_value = rates_file(4);
  bad_value += " 1.2.3" + std::string(57, ' ') + "\n";
  bad_value += rates_file(75).substr(bad_value.size());
  std::string huge = rates_file(75);
  huge.replace(0, 6, "  1E39");
  std::string overlong;
  for (int l = 0; l < 80; ++l) overlong += rates_file(1).substr(0, 63) + std::string(300, '#') + "\n";
  return {
      {"KVRATES.SYN missing",
       without(base, "KVRATES.SYN"),
       "",
       2,
       " KVRATES.SYN: cannot be opened for reading: No such file or directory\n",
       {listed, kDbfListing}},
      {"KVRATES.SYN empty",
       with(base, "KVRATES.SYN", ""),
       "",
       2,
       " KVRATES.SYN, line 1 (accident rates): expected 75 lines of rates, the file ends after line 0\n",
       {listed, kDbfListing}},
      {"KVRATES.SYN cut after 40 lines",
       with(base, "KVRATES.SYN", rates_file(40)),
       "",
       2,
       " KVRATES.SYN, line 41 (fuel rates): expected 75 lines of rates, the file ends after line 40\n",
       {listed, kDbfListing}},
      // Fields that a short last line lacks read as blanks: 0.
      {"KVRATES.SYN cut inside its last line",
       with(base, "KVRATES.SYN", cut(rates_file(), 75 * 64 - 30)),
       "",
       0,
       kDbfCompleted,
       {listed, kDescriptionPage}},
      {"KVRATES.SYN value not a number",
       with(base, "KVRATES.SYN", bad_value),
       "",
       2,
       " KVRATES.SYN, line 5, columns 1-6 (carbon monoxide rates, row 1, value 1): expected a number, found \" "
       "1.2.3\"\n",
       {listed, kDbfListing}},
      {"KVRATES.SYN binary garbage",
       with(base, "KVRATES.SYN", garbage(700, 17)),
       "",
       2,
       " KVRATES.SYN, line 1, columns 1-6 (accident rates, value 1): expected a number, found "
       "\"+\\xA8]\\xD3`\\xC0\"\n",
       {listed, kDbfListing}},
      {"KVRATES.SYN value beyond single precision",
       with(base, "KVRATES.SYN", huge),
       "",
       2,
       " KVRATES.SYN, line 1, columns 1-6 (accident rates, value 1): expected a number, found \"  1E39\"\n",
       {listed, kDbfListing}},
      {"KVRATES.SYN overlong lines",
       with(base, "KVRATES.SYN", overlong),
       "",
       0,
       kDbfCompleted,
       {listed, kDescriptionPage}},
  };
}

inline std::vector<BadInputCase> binary_network_cases() {
  const Files base = binary_scenario();
  const std::string file = "HRLDXY.05A";
  const std::string& bytes = base.at(file);
  std::vector<BinaryLink> links = binary_links();
  auto header_with = [&](int word, std::int16_t value) {
    std::string b = bytes;
    // Header word n sits behind the record's length marker and the text.
    const std::size_t at = 4 + 880 + 2 * static_cast<std::size_t>(word - 1);
    b[at] = static_cast<char>(value & 0xFF);
    b[at + 1] = static_cast<char>((value >> 8) & 0xFF);
    return b;
  };
  // A data record of 491 words after N.
  std::string long_record = bytes.substr(0, 4 + 1120 + 4);
  {
    std::string body;
    fixtures::append_i32le(body, 491);
    for (int w = 0; w < 491; ++w) fixtures::append_i32le(body, w == 0 ? 0x4C494E4B : 0);
    std::ostringstream out;
    fixtures::FortranRecordWriter(out).write(body);
    long_record += out.str();
  }
  std::string short_header;
  {
    std::ostringstream out;
    fixtures::FortranRecordWriter(out).write(std::string(1000, ' '));
    short_header = out.str() + bytes.substr(4 + 1120 + 4);
  }
  return {
      {"binary network missing",
       without(base, file),
       "",
       2,
       " HRLDXY.05A: cannot be opened for reading: No such file or directory\n",
       {}},
      {"binary network empty",
       with(base, file, ""),
       "",
       2,
       " HRLDXY.05A, record 1 (header record): expected the header record, found the end of the file\n",
       {}},
      {"binary network header record of 1000 bytes",
       with(base, file, short_header),
       "",
       2,
       " HRLDXY.05A, record 1 (header record): expected at least 1120 bytes, found 1000\n",
       {}},
      {"binary network cut inside the header",
       with(base, file, cut(bytes, 700)),
       "",
       2,
       " HRLDXY.05A, record 1 at byte offset 0 (record length): leading marker 1120 runs past the end of the file\n",
       {}},
      {"binary network cut inside a LINK record",
       with(base, file, cut(bytes, bytes.size() - 30)),
       "",
       2,
       kBinaryMemoryLine +
           " HRLDXY.05A, record 4 at byte offset 1256 (record length): leading marker 92 runs past the end of the "
           "file\n",
       {kDescriptionPage}},
      {"binary network binary garbage",
       with(base, file, garbage(3000, 21)),
       "",
       2,
       " HRLDXY.05A, record 1 at byte offset 0 (record length): leading marker -313249212 is negative (continued "
       "records are not supported)\n",
       {}},
      {"binary network record of more than 490 words",
       with(base, file, long_record),
       "",
       2,
       kBinaryMemoryLine +
           " HRLDXY.05A, record 2 at byte offset 1128 (word count N): N = 491 exceeds the limit of 490 words per "
           "record\n",
       {kDescriptionPage}},
      {"binary network periods beyond 50",
       with(base, file, header_with(33, 51)),
       "",
       2,
       " HRLDXY.05A, record 1, byte offset 948 (header word 33, periods per link entry): expected 0 to 50, found "
       "51\n",
       {}},
      {"binary network negative slots",
       with(base, file, header_with(34, -1)),
       "",
       2,
       " HRLDXY.05A, record 1, byte offset 950 (header word 34, volume slots per period): expected 0 to 50, found "
       "-1\n",
       {}},
      {"binary network entries that do not fill the record",
       with(base, file, header_with(33, 2)),
       "",
       2,
       kBinaryMemoryLine +
           " HRLDXY.05A, record 2 at byte offset 1128 (LINK record): 21 words after the tag do not make whole link "
           "entries of 9 words (header words 33 and 34: P = 2, S = 1)\n",
       {kDescriptionPage}},
  };
}

inline std::vector<BadInputCase> volnaux_cases() {
  const Files base = binary_scenario();
  const std::string file = "VOLNAUX.05A";
  const std::string& bytes = base.at(file);
  auto shifted = binary_links();
  shifted[2].anode = 99;
  return {
      {"VOLNAUX missing",
       without(base, file),
       "",
       0,
       kBinaryMemoryLine + skipped_lines(1) + kNormalEnd,
       {kNoAuxFilePage, kDescriptionPage, kTotalsPage}},
      {"VOLNAUX empty",
       with(base, file, ""),
       "",
       2,
       kBinaryMemoryLine +
           " VOLNAUX.05A, record 1 at byte offset 0: expected the record of link 10-20, found the end of the file\n",
       {kDescriptionPage}},
      {"VOLNAUX cut inside a record",
       with(base, file, cut(bytes, 40)),
       "",
       2,
       kBinaryMemoryLine +
           " VOLNAUX.05A, record 3 at byte offset 36 (record length): leading marker 10 runs past the end of the "
           "file\n",
       {kDescriptionPage}},
      {"VOLNAUX binary garbage",
       with(base, file, garbage(200, 23)),
       "",
       2,
       kBinaryMemoryLine +
           " VOLNAUX.05A, record 1 at byte offset 0 (record length): leading marker -95389743 is negative (continued "
           "records are not supported)\n",
       {kDescriptionPage}},
      {"VOLNAUX out of step with the network",
       with(base, file, aux_network(shifted)),
       "",
       1,
       "KORVO -- Abnormal STOP\n",
       {kDescriptionPage, " *** ERROR *** ZEFA HIGHWAY NETWORK AUXILIARY FILE MISMATCH"}},
  };
}

inline std::vector<BadInputCase> aux_dbf_cases() {
  const Files base = binary_aux_dbf_scenario();
  const std::string file = "AUXLINKS.DBF";
  const std::string& bytes = base.at(file);
  auto table_with_row = [](const std::vector<fixtures::DbfValue>& row) {
    fixtures::DbfTable table = aux_link_table();
    table.add(row);
    return table.bytes();
  };
  fixtures::DbfTable wide({{"ANODE", 'N', 7},
                           {"BNODE", 'N', 7},
                           {"SEQ", 'N', 4},
                           {"CC", 'N', 100},
                           {"SL", 'N', 3},
                           {"GL", 'N', 3},
                           {"ONEWAY", 'C', 1}});
  const std::string profile = base.at("PROFILE.MAS");
  // The header listing of the auxiliary file reaches the report before its
  // records are read.
  const std::string listed = " FIELD NO. =  7 -- NAME >ONEWAY";
  const std::string memory = kBinaryMemoryLine;
  return {
      {"auxiliary DBF missing, the operator gives up",
       without(base, file),
       "N\n",
       1,
       memory + " Input file does not exist -- Respecify? (Y/N)>SHWDBF Abnormal Completion\n",
       {}},
      {"auxiliary DBF missing, the console ends",
       without(base, file),
       "",
       2,
       memory + " Input file does not exist -- Respecify? (Y/N)>\n"
                " Console input ended at the prompt for the dBASE file name \"AUXLINKS.DBF\"\n",
       {}},
      // The questions stand without line ends; the operator's answers would
      // end them at a terminal.
      {"auxiliary DBF missing, the operator names another",
       with(without(base, file), "OTHER.DBF", bytes),
       "Y\nOTHER.DBF\n",
       0,
       memory +
           " Input file does not exist -- Respecify? (Y/N)> Enter the \"DBF\" file name>KORVO -- Normal Completion\n",
       {listed, kDescriptionPage, kTotalsPage}},
      {"auxiliary DBF empty",
       with(base, file, ""),
       "",
       2,
       memory + " AUXLINKS.DBF, byte offset 0 (header): the file ends inside the 32 bytes of the header's fixed part\n",
       {}},
      {"auxiliary DBF cut inside the header",
       with(base, file, cut(bytes, 100)),
       "",
       2,
       memory + " AUXLINKS.DBF, byte offset 100 (header): the file ends inside its header of 257 bytes\n",
       {" Number of Bytes in Header Record =  257"}},
      // A trailing partial record is no record.
      {"auxiliary DBF cut inside a record",
       with(base, file, cut(bytes, bytes.size() - 20)),
       "",
       0,
       memory + kNormalEnd,
       {listed, kDescriptionPage, kTotalsPage}},
      {"auxiliary DBF binary garbage",
       with(base, file, garbage(1500, 29)),
       "",
       2,
       memory + " AUXLINKS.DBF, byte offset 8 (header length): 4526 bytes is more than the limit of 4085 bytes\n",
       {" Version > UNKNOWN "}},
      {"auxiliary DBF named field missing",
       with(base, "PROFILE.MAS", profile + " DBFZON\nZONE\n"),
       "",
       1,
       memory + " ***CRITICAL*** FIELD NAME > ZONE        -- NOT FOUND ON THE DBF FILE\n KORVO Abnormal Completion\n",
       {listed}},
      {"auxiliary DBF sequence beyond 1023",
       with(base, file, table_with_row({40, 41, 1024, 0, 0, 0, ""})),
       "",
       2,
       memory + " AUXLINKS.DBF, record 5 (field SEQ, bytes 16-19): sequence number 1024 is beyond the limit of 1023\n",
       {listed}},
      {"auxiliary DBF node beyond the table's limit",
       with(base, file, table_with_row({2097152, 41, 1, 0, 0, 0, ""})),
       "",
       2,
       memory + " AUXLINKS.DBF, record 5 (field ANODE, bytes 2-8): node number 2097152 is outside 0 to 2097151, the "
                "limit of the auxiliary link table\n",
       {listed}},
      {"auxiliary DBF field wider than 99 bytes",
       with(base, file, wide.bytes()),
       "",
       2,
       memory + " AUXLINKS.DBF, byte offset 128 (field CC): a width of 100 bytes is more than the limit of 99\n",
       {" FIELD NO. =  4 -- NAME >CC          -- TYPE >N -- LENGTH =100"}},
      {"auxiliary DBF node not a number",
       with(base, file, table_with_row({"1.5", 41, 1, 0, 0, 0, ""})),
       "",
       2,
       memory + " AUXLINKS.DBF, record 5 (field ANODE, bytes 2-8): expected an integer, found \"    1.5\"\n",
       {listed}},
  };
}

inline std::vector<BadInputCase> two_way_cases() {
  Files base = binary_scenario();
  base["PROFILE.MAS"] = " VALIDATE\nY\n ASCII\nY\n TWOWAY\nY\n COUNTS\nY\n";
  auto links = binary_links();
  // A volume of 10 million does not fit the 7 columns of HRLDXY.ASC: the run
  // stops before that record rather than write asterisks that the two-way
  // step could not read back.
  links[1].congested_time = 320;
  links[1].volume = 10'000'000;
  Files wide = with(base, "HRLDXY.05A", binary_network(links));
  wide.erase("VOLNAUX.05A");
  // Eleven volume slots: more than the conversion table holds.
  fixtures::NetworkHeader header;
  header.set_word(33, 1);
  header.set_word(34, 11);
  header.set_word(59, 1);
  std::ostringstream net;
  {
    fixtures::LoadedNetworkWriter writer(net, header);
    fixtures::LinkEntry e;
    e.anode = 1;
    e.bnode = 2;
    e.distance = 100;
    e.facility_type = 1;
    e.area_type = 1;
    e.lanes = 1;
    e.period_times = {100};
    e.volumes = std::vector<std::int32_t>(11, 10);
    writer.add_link(e);
    writer.finish();
  }
  Files slots = with(base, "HRLDXY.05A", net.str());
  slots.erase("VOLNAUX.05A");
  return {
      {"HRLDXY.ASC with a volume beyond 7 columns",
       wide,
       "",
       2,
       kBinaryMemoryLine +
           " HRLDXY.ASC: link 11-12, VOLUME 10000000 does not fit its 7 columns; turn \"ASCII\" off in PROFILE.MAS, "
           "or correct the link's value\n",
       {kDescriptionPage}},
      {"HRLDXY.ASC with more than 10 slots",
       slots,
       "",
       2,
       kBinaryMemoryLine + " HRLDXY.ASC (volume slots): the two-way conversion holds at most 10 slot volumes per link, "
                           "the network has 11\n",
       {kDescriptionPage, kTotalsPage}},
  };
}

// Every case of the matrix, file by file.
// KVTARGET.SYN is read after the profile, before anything is written to the
// report; only validation runs read it.
inline std::vector<BadInputCase> targets_cases() {
  const Files base = dbf_scenario();
  const auto stop = [](const std::string& line) { return " KVTARGET.SYN, line " + line + "\n"; };
  return {
      {"KVTARGET.SYN empty", with(base, "KVTARGET.SYN", ""), "", 0, kDbfCompleted, {kLabelsPage, kTotalsPage}},
      {"KVTARGET.SYN comments only",
       with(base, "KVTARGET.SYN", "# none\n\n   # still none\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kTotalsPage}},
      {"KVTARGET.SYN not a number",
       with(base, "KVTARGET.SYN", "RMSE 0 5k 100 45\n"),
       "",
       2,
       stop("1 (RMSE hi): expected a whole number or \"-\", found \"5k\""),
       {}},
      {"KVTARGET.SYN overlapping groups",
       with(base, "KVTARGET.SYN", "RMSE 0 5000 100 45\nRMSE 4000 9999 45 35\n"),
       "",
       2,
       stop("2 (RMSE lo): expected a group clear of 0-5000 (line 1), found 4000-9999"),
       {}},
      {"KVTARGET.SYN class beyond 999",
       with(base, "KVTARGET.SYN", "FT 1000 5 3\n"),
       "",
       2,
       stop("1 (FT class): expected a class 1 to 999, found \"1000\""),
       {}},
      {"KVTARGET.SYN preferable above acceptable",
       with(base, "KVTARGET.SYN", "AT 3 10 20\n"),
       "",
       2,
       stop("1 (AT pref): expected at most the acceptable target (10), found \"20\""),
       {}},
      {"KVTARGET.SYN hour factor 0",
       with(base, "KVTARGET.SYN", "GEH 0 85\n"),
       "",
       2,
       stop("1 (GEH hourfactor): expected a number above 0, found \"0\""),
       {}},
      // Statistics turned off: the file is not read.
      {"KVTARGET.SYN garbage without statistics",
       with(with(base, "KVTARGET.SYN", garbage(500, 21)), "PROFILE.MAS",
            base.at("PROFILE.MAS") + " CSVOUT\nN\n HTMLOUT\nN\n"),
       "",
       0,
       kDbfCompleted,
       {kLabelsPage, kTotalsPage}},
      {"KVTARGET.SYN garbage in an analysis run",
       with(dbf_analysis_scenario(), "KVTARGET.SYN", garbage(500, 21)),
       "",
       0,
       kBinaryMemoryLine + kNormalEnd,
       {kDescriptionPage, kTotalsPage}},
  };
}

inline std::vector<BadInputCase> bad_input_cases() {
  std::vector<BadInputCase> all;
  for (auto family : {profile_cases, control_file_cases, title_cases, database_control_cases, dbf_link_cases,
                      labels_cases, screen_names_cases, rates_cases, binary_network_cases, volnaux_cases, aux_dbf_cases,
                      two_way_cases, targets_cases}) {
    for (auto& c : family()) all.push_back(std::move(c));
  }
  return all;
}

}  // namespace korvo::hardening
