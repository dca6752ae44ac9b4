#pragma once
// Renders a page in headless Chromium for the rendering tests: to a PNG
// screenshot at a window width and to a PDF, and inspects the results (a
// PNG's size and how varied its pixels are, a PDF's page count) with
// python3. Chromium is optional: chromium_path() is empty where it is not
// installed, and the tests skip (GTEST_SKIP) then; likewise without python3.
//
//   auto chromium = chromium_path();
//   if (!chromium) GTEST_SKIP() << "chromium is not installed";
//   RenderResult png = render_png(*chromium, page, dir.file("desktop.png"), 1280, 2400);
//   ASSERT_TRUE(png.ok) << png.log;
//   auto pixels = inspect_png(dir.file("desktop.png"));
//   EXPECT_GE(pixels->distinct_colours, 16);

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace korvo::testing {

// The Chromium program ("chromium" or "chromium-browser" on the PATH, or
// $KORVO_CHROMIUM when set); nullopt when there is none.
std::optional<std::string> chromium_path();

// What one Chromium run did: ok when it exited with status 0 and wrote the
// output file; log holds what it printed (for a failing test's message).
struct RenderResult {
  bool ok = false;
  std::string log;
};

// A screenshot of the page in a window of width x height pixels (the page's
// top; Chromium does not capture beyond the window).
RenderResult render_png(const std::string& chromium, const std::filesystem::path& page,
                        const std::filesystem::path& png, int width, int height);

// The page printed to PDF with the page's own print styles (Chromium's
// default paper: Letter), without Chromium's header and footer lines.
RenderResult render_pdf(const std::string& chromium, const std::filesystem::path& page,
                        const std::filesystem::path& pdf);

// A decoded PNG: its size, the number of distinct colours among its pixels,
// and the share of pixels (0..1) that differ from the most common colour
// (the background). A blank page has one colour and a share of 0.
struct PngSummary {
  int width = 0;
  int height = 0;
  std::int64_t distinct_colours = 0;
  double non_background_share = 0;
};

// nullopt when python3 is missing; throws std::runtime_error when the file
// is not a PNG the checker can decode (8-bit, not interlaced).
std::optional<PngSummary> inspect_png(const std::filesystem::path& png);

// The number of pages of a PDF (its /Type /Page objects, looked for in the
// compressed object streams too); nullopt when python3 is missing; throws
// std::runtime_error when the file is not a PDF.
std::optional<int> pdf_page_count(const std::filesystem::path& pdf);

}  // namespace korvo::testing
