#include "evaluation/labels.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/fixed_read.h"
#include "run/run_context.h"

namespace korvo {
namespace {

constexpr char kEndOfFileMark = 26;  // DOS editors leave it at the end of a file
constexpr std::size_t kLabelsRecordLength = 80;

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

struct LabelsRecord {
  FixedText<2> kind;
  int code = 0;
  int validation_class = 0;
  int analysis_class = 0;
  FixedText<8> short_label;
  FixedText<40> long_label;
};

int read_labels_number(const FixedText<kLabelsRecordLength>& record, const LabelsColumn& column,
                       std::int64_t line_number) {
  const FieldPlace place{kLabelsFile, "line " + std::to_string(line_number), column.first, column.last, column.name};
  // Three columns hold -99..999, so the value always fits an int.
  return static_cast<int>(read_integer(columns(record.view(), column.first, column.last), place));
}

LabelsRecord decode_labels_record(const FixedText<kLabelsRecordLength>& record, std::int64_t line_number) {
  LabelsRecord r;
  const std::string_view text = record.view();
  r.kind.assign(columns(text, kKindColumns.first, kKindColumns.last));
  r.code = read_labels_number(record, kCodeColumns, line_number);
  r.validation_class = read_labels_number(record, kValidationColumns, line_number);
  r.analysis_class = read_labels_number(record, kAnalysisColumns, line_number);
  r.short_label.assign(columns(text, kShortLabelColumns.first, kShortLabelColumns.last));
  r.long_label.assign(columns(text, kLongLabelColumns.first, kLongLabelColumns.last));
  return r;
}

// A record for a code outside 1..99 has no map entry: it is listed and
// otherwise passed over (no class count, no label).
bool is_code(int code) { return code >= 1 && code <= kMaxCode; }
bool has_label_slot(int cls) { return cls >= 1 && cls <= kMaxCode; }
std::size_t at(int index) { return static_cast<std::size_t>(index); }

// A map entry for a class: a negative class selects nothing, so it is kept
// as 0 and the code is listed and evaluated as not selected.
std::int16_t map_entry(int cls) { return static_cast<std::int16_t>(cls < 0 ? 0 : cls); }

void write_contents_heading(TextWriter& report) {
  static const Layout kHeading = Layout::parse(R"((' "KVLABELS.SYN" CONTENTS:'/))");
  write_record(report, kHeading, {});
}

void write_limit_message(TextWriter& report, const LabelsRecord& r, std::string_view type_name, int limit) {
  static const Layout kLimit = Layout::parse(
      R"((' ***CRITICAL*** ',A,' =',I3,' EXCEEDS THE PROGRAM LIMIT OF',I3,)"
      R"(' IN THE FOLLOWING "KVLABELS.SYN" RECORD'/' LABEL ',A2,3I3,1X,A8,1X,A40))");
  write_record(report, kLimit,
               {type_name, r.analysis_class, limit, r.kind, r.code, r.validation_class, r.analysis_class,
                r.short_label, r.long_label});
}

struct LabelsState {
  int nft = 0;
  int nat = 0;
  bool limit_exceeded = false;
};

void apply_ft_record(RunContext& ctx, const LabelsRecord& r, LabelsState& state) {
  ClassTables& c = ctx.classes;
  if (ctx.settings.analysis_mode) {
    if (r.analysis_class > kMaxAnalysisFtClass) {
      write_limit_message(ctx.report, r, "FACILITY TYPE", kMaxAnalysisFtClass);
      state.limit_exceeded = true;
      return;
    }
    if (!is_code(r.code)) return;
    state.nft = std::max(state.nft, r.analysis_class);
    c.ft_analysis_map[at(r.code)] = map_entry(r.analysis_class);
    // The short label names the class in an analysis run, although it is the
    // long label that decides whether there is one.
    if (!r.long_label.is_blank() && has_label_slot(r.analysis_class)) {
      c.ft_class_label[at(r.analysis_class)].assign(r.short_label.view());
    }
    return;
  }
  if (!is_code(r.code)) return;
  c.ft_class_map[at(r.code)] = map_entry(r.validation_class);
  state.nft = std::max(state.nft, r.validation_class);
  if (!r.long_label.is_blank() && has_label_slot(r.validation_class)) {
    c.ft_class_label[at(r.validation_class)].assign(r.long_label.view().substr(0, 16));
  }
}

void apply_at_record(RunContext& ctx, const LabelsRecord& r, LabelsState& state) {
  ClassTables& c = ctx.classes;
  if (ctx.settings.analysis_mode) {
    if (r.analysis_class > kMaxAnalysisAtClass) {
      write_limit_message(ctx.report, r, "AREA TYPE", kMaxAnalysisAtClass);
      state.limit_exceeded = true;
      return;
    }
    if (!is_code(r.code)) return;
    state.nat = std::max(state.nat, r.analysis_class);
    if (!r.short_label.is_blank() && has_label_slot(r.analysis_class)) {
      c.at_short_label[at(r.analysis_class)] = r.short_label;
    }
    c.at_analysis_map[at(r.code)] = map_entry(r.analysis_class);
    return;
  }
  if (!is_code(r.code)) return;
  c.at_class_map[at(r.code)] = map_entry(r.validation_class);
  if (!r.long_label.is_blank() && has_label_slot(r.validation_class)) {
    c.at_class_label[at(r.validation_class)] = r.long_label;
  }
  state.nat = std::max(state.nat, r.validation_class);
}

// One list of codes, ten a line from column 11; a list with no code still
// gives its line, of blanks.
void write_code_list(TextWriter& report, const std::array<std::int16_t, kMaxCode + 1>& map, bool selected) {
  static const Layout kCodes = Layout::parse("(10X,10I4)");
  static const std::string kNoCode(10, ' ');
  std::vector<FieldValue> codes;
  codes.reserve(kMaxCode);
  for (int code = 1; code <= kMaxCode; ++code) {
    if ((map[at(code)] != 0) == selected) codes.emplace_back(code);
  }
  if (codes.empty()) {
    report.write_record(kNoCode);
    return;
  }
  write_record(report, kCodes, codes);
}

void write_selection_lists(RunContext& ctx) {
  static const Layout kFtSelected = Layout::parse("(' FACILITY TYPES SELECTED:'/)");
  static const Layout kFtSkipped = Layout::parse("(//' FACILITY TYPES SKIPPED:'/)");
  static const Layout kAtSelected = Layout::parse("(//' AREA TYPES SELECTED:'/)");
  static const Layout kAtSkipped = Layout::parse("(//' AREA TYPES SKIPPED:'/)");
  const ClassTables& c = ctx.classes;
  // An analysis run lists the maps it evaluates with; its validation maps
  // stay empty.
  const bool analysis = ctx.settings.analysis_mode;
  const auto& ft_map = analysis ? c.ft_analysis_map : c.ft_class_map;
  const auto& at_map = analysis ? c.at_analysis_map : c.at_class_map;
  ctx.start_new_page();
  TextWriter& report = ctx.report;
  write_record(report, kFtSelected, {});
  write_code_list(report, ft_map, true);
  write_record(report, kFtSkipped, {});
  write_code_list(report, ft_map, false);
  write_record(report, kAtSelected, {});
  write_code_list(report, at_map, true);
  write_record(report, kAtSkipped, {});
  write_code_list(report, at_map, false);
}

// A record that begins with end-of-file marks loses them; false when nothing
// but blanks is left after the marks (the mark that closes a DOS file).
bool drop_end_of_file_marks(std::string_view& text) {
  if (text.empty() || text.front() != kEndOfFileMark) return true;
  while (!text.empty() && text.front() == kEndOfFileMark) text.remove_prefix(1);
  return text.find_first_not_of(' ') != std::string_view::npos;
}

// The record as the labels step sees it: the first 80 characters, leading
// end-of-file marks dropped. False for a record to pass over.
bool labels_record(std::string_view line, FixedText<kLabelsRecordLength>& record) {
  std::string_view text = line.substr(0, std::min(line.size(), kLabelsRecordLength));
  if (!drop_end_of_file_marks(text)) return false;
  record.assign(text);
  return true;
}

void read_labels_file(RunContext& ctx) {
  static const Layout kEcho = Layout::parse("(10X,A)");
  ClassTables& c = ctx.classes;
  ctx.page.agency_header = true;
  ctx.start_new_page();
  write_contents_heading(ctx.report);

  for (int code = 1; code <= kMaxCode; ++code) {
    const auto analysis = static_cast<std::int16_t>(code <= 9 ? code : code / 10);
    c.ft_class_map[at(code)] = 0;
    c.at_class_map[at(code)] = 0;
    c.ft_analysis_map[at(code)] = analysis;
    c.at_analysis_map[at(code)] = analysis;
  }

  LabelsState state;
  TextReader labels = TextReader::open_file(ctx.work.path(kLabelsFile), kLabelsFile);
  std::string_view line;
  FixedText<kLabelsRecordLength> record;
  while (labels.next(line)) {
    if (!labels_record(line, record)) continue;
    if (ctx.reserve_lines(1)) write_contents_heading(ctx.report);
    write_record(ctx.report, kEcho, {record});
    const LabelsRecord r = decode_labels_record(record, labels.line_number());
    if (r.kind.view() == "FT") {
      apply_ft_record(ctx, r, state);
    } else if (r.kind.view() == "AT") {
      apply_at_record(ctx, r, state);
    } else {
      ctx.console.line(R"( ***CRITICAL*** NO "FT" OR "AT" ON KVLABELS.SYN FILE)");
      throw RunStop(kAbnormalCompletionShort);
    }
  }
  labels.close();

  write_selection_lists(ctx);
  if (state.limit_exceeded) throw RunStop(kAbnormalCompletionShort);

  // Validation classes have three columns, so the counts stay within the
  // accumulator layout's limit (999 classes and the Total class).
  c.nft = std::min(state.nft, kMaxClasses - 1) + 1;
  c.nat = std::min(state.nat, kMaxClasses - 1) + 1;
  if (has_label_slot(c.nat)) c.at_short_label[at(c.nat)].assign("   Total");
}

}  // namespace

void read_screenline_names(TextReader& names, ClassTables& classes) {
  std::string_view line;
  while (names.next(line)) {
    // The labels file's rule for end-of-file marks holds here too.
    if (!drop_end_of_file_marks(line)) continue;
    const FieldPlace place{names.name(), "line " + std::to_string(names.line_number()), kScreenNumberFirst,
                           kScreenNumberLast, "screenline number"};
    const std::int64_t number = read_integer(columns(line, kScreenNumberFirst, kScreenNumberLast), place);
    // Screenlines outside 1..99 have no table entry; their names are dropped.
    if (number < 1 || number > kMaxScreenline) continue;
    classes.screenline_name[static_cast<std::size_t>(number)].assign(
        columns(line, kScreenNameFirst, kScreenNameLast));
  }
}

void set_default_classes(RunContext& ctx) {
  ClassTables& c = ctx.classes;
  c.nft = 10;
  c.nat = 6;
  for (int code = 1; code <= kMaxCode; ++code) {
    const auto i = static_cast<std::size_t>(code);
    const auto analysis = static_cast<std::int16_t>(code <= 9 ? code : code / 10);
    c.ft_class_map[i] = static_cast<std::int16_t>(code);
    c.at_class_map[i] = static_cast<std::int16_t>(code);
    c.ft_analysis_map[i] = analysis;
    c.at_analysis_map[i] = analysis;
    const char digits[2] = {code < 10 ? ' ' : static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)};
    c.ft_class_label[i].assign(std::string_view(digits, 2));
    c.at_class_label[i].assign(std::string_view(digits, 2));
  }
  static constexpr std::string_view kFt[] = {"Freeway",          "Divided Arterial", "Undivid.Arterial",
                                             "Collector Street", "Local Streets",    "Oneway Streets",
                                             "Not Used",         "HOV Facilities",   "TOLL Facilities"};
  static constexpr std::string_view kAt[] = {"Central Business District", "CBD Fringe", "Residential",
                                             "Outlying Business District", "Rural Areas"};
  static constexpr std::string_view kShort[] = {"     CBD", "  Fringe", "   Resid", " Out CBD", "   Rural", "   Total"};
  for (std::size_t k = 0; k < 9; ++k) c.ft_class_label[k + 1].assign(kFt[k]);
  for (std::size_t k = 0; k < 5; ++k) c.at_class_label[k + 1].assign(kAt[k]);
  for (std::size_t k = 0; k < 6; ++k) c.at_short_label[k + 1].assign(kShort[k]);
  c.ft_class_label[static_cast<std::size_t>(c.nft)].assign("Total");
  c.at_class_label[static_cast<std::size_t>(c.nat)].assign("Total");
}

void prepare_labels_and_selection(RunContext& ctx) {
  ctx.classes = ClassTables{};
  if (ctx.work.exists(kScreenNamesFile)) {
    TextReader names = TextReader::open_file(ctx.work.path(kScreenNamesFile), kScreenNamesFile);
    read_screenline_names(names, ctx.classes);
  }
  if (!ctx.work.exists(kLabelsFile)) {
    set_default_classes(ctx);
    return;
  }
  read_labels_file(ctx);
  ClassTables& c = ctx.classes;
  if (has_label_slot(c.nft)) c.ft_class_label[at(c.nft)].assign("Total");
  if (has_label_slot(c.nat)) c.at_class_label[at(c.nat)].assign("Total");
}

}  // namespace korvo
