#include "evaluation/class_tables.h"

#include <algorithm>

#include "evaluation/accumulators.h"

namespace korvo {
namespace {

// A record for a code outside 1..99 has no map entry: it is listed and
// otherwise passed over (no class count, no label).
bool is_code(int code) { return code >= 1 && code <= kMaxCode; }
bool has_label_slot(int cls) { return cls >= 1 && cls <= kMaxCode; }
std::size_t at(int index) { return static_cast<std::size_t>(index); }

// A map entry for a class: a negative class selects nothing, so it is kept
// as 0 and the code is listed and evaluated as not selected.
std::int16_t map_entry(int cls) { return static_cast<std::int16_t>(cls < 0 ? 0 : cls); }

// The analysis class of a code by default: its leading digit.
std::int16_t default_analysis_class(int code) { return static_cast<std::int16_t>(code <= 9 ? code : code / 10); }

LabelsOutcome apply_ft_record(ClassTables& c, LabelsCounts& counts, const LabelsRecord& r, bool analysis) {
  if (analysis) {
    if (r.analysis_class > kMaxAnalysisFtClass) return LabelsOutcome::kFtClassTooHigh;
    if (!is_code(r.code)) return LabelsOutcome::kApplied;
    counts.nft = std::max(counts.nft, r.analysis_class);
    c.ft_analysis_map[at(r.code)] = map_entry(r.analysis_class);
    // The short label names the class in an analysis run, although it is the
    // long label that decides whether there is one.
    if (!r.long_label.is_blank() && has_label_slot(r.analysis_class)) {
      c.ft_class_label[at(r.analysis_class)].assign(r.short_label.view());
    }
    return LabelsOutcome::kApplied;
  }
  if (!is_code(r.code)) return LabelsOutcome::kApplied;
  c.ft_class_map[at(r.code)] = map_entry(r.validation_class);
  counts.nft = std::max(counts.nft, r.validation_class);
  if (!r.long_label.is_blank() && has_label_slot(r.validation_class)) {
    c.ft_class_label[at(r.validation_class)].assign(r.long_label.view().substr(0, 16));
  }
  return LabelsOutcome::kApplied;
}

LabelsOutcome apply_at_record(ClassTables& c, LabelsCounts& counts, const LabelsRecord& r, bool analysis) {
  if (analysis) {
    if (r.analysis_class > kMaxAnalysisAtClass) return LabelsOutcome::kAtClassTooHigh;
    if (!is_code(r.code)) return LabelsOutcome::kApplied;
    counts.nat = std::max(counts.nat, r.analysis_class);
    if (!r.short_label.is_blank() && has_label_slot(r.analysis_class)) {
      c.at_short_label[at(r.analysis_class)] = r.short_label;
    }
    c.at_analysis_map[at(r.code)] = map_entry(r.analysis_class);
    return LabelsOutcome::kApplied;
  }
  if (!is_code(r.code)) return LabelsOutcome::kApplied;
  c.at_class_map[at(r.code)] = map_entry(r.validation_class);
  if (!r.long_label.is_blank() && has_label_slot(r.validation_class)) {
    c.at_class_label[at(r.validation_class)] = r.long_label;
  }
  counts.nat = std::max(counts.nat, r.validation_class);
  return LabelsOutcome::kApplied;
}

}  // namespace

void set_default_classes(ClassTables& c) {
  c.nft = 10;
  c.nat = 6;
  for (int code = 1; code <= kMaxCode; ++code) {
    const auto i = static_cast<std::size_t>(code);
    c.ft_class_map[i] = static_cast<std::int16_t>(code);
    c.at_class_map[i] = static_cast<std::int16_t>(code);
    c.ft_analysis_map[i] = default_analysis_class(code);
    c.at_analysis_map[i] = default_analysis_class(code);
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

void start_labels_classes(ClassTables& c) {
  for (int code = 1; code <= kMaxCode; ++code) {
    c.ft_class_map[at(code)] = 0;
    c.at_class_map[at(code)] = 0;
    c.ft_analysis_map[at(code)] = default_analysis_class(code);
    c.at_analysis_map[at(code)] = default_analysis_class(code);
  }
}

LabelsOutcome apply_labels_record(ClassTables& classes, LabelsCounts& counts, const LabelsRecord& record,
                                  bool analysis) {
  if (record.kind.view() == "FT") return apply_ft_record(classes, counts, record, analysis);
  if (record.kind.view() == "AT") return apply_at_record(classes, counts, record, analysis);
  return LabelsOutcome::kNeitherFtNorAt;
}

void finish_labels_classes(ClassTables& c, const LabelsCounts& counts) {
  // Validation classes have three columns, so the counts stay within the
  // accumulator layout's limit (999 classes and the Total class).
  c.nft = std::min(counts.nft, kMaxClasses - 1) + 1;
  c.nat = std::min(counts.nat, kMaxClasses - 1) + 1;
  if (has_label_slot(c.nat)) c.at_short_label[at(c.nat)].assign("   Total");
  if (has_label_slot(c.nft)) c.ft_class_label[at(c.nft)].assign("Total");
  if (has_label_slot(c.nat)) c.at_class_label[at(c.nat)].assign("Total");
}

void use_analysis_maps(ClassTables& c) {
  c.ft_class_map = c.ft_analysis_map;
  c.at_class_map = c.at_analysis_map;
}

}  // namespace korvo
