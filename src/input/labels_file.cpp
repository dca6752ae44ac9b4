#include "input/labels_file.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

constexpr char kEndOfFileMark = 26;

// Columns of a "KVSCREEN.SYN" record.
constexpr int kScreenNumberFirst = 1;
constexpr int kScreenNumberLast = 2;
constexpr int kScreenNameFirst = 4;
constexpr int kScreenNameLast = 43;

// Columns of a "KVLABELS.SYN" record.
struct LabelsColumn {
  std::string_view name;
  int first;
  int last;
};
constexpr LabelsColumn kKindColumns{"kind", 7, 8};
constexpr LabelsColumn kCodeColumns{"code", 9, 11};
constexpr LabelsColumn kValidationColumns{"validation class", 12, 14};
constexpr LabelsColumn kAnalysisColumns{"analysis class", 15, 17};
constexpr LabelsColumn kShortLabelColumns{"short label", 19, 26};
constexpr LabelsColumn kLongLabelColumns{"long label", 28, 67};

int read_labels_number(const LabelsText& text, const LabelsColumn& column, std::string_view file, std::int64_t line) {
  const FieldPlace place{file, FilePlace::at_line(line).with_columns(column.first, column.last), column.name};
  // Three columns hold -99..999, so the value always fits an int.
  return static_cast<int>(read_integer(columns(text.view(), column.first, column.last), place));
}

// A record that begins with end-of-file marks loses them; false when nothing
// but blanks is left after the marks (the mark that closes a DOS file).
bool drop_end_of_file_marks(std::string_view& text) {
  if (text.empty() || text.front() != kEndOfFileMark) return true;
  while (!text.empty() && text.front() == kEndOfFileMark) text.remove_prefix(1);
  return text.find_first_not_of(' ') != std::string_view::npos;
}

}  // namespace

bool next_labels_text(TextReader& labels, LabelsText& text) {
  std::string_view line;
  while (labels.next(line)) {
    std::string_view record = line.substr(0, std::min(line.size(), kLabelsRecordLength));
    if (!drop_end_of_file_marks(record)) continue;
    text.assign(record);
    return true;
  }
  return false;
}

LabelsRecord decode_labels_record(const LabelsText& text, std::string_view file, std::int64_t line) {
  LabelsRecord r;
  const std::string_view record = text.view();
  r.kind.assign(columns(record, kKindColumns.first, kKindColumns.last));
  r.code = read_labels_number(text, kCodeColumns, file, line);
  r.validation_class = read_labels_number(text, kValidationColumns, file, line);
  r.analysis_class = read_labels_number(text, kAnalysisColumns, file, line);
  r.short_label.assign(columns(record, kShortLabelColumns.first, kShortLabelColumns.last));
  r.long_label.assign(columns(record, kLongLabelColumns.first, kLongLabelColumns.last));
  return r;
}

void read_screenline_names(TextReader& names, ScreenlineNames& out) {
  std::string_view line;
  while (names.next(line)) {
    if (!drop_end_of_file_marks(line)) continue;
    const FieldPlace place{names.name(),
                           FilePlace::at_line(names.line_number()).with_columns(kScreenNumberFirst, kScreenNumberLast),
                           "screenline number"};
    const std::int64_t number = read_integer(columns(line, kScreenNumberFirst, kScreenNumberLast), place);
    // Screenlines outside 1..99 have no table entry; their names are dropped.
    if (number < 1 || number > kMaxScreenline) continue;
    out[static_cast<std::size_t>(number)].assign(columns(line, kScreenNameFirst, kScreenNameLast));
  }
}

}  // namespace korvo
