#pragma once
// "DATABASE.CTL": renames the dBASE fields of the link keywords ("LINK ALIAS"
// lines) and gives each keyword a scale factor for real-valued fields.

#include <array>

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
  std::array<FixedText<11>, kLinkKeywordCount + 1> name{};
  std::array<double, kLinkKeywordCount + 1> scale{};
  std::array<int, kLinkKeywordCount + 1> index{};
};

// Applies the LINK ALIAS lines of an opened control file to map.
void read_database_control(TextReader& control, LinkFieldMap& map);

}  // namespace korvo
