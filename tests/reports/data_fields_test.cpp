// The width checks of the data files: where a value stops fitting its
// field, and what a stop leaves in the file.
#include "reports/data_fields.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "common/errors.h"
#include "reports/side_files.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

TEST(DataFields, AWholeNumberFitsItsColumnsUpToTheLastDigit) {
  struct Case {
    std::int64_t value;
    int columns;
    bool fits;
  };
  const Case cases[] = {
      {999'999, 6, true},
      {1'000'000, 6, false},
      {-99'999, 6, true},
      {-100'000, 6, false},
      {9'999'999, 7, true},
      {10'000'000, 7, false},
      {0, 1, true},
      {-1, 1, false},
      {-9, 2, true},
      {999, 3, true},
      {1'000, 3, false},
      {-32'768, 4, false},
      {2'147'483'647, 10, true},
      {-2'147'483'648, 10, false},
      {0, 0, true},
      {-1, 0, false},
      {999'999'999'999'999'999, 18, true},
      {999'999'999'999'999'999, 25, true},
      {1'000'000'000'000'000'000, 25, false},
      {-99'999'999'999'999'999, 18, true},
      {-99'999'999'999'999'999, 19, true},
      {-100'000'000'000'000'000, 25, false},
      {std::numeric_limits<std::int64_t>::max(), 30, false},
      {std::numeric_limits<std::int64_t>::min(), 30, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fits_columns(c.value, c.columns), c.fits) << c.value << " in " << c.columns;
  }
}

TEST(DataFields, ARealFitsItsFieldAsRoundedWithItsPoint) {
  struct Case {
    double value;
    int columns, decimals;
    bool fits;
  };
  const Case cases[] = {
      {9999.99, 7, 2, true}, {10000.0, 7, 2, false}, {9999.996, 7, 2, false},         // rounds to 10000.00
      {-999.99, 7, 2, true}, {-1000.0, 7, 2, false}, {9'999'999'999.0, 11, 0, true},  // "9999999999."
      {1e10, 11, 0, false},  {0.0, 7, 2, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fits_columns(c.value, c.columns, c.decimals), c.fits) << c.value;
  }
}

TEST(DataFields, TheWayOutNamesTheFirstNumberTooWide) {
  EXPECT_EQ(first_too_wide(6), "1,000,000");
  EXPECT_EQ(first_too_wide(7), "10,000,000");
  EXPECT_EQ(first_too_wide(3), "1,000");
  EXPECT_EQ(first_too_wide(2), "100");
}

// KVSKIP.LNK: a facility-type code wider than its 4 columns stops the list
// before its line; the lines before it stay.
TEST(DataFields, TheSkipListStopsBeforeACodeTooWide) {
  testing::TempDir dir;
  SideFiles files{WorkDir(dir.path())};
  LinkRecord link;
  link.anode = 9'999'999;
  link.bnode = 20;
  link.area_type = 3;
  files.list_skipped_link(link, 12);
  const std::string listed = " LIST IS SKIPPED LINKS:\n\n  ANODE  BNODE  FT  AT\n\n9999999     20  12   3\n";
  try {
    files.list_skipped_link(link, -1000);
    ADD_FAILURE() << "no error";
  } catch (const WriteError& e) {
    EXPECT_EQ(std::string(e.console_line()),
              " KVSKIP.LNK: link 9999999-20, FT -1000 does not fit its 4 columns; correct the link's FT code in the "
              "link file");
  }
  link.anode = 10'000'000;
  EXPECT_THROW(files.list_skipped_link(link, 12), WriteError);
  files.close();
  EXPECT_EQ(dir.read("KVSKIP.LNK"), listed);
}

}  // namespace
}  // namespace korvo
