#include "reports/page_header.h"

#include <gtest/gtest.h>

namespace korvo {
namespace {

class PageHeaderTest : public ::testing::Test {
 protected:
  PageHeaderTest() {
    titles.line1.assign("NETWORK TITLE");
    titles.line2.assign("SECOND");
    titles.line3.assign("THIRD");
    stamp.date.assign("04JUL26 ");
    stamp.time.assign("09:05:07");
  }
  PageHeaderText text() const { return {&titles, &stamp}; }

  TitleLines titles;
  RunStamp stamp;
  PageState page;
  StringSink out;
};

std::string padded(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }

TEST_F(PageHeaderTest, WritesFiveRecordsOfThePlanningPackageVariant) {
  page.page_number = 6;
  write_page_header(page, text(), out);
  ASSERT_EQ(out.records.size(), 5u);
  EXPECT_EQ(out.records[0], " \f");
  EXPECT_EQ(out.records[1], "  NORDAL PLANNING " + std::string(8, ' ') + padded("NETWORK TITLE", 80) +
                                std::string(12, ' ') + "PAGE NO.     6");
  EXPECT_EQ(out.records[2], "  VANTRIKS SYSTEM " + std::string(8, ' ') + padded("SECOND", 80) + std::string(12, ' ') +
                                "DATE   04JUL26");
  EXPECT_EQ(out.records[3], "    VERSION 9.2   " + std::string(8, ' ') + padded("THIRD", 80) + std::string(12, ' ') +
                                "TIME  09:05:07");
  EXPECT_EQ(out.records[4], " ");
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(out.records[static_cast<std::size_t>(r)].size(), 132u);
}

TEST_F(PageHeaderTest, AgencyVariantAndBlankTitles) {
  page.agency_header = true;
  page.page_number = 123456;
  titles = TitleLines{};
  write_page_header(page, text(), out);
  EXPECT_EQ(out.records[1], "   ZEFALIA D.O.T. " + std::string(100, ' ') + "PAGE NO.123456");
  EXPECT_EQ(out.records[2], "       VELMAR     " + std::string(100, ' ') + "DATE   04JUL26");
  EXPECT_EQ(out.records[3], "      VER 5.50    " + std::string(100, ' ') + "TIME  09:05:07");
}

TEST_F(PageHeaderTest, APageNumberTooWideForSixColumnsPrintsAsterisks) {
  page.page_number = 1000000;
  write_page_header(page, text(), out);
  EXPECT_EQ(out.records[1].substr(118), "PAGE NO.******");
}

TEST_F(PageHeaderTest, FirstCallWritesNothingUnlessForced) {
  check_page_break(page, text(), out);
  EXPECT_FALSE(page.page_started);
  EXPECT_EQ(page.line_count, 1);
  EXPECT_TRUE(out.records.empty());

  page.force_new_page = true;
  check_page_break(page, text(), out);
  EXPECT_TRUE(page.page_started);
  EXPECT_FALSE(page.force_new_page);
  EXPECT_EQ(page.page_number, 1);
  EXPECT_EQ(page.line_count, 1);
  EXPECT_EQ(out.records.size(), 5u);
}

TEST_F(PageHeaderTest, CountsLinesAgainstTheBudgetOfFiftyOne) {
  page.page_number = 3;
  page.line_count = 45;
  page.lines_to_add = 5;
  check_page_break(page, text(), out);
  EXPECT_FALSE(page.page_started);
  EXPECT_EQ(page.line_count, 50);
  EXPECT_TRUE(out.records.empty());

  page.lines_to_add = 1;
  check_page_break(page, text(), out);
  EXPECT_TRUE(page.page_started);
  EXPECT_EQ(page.page_number, 4);
  EXPECT_EQ(page.line_count, 1);
  EXPECT_EQ(out.records[1].substr(118), "PAGE NO.     4");

  // A block that does not fit goes whole onto the new page.
  page.line_count = 40;
  page.lines_to_add = 20;
  check_page_break(page, text(), out);
  EXPECT_TRUE(page.page_started);
  EXPECT_EQ(page.line_count, 20);
}

TEST_F(PageHeaderTest, AForcedPageOnAnEmptyPageStillBeginsANewOne) {
  page.force_new_page = true;
  check_page_break(page, text(), out);
  page.force_new_page = true;
  check_page_break(page, text(), out);
  EXPECT_EQ(page.page_number, 2);
  EXPECT_EQ(out.records.size(), 10u);
}

}  // namespace
}  // namespace korvo
