#include "reports/description_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "reports/report.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

std::string front_pages(std::string_view run_type) {
  StringSink sink;
  write_description_pages(sink, make_run_stamp(testing::fixed_clock()), run_type);
  return sink.joined();
}

TEST(DescriptionPages, ValidationRunFrontPagesMatchTheExpectedText) {
  const std::string expected = testing::read_file(KORVO_SOURCE_DIR "/tests/golden/pages/validation_front_pages.txt");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(front_pages("VALIDATE"), expected);
}

TEST(DescriptionPages, RunTypeLineNamesTheRun) {
  const std::string validate = front_pages("VALIDATE");
  const std::string analysis = front_pages("ANALYSIS");
  const std::string validate_line = "\n TYPE OF RUN:\n\n      VALIDATE\n\f";
  const std::string analysis_line = "\n TYPE OF RUN:\n\n      ANALYSIS\n\f";
  EXPECT_NE(validate.find(validate_line), std::string::npos);
  EXPECT_NE(analysis.find(analysis_line), std::string::npos);
  // Nothing else differs.
  std::string swapped = analysis;
  swapped.replace(swapped.find(analysis_line), analysis_line.size(), validate_line);
  EXPECT_EQ(swapped, validate);
}

TEST(DescriptionPages, ConstructionCodeDefinitions) {
  StringSink sink;
  write_construction_code_definitions(sink);
  EXPECT_EQ(sink.joined(),
            "\n"
            "     KORVO USES CONSTRUCTION CODES TO CALCULATE NEW AND IMPROVED\n"
            "     LANE MILES AND CONSTRUCTION COSTS. THE CODE DEFINITIONS ARE:\n"
            "\n"
            "          CODE\n"
            "           1  -  ADD 2 LANES, FT REMAINS SAME (ONE WAY - ADD 1 LANE)\n"
            "           2  -  ADD 4 LANES, FT REMAINS SAME (ONE WAY - ADD 2 LANES)\n"
            "           3  -  ADD 6 LANES, FT REMAINS SAME (ONE WAY - ADD 3 LANES)\n"
            "           4  -  ADD 2 LANES, UPGRADE FT BY 1\n"
            "           5  -  ADD 2 LANES, UPGRADE FT BY 2\n"
            "           6  -  ADD 4 LANES, UPGRADE FT BY 1\n"
            "           7  -  NEW CONSTRUCTION - 2 LANES (ONE WAY - 1 LANE)\n"
            "           8  -  NEW CONSTRUCTION - 4 LANES (ONE WAY - 2 LANES)\n"
            "           9  -  NEW CONSTRUCTION - 6 LANES (ONE WAY - 3 LANES)\n"
            "           0  -  NO NEW CONSTRUCTION\n"
            "\n"
            "\n"
            "\n");
}

}  // namespace
}  // namespace korvo
