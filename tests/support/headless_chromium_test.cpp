// The rendering helper itself: a blank page must read as blank and a drawn
// one as drawn, or the page tests that rely on it could not fail.
#include "support/headless_chromium.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace korvo::testing {
namespace {

constexpr const char* kBlankPage = "<!DOCTYPE html><html><body style=\"background:#fff\"></body></html>";
constexpr const char* kDrawnPage =
    "<!DOCTYPE html><html><body><h1>Heading</h1>"
    "<svg width=\"300\" height=\"200\"><rect x=\"10\" y=\"10\" width=\"120\" height=\"80\" fill=\"#0072b2\" />"
    "<circle cx=\"200\" cy=\"100\" r=\"40\" fill=\"#e69f00\" /></svg>"
    "<p style=\"break-before:page\">Second sheet</p><p style=\"break-before:page\">Third sheet</p></body></html>";

TEST(HeadlessChromium, TellsABlankPageFromADrawnOneAndCountsPdfPages) {
  const auto chromium = chromium_path();
  if (!chromium) GTEST_SKIP() << "chromium is not installed";
  TempDir dir;
  dir.write("blank.html", kBlankPage);
  dir.write("drawn.html", kDrawnPage);

  const RenderResult blank = render_png(*chromium, dir.file("blank.html"), dir.file("blank.png"), 400, 300);
  ASSERT_TRUE(blank.ok) << blank.log;
  const RenderResult drawn = render_png(*chromium, dir.file("drawn.html"), dir.file("drawn.png"), 400, 300);
  ASSERT_TRUE(drawn.ok) << drawn.log;
  const auto blank_pixels = inspect_png(dir.file("blank.png"));
  if (!blank_pixels) GTEST_SKIP() << "python3 is not installed";
  const auto drawn_pixels = inspect_png(dir.file("drawn.png"));
  ASSERT_TRUE(drawn_pixels);

  EXPECT_EQ(blank_pixels->width, 400);
  EXPECT_EQ(blank_pixels->height, 300);
  EXPECT_EQ(blank_pixels->distinct_colours, 1);
  EXPECT_EQ(blank_pixels->non_background_share, 0.0);
  EXPECT_EQ(drawn_pixels->width, 400);
  EXPECT_GE(drawn_pixels->distinct_colours, 3);
  // The rectangle alone covers 9,600 of the 120,000 pixels.
  EXPECT_GT(drawn_pixels->non_background_share, 0.08);

  const RenderResult pdf = render_pdf(*chromium, dir.file("drawn.html"), dir.file("drawn.pdf"));
  ASSERT_TRUE(pdf.ok) << pdf.log;
  EXPECT_EQ(pdf_page_count(dir.file("drawn.pdf")), 3);
}

TEST(HeadlessChromium, RefusesFilesOfAnotherKind) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  TempDir dir;
  dir.write("page.html", kBlankPage);
  EXPECT_THROW(inspect_png(dir.file("page.html")), std::runtime_error);
  EXPECT_THROW(pdf_page_count(dir.file("page.html")), std::runtime_error);
}

}  // namespace
}  // namespace korvo::testing
