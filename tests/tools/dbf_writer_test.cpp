#include "dbf_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "support/temp_dir.h"

namespace korvo::fixtures {
namespace {

using namespace std::string_literals;

TEST(DbfWriter, BytesOfASmallTable) {
  DbfTable table({{"ANODE", 'N', 4}, {"OK", 'L', 1}});
  table.add({12, true}).add({DbfValue::blank(), false}, /*deleted=*/true);
  const std::string expected =
      // version, date 2026-07-04, 2 records, header 97 bytes, record 6 bytes
      "\x03\x7e\x07\x04\x02\0\0\0\x61\0\x06\0"s + std::string(20, '\0') +
      "ANODE\0\0\0\0\0\0N\0\0\0\0\x04\0"s + std::string(14, '\0') +  //
      "OK\0\0\0\0\0\0\0\0\0L\0\0\0\0\x01\0"s + std::string(14, '\0') +  //
      "\x0d" + "   12T" + "*    F" + "\x1a";
  EXPECT_EQ(table.bytes(), expected);
}

TEST(DbfWriter, FormatsValuesAsStored) {
  struct Case {
    DbfFieldDef field;
    DbfValue value;
    std::string stored;
  };
  const Case cases[] = {
      {{"N", 'N', 6}, -42, "   -42"},
      {{"N", 'N', 7, 2}, 12.345, "  12.35"},
      {{"N", 'N', 7, 2}, 3, "   3.00"},
      {{"F", 'F', 9, 3}, 0.5, "    0.500"},
      {{"N", 'N', 5}, "1.5", "  1.5"},
      {{"C", 'C', 6}, "MAIN", "MAIN  "},
      {{"C", 'C', 3}, 7, "7  "},
      {{"L", 'L', 1}, false, "F"},
      {{"N", 'N', 3}, DbfValue::blank(), "   "},
  };
  for (const Case& c : cases) EXPECT_EQ(format_dbf_value(c.field, c.value), c.stored) << c.stored;
  EXPECT_THROW(format_dbf_value({"N", 'N', 3}, 1234), std::invalid_argument);
  EXPECT_THROW(format_dbf_value({"C", 'C', 2}, "ABC"), std::invalid_argument);
}

// Built records store each value as format_dbf_value does; a scaled value
// is in units of the field's last decimal.
TEST(DbfWriter, BuiltRecordsStoreValuesAsFormatted) {
  struct Case {
    DbfFieldDef field;
    std::int64_t value;
    bool scaled;
    std::string stored;
  };
  const Case cases[] = {
      {{"N", 'N', 6}, -42, false, "   -42"},      {{"N", 'N', 7, 2}, 3, false, "   3.00"},
      {{"N", 'N', 6, 2}, 1234, true, " 12.34"},   {{"N", 'N', 6, 2}, 5, true, "  0.05"},
      {{"N", 'N', 6, 2}, -5, true, " -0.05"},     {{"N", 'N', 6, 2}, 0, true, "  0.00"},
      {{"F", 'F', 9, 3}, 500, true, "    0.500"}, {{"N", 'N', 4}, 77, true, "  77"},
      {{"C", 'C', 3}, 7, false, "7  "},           {{"N", 'N', 20}, INT64_MIN, false, "-9223372036854775808"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    DbfRecordBuilder r({c.field});
    if (c.scaled) {
      r.start().scaled(c.value);
    } else {
      r.start().integer(c.value);
    }
    EXPECT_EQ(r.bytes(), " " + c.stored);
    if (!c.scaled) {
      EXPECT_EQ(format_dbf_value(c.field, static_cast<long long>(c.value)), c.stored);
    }
  }
  DbfRecordBuilder r({{"C", 'C', 3}, {"N", 'N', 5}});
  EXPECT_EQ(r.start(/*deleted=*/true).text("F").text("1.5").bytes(), "*F    1.5");
  EXPECT_THROW(r.start().integer(123'456), std::invalid_argument);  // "123456" in C(3)
  EXPECT_THROW(r.start().text("F").scaled(123'456), std::invalid_argument);
  EXPECT_THROW(r.start().text("F").bytes(), std::logic_error);  // a field without a value
  EXPECT_THROW(r.start().text("F").integer(1).integer(2), std::logic_error);
}

TEST(DbfWriter, StreamedFileEqualsTheTableInMemory) {
  korvo::testing::TempDir dir;
  const auto fields = link_table_fields();
  DbfTable table(fields);
  {
    DbfFileWriter writer(dir.file("LINKS.DBF"), fields);
    DbfRecordBuilder record(fields);
    for (int i = 1; i <= 3; ++i) {
      std::vector<DbfValue> values(20, DbfValue(i));
      table.add(values);
      writer.add(values);
      table.add(values);
      record.start();
      for (int k = 0; k < 20; ++k) record.integer(i);
      writer.add(record);
    }
    std::vector<std::string> raw(20, "x");
    table.add_raw(raw, true);
    writer.add_raw(raw, true);
    EXPECT_THROW(writer.add(DbfRecordBuilder({{"A", 'N', 3}}).start().integer(1)), std::invalid_argument);
  }  // the destructor closes the file
  EXPECT_EQ(dir.read("LINKS.DBF"), table.bytes());
}

TEST(DbfWriter, BrokenHeadersOnRequest) {
  const DbfOptions options{
      .announced_records = 1000, .header_length = 40, .record_length = 3, .end_of_file_byte = false};
  const std::string bytes = DbfTable({{"ANODE", 'N', 7}}, options).add({1234567}).bytes();
  ASSERT_EQ(bytes.size(), 43u);
  EXPECT_EQ(bytes.substr(4, 8), "\xe8\x03\0\0\x28\0\x03\0"s);
  EXPECT_EQ(bytes.substr(32, 8), "ANODE\0\0\0"s);  // the descriptor cut at byte 40
  EXPECT_EQ(bytes.substr(40), " 12");               // the record cut to 3 bytes
}

}  // namespace
}  // namespace korvo::fixtures
