// The rate pages of an analysis run, against their expected text.

#include "reports/rate_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "support/rates_files.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

TEST(WriteRatePages, AnalysisRatePagesMatchTheExpectedText) {
  const std::string file = testing::rates_file(75, testing::golden_rates);
  TextReader reader = TextReader::from_memory(file, "KVRATES.SYN");
  RateTables t;
  read_rate_tables(reader, t);
  StringSink sink;
  write_rate_pages(sink, t);
  const std::string expected = testing::read_file(KORVO_SOURCE_DIR "/tests/golden/pages/analysis_rate_pages.txt");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(sink.joined(), expected);
}

}  // namespace
}  // namespace korvo
