// "HRLDXY2.ASC": the two-way records of the worked examples, the stops on bad
// records and limits, and the largest table the conversion holds.

#include "reports/two_way_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/errors.h"
#include "support/ascii_records.h"

namespace korvo {
namespace {

using testing::ascii_record;
using testing::two_way_record;

// Collects records into one text, each followed by "\n".
class TextSink final : public RecordSink {
 public:
  void write_record(std::string_view record) override {
    text.append(record);
    text.push_back('\n');
  }
  std::string text;
};

std::string convert(const std::string& ascii, int slots, bool counts) {
  TextReader reader = TextReader::from_memory(ascii, "HRLDXY.ASC");
  TextSink sink;
  convert_to_two_way(reader, sink, slots, counts);
  return sink.text;
}

TEST(TwoWayFileTest, WritesTheRecordsOfEachWorkedExample) {
  struct Case {
    const char* what;
    std::string ascii;
    int slots;
    bool counts;
    std::string expected;
  };
  const Case cases[] = {
      {"a pair written once, from 10-20", ascii_record(10, 20, 2, 500, 1800) + ascii_record(20, 10, 1, 300, 900), 1,
       false, two_way_record(10, 20, 3, 2, 2, 500, 1800, 300, 900, 1)},
      {"a link without its opposite direction", ascii_record(10, 20, 2, 500, 1800) + ascii_record(20, 30, 1, 300, 900),
       1, false,
       two_way_record(10, 20, 3, 2, 2, 500, 1800, 0, 0, 0) + two_way_record(20, 30, 3, 2, 1, 300, 900, 0, 0, 0)},
      {"slot volumes summed over both directions",
       ascii_record(10, 20, 2, 500, 1800, {100, 150, 250}) + ascii_record(20, 10, 2, 300, 1800, {30, 70, 200}), 3,
       false, two_way_record(10, 20, 3, 2, 2, 500, 1800, 300, 1800, 2, {130, 220, 450})},
      {"the count is skipped before the slot volumes",
       ascii_record(10, 20, 2, 500, 1800, {444, 200, 300}) + ascii_record(20, 10, 2, 300, 1800, {555, 100, 200}), 2,
       true, two_way_record(10, 20, 3, 2, 2, 500, 1800, 300, 1800, 2, {300, 500})},
      {"one slot: the count is not a slot volume", ascii_record(10, 20, 2, 500, 1800, {444}), 1, true,
       two_way_record(10, 20, 3, 2, 2, 500, 1800, 0, 0, 0)},
      {"no slots", ascii_record(10, 20, 2, 500, 1800) + ascii_record(20, 10, 1, 300, 900), 0, false,
       two_way_record(10, 20, 3, 2, 2, 500, 1800, 300, 900, 1)},
      {"columns 13-39 travel from the written record",
       ascii_record(10, 20, 2, 500, 1800, {}, 7, 8) + ascii_record(20, 10, 1, 300, 900, {}, 5, 6), 1, false,
       two_way_record(10, 20, 7, 8, 2, 500, 1800, 300, 900, 1)},
      // Unsorted: the scan for 5-1 stops at once (A-node 5 exceeds 1), so 5-1
      // stands alone, while 1-5 finds 5-1 and is written with it.
      {"the scan stops early on an unsorted file", ascii_record(5, 1, 1, 70, 700) + ascii_record(1, 5, 1, 30, 300), 1,
       false, two_way_record(5, 1, 3, 2, 1, 70, 700, 0, 0, 0) + two_way_record(1, 5, 3, 2, 1, 30, 300, 70, 700, 1)},
      {"sums at the width of their fields",
       ascii_record(1, 2, 9, 9000000, 5, {}) + ascii_record(2, 1, 9, 999999, 5, {}), 1, false,
       "     1     2  3  2  9  0  125  101  130"
       "9000000      5 999999      59999999     10  9 18\n"},
      {"a short record reads blanks as zeros", "    10    20\n", 1, false,
       "    10    20" + std::string(27, ' ') + "      0      0      0      0      0      0  0  0\n"},
      {"an empty file", "", 1, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(convert(c.ascii, c.slots, c.counts), c.expected);
  }
}

TEST(TwoWayFileTest, BadRecordsAndLimitsStopWithTheirLimit) {
  struct Case {
    const char* what;
    std::string ascii;
    int slots;
    std::string message;
  };
  const Case cases[] = {
      {"volume not a number",
       ascii_record(10, 20, 2, 500, 1800) + "    20    10  3  2  1  0  125  101  130  12.5     900\n", 1,
       " HRLDXY.ASC, line 2, columns 40-46 (volume): expected an integer, found \"  12.5 \""},
      {"overflowed volume", "    20    10  3  2  1  0  125  101  130*******    900\n", 1,
       " HRLDXY.ASC, line 1, columns 40-46 (volume): expected an integer, found \"*******\""},
      {"slot volume not a number",
       ascii_record(10, 20, 2, 500, 1800) + "    20    10  3  2  1  0  125  101  130    300    900      x\n", 2,
       " HRLDXY.ASC, line 2, columns 54-60 (slot volume): expected an integer, found \"      x\""},
      {"eleven slots", ascii_record(10, 20, 2, 500, 1800), 11,
       " HRLDXY.ASC (volume slots): the two-way conversion holds at most 10 slot volumes per link, the network has 11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      convert(c.ascii, c.slots, false);
      ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

// A sum too wide for its field stops the conversion before that record,
// naming the pair, the field, the value and the way out; the records before
// it are written.
TEST(TwoWayFileTest, ASumTooWideForItsFieldStopsBeforeTheRecord) {
  struct Case {
    const char* what;
    std::string ascii;
    int slots;
    std::string message;
  };
  const std::string first = ascii_record(10, 20, 2, 500, 1800);
  const Case cases[] = {
      {"total volume", ascii_record(1, 2, 9, 9000000, 5, {}) + ascii_record(2, 1, 9, 2000000, 5, {}), 1,
       " HRLDXY2.ASC: link 1-2, TOTAL VOLUME 11000000 does not fit its 7 columns; turn \"TWOWAY\" off in PROFILE.MAS"},
      {"total lanes", ascii_record(1, 2, 600, 10, 5, {}) + ascii_record(2, 1, 600, 10, 5, {}), 1,
       " HRLDXY2.ASC: link 1-2, TOTAL LANES 1200 does not fit its 3 columns; turn \"TWOWAY\" off in PROFILE.MAS"},
      {"slot volume", ascii_record(1, 2, 2, 10, 5, {6000000, 1}) + ascii_record(2, 1, 2, 10, 5, {5000000, 1}), 2,
       " HRLDXY2.ASC: link 1-2, SLOT 1 VOLUME 11000000 does not fit its 7 columns; turn \"TWOWAY\" off in "
       "PROFILE.MAS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string ascii =
        ascii_record(0, 0, 1, 1, 1, std::vector<int>(static_cast<std::size_t>(c.slots), 1)) + c.ascii;
    TextReader reader = TextReader::from_memory(ascii, "HRLDXY.ASC");
    TextSink sink;
    try {
      convert_to_two_way(reader, sink, c.slots, false);
      ADD_FAILURE() << "no error";
    } catch (const WriteError& e) {
      EXPECT_EQ(std::string(e.console_line()), c.message);
    }
    EXPECT_EQ(sink.text.substr(0, 12), "     0     0");
    EXPECT_EQ(std::count(sink.text.begin(), sink.text.end(), '\n'), 1);
  }
}

// A full table: 100,000 pairs in ascending A-node order and one link
// without a partner. The file-order scan would take about 10^10 steps here.
TEST(TwoWayFileTest, ConvertsTheLargestTableAllowed) {
  std::string ascii;
  std::string expected;
  ascii.reserve(static_cast<std::size_t>(kMaxTwoWayRecords) * 54);
  for (int k = 1; k <= 100'000; ++k) {
    const int volume = k % 5000;
    ascii += ascii_record(2 * k - 1, 2 * k, 2, volume, 1800);
    ascii += ascii_record(2 * k, 2 * k - 1, 1, volume + 7, 900);
    expected += two_way_record(2 * k - 1, 2 * k, 3, 2, 2, volume, 1800, volume + 7, 900, 1);
  }
  ascii += ascii_record(200'001, 5, 3, 42, 600);
  expected += two_way_record(200'001, 5, 3, 2, 3, 42, 600, 0, 0, 0);
  const std::string out = convert(ascii, 1, false);
  EXPECT_EQ(out.size(), expected.size());
  EXPECT_TRUE(out == expected);

  ascii += ascii_record(200'002, 5, 3, 42, 600);
  try {
    convert(ascii, 1, false);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), " HRLDXY.ASC, line 200002: the two-way conversion holds at most 200001 links");
  }
}

}  // namespace
}  // namespace korvo
