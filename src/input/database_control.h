#pragma once
// "DATABASE.CTL": renames the dBASE fields of the link keywords ("LINK ALIAS"
// lines) and gives each keyword a scale factor for real-valued fields.
//
// Three heading lines, then any lines; a LINK ALIAS line holds
//   columns  1-10  LINK ALIAS
//   columns 12-13  a two-digit number, read and not used
//   columns 15-25  the keyword, compared with each slot's current name
//   columns 27-37  the dBASE field name the slot takes
//   columns 38-45  the scale factor (F8.3: "     100" is 0.1); 0 or blank
//                  keeps the slot's scale
// Because the comparison is with the current names, a later line addresses a
// slot by the alias an earlier line gave it.

#include <array>

#include "common/enum_array.h"
#include "common/fixed_text.h"
#include "common/text_file.h"
#include "input/link_record.h"

namespace korvo {

// For each keyword slot 1..20 (index 0 unused): the dBASE field name, the
// scale factor and the matching entry of the field table (0: none).
struct LinkFieldMap {
  LinkFieldMap() {
    for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
      name[static_cast<std::size_t>(slot)].assign(kLinkKeywordNames[static_cast<std::size_t>(slot - 1)]);
      scale[static_cast<std::size_t>(slot)] = 1.0;
    }
  }
  EnumArray<LinkKeyword, FixedText<11>, kLinkKeywordCount + 1> name{};
  EnumArray<LinkKeyword, double, kLinkKeywordCount + 1> scale{};
  EnumArray<LinkKeyword, int, kLinkKeywordCount + 1> index{};
};

// Applies the LINK ALIAS lines of an opened control file to map. Throws
// FileError for a file of fewer than three lines and for a LINK ALIAS line
// whose number or factor columns are not numeric.
void read_database_control(TextReader& control, LinkFieldMap& map);

}  // namespace korvo
