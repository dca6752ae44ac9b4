// The report object: the page header of both variants, the page and line
// counting behind reserve and new_page, and the run stamp.

#include "reports/report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace korvo {
namespace {

std::string padded(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }

class ReportTest : public ::testing::Test {
 protected:
  ReportTest() {
    report.create(dir.file("KORVO.OUT"), "KORVO.OUT");
    report.titles().line1.assign("NETWORK TITLE");
    report.titles().line2.assign("SECOND");
    report.titles().line3.assign("THIRD");
    report.stamp().date.assign("04JUL26 ");
    report.stamp().time.assign("09:05:07");
  }
  // The records written so far.
  std::vector<std::string> records() {
    report.flush();
    std::vector<std::string> lines;
    const std::string text = dir.read("KORVO.OUT");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }
  // Begins page n by forcing new pages.
  void go_to_page(int n) {
    while (report.page().page_number < n) report.new_page();
  }

  testing::TempDir dir;
  Report report;
};

class PageHeaderTest : public ::testing::Test {
 protected:
  PageHeaderTest() {
    titles.line1.assign("NETWORK TITLE");
    titles.line2.assign("SECOND");
    titles.line3.assign("THIRD");
    stamp.date.assign("04JUL26 ");
    stamp.time.assign("09:05:07");
  }
  TitleLines titles;
  RunStamp stamp;
  StringSink out;
};

TEST_F(PageHeaderTest, WritesFiveRecordsOfThePlanningPackageVariant) {
  write_page_header(out, 6, titles, stamp, false);
  ASSERT_EQ(out.records.size(), 5u);
  EXPECT_EQ(out.records[0], " \f");
  EXPECT_EQ(out.records[1], "  NORDAL PLANNING " + std::string(8, ' ') + padded("NETWORK TITLE", 80) +
                                std::string(12, ' ') + "PAGE NO.     6");
  EXPECT_EQ(out.records[2], "  VANTRIKS SYSTEM " + std::string(8, ' ') + padded("SECOND", 80) + std::string(12, ' ') +
                                "DATE   04JUL26");
  EXPECT_EQ(out.records[3],
            "    VERSION 9.2   " + std::string(8, ' ') + padded("THIRD", 80) + std::string(12, ' ') + "TIME  09:05:07");
  EXPECT_EQ(out.records[4], " ");
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(out.records[static_cast<std::size_t>(r)].size(), 132u);
}

TEST_F(PageHeaderTest, AgencyVariantAndBlankTitles) {
  write_page_header(out, 123456, TitleLines{}, stamp, true);
  EXPECT_EQ(out.records[1], "   ZEFALIA D.O.T. " + std::string(100, ' ') + "PAGE NO.123456");
  EXPECT_EQ(out.records[2], "       VELMAR     " + std::string(100, ' ') + "DATE   04JUL26");
  EXPECT_EQ(out.records[3], "      VER 5.50    " + std::string(100, ' ') + "TIME  09:05:07");
}

TEST_F(PageHeaderTest, APageNumberTooWideForSixColumnsPrintsAsterisks) {
  write_page_header(out, 1000000, titles, stamp, false);
  EXPECT_EQ(out.records[1].substr(118), "PAGE NO.******");
}

// The report writes the header of its own variant and titles when a page
// begins.
TEST_F(ReportTest, ANewPageBeginsWithTheHeaderOfItsVariant) {
  report.agency_header = true;
  go_to_page(2);
  const std::vector<std::string> out = records();
  ASSERT_EQ(out.size(), 10u);
  EXPECT_EQ(out[6], "   ZEFALIA D.O.T. " + std::string(8, ' ') + padded("NETWORK TITLE", 80) + std::string(12, ' ') +
                        "PAGE NO.     2");
}

TEST_F(ReportTest, TheFirstReservationWritesNothingUnlessAPageIsForced) {
  EXPECT_FALSE(report.reserve(1));
  EXPECT_EQ(report.page().line_count, 1);
  EXPECT_TRUE(records().empty());

  report.new_page();
  EXPECT_TRUE(report.page().page_started);
  EXPECT_FALSE(report.page().force_new_page);
  EXPECT_EQ(report.page().page_number, 1);
  EXPECT_EQ(report.page().line_count, 1);  // the lines last reserved
  EXPECT_EQ(records().size(), 5u);
}

TEST_F(ReportTest, CountsLinesAgainstTheBudgetOfFiftyOne) {
  go_to_page(3);
  EXPECT_FALSE(report.reserve(44));
  EXPECT_FALSE(report.reserve(5));
  EXPECT_EQ(report.page().line_count, 50);
  EXPECT_EQ(records().size(), 15u);

  EXPECT_TRUE(report.reserve(1));
  EXPECT_EQ(report.page().page_number, 4);
  EXPECT_EQ(report.page().line_count, 1);
  EXPECT_EQ(records()[16].substr(118), "PAGE NO.     4");

  // A block that does not fit goes whole onto the new page.
  EXPECT_FALSE(report.reserve(39));
  EXPECT_TRUE(report.reserve(20));
  EXPECT_EQ(report.page().line_count, 20);
}

// A new page keeps the count of lines last reserved: after a reservation of
// 12 the new page starts at 12.
TEST_F(ReportTest, ANewPageStartsFromTheLinesLastReserved) {
  report.reserve(12);
  report.new_page();
  EXPECT_EQ(report.page().line_count, 12);
  EXPECT_EQ(report.page().lines_to_add, 12);
  EXPECT_FALSE(report.reserve(38));  // 50
  EXPECT_TRUE(report.reserve(1));
}

TEST_F(ReportTest, AForcedPageOnAnEmptyPageStillBeginsANewOne) {
  report.new_page();
  report.new_page();
  EXPECT_EQ(report.page().page_number, 2);
  EXPECT_EQ(records().size(), 10u);
}

TEST(RunStampTest, DateAndTimeLayouts) {
  struct Case {
    LocalTime now;
    std::string date;
    std::string time;
  };
  const std::vector<Case> cases = {
      {{2026, 7, 4, 9, 5, 7}, "04JUL26 ", "09:05:07"},
      {{2000, 1, 31, 0, 0, 0}, "31JAN00 ", "00:00:00"},
      {{1999, 12, 9, 23, 59, 59}, "09DEC99 ", "23:59:59"},
      {{2010, 10, 10, 10, 10, 10}, "10OCT10 ", "10:10:10"},
  };
  for (const auto& c : cases) {
    const RunStamp stamp = make_run_stamp(c.now);
    EXPECT_EQ(stamp.date.view(), c.date);
    EXPECT_EQ(stamp.time.view(), c.time);
  }
}

}  // namespace
}  // namespace korvo
