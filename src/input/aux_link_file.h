#pragma once
// The auxiliary link file: link attributes by node pair from an auxiliary
// dBASE table, sorted and merged into one entry per direction and node pair.

#include <array>
#include <cstdint>

namespace korvo {

struct RunContext;

inline constexpr int kAuxLinkLimit = 200'000;

struct AuxLinkEntry {
  std::int32_t anode = 0;
  std::int32_t bnode = 0;  // to-node x 1024 + sequence while the table is built
  std::int32_t construct = 0;
  std::int32_t screenline = 0;
  std::int32_t location = 0;
  std::int32_t zone = 0;
};

struct AuxLinkTable {
  std::int32_t count = 0;                                  // aux_count
  std::array<AuxLinkEntry, kAuxLinkLimit + 1> entries{};  // entries 1..count
};

// Loads ctx.aux from the auxiliary dBASE file that the profile names
// (ctx.settings.dbf_file_name, ctx.settings.aux_field_names), listing its
// header in the report.
void load_aux_links(RunContext& ctx);

}  // namespace korvo
