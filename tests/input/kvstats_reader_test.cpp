#include "input/kvstats_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "run_csv_fixtures.h"

namespace korvo {
namespace {

RunStats read_stats(const std::string& bytes) {
  return KvStatsReader::read(ByteStream::from_memory(bytes, "run1/KVSTATS.CSV"));
}

std::string stats_file_error(const std::string& bytes) {
  try {
    read_stats(bytes);
  } catch (const FileError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(KvStatsReader, ReadsEverySection) {
  const RunStats stats = read_stats(fixtures::validation_stats().text());
  ASSERT_EQ(stats.rows.size(), 19u);
  const StatsFileRow& rmse = stats.rows[0];
  EXPECT_EQ(rmse.section, StatsSection::kAreawide);
  EXPECT_EQ(rmse.key, "rmse");
  EXPECT_EQ(rmse.label, "All counted links");
  EXPECT_EQ(rmse.get(StatsFigure::kLinks), 30);
  EXPECT_EQ(rmse.get(StatsFigure::kRmsePct), 32.5);
  EXPECT_EQ(rmse.get(StatsFigure::kR2), 0.91);
  EXPECT_EQ(rmse.get(StatsFigure::kTargetPreferable), 30);
  EXPECT_EQ(rmse.result, Verdict::kAcceptable);
  EXPECT_EQ(rmse.line, 2);

  const StatsFileRow& group = stats.rows[2];
  EXPECT_EQ(group.section, StatsSection::kCountGroup);
  EXPECT_EQ(group.key, "0-4999");
  EXPECT_FALSE(group.has(StatsFigure::kVmtRatio));
  EXPECT_TRUE(group.has(StatsFigure::kRmsePct));

  EXPECT_EQ(stats.rows[6].result, Verdict::kOutside);
  EXPECT_EQ(stats.rows[4].result, Verdict::kPreferable);
  const StatsFileRow& geh = stats.rows[10];
  EXPECT_EQ(geh.section, StatsSection::kGeh);
  EXPECT_EQ(geh.result, Verdict::kNone);
  for (std::size_t f = 0; f < kStatsFigureCount; ++f) EXPECT_FALSE(geh.present[f]);
  EXPECT_EQ(stats.rows.back().section, StatsSection::kCheck);
  EXPECT_EQ(stats.rows.back().key, "speed_implausible");
}

TEST(KvStatsReader, NamesMatchTheHeader) {
  std::string header = "section,key,label";
  for (std::size_t f = 0; f < kStatsFigureCount; ++f)
    header += "," + std::string(stats_figure_name(static_cast<StatsFigure>(f)));
  EXPECT_EQ(header + ",result", KvStatsReader::kHeader);
  for (const auto s : {StatsSection::kAreawide, StatsSection::kCheck}) {
    const std::string row = std::string(stats_section_name(s)) + ",k,,,,,,,,,,,,,\n";
    EXPECT_EQ(read_stats(std::string(KvStatsReader::kHeader) + "\n" + row).rows.at(0).section, s);
  }
}

TEST(KvStatsReader, RefusesWhatItCannotRead) {
  const std::string head = std::string(KvStatsReader::kHeader) + "\n";
  const std::string refused_header =
      " run1/KVSTATS.CSV, line 1: expected the header row \"" + std::string(KvStatsReader::kHeader) +
      "\" of this KORVO's format version 1; the file is of another version or not a KVSTATS.CSV: run KORVO again on it";
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"a header with one more column", std::string(KvStatsReader::kHeader) + ",geh\n", refused_header},
      {"a header in another order",
       "key,section,label,links,count_sum,volume_sum,ratio,rmse_pct,vmt_count,vmt_volume,vmt_ratio,r2,"
       "target_acceptable,target_preferable,result\n",
       refused_header},
      {"empty file", "", refused_header},
      {"unknown section", head + "totals,x,,,,,,,,,,,,,\n",
       " run1/KVSTATS.CSV, line 2, column 1 (section): expected areawide, count_group, ft_class, at_class, screenline, "
       "geh, mdd or check, found \"totals\""},
      {"no key", head + "mdd,,,,,,,,,,,,,,\n",
       " run1/KVSTATS.CSV, line 2, column 5 (key): expected the row's key, found nothing"},
      {"part of a link", head + "mdd,within,,2.5,,,,,,,,,,,\n",
       " run1/KVSTATS.CSV, line 2, column 13 (links): expected a whole number of links, found \"2.5\""},
      {"text for a figure", head + "mdd,within,,2,,,n/a,,,,,,,,\n",
       " run1/KVSTATS.CSV, line 2, column 17 (ratio): expected a number or nothing, found \"n/a\""},
      {"unknown verdict", head + "mdd,within,,2,,,,,,,,,,,good\n",
       " run1/KVSTATS.CSV, line 2, column 25 (result): expected preferable, acceptable, outside or nothing, found "
       "\"good\""},
      {"short row", head + "mdd,within\n", " run1/KVSTATS.CSV, line 2: expected 15 fields, found 2"},
  };
  for (const Case& c : cases) EXPECT_EQ(stats_file_error(c.bytes), c.message) << c.name;
}

}  // namespace
}  // namespace korvo
