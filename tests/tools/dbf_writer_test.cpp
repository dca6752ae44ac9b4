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
      "\x03\x7e\x07\x04\x02\0\0\0\x61\0\x06\0"s + std::string(20, '\0') + "ANODE\0\0\0\0\0\0N\0\0\0\0\x04\0"s +
      std::string(14, '\0') +                                           //
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
// is in units of the field's last decimal. A value one digit too wide for
// its field (an empty stored text) is refused.
TEST(DbfWriter, BuiltRecordsStoreValuesAsFormatted) {
  struct Case {
    DbfFieldDef field;
    std::int64_t value;
    bool scaled;
    std::string stored;
  };
  const Case cases[] = {
      {{"N", 'N', 6}, -42, false, "   -42"},
      {{"N", 'N', 7, 2}, 3, false, "   3.00"},
      {{"N", 'N', 6, 2}, 1234, true, " 12.34"},
      {{"N", 'N', 6, 2}, 5, true, "  0.05"},
      {{"N", 'N', 6, 2}, -5, true, " -0.05"},
      {{"N", 'N', 6, 2}, 0, true, "  0.00"},
      {{"N", 'N', 6, 2}, 99'999, true, "999.99"},
      {{"N", 'N', 6, 2}, 100'000, true, ""},
      {{"N", 'N', 6, 2}, -9'999, true, "-99.99"},
      {{"N", 'N', 6, 2}, -10'000, true, ""},
      {{"N", 'N', 6, 2}, 1'000, false, ""},  // "1000.00"
      {{"F", 'F', 9, 3}, 500, true, "    0.500"},
      {{"N", 'N', 4}, 77, true, "  77"},
      {{"N", 'N', 4}, 9'999, false, "9999"},
      {{"N", 'N', 4}, 10'000, false, ""},
      {{"N", 'N', 3, 2}, 0, true, ""},  // "0.00"
      {{"C", 'C', 3}, 7, false, "7  "},
      {{"C", 'C', 3}, -12, false, "-12"},
      {{"C", 'C', 3}, 1'234, false, ""},
      {{"N", 'N', 20}, INT64_MIN, false, "-9223372036854775808"},
      {{"N", 'N', 19}, INT64_MIN, false, ""},
      {{"N", 'N', 19}, INT64_MAX, false, "9223372036854775807"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.field.length << "." << c.field.decimals << " " << c.value);
    DbfRecordBuilder r({c.field});
    auto build = [&] { return c.scaled ? r.start().scaled(c.value).bytes() : r.start().integer(c.value).bytes(); };
    if (c.stored.empty()) {
      EXPECT_THROW(build(), std::invalid_argument);
      continue;
    }
    EXPECT_EQ(build(), " " + c.stored);
    if (!c.scaled) {
      EXPECT_EQ(format_dbf_value(c.field, static_cast<long long>(c.value)), c.stored);
    }
  }
  DbfRecordBuilder r({{"C", 'C', 3}, {"N", 'N', 5}});
  EXPECT_EQ(r.start(/*deleted=*/true).text("F").text("1.5").bytes(), "*F    1.5");
  EXPECT_THROW(r.start().text("ABCD"), std::invalid_argument);
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
  EXPECT_EQ(bytes.substr(40), " 12");              // the record cut to 3 bytes
}

}  // namespace
}  // namespace korvo::fixtures
