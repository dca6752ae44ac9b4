#pragma once
// Facility-type and area-type classes: the code-to-class maps, the class
// counts NFT and NAT (each including its final Total class), the class
// labels and the screenline names.
//
// Without a labels file the defaults apply: NFT 10, NAT 6; in an analysis run
// two-digit codes belong to the class of their leading digit. With one, each
// record of "KVLABELS.SYN" sets the class of one code (apply_labels_record).

#include <array>
#include <cstdint>
#include <string_view>

#include "common/fixed_text.h"
#include "input/labels_file.h"

namespace korvo {

struct ClassTables {
  // Index 1..99 is the code; index 0 is unused. 0 means "not selected".
  std::array<std::int16_t, kMaxCode + 1> ft_class_map{};
  std::array<std::int16_t, kMaxCode + 1> at_class_map{};
  std::array<std::int16_t, kMaxCode + 1> ft_analysis_map{};
  std::array<std::int16_t, kMaxCode + 1> at_analysis_map{};
  std::int32_t nft = 0;  // NFT
  std::int32_t nat = 0;  // NAT
  // Labels of classes 1..99 (index 0 unused).
  std::array<FixedText<16>, kMaxCode + 1> ft_class_label{};
  std::array<FixedText<40>, kMaxCode + 1> at_class_label{};
  std::array<FixedText<8>, kMaxCode + 1> at_short_label{};
  ScreenlineNames screenline_name{};

  // Labels by class. Classes 1..99 have stored labels, the Total class reads
  // "Total" ("   Total" for the short label), any other class reads blank:
  // validation classes from a labels file can go up to 999.
  std::string_view ft_label(int cls) const {
    if (cls == nft) return kTotal16;
    if (cls >= 1 && cls <= kMaxCode) return ft_class_label[static_cast<std::size_t>(cls)].view();
    return kBlank40.substr(0, 16);
  }
  std::string_view at_label(int cls) const {
    if (cls == nat) return kTotal40;
    if (cls >= 1 && cls <= kMaxCode) return at_class_label[static_cast<std::size_t>(cls)].view();
    return kBlank40;
  }
  std::string_view at_short(int cls) const {
    if (cls == nat) return kTotal8;
    if (cls >= 1 && cls <= kMaxCode) return at_short_label[static_cast<std::size_t>(cls)].view();
    return kBlank40.substr(0, 8);
  }
  // The class of a facility-type or area-type code in the active maps; 0 for
  // codes outside 1..99, which have no entry.
  int ft_class(int code) const {
    return (code >= 1 && code <= kMaxCode) ? ft_class_map[static_cast<std::size_t>(code)] : 0;
  }
  int at_class(int code) const {
    return (code >= 1 && code <= kMaxCode) ? at_class_map[static_cast<std::size_t>(code)] : 0;
  }

  static constexpr std::string_view kTotal8 = "   Total";
  static constexpr std::string_view kTotal16 = "Total           ";
  static constexpr std::string_view kTotal40 = "Total                                   ";
  static constexpr std::string_view kBlank40 = "                                        ";
};

// The classes and labels of a run without a labels file: NFT 10, NAT 6.
void set_default_classes(ClassTables& classes);

// The analysis-class limits of the labels file.
inline constexpr int kMaxAnalysisFtClass = 9;
inline constexpr int kMaxAnalysisAtClass = 11;

// The highest classes the labels records named so far.
struct LabelsCounts {
  int nft = 0;
  int nat = 0;
};

// What a labels record did.
enum class LabelsOutcome {
  kApplied,         // the record set a class (or named a code outside 1..99, which sets nothing)
  kFtClassTooHigh,  // analysis run: a facility-type class above 9; nothing set
  kAtClassTooHigh,  // analysis run: an area-type class above 11; nothing set
  kNeitherFtNorAt,  // the kind is neither "FT" nor "AT"
};

// Before the first labels record: every code unselected in validation, and
// the analysis maps at their defaults.
void start_labels_classes(ClassTables& classes);

// Applies one record to the maps and labels of the run's mode.
LabelsOutcome apply_labels_record(ClassTables& classes, LabelsCounts& counts, const LabelsRecord& record,
                                  bool analysis);

// After the last record: NFT and NAT from the highest classes, and the Total
// labels.
void finish_labels_classes(ClassTables& classes, const LabelsCounts& counts);

// An analysis run evaluates with the analysis maps.
void use_analysis_maps(ClassTables& classes);

}  // namespace korvo
