#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_stream.h"
#include "common/errors.h"
#include "common/fortran_records.h"
#include "common/text_file.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

TEST(TextReaderTest, SplitsLinesAndDropsTheCrOfDosFiles) {
  TextReader reader = TextReader::from_memory("one\r\ntwo\n\nlast-without-newline", "F");
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "last-without-newline"}));
  EXPECT_EQ(reader.line_number(), 4);
  reader.rewind();
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(line, "one");
  EXPECT_EQ(reader.line_number(), 1);
}

TEST(TextReaderTest, OverlongLinesKeepTheirFirstColumns) {
  const std::string longline(TextReader::kMaxLine + 100, 'x');
  // The reader reads the memory in place: the text must outlive it.
  const std::string text = longline + "\nnext\n";
  TextReader reader = TextReader::from_memory(text, "F");
  std::string_view line;
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(line.size(), TextReader::kMaxLine);
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(line, "next");
}

TEST(TextReaderTest, ReadsFilesLongerThanItsBuffer) {
  testing::TempDir dir;
  std::string text;
  for (int i = 0; i < 100000; ++i) text += std::to_string(i) + "\n";
  dir.write("BIG.TXT", text);
  TextReader reader = TextReader::open_file(dir.file("BIG.TXT"), "BIG.TXT");
  std::string_view line;
  int n = 0;
  while (reader.next(line)) {
    ASSERT_EQ(line, std::to_string(n));
    ++n;
  }
  EXPECT_EQ(n, 100000);
}

TEST(ByteStreamTest, TakesExactRunsAndReportsShortReads) {
  ByteStream s = ByteStream::from_memory("abcdefg", "M");
  const char* p = s.take(3);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(p, 3), "abc");
  EXPECT_EQ(s.offset(), 3u);
  EXPECT_EQ(s.take(5), nullptr);  // only four left
  EXPECT_TRUE(s.at_end());
  s.rewind();
  EXPECT_EQ(std::string(s.take(7), 7), "abcdefg");
}

TEST(ByteStreamTest, AMissingFileNamesItself) {
  testing::TempDir dir;
  try {
    ByteStream::open_file(dir.file("NOPE.DBF"), "NOPE.DBF");
    FAIL();
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), " NOPE.DBF: cannot be opened for reading: No such file or directory");
  }
}

std::string record(const std::string& body) {
  std::string out(4, '\0');
  const auto n = static_cast<std::uint32_t>(body.size());
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xFF);
  return out + body + out;
}

TEST(FortranRecordReaderTest, ReadsFramedRecords) {
  const std::string bytes = record("hello") + record("") + record("xy");
  ByteStream s = ByteStream::from_memory(bytes, "NET");
  FortranRecordReader r(&s);
  std::string_view rec;
  ASSERT_EQ(r.next(rec, 100), FortranRecordReader::Status::kRecord);
  EXPECT_EQ(rec, "hello");
  ASSERT_EQ(r.next(rec, 100), FortranRecordReader::Status::kRecord);
  EXPECT_EQ(rec, "");
  ASSERT_EQ(r.next(rec, 100), FortranRecordReader::Status::kRecord);
  EXPECT_EQ(rec, "xy");
  EXPECT_EQ(r.record_number(), 3);
  EXPECT_EQ(r.next(rec, 100), FortranRecordReader::Status::kEndOfFile);
}

// Records of every size up to the largest, most of them taken whole from
// the buffer and some split across its refills: each comes back with its
// bytes, number and offset, from a file and from memory alike.
TEST(FortranRecordReaderTest, RecordsAcrossBufferRefills) {
  std::vector<std::string> bodies;
  std::uint32_t seed = 7;
  for (int i = 0; i < 400; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const std::size_t size = i % 50 == 0 ? (seed >> 8) % 100'000 : (seed >> 8) % 40;
    bodies.emplace_back(size, static_cast<char>('a' + i % 26));
  }
  bodies.emplace_back(ByteStream::kBufferSize - 8, 'z');  // the largest record a stream holds
  std::string bytes;
  for (const std::string& body : bodies) bytes += record(body);
  testing::TempDir dir;
  dir.write("NET.BIN", bytes);
  for (const bool from_file : {true, false}) {
    ByteStream s =
        from_file ? ByteStream::open_file(dir.file("NET.BIN"), "NET") : ByteStream::from_memory(bytes, "NET");
    FortranRecordReader r(&s);
    std::string_view rec;
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
      ASSERT_EQ(r.next(rec, ByteStream::kBufferSize), FortranRecordReader::Status::kRecord) << i;
      ASSERT_EQ(rec, bodies[i]) << "record " << i + 1 << (from_file ? " from the file" : " from memory");
      EXPECT_EQ(r.record_number(), static_cast<std::int64_t>(i + 1));
      EXPECT_EQ(r.record_offset(), offset);
      offset += bodies[i].size() + 8;
    }
    EXPECT_EQ(r.next(rec, ByteStream::kBufferSize), FortranRecordReader::Status::kEndOfFile);
  }
  // A record of one byte more is refused from memory too, where it would fit.
  const std::string too_long = record(std::string(ByteStream::kBufferSize - 7, 'x'));
  ByteStream s = ByteStream::from_memory(too_long, "NET");
  FortranRecordReader r(&s);
  std::string_view rec;
  EXPECT_THROW(r.next(rec, ByteStream::kBufferSize), FileError);
}

TEST(FortranRecordReaderTest, BrokenFramingNamesRecordAndOffset) {
  struct Case {
    std::string bytes;
    std::string line;
  };
  std::string mismatched = record("abc");
  mismatched[7] = 9;
  const std::vector<Case> cases = {
      {record("ok") + "\x02\x00",
       " NET, record 2 at byte offset 10 (record length): the file ends inside the leading length marker"},
      {std::string("\x10\0\0\0abc", 7),
       " NET, record 1 at byte offset 0 (record length): leading marker 16 runs past the end of the file"},
      {mismatched, " NET, record 1 at byte offset 0 (record length): trailing marker 9 differs from leading marker 3"},
      {std::string("\xff\xff\xff\xff", 4),
       " NET, record 1 at byte offset 0 (record length): leading marker -1 is negative (continued records are not "
       "supported)"},
      {record(std::string(50, 'x')),
       " NET, record 1 at byte offset 0 (record length): leading marker 50 exceeds the limit of 40 bytes"},
  };
  for (const auto& c : cases) {
    ByteStream s = ByteStream::from_memory(c.bytes, "NET");
    FortranRecordReader r(&s);
    std::string_view rec;
    try {
      while (r.next(rec, 40) == FortranRecordReader::Status::kRecord) {
      }
      ADD_FAILURE() << "no error for " << c.line;
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.line);
    }
  }
}

TEST(TextWriterTest, AFullDiskIsReportedNotSwallowed) {
  TextWriter w;
  w.create("/dev/full", "KORVO.OUT");
  for (int i = 0; i < 100; ++i) w.write_record("line");
  try {
    w.close();
    FAIL() << "no error";
  } catch (const WriteError& e) {
    EXPECT_STREQ(e.what(), " KORVO.OUT, byte offset 0: write failed: No space left on device");
    EXPECT_EQ(e.byte_offset(), 0u);
  }
}

}  // namespace
}  // namespace korvo
