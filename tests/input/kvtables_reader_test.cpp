#include "input/kvtables_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "run_csv_fixtures.h"

namespace korvo {
namespace {

RunTables read_tables(const std::string& bytes, TextPool& pool) {
  return KvTablesReader::read(ByteStream::from_memory(bytes, "run1/KVTABLES.CSV"), pool);
}

std::string tables_file_error(const std::string& bytes) {
  TextPool pool;
  try {
    read_tables(bytes, pool);
  } catch (const FileError& e) {
    return e.what();
  }
  return "(no error)";
}

const std::string kHead = "table,measure,area_class,area_label,ft_class,ft_label,lanes,value\nRUN,FORMAT,,,,,,1\n";

TEST(KvTablesReader, ReadsTheRowsOfARun) {
  TextPool pool;
  const RunTables run = read_tables(kHead +
                                        "RUN,ANALYSIS,,,,,,1\n"
                                        "TOTAL LANE MILES,LANE_MILES,1,CBD,2,\"Div, Art\",total,0.1\n"
                                        "\n"
                                        "SYSTEM TOTALS,TOTAL VMT ALL LINKS,,,,,,\n"
                                        "T,M,999,,1,,9+,-3.4e+38\n",
                                    pool);
  EXPECT_EQ(run.type, RunType::kAnalysis);
  ASSERT_EQ(run.rows.size(), 3u);
  const TablesRow& r = run.rows[0];
  EXPECT_EQ(pool.text(r.table), "TOTAL LANE MILES");
  EXPECT_EQ(pool.text(r.measure), "LANE_MILES");
  EXPECT_EQ(r.area_class, 1);
  EXPECT_EQ(pool.text(r.area_label), "CBD");
  EXPECT_EQ(r.ft_class, 2);
  EXPECT_EQ(pool.text(r.ft_label), "Div, Art");
  EXPECT_EQ(r.lanes, LaneClass::kTotal);
  ASSERT_TRUE(r.has_value);
  EXPECT_EQ(static_cast<float>(r.value), 0.1f);
  EXPECT_EQ(r.line, 4);
  EXPECT_FALSE(run.rows[1].has_value);
  EXPECT_EQ(run.rows[1].area_class, 0);
  EXPECT_EQ(run.rows[1].lanes, LaneClass::kNone);
  EXPECT_EQ(run.rows[1].line, 6);  // the blank line is passed over
  EXPECT_EQ(run.rows[2].area_class, 999);
  EXPECT_EQ(run.rows[2].lanes, LaneClass::kNinePlus);
}

TEST(KvTablesReader, RunsReadIntoOnePoolShareTheirTexts) {
  TextPool pool;
  const std::string text = fixtures::analysis_tables().text();
  const RunTables a = read_tables(text, pool);
  const std::size_t texts = pool.size();
  const RunTables b = read_tables(text, pool);
  EXPECT_EQ(pool.size(), texts);
  ASSERT_EQ(a.rows.size(), b.rows.size());
  EXPECT_EQ(a.rows[5].table, b.rows[5].table);
  EXPECT_EQ(a.rows[5].ft_label, b.rows[5].ft_label);
}

TEST(KvTablesReader, LaneClassesReadBackAsWritten) {
  for (const std::string lanes : {"1", "2", "3", "4", "5", "6", "7", "8", "9+", "total", ""}) {
    TextPool pool;
    const RunTables run = read_tables(kHead + "RUN,VALIDATION,,,,,,1\nT,M,1,,1,," + lanes + ",1\n", pool);
    EXPECT_EQ(lane_class_text(run.rows.at(0).lanes), lanes);
  }
}

TEST(KvTablesReader, RefusesWhatItCannotRead) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;
  };
  const std::string run = kHead + "RUN,ANALYSIS,,,,,,1\n";
  const Case cases[] = {
      {"another header", "table,measure,value\n",
       " run1/KVTABLES.CSV, line 1: expected the header row \"table,measure,area_class,area_label,ft_class,ft_label,"
       "lanes,value\"; the file is not a KVTABLES.CSV of this KORVO"},
      {"empty file", "",
       " run1/KVTABLES.CSV, line 1: expected the header row \"table,measure,area_class,area_label,ft_class,ft_label,"
       "lanes,value\"; the file is not a KVTABLES.CSV of this KORVO"},
      {"no format row", "table,measure,area_class,area_label,ft_class,ft_label,lanes,value\nRUN,ANALYSIS,,,,,,1\n",
       " run1/KVTABLES.CSV, line 2: expected the row \"RUN,FORMAT,,,,,,1\" here; the file is not a KVTABLES.CSV of "
       "this "
       "KORVO"},
      {"format version 2", "table,measure,area_class,area_label,ft_class,ft_label,lanes,value\nRUN,FORMAT,,,,,,2\n",
       " run1/KVTABLES.CSV, line 2, column 17 (RUN FORMAT): the file is in format version 2; this KORVO reads format "
       "version 1 only: run KORVO on the run again"},
      {"no run type", kHead,
       " run1/KVTABLES.CSV, line 3: expected the row \"RUN,VALIDATION,,,,,,1\" or \"RUN,ANALYSIS,,,,,,1\" here; the "
       "file is not a KVTABLES.CSV of this KORVO"},
      {"unknown run type", kHead + "RUN,FORECAST,,,,,,1\n",
       " run1/KVTABLES.CSV, line 3, column 5 (RUN measure): expected VALIDATION or ANALYSIS, found \"FORECAST\""},
      {"short row", run + "T,M,1,,1,,total\n", " run1/KVTABLES.CSV, line 4: expected 8 fields, found 7"},
      {"no table", run + ",M,1,,1,,total,1\n",
       " run1/KVTABLES.CSV, line 4, column 1 (table): expected the name of a table, found nothing"},
      {"class 0", run + "T,M,0,,1,,total,1\n",
       " run1/KVTABLES.CSV, line 4, column 5 (area_class): expected a class number 1-1000 or nothing, found \"0\""},
      {"class 1001", run + "T,M,1,,1001,,total,1\n",
       " run1/KVTABLES.CSV, line 4, column 8 (ft_class): expected a class number 1-1000 or nothing, found \"1001\""},
      {"class with a blank", run + "T,M,1,, 2,,total,1\n",
       " run1/KVTABLES.CSV, line 4, column 8 (ft_class): expected a class number 1-1000 or nothing, found \" 2\""},
      {"lanes 9", run + "T,M,1,,1,,9,1\n",
       " run1/KVTABLES.CSV, line 4, column 11 (lanes): expected 1-8, \"9+\", \"total\" or nothing, found \"9\""},
      {"decimal comma", run + "T,M,1,,1,,total,\"1,5\"\n",
       " run1/KVTABLES.CSV, line 4, column 17 (value): expected a number or nothing, found \"1,5\""},
      {"infinity", run + "T,M,1,,1,,total,inf\n",
       " run1/KVTABLES.CSV, line 4, column 17 (value): expected a number or nothing, found \"inf\""},
      {"beyond a float", run + "T,M,1,,1,,total,1e39\n",
       " run1/KVTABLES.CSV, line 4, column 17 (value): expected a number within the range of single precision, found "
       "\"1e39\""},
      {"broken quoting", run + "T,M,1,,1,,total,1\"\n",
       " run1/KVTABLES.CSV, line 4, column 18: a quote inside a field that does not begin with one (quote the whole "
       "field and double the quote)"},
  };
  for (const Case& c : cases) EXPECT_EQ(tables_file_error(c.bytes), c.message) << c.name;
}

}  // namespace
}  // namespace korvo
