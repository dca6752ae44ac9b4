#include "input/profile.h"

#include <limits>
#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

// How a keyword of pass 1 is compared with columns 2-12.
struct Keyword {
  std::string_view text;
  std::size_t compared;  // 11: the whole field, blank-padded; else the first n characters
};

enum class Key {
  kGencost,
  kCounts,
  kAscii,
  kValidate,
  kAnalysis,
  kTwoWay,
  kVolumeSlots,
  kAuxDbf,
  kLinkDbf,
  kAuxField,
  kCsvOut,
  kLinkCsv,
  kHtmlOut
};

struct KeywordRule {
  Keyword keyword;
  Key key;
  AuxField aux_field;  // for kAuxField
};

// In the order pass 1 tests them; one keyword field matches at most one.
constexpr KeywordRule kPass1Keywords[] = {
    {{"GENCOST", 11}, Key::kGencost, AuxField::kAnode},     {{"COUNTS", 11}, Key::kCounts, AuxField::kAnode},
    {{"ASCII", 5}, Key::kAscii, AuxField::kAnode},          {{"VALIDA", 6}, Key::kValidate, AuxField::kAnode},
    {{"ANALYS", 6}, Key::kAnalysis, AuxField::kAnode},      {{"TWOWAY", 6}, Key::kTwoWay, AuxField::kAnode},
    {{"KORVOL", 6}, Key::kVolumeSlots, AuxField::kAnode},   {{"VOLNAUXDBF", 11}, Key::kAuxDbf, AuxField::kAnode},
    {{"KORVODBF", 11}, Key::kLinkDbf, AuxField::kAnode},    {{"DBFANODE", 11}, Key::kAuxField, AuxField::kAnode},
    {{"DBFBNODE", 11}, Key::kAuxField, AuxField::kBnode},   {{"DBFSEQ", 11}, Key::kAuxField, AuxField::kSequence},
    {{"DBFCC", 11}, Key::kAuxField, AuxField::kConstruct},  {{"DBFSL", 11}, Key::kAuxField, AuxField::kScreenline},
    {{"DBFGL", 11}, Key::kAuxField, AuxField::kLocation},   {{"DBFZON", 11}, Key::kAuxField, AuxField::kZone},
    {{"DBFONEWAY", 11}, Key::kAuxField, AuxField::kOneWay}, {{"CSVOUT", 11}, Key::kCsvOut, AuxField::kAnode},
    {{"LINKCSV", 11}, Key::kLinkCsv, AuxField::kAnode},     {{"HTMLOUT", 11}, Key::kHtmlOut, AuxField::kAnode},
};

bool matches(const FixedText<11>& field, const Keyword& keyword) {
  if (keyword.compared == 11) return field.equals_padded(keyword.text);
  return field.view().substr(0, keyword.compared) == keyword.text.substr(0, keyword.compared);
}

FixedText<11> keyword_field(std::string_view record) { return FixedText<11>(columns(record, 2, 12)); }

// Reads the value record of a keyword; a keyword record that is the last
// record of the file has none.
std::string_view value_record(TextReader& profile, std::string_view keyword) {
  std::string_view line;
  if (!profile.next(line)) {
    throw FileError(profile.name(), FilePlace::at_line(profile.line_number() + 1),
                    "value of " + std::string(trim_right(keyword)), "the value record after the keyword",
                    FileError::Found::words("the end of the file"));
  }
  return line;
}

bool yes(std::string_view record) { return !record.empty() && (record[0] == 'Y' || record[0] == 'y'); }

bool is_none(const FixedText<80>& name) { return name.equals_padded("none") || name.equals_padded("NONE"); }

// A free-format integer: the first integer of the value record; blank
// records are passed over to the next.
std::int64_t free_integer(TextReader& profile, std::string_view keyword, std::string_view record, std::int64_t low,
                          std::int64_t high) {
  const std::string field = "value of " + std::string(trim_right(keyword));
  for (;;) {
    std::int64_t value = 0;
    bool found = false;
    ParseStatus status = parse_free_integer(record, value, found);
    const FieldPlace place{profile.name(), FilePlace::at_line(profile.line_number()), field};
    if (status != ParseStatus::kOk) throw conversion_error(trim_right(record), place, "an integer");
    if (found) {
      if (value < low || value > high) {
        throw conversion_error(trim_right(record), place,
                               "an integer from " + std::to_string(low) + " to " + std::to_string(high));
      }
      return value;
    }
    record = value_record(profile, keyword);
  }
}

}  // namespace

bool names_a_field(const FixedText<11>& name) {
  const std::string_view head = name.view().substr(0, 4);
  return head != "NONE" && head != "none";
}

void read_profile_pass1(TextReader& profile, RunSettings& settings, const std::function<void()>& create_ascii_file) {
  std::string_view record;
  while (profile.next(record)) {
    settings.profile_seen = true;
    const FixedText<11> field = keyword_field(record);
    for (const KeywordRule& rule : kPass1Keywords) {
      if (!matches(field, rule.keyword)) continue;
      std::string_view value = value_record(profile, field.view());
      switch (rule.key) {
        case Key::kGencost: settings.gencost = yes(value); break;
        case Key::kCounts: settings.use_counts = yes(value); break;
        case Key::kAscii:
          settings.ascii_output = yes(value);
          if (settings.ascii_output && create_ascii_file) create_ascii_file();
          break;
        case Key::kValidate:
          settings.validate_mode = yes(value);
          settings.analysis_mode = !settings.validate_mode;
          break;
        case Key::kAnalysis:
          settings.analysis_mode = yes(value);
          settings.validate_mode = !settings.analysis_mode;
          break;
        case Key::kTwoWay: settings.two_way_output = yes(value); break;
        case Key::kVolumeSlots:
          settings.volume_slots = static_cast<std::int16_t>(free_integer(profile, field.view(), value, -32768, 32767));
          break;
        case Key::kAuxDbf:
          settings.dbf_file_name.assign(columns(value, 1, 80));
          settings.aux_dbf_given = !is_none(settings.dbf_file_name);
          break;
        case Key::kLinkDbf:
          settings.dbf_file_name.assign(columns(value, 1, 80));
          settings.dbf_input_given = !is_none(settings.dbf_file_name);
          break;
        case Key::kAuxField: settings.aux_field_names[rule.aux_field].assign(columns(value, 1, 11)); break;
        case Key::kCsvOut: settings.csv_output = yes(value); break;
        case Key::kLinkCsv: settings.link_csv = yes(value); break;
        case Key::kHtmlOut: settings.html_output = yes(value); break;
      }
      break;
    }
  }
}

bool read_profile_pass2(TextReader& profile, RunSettings& settings, FixedText<80>& title_line_3) {
  bool title_given = false;
  std::string_view record;
  while (profile.next(record)) {
    const FixedText<11> field = keyword_field(record);
    const std::string_view first3 = field.view().substr(0, 3);
    if (first3 == "GLS") {
      settings.location_select = static_cast<std::int32_t>(
          free_integer(profile, field.view(), value_record(profile, field.view()),
                       std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    } else if (first3 == "GLT") {
      title_line_3.assign(columns(value_record(profile, field.view()), 1, 80));
      title_given = true;
    }
  }
  return title_given;
}

}  // namespace korvo
