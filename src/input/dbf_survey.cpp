#include "input/dbf_survey.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "common/fixed_read.h"

namespace korvo {
namespace {

constexpr char kEndOfFileByte = 26;
constexpr char kDeletedFlag = '*';

// One measured field, fixed before the first record.
struct MeasuredField {
  int field = 0;   // entry of the field table
  int offset = 0;  // 0-based offset within the record
  int width = 0;
  DbfConversion conversion = DbfConversion::kInvalid;
  bool logical = false;
  int decimals = 0;
  bool ft = false;
  bool at = false;
};

// The low 16 bits as a signed number, as the link record keeps a code.
std::int32_t low16(std::int64_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(v) & 0xFFFFu));
}

bool is_true_letter(char c) { return c == 'T' || c == 't' || c == 'Y' || c == 'y'; }

// The value of a field as a run reads it: false for a text the run stops at.
// value is the number read (a real keeps its fraction); code is what the
// link record would hold for it as a facility or area type.
bool convert(const MeasuredField& m, std::string_view text, double& value, std::int32_t& code) {
  if (m.logical) {
    const std::size_t first = text.find_first_not_of(' ');
    value = first != std::string_view::npos && is_true_letter(text[first]) ? 1 : 0;
    code = static_cast<std::int32_t>(value);
    return true;
  }
  constexpr double kLow = std::numeric_limits<std::int32_t>::min();
  constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
  if (m.conversion == DbfConversion::kReal) {
    double x = 0;
    if (parse_real_field(text, m.decimals, x) != ParseStatus::kOk) return false;
    const double rounded = std::trunc(x + 0.5);
    if (!(rounded >= kLow && rounded <= kHigh)) return false;
    value = x;
    code = low16(static_cast<std::int64_t>(rounded));
    return true;
  }
  if (m.conversion == DbfConversion::kInvalid) return false;
  std::int64_t v = 0;
  if (parse_integer_field(text, v) != ParseStatus::kOk) return false;
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return false;
  value = static_cast<double>(v);
  code = low16(v);
  return true;
}

void add_value(DbfFieldStats& s, double value) {
  if (s.numbers == 0) {
    s.min = value;
    s.max = value;
  } else {
    s.min = value < s.min ? value : s.min;
    s.max = value > s.max ? value : s.max;
  }
  ++s.numbers;
  s.sum += value;
  if (value != std::trunc(value)) ++s.fractions;
  if (value != 0) ++s.nonzero;
}

class RecordSurveyor {
 public:
  RecordSurveyor(const SurveyPlan& plan, DbfSurvey& survey) : survey_(survey) {
    for (int k = 1; k <= survey.fields.count; ++k) {
      const bool wanted = plan.measured.test(static_cast<std::size_t>(k)) || k == plan.ft_field || k == plan.at_field;
      if (!wanted) continue;
      const DbfField& f = survey.fields[k];
      MeasuredField& m = measured_[static_cast<std::size_t>(count_++)];
      m.field = k;
      m.offset = f.start - 1;
      m.width = f.format_width > 0 ? f.format_width : f.length;
      m.conversion = f.conversion;
      m.logical = f.conversion == DbfConversion::kText && f.type == 'L';
      m.decimals = f.format_decimals;
      m.ft = k == plan.ft_field;
      m.at = k == plan.at_field;
    }
  }

  void record(const char* bytes) {
    ++survey_.records;
    if (bytes[0] == kDeletedFlag) ++survey_.deleted;
    for (int i = 0; i < count_; ++i) {
      const MeasuredField& m = measured_[static_cast<std::size_t>(i)];
      const std::string_view text(bytes + m.offset, static_cast<std::size_t>(m.width));
      DbfFieldStats& s = survey_.stats[static_cast<std::size_t>(m.field)];
      double value = 0;
      std::int32_t code = 0;
      if (!convert(m, text, value, code)) {
        if (s.not_numbers++ == 0) {
          s.first_bad_record = survey_.records;
          s.first_bad_text.assign(text);
        }
        continue;
      }
      add_value(s, value);
      if (m.ft) survey_.ft.add(code);
      if (m.at) survey_.at.add(code);
    }
  }

 private:
  DbfSurvey& survey_;
  std::array<MeasuredField, kDbfFieldLimit + 1> measured_{};
  int count_ = 0;
};

}  // namespace

void read_survey_header(ByteStream& stream, DbfSurvey& survey) {
  read_dbf_header(stream, survey.header, survey.fields, nullptr);
  place_dbf_fields(stream.name(), survey.header, survey.fields);
  for (int k = 1; k <= survey.fields.count; ++k) build_field_format(survey.fields[k]);
}

void survey_dbf_records(ByteStream& stream, const SurveyPlan& plan, DbfSurvey& survey) {
  survey.records = 0;
  survey.deleted = 0;
  survey.partial_record = false;
  survey.ft = CodeSurvey{};
  survey.at = CodeSurvey{};
  survey.stats.fill(DbfFieldStats{});
  const auto length = static_cast<std::size_t>(survey.header.record_length);
  if (length == 0) return;
  RecordSurveyor surveyor(plan, survey);
  for (;;) {
    // Whole records straight from the buffer; a record that the buffer cuts
    // goes through take(), which moves it together.
    std::string_view buffered = stream.peek();
    if (buffered.size() >= length) {
      const std::size_t whole = buffered.size() / length;
      for (std::size_t r = 0; r < whole; ++r) surveyor.record(buffered.data() + r * length);
      stream.consume(whole * length);
      continue;
    }
    if (buffered.empty()) return;
    const char first_left = buffered.front();
    const std::uint64_t before = stream.offset();
    const char* bytes = stream.take(length);
    if (bytes == nullptr) {
      const std::uint64_t left = stream.offset() - before;
      survey.partial_record = left > 1 || (left == 1 && first_left != kEndOfFileByte);
      return;
    }
    surveyor.record(bytes);
  }
}

}  // namespace korvo
