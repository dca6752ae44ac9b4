// The labels step of the program driver: "KVSCREEN.SYN" and "KVLABELS.SYN"
// read into the class tables, the labels file echoed to the report with its
// selection lists, and the stops on a bad record.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/driver.h"
#include "common/errors.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

// One "KVLABELS.SYN" record: kind in 7-8, code 9-11, classes 12-14 and
// 15-17, short label 19-26, long label 28-67.
std::string label(const std::string& kind, int code, int validation_class, int analysis_class,
                  const std::string& short_label = "", const std::string& long_label = "") {
  char buf[96];
  std::snprintf(buf, sizeof buf, "      %-2.2s%3d%3d%3d %-8.8s %-40.40s", kind.c_str(), code, validation_class,
                analysis_class, short_label.c_str(), long_label.c_str());
  return buf;
}

// The echo of a record: 10 blanks and the record in 80 columns.
std::string echo(const std::string& record) {
  std::string line = std::string(10, ' ') + record;
  line.resize(90, ' ');
  return line + "\n";
}

// The agency page header with blank title lines, run of 4 July 2026 09:05:07.
std::string agency_header(int page) {
  const std::string gap = std::string(8, ' ') + std::string(80, ' ') + std::string(12, ' ');
  char number[8];
  std::snprintf(number, sizeof number, "%6d", page);
  return " \f\n"
         "   ZEFALIA D.O.T. " +
         gap + "PAGE NO." + number + "\n" + "       VELMAR     " + gap + "DATE   04JUL26\n" + "      VER 5.50    " +
         gap + "TIME  09:05:07\n" + " \n";
}

const char* const kContents = " \"KVLABELS.SYN\" CONTENTS:\n\n";

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class LabelsTest : public ::testing::Test {
 protected:
  LabelsTest() : ctx_(RunContext::create(WorkDir(dir_.path()), Console(console_, input_), testing::fixed_clock)) {
    ctx_->report.stamp() = make_run_stamp(testing::fixed_clock());
    ctx_->report.create(dir_.file(kReportFile), kReportFile);
  }

  void analysis_run() {
    ctx_->settings.analysis_mode = true;
    ctx_->settings.validate_mode = false;
  }
  void labels_file(const std::vector<std::string>& records) {
    std::string text;
    for (const auto& r : records) text += r + "\n";
    dir_.write(kLabelsFile, text);
  }
  // Runs the labels step and returns the report it wrote.
  std::string prepare() {
    prepare_labels_and_selection(*ctx_);
    ctx_->report.close();
    return dir_.read(kReportFile);
  }
  const ClassTables& classes() const { return ctx_->eval.classes; }

  testing::TempDir dir_;
  std::ostringstream console_;
  std::istringstream input_;
  std::unique_ptr<RunContext> ctx_;
};

TEST_F(LabelsTest, TwoFacilityTypeRecordsListAndSelect) {
  const std::string r1 = label("FT", 11, 1, 1, "FWY", "Interstate freeways and ramps");
  const std::string r2 = label("FT", 12, 1, 1, "FWY", "");  // a blank long label keeps the first
  labels_file({r1, r2});
  const std::string report = prepare();

  EXPECT_EQ(classes().nft, 2);
  EXPECT_EQ(classes().nat, 1);  // no area type selected: every link is skipped
  EXPECT_EQ(classes().ft_label(1), "Interstate freew");
  EXPECT_EQ(classes().ft_label(2), "Total           ");
  EXPECT_EQ(classes().at_label(1), ClassTables::kTotal40);
  EXPECT_TRUE(ctx_->report.agency_header);

  const std::string all_codes =
      "             1   2   3   4   5   6   7   8   9  10\n"
      "            11  12  13  14  15  16  17  18  19  20\n"
      "            21  22  23  24  25  26  27  28  29  30\n"
      "            31  32  33  34  35  36  37  38  39  40\n"
      "            41  42  43  44  45  46  47  48  49  50\n"
      "            51  52  53  54  55  56  57  58  59  60\n"
      "            61  62  63  64  65  66  67  68  69  70\n"
      "            71  72  73  74  75  76  77  78  79  80\n"
      "            81  82  83  84  85  86  87  88  89  90\n"
      "            91  92  93  94  95  96  97  98  99\n";
  const std::string expected = agency_header(1) + kContents + echo(r1) + echo(r2) + agency_header(2) +
                               " FACILITY TYPES SELECTED:\n"
                               "\n"
                               "            11  12\n"
                               "\n"
                               "\n"
                               " FACILITY TYPES SKIPPED:\n"
                               "\n"
                               "             1   2   3   4   5   6   7   8   9  10\n"
                               "            13  14  15  16  17  18  19  20  21  22\n"
                               "            23  24  25  26  27  28  29  30  31  32\n"
                               "            33  34  35  36  37  38  39  40  41  42\n"
                               "            43  44  45  46  47  48  49  50  51  52\n"
                               "            53  54  55  56  57  58  59  60  61  62\n"
                               "            63  64  65  66  67  68  69  70  71  72\n"
                               "            73  74  75  76  77  78  79  80  81  82\n"
                               "            83  84  85  86  87  88  89  90  91  92\n"
                               "            93  94  95  96  97  98  99\n"
                               "\n"
                               "\n"
                               " AREA TYPES SELECTED:\n"
                               "\n"
                               "          \n"
                               "\n"
                               "\n"
                               " AREA TYPES SKIPPED:\n"
                               "\n" +
                               all_codes;
  EXPECT_EQ(report, expected);
}

TEST_F(LabelsTest, ListingRepeatsItsHeadingOnEachNewPage) {
  std::vector<std::string> records;
  for (int k = 1; k <= 60; ++k) records.push_back(label("FT", k, 1, 1, "", "Class one"));
  labels_file(records);
  const std::vector<std::string> lines = split_lines(prepare());

  // Pages begin at " \f": listing pages 1 and 2, then the lists on page 3.
  std::vector<std::size_t> page_starts;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == " \f") page_starts.push_back(i);
  }
  ASSERT_EQ(page_starts.size(), 3u);
  EXPECT_TRUE(lines[page_starts[1] + 1].ends_with("PAGE NO.     2"));
  for (std::size_t p = 0; p < 2; ++p) {
    EXPECT_EQ(lines[page_starts[p] + 5], " \"KVLABELS.SYN\" CONTENTS:");
    EXPECT_EQ(lines[page_starts[p] + 6], "");
  }
  // The first page opens with a line count of 1, so 49 records fit on it;
  // the 50th takes the count to 51 and begins page 2.
  EXPECT_EQ(page_starts[1] - (page_starts[0] + 7), 49u);
  EXPECT_EQ(page_starts[2] - (page_starts[1] + 7), 11u);
  EXPECT_EQ(lines[page_starts[1] + 7] + "\n", echo(records[49]));
  EXPECT_EQ(lines[page_starts[2] + 5], " FACILITY TYPES SELECTED:");
}

TEST_F(LabelsTest, EndOfFileMarksAreDroppedFromTheFrontOfARecord) {
  const std::string ft = label("FT", 11, 3, 1, "", "Ramps");
  dir_.write(kLabelsFile, "\x1a" + ft + "\n\x1a\x1a   \n" + label("AT", 2, 1, 1) + "\n\x1a");
  const std::string report = prepare();

  EXPECT_EQ(classes().ft_class_map[11], 3);
  EXPECT_EQ(classes().ft_label(3), "Ramps           ");
  EXPECT_EQ(classes().at_class_map[2], 1);
  // Only the two records with content are echoed, the first without its mark.
  EXPECT_EQ(report.substr(0, agency_header(1).size() + std::string(kContents).size() + 2 * 91),
            agency_header(1) + kContents + echo(ft) + echo(label("AT", 2, 1, 1)));
}

TEST_F(LabelsTest, LaterRecordForACodeWinsAndClassCountsNeverShrink) {
  labels_file({label("FT", 11, 5, 1, "", "Five"), label("FT", 11, 2, 1, "", "Two"), label("AT", 3, 4, 1),
               label("AT", 3, 1, 1)});
  prepare();
  EXPECT_EQ(classes().ft_class_map[11], 2);
  EXPECT_EQ(classes().at_class_map[3], 1);
  EXPECT_EQ(classes().nft, 6);
  EXPECT_EQ(classes().nat, 5);
  EXPECT_EQ(classes().ft_label(5), "Five            ");
  EXPECT_EQ(classes().ft_label(6), "Total           ");
}

TEST_F(LabelsTest, ValidationClassesAndCodesOutsideTheTablesIndexNothing) {
  labels_file({
      label("FT", 20, 150, 0, "", "Large class"),  // class beyond the labels: stored in the map only
      label("FT", 21, -3, 0, "", "Negative"),      // a negative class selects nothing
      label("FT", 100, 7, 0, "", "Code too big"),  // no code 100: ignored
      label("FT", 0, 7, 0, "", "Code zero"),
      label("FT", -5, 7, 0, "", "Negative code"),
      label("FT", 22, 3, 0, "SHORT", ""),  // a blank long label leaves the label unset
      label("AT", 5, 2, 0, "", "Fringe area"),
      label("AT", 6, 0, 0, "", "Deselected"),
  });
  const std::vector<std::string> lines = split_lines(prepare());

  const ClassTables& c = classes();
  EXPECT_EQ(c.ft_class_map[20], 150);
  EXPECT_EQ(c.ft_class_map[21], 0);
  EXPECT_EQ(c.ft_class_map[22], 3);
  EXPECT_EQ(c.nft, 151);
  EXPECT_EQ(c.ft_label(150), std::string(16, ' '));
  EXPECT_EQ(c.ft_label(151), "Total           ");
  EXPECT_EQ(c.ft_label(7), std::string(16, ' '));
  EXPECT_EQ(c.ft_label(3), std::string(16, ' '));
  EXPECT_EQ(c.ft_label(-3), std::string(16, ' '));
  EXPECT_EQ(c.at_class_map[5], 2);
  EXPECT_EQ(c.at_class_map[6], 0);
  EXPECT_EQ(c.nat, 3);
  EXPECT_EQ(c.at_label(2), "Fringe area                             ");
  EXPECT_EQ(c.at_short(3), "   Total");

  // The selection lists show 21 and 6 as skipped.
  const auto find = [&lines](const std::string& text) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] == text) return i;
    }
    return lines.size();
  };
  const std::size_t ft_selected = find(" FACILITY TYPES SELECTED:");
  ASSERT_LT(ft_selected + 2, lines.size());
  EXPECT_EQ(lines[ft_selected + 2], "            20  22");
  EXPECT_EQ(lines[find(" AREA TYPES SELECTED:") + 2], "             5");
  EXPECT_TRUE(
      lines[find(" FACILITY TYPES SKIPPED:") + 3].starts_with("            11  12  13  14  15  16  17  18  19  21"));
}

TEST_F(LabelsTest, AnalysisRecordsFillTheAnalysisMaps) {
  analysis_run();
  labels_file({
      label("FT", 37, 0, 4, "ART", "Arterial"),  // the short label names the class
      label("FT", 38, 0, 3, "XXX", ""),          // blank long label: class 3 keeps no label
      label("FT", 15, 0, 0, "", "Off"),          // class 0 deselects the code
      label("FT", 99, 0, 9, "TOLL", "Toll"),     // 9 is within the limit
      label("AT", 4, 0, 11, "   Eleven", "Area eleven"),
      label("AT", 5, 0, 2, "", "Blank short label"),
  });
  const std::vector<std::string> lines = split_lines(prepare());

  const ClassTables& c = classes();
  EXPECT_EQ(c.ft_analysis_map[37], 4);
  EXPECT_EQ(c.ft_analysis_map[38], 3);
  EXPECT_EQ(c.ft_analysis_map[15], 0);
  EXPECT_EQ(c.ft_analysis_map[16], 1);  // unnamed two-digit codes: their leading digit
  EXPECT_EQ(c.ft_analysis_map[7], 7);
  EXPECT_EQ(c.ft_class_map[37], 0);  // the validation maps stay empty
  EXPECT_EQ(c.nft, 10);
  EXPECT_EQ(c.nat, 12);
  EXPECT_EQ(c.ft_label(4), "ART             ");
  EXPECT_EQ(c.ft_label(3), std::string(16, ' '));
  EXPECT_EQ(c.ft_label(9), "TOLL            ");
  EXPECT_EQ(c.ft_label(10), "Total           ");
  EXPECT_EQ(c.at_short(11), "   Eleve");
  EXPECT_EQ(c.at_short(2), "        ");
  EXPECT_EQ(c.at_label(11), std::string(40, ' '));  // an analysis run names areas by short labels only
  EXPECT_EQ(c.at_short(12), "   Total");
  EXPECT_EQ(c.at_label(12), ClassTables::kTotal40);

  // The lists show the analysis maps: only code 15 is skipped.
  std::size_t skipped = 0;
  while (skipped < lines.size() && lines[skipped] != " FACILITY TYPES SKIPPED:") ++skipped;
  ASSERT_LT(skipped + 2, lines.size());
  EXPECT_EQ(lines[skipped + 2], "            15");
  std::size_t selected = 0;
  while (selected < lines.size() && lines[selected] != " FACILITY TYPES SELECTED:") ++selected;
  ASSERT_LT(selected + 3, lines.size());
  EXPECT_EQ(lines[selected + 3], "            11  12  13  14  16  17  18  19  20  21");
}

TEST_F(LabelsTest, DefaultsWithoutALabelsFile) {
  analysis_run();
  const std::string report = prepare();
  const ClassTables& c = classes();
  EXPECT_EQ(report, "");
  EXPECT_FALSE(ctx_->report.agency_header);
  EXPECT_EQ(c.nft, 10);
  EXPECT_EQ(c.nat, 6);
  struct Code {
    int code;
    int analysis_class;
  };
  for (const Code& k : {Code{7, 7}, Code{37, 3}, Code{10, 1}, Code{99, 9}, Code{1, 1}}) {
    EXPECT_EQ(c.ft_analysis_map[static_cast<std::size_t>(k.code)], k.analysis_class) << k.code;
    EXPECT_EQ(c.at_analysis_map[static_cast<std::size_t>(k.code)], k.analysis_class) << k.code;
    EXPECT_EQ(c.ft_class_map[static_cast<std::size_t>(k.code)], k.code) << k.code;
    EXPECT_EQ(c.at_class_map[static_cast<std::size_t>(k.code)], k.code) << k.code;
  }
  EXPECT_EQ(c.ft_label(1), "Freeway         ");
  EXPECT_EQ(c.ft_label(9), "TOLL Facilities ");
  EXPECT_EQ(c.ft_label(10), "Total           ");
  EXPECT_EQ(c.ft_class_label[11].view(), "11              ");
  EXPECT_EQ(c.at_label(4), "Outlying Business District              ");
  EXPECT_EQ(c.at_label(6), ClassTables::kTotal40);
  EXPECT_EQ(c.at_short(6), "   Total");
  EXPECT_EQ(c.at_short(7), "        ");
}

TEST_F(LabelsTest, ScreenlineNamesKeepNumbersOneToNinetyNine) {
  dir_.write(kScreenNamesFile,
             " 1 North cordon\n"
             "99xRiver crossing\n"
             " 0 Zero is no screenline\n"
             "-1 Negative\n"
             "\n"
             " 5\n"
             " 7 A name longer than forty columns is cut at column 43 here\n"
             "\x1a 8 Behind an end-of-file mark\n"
             "\x1a");
  prepare();
  const auto& names = classes().screenline_name;
  EXPECT_EQ(names[1].trimmed(), "North cordon");
  EXPECT_EQ(names[99].trimmed(), "River crossing");  // column 3 is not part of the name
  EXPECT_TRUE(names[5].is_blank());
  EXPECT_EQ(names[7].view(), "A name longer than forty columns is cut ");
  EXPECT_EQ(names[8].trimmed(), "Behind an end-of-file mark");
  for (std::size_t s = 0; s < names.size(); ++s) {
    if (s != 1 && s != 7 && s != 8 && s != 99) {
      EXPECT_TRUE(names[s].is_blank()) << s;
    }
  }
}

TEST_F(LabelsTest, FieldsThatAreNotNumbersNameTheirPlace) {
  struct Case {
    std::string_view file;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {kScreenNamesFile, " 1 North\nA1 South\n",
       " KVSCREEN.SYN, line 2, columns 1-2 (screenline number): expected an integer, found \"A1\""},
      {kLabelsFile, label("FT", 1, 1, 1) + "\n      FT  2 x1  1\n",
       " KVLABELS.SYN, line 2, columns 12-14 (validation class): expected an integer, found \" x1\""},
      {kLabelsFile, "      AT1.5  1  1\n",
       " KVLABELS.SYN, line 1, columns 9-11 (code): expected an integer, found \"1.5\""},
      {kLabelsFile, "      FT  1  1 -+\n",
       " KVLABELS.SYN, line 1, columns 15-17 (analysis class): expected an integer, found \" -+\""},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    std::ostringstream out;
    std::istringstream in;
    auto ctx = RunContext::create(WorkDir(dir.path()), Console(out, in), testing::fixed_clock);
    ctx->report.create(dir.file(kReportFile), kReportFile);
    dir.write(c.file, c.text);
    try {
      prepare_labels_and_selection(*ctx);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

// Whole runs that stop in the labels step, before the link file is read.
class LabelsRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write(kProfileFile, " KORVODBF\nLINKS.DBF\n");
    dir_.write("LINKS.DBF", "not read before the labels step");
  }
  void analysis_profile() { dir_.write(kProfileFile, " KORVODBF\nLINKS.DBF\n ANALYSIS\nY\n"); }
  testing::TempDir dir_;
};

TEST_F(LabelsRunTest, RecordWithoutKindStopsTheRun) {
  // The line after the critical one names the place and the text found.
  struct Case {
    std::string bad;
    std::string found;
  };
  const Case cases[] = {
      {"", "a blank line"},
      {"   ", "a blank line"},
      {"      XX  1  1  1", "\"      XX  1  1  1\""},
      {"      ft  1  1  1", "\"      ft  1  1  1\""},
      {"\tFT", "\"\\x09FT\""},
  };
  for (const auto& [bad, found] : cases) {
    const std::string good = label("FT", 1, 1, 1);
    dir_.write(kLabelsFile, good + "\n" + bad + "\n" + label("AT", 1, 1, 1) + "\n");
    const testing::RunResult run = testing::run_korvo(dir_);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.console,
              " ***CRITICAL*** NO \"FT\" OR \"AT\" ON KVLABELS.SYN FILE\n"
              " KVLABELS.SYN, line 2 (columns 7-8): expected \"FT\" or \"AT\", found " +
                  found +
                  "\n"
                  "KORVO Abnormal Completion\n")
        << "record \"" << bad << "\"";
    // The bad record is echoed and the run stops before the lists.
    EXPECT_EQ(dir_.read(kReportFile), agency_header(1) + kContents + echo(good) + echo(bad));
  }
}

TEST_F(LabelsRunTest, AnalysisClassesAboveTheLimitsStopAfterTheLists) {
  analysis_profile();
  const std::string ft = label("FT", 37, 2, 10, "TOOBIG", "Ten is one too many");
  const std::string at = label("AT", 3, 1, 12, "AREA", "Twelve");
  dir_.write(kLabelsFile, label("FT", 11, 1, 9) + "\n" + ft + "\n" + at + "\n" + label("AT", 4, 1, 11) + "\n");
  const testing::RunResult run = testing::run_korvo(dir_);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.console, "KORVO Abnormal Completion\n");

  const std::string report = dir_.read(kReportFile);
  const std::string messages =
      echo(ft) +
      " ***CRITICAL*** FACILITY TYPE = 10 EXCEEDS THE PROGRAM LIMIT OF  9 IN THE FOLLOWING \"KVLABELS.SYN\" RECORD\n"
      " LABEL FT 37  2 10 TOOBIG   Ten is one too many                     \n" +
      echo(at) +
      " ***CRITICAL*** AREA TYPE = 12 EXCEEDS THE PROGRAM LIMIT OF 11 IN THE FOLLOWING \"KVLABELS.SYN\" RECORD\n"
      " LABEL AT  3  1 12 AREA     Twelve                                  \n" +
      echo(label("AT", 4, 1, 11));
  EXPECT_NE(report.find(messages), std::string::npos) << report;
  // The lists are still written; a rejected record leaves its code's class.
  const std::string tail =
      " AREA TYPES SELECTED:\n\n"
      "             1   2   3   4   5   6   7   8   9  10\n";
  EXPECT_NE(report.find(tail), std::string::npos);
  EXPECT_TRUE(report.ends_with(" AREA TYPES SKIPPED:\n\n          \n"));
}

}  // namespace
}  // namespace korvo
