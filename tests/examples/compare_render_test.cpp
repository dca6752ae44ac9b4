// COMPARE.HTML of the bundled comparison (examples/main-street) rendered in
// headless Chromium like a planner opens it: at desktop and at phone width,
// and printed to PDF. Skipped without chromium or python3.
//
// With KORVO_UPDATE_EXAMPLES (scripts/regenerate.sh examples) the desktop
// screenshot is kept as docs/compare.png, the picture the README shows.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "support/headless_chromium.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;

const fs::path kRenderedPage =
    fs::path(KORVO_SOURCE_DIR) / "examples" / "main-street" / "compare" / "expected" / "COMPARE.HTML";
const fs::path kReadmePicture = fs::path(KORVO_SOURCE_DIR) / "docs" / "compare.png";

struct Screen {
  const char* name;
  int width;
  int height;
};

TEST(CompareRendering, TheBundledComparisonShowsAtDesktopAndPhoneWidthAndPrints) {
  ASSERT_TRUE(fs::exists(kRenderedPage)) << kRenderedPage << " is missing; run scripts/regenerate.sh examples";
  const auto chromium = testing::chromium_path();
  if (!chromium) GTEST_SKIP() << "chromium is not installed";
  testing::TempDir dir;

  for (const Screen& screen : {Screen{"desktop", 1280, 1800}, Screen{"phone", 375, 1800}}) {
    SCOPED_TRACE(screen.name);
    const fs::path png = dir.file(std::string(screen.name) + ".png");
    const testing::RenderResult shot = testing::render_png(*chromium, kRenderedPage, png, screen.width, screen.height);
    ASSERT_TRUE(shot.ok) << shot.log;
    const auto pixels = testing::inspect_png(png);
    if (!pixels) GTEST_SKIP() << "python3 is not installed";
    EXPECT_EQ(pixels->width, screen.width);
    EXPECT_EQ(pixels->height, screen.height);
    // Text, table rules and the coloured bars of the changes: a page that
    // failed to draw (or drew only a heading) has a handful of colours on
    // an almost empty background.
    EXPECT_GE(pixels->distinct_colours, 16);
    EXPECT_GT(pixels->non_background_share, 0.04);
    if (std::string(screen.name) == "desktop" && std::getenv("KORVO_UPDATE_EXAMPLES") != nullptr) {
      fs::create_directories(kReadmePicture.parent_path());
      fs::copy_file(png, kReadmePicture, fs::copy_options::overwrite_existing);
    }
  }

  const fs::path pdf = dir.file("COMPARE.pdf");
  const testing::RenderResult printed = testing::render_pdf(*chromium, kRenderedPage, pdf);
  ASSERT_TRUE(printed.ok) << printed.log;
  const auto pages = testing::pdf_page_count(pdf);
  if (!pages) GTEST_SKIP() << "python3 is not installed";
  // Every section starts a sheet; a table or a chart is at worst pushed to
  // a sheet of its own, so there are never more sheets than sections,
  // tables and charts (a page that printed a row a sheet would be).
  const std::string html = testing::read_file(kRenderedPage);
  const auto count = [&](std::string_view tag) {
    std::size_t n = 0;
    for (std::size_t at = html.find(tag); at != std::string::npos; at = html.find(tag, at + 1)) ++n;
    return static_cast<int>(n);
  };
  const int sections = count("<section");
  ASSERT_GE(sections, 4);  // the runs, the headline, by facility type, by area type
  EXPECT_GE(*pages, sections);
  EXPECT_LE(*pages, sections + count("<table") + count("<figure"));
}

}  // namespace
}  // namespace korvo
