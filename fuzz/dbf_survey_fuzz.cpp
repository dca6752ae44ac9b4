// The survey of a dBASE link table (korvo init): header, then every record
// with every field measured and the first two fields taken for the codes.

#include <cstdint>
#include <memory>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/dbf_survey.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto survey = std::make_unique<DbfSurvey>();
  *survey = DbfSurvey{};
  ByteStream stream = ByteStream::from_memory({reinterpret_cast<const char*>(data), size}, "LINKS05A.DBF");
  try {
    read_survey_header(stream, *survey);
  } catch (const FileError&) {
    return 0;
  }
  SurveyPlan plan;
  for (int k = 1; k <= survey->fields.count; ++k) plan.measured.set(static_cast<std::size_t>(k));
  plan.ft_field = survey->fields.count >= 1 ? 1 : 0;
  plan.at_field = survey->fields.count >= 2 ? 2 : 0;
  survey_dbf_records(stream, plan, *survey);
  fuzz::check(survey->records <= size, "more records than bytes in the file");
  fuzz::check(survey->deleted <= survey->records, "more deleted records than records");
  for (int k = 1; k <= survey->fields.count; ++k) {
    const DbfFieldStats& s = survey->stats[static_cast<std::size_t>(k)];
    fuzz::check(s.numbers + s.not_numbers == survey->records, "a record neither converted nor counted as text");
    fuzz::check(s.numbers == 0 || s.min <= s.max, "the smallest value above the largest");
  }
  if (plan.ft_field != 0) {
    std::uint64_t coded = survey->ft.outside();
    for (std::uint64_t n : survey->ft.links) coded += n;
    fuzz::check(coded == survey->stats[1].numbers, "a converted facility type neither placed nor outside");
  }
  return 0;
}
