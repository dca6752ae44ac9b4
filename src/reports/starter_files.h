#pragma once
// The text of a starter scenario's files, as "korvo init" writes them:
// PROFILE.MAS, KVLABELS.SYN, DATABASE.CTL and VELMAR.CTL (the rates are
// reports/bundled_rates.h). Each text is what the run's own reader takes:
//
// - PROFILE.MAS: a keyword line (keyword from column 2) and its value line
//   for every setting whose default can be written as a value; the others
//   are explained in comment lines. A comment line is "*" then a blank, so
//   its columns 2-12 never hold a keyword, and no comment stands between a
//   keyword and its value.
// - KVLABELS.SYN: one 80-column record per code, nothing else (every record
//   must be FT or AT).
// - DATABASE.CTL: three heading lines, then a comment line for each choice
//   and the LINK ALIAS line it makes, if any.

#include <span>
#include <string>
#include <string_view>

#include "common/fixed_text.h"

namespace korvo {

struct StarterProfile {
  bool binary = false;
  // The dBASE link file as the profile names it (dBASE networks), or the
  // binary network's file name (for the heading comment).
  std::string network_file;
};

std::string starter_profile_text(const StarterProfile& profile);

// One record of KVLABELS.SYN.
struct LabelLine {
  FixedText<2> kind;  // "FT" or "AT"
  int code = 0;
  int validation_class = 0;
  int analysis_class = 0;
  FixedText<8> short_label;
  FixedText<40> long_label;
};

std::string starter_labels_text(std::span<const LabelLine> lines);

// One choice of DATABASE.CTL: a comment, and a LINK ALIAS line when field is
// not empty.
struct ControlEntry {
  std::string comment;  // without the leading "* "
  std::string_view keyword;
  std::string field;  // empty: a comment alone
  double scale = 0;   // 0: no factor
};

std::string starter_database_control_text(std::string_view network_file, std::span<const ControlEntry> entries);

// VELMAR.CTL naming the scenario's three-character file code.
std::string starter_control_file_text(std::string_view network_file, std::string_view code);

}  // namespace korvo
