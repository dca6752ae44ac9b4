// The survey of a dBASE link table: statistics read the way a run converts
// each type, codes as the link record keeps them, and the records a run
// would stop at counted rather than thrown.
#include "input/dbf_survey.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "common/errors.h"
#include "dbf_writer.h"

namespace korvo {
namespace {

using fixtures::DbfFieldDef;
using fixtures::DbfTable;

struct Surveyed {
  std::unique_ptr<DbfSurvey> survey = std::make_unique<DbfSurvey>();
  std::string bytes;
};

Surveyed survey_of(const DbfTable& table, int ft_field, int at_field, bool measure_all = true) {
  Surveyed s;
  s.bytes = table.bytes();
  ByteStream stream = ByteStream::from_memory(s.bytes, "LINKS.DBF");
  read_survey_header(stream, *s.survey);
  SurveyPlan plan;
  if (measure_all) {
    for (int k = 1; k <= s.survey->fields.count; ++k) plan.measured.set(static_cast<std::size_t>(k));
  }
  plan.ft_field = ft_field;
  plan.at_field = at_field;
  survey_dbf_records(stream, plan, *s.survey);
  return s;
}

// FT N(3), AT C(4), MILES N(6.2), FLAG L(1), NOTE C(8).
DbfTable sample_table() {
  DbfTable t({{"FT", 'N', 3}, {"AT", 'C', 4}, {"MILES", 'N', 6, 2}, {"FLAG", 'L', 1}, {"NOTE", 'C', 8}});
  t.add_raw({" 11", "   1", "  0.25", "T", "main st"});
  t.add_raw({" 21", "   2", "  1.50", "F", "x"});
  t.add_raw({" 11", " 65547", "  2.00", "Y", ""}, true);  // AT cut to " 655": above 99
  t.add_raw({"  0", "  -3", " 12.75", " ", "3"});
  t.add_raw({" 1x", "  33", "  abc ", "T", " 7"});
  return t;
}

TEST(DbfSurvey, CountsRecordsCodesAndValuesAsARunReadsThem) {
  const Surveyed s = survey_of(sample_table(), 1, 2);
  const DbfSurvey& v = *s.survey;
  EXPECT_EQ(v.records, 5u);
  EXPECT_EQ(v.deleted, 1u);
  EXPECT_FALSE(v.partial_record);

  // Facility types: 11 twice, 21 once, 0 below the codes, "1x" no number.
  EXPECT_EQ(v.ft.found.count(), 2u);
  EXPECT_EQ(v.ft.links[11], 2u);
  EXPECT_EQ(v.ft.links[21], 1u);
  EXPECT_EQ(v.ft.below, 1u);
  EXPECT_EQ(v.ft.above, 0u);
  EXPECT_EQ(v.stats[1].not_numbers, 1u);
  EXPECT_EQ(v.stats[1].first_bad_record, 5u);
  EXPECT_EQ(v.stats[1].first_bad_text.trimmed(), " 1x");

  // Area types from a text field, read as whole numbers: 1, 2, 655, -3, 33.
  EXPECT_EQ(v.at.found.count(), 3u);
  EXPECT_EQ(v.at.below, 1u);
  EXPECT_EQ(v.at.above, 1u);
  EXPECT_EQ(v.at.lowest_outside, -3);
  EXPECT_EQ(v.at.highest_outside, 655);

  // Miles with decimals: four numbers, one text a run stops at.
  const DbfFieldStats& miles = v.stats[3];
  EXPECT_EQ(miles.numbers, 4u);
  EXPECT_EQ(miles.not_numbers, 1u);
  EXPECT_DOUBLE_EQ(miles.min, 0.25);
  EXPECT_DOUBLE_EQ(miles.max, 12.75);
  EXPECT_DOUBLE_EQ(miles.sum, 16.5);
  EXPECT_EQ(miles.fractions, 3u);  // 2.00 has none
  EXPECT_EQ(miles.nonzero, 4u);

  // A logical field never stops a run: T and Y are 1.
  EXPECT_EQ(v.stats[4].not_numbers, 0u);
  EXPECT_DOUBLE_EQ(v.stats[4].sum, 3);
  // A text field is read as a whole number: "main st" and "x" are not numbers.
  EXPECT_EQ(v.stats[5].numbers, 3u);
  EXPECT_EQ(v.stats[5].not_numbers, 2u);
}

TEST(DbfSurvey, MeasuresOnlyTheFieldsAskedFor) {
  const Surveyed s = survey_of(sample_table(), 0, 0, false);
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(s.survey->stats[static_cast<std::size_t>(k)].numbers, 0u) << k;
  EXPECT_EQ(s.survey->ft.found.count(), 0u);
  EXPECT_EQ(s.survey->records, 5u);
}

TEST(DbfSurvey, TellsAPartialRecordFromTheEndOfFileByte) {
  struct Case {
    std::string tail;
    bool end_byte;
    bool partial;
  };
  const Case cases[] = {
      {"", true, false}, {"", false, false}, {" 3", true, true}, {"\x1a", false, false}, {"x", false, true}};
  for (const Case& c : cases) {
    DbfTable t({{"FT", 'N', 3}});
    t.add({11}).add({12});
    t.append_bytes(c.tail);
    t.options().end_of_file_byte = c.end_byte;
    const Surveyed s = survey_of(t, 1, 0);
    EXPECT_EQ(s.survey->records, 2u) << c.tail;
    EXPECT_EQ(s.survey->partial_record, c.partial) << "tail \"" << c.tail << "\", end byte " << c.end_byte;
  }
}

TEST(DbfSurvey, RecordsThatStraddleTheStreamBufferAreReadWhole) {
  // Records of 7 bytes do not divide the 256 KiB buffer: some records are cut
  // by its end and must be joined.
  DbfTable t({{"FT", 'N', 3}, {"AT", 'N', 3}});
  constexpr int kRecords = 100'000;
  for (int i = 0; i < kRecords; ++i) t.add({10 + i % 90, 1 + i % 5});
  auto survey = std::make_unique<DbfSurvey>();
  // From a file: the path through the stream's own buffer.
  const auto path = std::filesystem::temp_directory_path() / ("korvo-survey-" + std::to_string(::getpid()) + ".dbf");
  t.write_file(path);
  ByteStream stream = ByteStream::open_file(path, "BIG.DBF");
  read_survey_header(stream, *survey);
  SurveyPlan plan;
  plan.ft_field = 1;
  plan.at_field = 2;
  survey_dbf_records(stream, plan, *survey);
  std::filesystem::remove(path);
  EXPECT_EQ(survey->records, static_cast<std::uint64_t>(kRecords));
  EXPECT_EQ(survey->ft.found.count(), 90u);
  std::uint64_t sum = 0;
  for (std::uint64_t n : survey->ft.links) sum += n;
  EXPECT_EQ(sum, static_cast<std::uint64_t>(kRecords));
  EXPECT_EQ(survey->at.links[3], static_cast<std::uint64_t>(kRecords / 5));
  EXPECT_EQ(survey->stats[1].not_numbers, 0u);
}

TEST(DbfSurvey, AHeaderARunCannotUseIsAFileError) {
  const std::string bytes = "\x03\x7e\x07\x04";
  ByteStream stream = ByteStream::from_memory(bytes, "SHORT.DBF");
  auto survey = std::make_unique<DbfSurvey>();
  EXPECT_THROW(read_survey_header(stream, *survey), FileError);
}

}  // namespace
}  // namespace korvo
