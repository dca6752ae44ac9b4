#include "input/csv_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"
#include "input/csv_cases.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using Records = std::vector<std::vector<std::string>>;

Records read_all(const std::string& bytes) {
  CsvReader csv(ByteStream::from_memory(bytes, "T.CSV"));
  Records records;
  while (csv.next()) {
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < csv.size(); ++i) fields.emplace_back(csv.field(i));
    records.push_back(std::move(fields));
  }
  return records;
}

struct GoodCase {
  const char* name;
  std::string bytes;
  Records records;
};

TEST(CsvReader, ReadsWhatRfc4180Allows) {
  const GoodCase cases[] = {
      {"lf", "a,b\nc,d\n", {{"a", "b"}, {"c", "d"}}},
      {"crlf", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
      {"no line end at the end", "a,b\nc", {{"a", "b"}, {"c"}}},
      {"empty fields", ",,\n,\n", {{"", "", ""}, {"", ""}}},
      {"a comma at the end of the file", "a,", {{"a", ""}}},
      {"quoted comma", "\"Main St, north\",2\n", {{"Main St, north", "2"}}},
      {"doubled quotes", "\"12\"\" pipe\",\"\"\"\"\n", {{"12\" pipe", "\""}}},
      {"line breaks inside quotes", "\"two\nlines\",\"cr\r\nlf\"\r\nx\n", {{"two\nlines", "cr\r\nlf"}, {"x"}}},
      {"quoted empty field", "\"\",\"\"\n", {{"", ""}}},
      {"blanks kept", " a , b \n", {{" a ", " b "}}},
      {"bytes above 127 as they are", "Z\xC3\xBCrich,\xFC\n", {{"Z\xC3\xBCrich", "\xFC"}}},
      {"byte-order mark skipped", "\xEF\xBB\xBFtable,value\n", {{"table", "value"}}},
      {"a mark later is data",
       "a\n\xEF\xBB\xBF"
       "b\n",
       {{"a"},
        {"\xEF\xBB\xBF"
         "b"}}},
      {"empty file", "", {}},
      {"blank lines are records", "a\n\n\r\nb\n", {{"a"}, {""}, {""}, {"b"}}},
  };
  for (const GoodCase& c : cases) {
    EXPECT_EQ(read_all(c.bytes), c.records) << c.name;
  }
}

TEST(CsvReader, TellsABlankLineFromAQuotedEmptyField) {
  CsvReader csv(ByteStream::from_memory("\n\"\"\n,\n", "T.CSV"));
  ASSERT_TRUE(csv.next());
  EXPECT_TRUE(csv.blank());
  ASSERT_TRUE(csv.next());
  EXPECT_FALSE(csv.blank());
  ASSERT_TRUE(csv.next());
  EXPECT_FALSE(csv.blank());
  EXPECT_FALSE(csv.next());
  EXPECT_FALSE(csv.next());  // and stays at the end
}

TEST(CsvReader, KnowsWhereEachFieldBegins) {
  CsvReader csv(ByteStream::from_memory("h\n\"a\nb\",cd,\"e\"\n", "T.CSV"));
  ASSERT_TRUE(csv.next());
  ASSERT_TRUE(csv.next());
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_EQ(csv.line(), 2);
  EXPECT_EQ(csv.field_line(0), 2);
  EXPECT_EQ(csv.field_column(0), 1);
  EXPECT_EQ(csv.field_line(1), 3);
  EXPECT_EQ(csv.field_column(1), 4);
  EXPECT_EQ(csv.field_column(2), 7);
  EXPECT_EQ(csv.place(2).text(), "line 3, column 7");
}

TEST(CsvReader, ReadsAFileAcrossItsStreamsBuffer) {
  // Records of 1000 bytes in a file of several buffers: quoted fields, line
  // ends and CRLF pairs fall on every side of a buffer's end.
  testing::TempDir dir;
  std::string bytes;
  const std::string pad(990, 'p');
  const int count = static_cast<int>(3 * ByteStream::kBufferSize / 1000);
  for (int i = 0; i < count; ++i) bytes += pad + ",\"q,\"\"" + std::to_string(i % 10) + "\"\r\n";
  dir.write("BIG.CSV", bytes);
  CsvReader csv(ByteStream::open_file(dir.file("BIG.CSV"), "BIG.CSV"));
  int read = 0;
  while (csv.next()) {
    ASSERT_EQ(csv.size(), 2u) << "record " << read;
    ASSERT_EQ(csv.field(0), pad);
    ASSERT_EQ(csv.field(1), "q,\"" + std::to_string(read % 10));
    ++read;
  }
  EXPECT_EQ(read, count);
  EXPECT_EQ(csv.line(), count + 1);
}

TEST(CsvReader, RefusesBrokenInputNamingLineAndColumn) {
  for (const auto& c : csv_cases::bad_csv()) {
    try {
      read_all(c.bytes);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.name;
    }
  }
}

TEST(CsvReader, TheCapsHoldAtTheirLimits) {
  std::string fields;
  for (int i = 0; i < static_cast<int>(CsvReader::kMaxFields); ++i) fields += i == 0 ? "f" : ",f";
  EXPECT_EQ(read_all(fields + "\n")[0].size(), CsvReader::kMaxFields);
  const std::string widest(CsvReader::kMaxFieldBytes, 'w');
  EXPECT_EQ(read_all("\"" + widest + "\"\n")[0][0], widest);
}

}  // namespace
}  // namespace korvo
