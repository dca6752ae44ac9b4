#include "reports/screenline_reports.h"

#include <gtest/gtest.h>

#include <string>

#include "reports/report_fixture.h"

namespace korvo {
namespace {

using testing::Line;
using testing::page_header;
using testing::ReportFixture;

const std::string kSeparator = " " + [] {
  std::string s;
  for (int n = 0; n < 8; ++n) s += "+" + std::string(14, '-');
  return s + "+\n";
}();
const std::string kNoVolumeHeading = " LINKS WITH NO ASSIGNED VOLUME\n\n\n\n" + kSeparator;

void add_no_volume_links(ReportFixture& f, int count) {
  NoVolumeList& list = f.e.acc.no_volume;
  list.count = static_cast<std::int16_t>(count);
  for (int n = 1; n <= count; ++n) {
    list.anode[static_cast<std::size_t>(n)] = 1000 + n;
    list.bnode[static_cast<std::size_t>(n)] = 200000 + n;
  }
}
// Entries first..last, each " +", A-node in 6 and B-node in 7 columns; the
// line ends in " +".
std::string no_volume_line(int first, int last) {
  Line line;
  std::size_t col = 1;
  for (int n = first; n <= last; ++n, col += 15) {
    line.at(col + 1, "+")
        .fields(col + 2, 6, {std::to_string(1000 + n)})
        .fields(col + 8, 7, {std::to_string(200000 + n)});
  }
  return line.at(col + 1, "+");
}

// 18 links give lines of 8, 8 and 2 entries on one page; an empty list
// writes only the closing separator.
TEST(NoVolumeList, EightEntriesToALineAndTheClosingSeparator) {
  const struct {
    int links;
    std::string expected;
  } cases[] = {
      {18, page_header(1) + kNoVolumeHeading + no_volume_line(1, 8) + no_volume_line(9, 16) + no_volume_line(17, 18) +
               kSeparator},
      {0, kSeparator},
  };
  for (const auto& c : cases) {
    ReportFixture f;
    add_no_volume_links(f, c.links);
    write_no_volume_list(f.out, f.e.acc.no_volume);
    EXPECT_EQ(f.report(), c.expected) << c.links << " links";
  }
}

// Line 21 begins a new page with the heading: 161 links fill 20 lines on
// the first page and one on the second.
TEST(NoVolumeList, TwentyLinesToAPage) {
  ReportFixture f;
  add_no_volume_links(f, 161);
  write_no_volume_list(f.out, f.e.acc.no_volume);
  std::string first_page = page_header(1) + kNoVolumeHeading;
  for (int line = 0; line < 20; ++line) first_page += no_volume_line(8 * line + 1, 8 * line + 8);
  EXPECT_EQ(f.report(), first_page + page_header(2) + kNoVolumeHeading + no_volume_line(161, 161) + kSeparator);
}

const std::string kTitle = " HIGHWAY EVALUATION -- YEAR/ALT (05A) -- SCREENLINE SUMMARIES\n\n";
const std::string kHeadingFirstLine =
    Line().at(2, "SCREENLINE").at(29, "TOTAL").at(40, "TOTAL").at(49, "VOLUME OVER").at(65, "F  A");
const std::string kValidationHeading = kTitle + kHeadingFirstLine +
                                       Line()
                                           .at(4, "NUMBER")
                                           .at(13, "ANODE")
                                           .at(19, "BNODE")
                                           .at(28, "VOLUME")
                                           .at(40, "COUNT")
                                           .at(49, "COUNT RATIO")
                                           .at(65, "T  T")
                                           .str() +
                                       "\n";
const std::string kAnalysisHeading = kTitle + kHeadingFirstLine +
                                     Line()
                                         .at(4, "NUMBER")
                                         .at(13, "ANODE")
                                         .at(19, "BNODE")
                                         .at(28, "VOLUME")
                                         .at(37, "CAPACITY")
                                         .at(46, "CAPACITY RATIO")
                                         .at(65, "T  T")
                                         .str() +
                                     "\n";

// One link line up to its area-type code.
Line link_line(std::string_view s, std::string_view a, std::string_view b, std::string_view vol, std::string_view ref,
               std::string_view ratio, std::string_view ft, std::string_view at) {
  Line line;
  line.fields(6, 2, {s}).fields(13, 5, {a}).fields(19, 5, {b}).fields(24, 11, {vol, ref}).fields(51, 6, {ratio});
  return line.fields(64, 2, {ft}).fields(67, 2, {at});
}

void add_link(ReportFixture& f, int s, ScreenlineEntry e) {
  ScreenlineTables& sl = f.e.acc.screenlines;
  sl.links[static_cast<std::size_t>(s)][static_cast<std::size_t>(++sl.nlinks[static_cast<std::size_t>(s)])] = e;
}
void set_total(ReportFixture& f, int s, float volume, float reference, float ratio) {
  ScreenlineTables& sl = f.e.acc.screenlines;
  sl.volume[static_cast<std::size_t>(s)] = volume;
  sl.reference[static_cast<std::size_t>(s)] = reference;
  sl.ratio[static_cast<std::size_t>(s)] = ratio;
}

// A link without a count, a node number above 99999, the one-direction
// remark at column 70, screenline 99 and the records of "SCRNLINE.ASC".
TEST(ScreenlineSummaries, ValidationLinesTotalsAndScreenline99) {
  ReportFixture f;
  f.side_files.start_screenline_file();
  f.e.classes.screenline_name[3].assign("NORTH CORDON");
  f.e.classes.screenline_name[99].assign("COUNT LINKS");
  add_link(f, 3, {101, 102, 1500, 1200, 1.25f, false, 1, 2});
  add_link(f, 3, {123456, 7, 800, 0, 0, false, 21, 3});
  add_link(f, 3, {150, 160, 700, 300, 700.0f / 300.0f, true, 3, 1});
  set_total(f, 3, 3000, 1500, 2);
  set_total(f, 99, 500, 400, 1.25f);
  ScreenlineTables& sl = f.e.acc.screenlines;
  sl.sl99_count = 1;
  sl.sl99[1] = {55, 66, 500, 400, 1.25f, 1, 1};

  write_screenline_summaries(f.out, f.e.acc.screenlines, f.e.classes.screenline_name, f.analysis,
                             &f.side_files.screenline_file());
  f.side_files.close_screenline_file();
  EXPECT_EQ(f.report(),
            page_header(1) + kValidationHeading +
                link_line("3", "101", "102", "1500.", "1200.", "1.25", "1", "2").at(70, std::string(46, ' ')).str() +
                link_line("3", "*****", "7", "800.", "0.", "0.00", "21", "3")
                    .at(73, "********** THIS LINK HAS NO COUNT **********")
                    .str() +
                link_line("3", "150", "160", "700.", "300.", "2.33", "3", "1")
                    .at(70, " ***CRITICAL*** MISSING COUNT IN ONE DIRECTION")
                    .str() +
                "\n" +
                Line()
                    .fields(6, 2, {"3"})
                    .at(16, "TOTALS")
                    .fields(24, 11, {"3000.", "1500."})
                    .fields(51, 6, {"2.00"})
                    .at(61, pad_to("NORTH CORDON", 40))
                    .str() +
                "\n\n" + link_line("99", "55", "66", "500.", "400.", "1.25", "1", "1").str() + "\n" +
                Line()
                    .at(6, "99")
                    .at(16, "TOTALS")
                    .fields(24, 11, {"500.", "400."})
                    .fields(51, 6, {"1.25"})
                    .at(58, pad_to("COUNT LINKS", 40))
                    .str() +
                "\n\n");
  EXPECT_EQ(f.dir.read(kScreenlineFile), "  3      3000.      1500.   2.00    " + pad_to("NORTH CORDON", 40) + "\n" +
                                             " 99       500.       400.   1.25    " + pad_to("COUNT LINKS", 40) + "\n");
}

// Without screenline codes: the title and heading; screenline 99 shows its
// zero total line in an analysis run only.
TEST(ScreenlineSummaries, NoScreenlinesInEitherRunType) {
  for (bool analysis : {false, true}) {
    ReportFixture f(10, 6, analysis);
    f.side_files.start_screenline_file();
    write_screenline_summaries(f.out, f.e.acc.screenlines, f.e.classes.screenline_name, f.analysis,
                               &f.side_files.screenline_file());
    f.side_files.close_screenline_file();
    const std::string blank_name(40, ' ');
    if (analysis) {
      EXPECT_EQ(f.report(), page_header(1) + kAnalysisHeading + "\n" +
                                Line()
                                    .at(6, "99")
                                    .at(16, "TOTALS")
                                    .fields(24, 11, {"0.", "0."})
                                    .fields(51, 6, {"0.00"})
                                    .at(58, blank_name)
                                    .str() +
                                "\n\n");
      EXPECT_EQ(f.dir.read(kScreenlineFile), " 99         0.         0.   0.00    " + blank_name + "\n");
    } else {
      EXPECT_EQ(f.report(), page_header(1) + kValidationHeading);
      EXPECT_EQ(f.dir.read(kScreenlineFile), "");
    }
  }
}

TEST(ScreenlineSummaries, AnalysisLinesNameTheCapacity) {
  ReportFixture f(10, 6, true);
  add_link(f, 12, {1, 2, 900, 0, 0, false, 2, 5});
  add_link(f, 12, {3, 4, 100, 2000, 0.05f, true, 2, 5});
  set_total(f, 12, 1000, 2000, 0.5f);
  write_screenline_summaries(f.out, f.e.acc.screenlines, f.e.classes.screenline_name, f.analysis, nullptr);
  const std::string report = f.report();
  EXPECT_NE(report.find(kAnalysisHeading +
                        link_line("12", "1", "2", "900.", "0.", "0.00", "2", "5")
                            .at(73, "********** THIS LINK HAS NO CAPACITY **********")
                            .str() +
                        link_line("12", "3", "4", "100.", "2000.", "0.05", "2", "5")
                            .at(70, " ***CRITICAL*** MISSING CAPACITY IN ONE DIRECTION")
                            .str() +
                        "\n"),
            std::string::npos);
}

// Each screenline reserves its links and four lines: the second screenline
// of 30 links does not fit below the first and begins a page under the
// repeated title and heading.
TEST(ScreenlineSummaries, AScreenlineThatDoesNotFitBeginsAPage) {
  ReportFixture f;
  for (int s : {1, 2}) {
    for (int k = 1; k <= 30; ++k) add_link(f, s, {100 * s + k, 1, 10, 10, 1, false, 1, 1});
    set_total(f, s, 300, 300, 1);
  }
  write_screenline_summaries(f.out, f.e.acc.screenlines, f.e.classes.screenline_name, f.analysis, nullptr);
  const std::string report = f.report();
  const std::size_t page2 = report.find(page_header(2));
  ASSERT_NE(page2, std::string::npos);
  EXPECT_EQ(report.find(page_header(3)), std::string::npos);
  EXPECT_EQ(report.substr(page2 - 3, 3), "\n\n\n");  // after the total of screenline 1
  const std::string page2_start =
      page_header(2) + kValidationHeading +
      link_line("2", "201", "1", "10.", "10.", "1.00", "1", "1").at(70, std::string(46, ' ')).str();
  EXPECT_EQ(report.substr(page2, page2_start.size()), page2_start);
  EXPECT_EQ(f.out.page().line_count, 34);
}

}  // namespace
}  // namespace korvo
