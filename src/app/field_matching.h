#pragma once
// Which field of a planner's dBASE link table holds each of the 20 link
// keywords, and with what scale factor: the choices "korvo init" writes into
// DATABASE.CTL.
//
// A keyword takes, in this order of preference: the field of its own name
// (as the run matches it, upper case; no alias needed), a field of its name
// in other case ("anode"), then the first of its common other names
// (kFieldSynonyms: A, A_NODE, FNODE, ... for ANODE), compared without regard
// to case. A field serves one keyword at most. DIR, ZONE, USE and LANDUSE,
// which a run carries but no result depends on, read the A-node's field as a
// stand-in when the table has none of them, so that a run can start; any
// other keyword without a field is reported as not mapped (a run then lists
// it as not found and evaluates nothing).
//
// Scale factors (after the survey): DISTANCE and the two times are counted in
// hundredths (of a mile, of a minute); a field with decimals is taken to hold
// miles or minutes and read with the factor 100.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/enum_array.h"
#include "input/dbf_reader.h"
#include "input/dbf_survey.h"
#include "input/link_record.h"

namespace korvo {

// A keyword's other common names, upper case. None of them is another
// keyword's own name, so a LINK ALIAS line never renames a field that a later
// line addresses by keyword.
struct FieldSynonyms {
  LinkKeyword keyword;
  std::span<const std::string_view> names;
};
extern const std::array<FieldSynonyms, kLinkKeywordCount> kFieldSynonyms;

enum class FieldMatch : std::uint8_t {
  kMissing,    // no field: the run cannot evaluate
  kExact,      // the field of the keyword's own name
  kOtherCase,  // the keyword's name in other case
  kSynonym,    // one of the common other names
  kStandIn,    // no field, and no result depends on it: the A-node's field stands in
};

struct FieldChoice {
  int field = 0;  // entry of the field table; 0 for kMissing
  FieldMatch match = FieldMatch::kMissing;
  double scale = 0;  // 0: none (the run's factor of 1)
  // Why the factor ("miles with decimals ..."), for the printout and the
  // comment line of DATABASE.CTL; empty when there is none.
  std::string note;
  // A doubt about the units for the planner to check; empty when none.
  std::string doubt;
};

// Slots 1..20 (index 0 unused).
using FieldChoices = EnumArray<LinkKeyword, FieldChoice, kLinkKeywordCount + 1>;

// The fields of a table for each keyword, from the names alone.
FieldChoices match_link_fields(const DbfFieldTable& table);

// Scale factors and unit notes from the surveyed values of the chosen fields.
void choose_scales(const DbfSurvey& survey, FieldChoices& choices);

// True when DATABASE.CTL is needed: a keyword's field has another name, or a
// factor applies.
bool needs_database_control(const FieldChoices& choices);

// The keyword's name ("ANODE") of a slot 1..20.
std::string_view keyword_name(int slot);
std::string_view keyword_name(LinkKeyword slot);

// Upper case, ASCII only: field names are compared in it.
std::string upper_ascii(std::string_view text);

}  // namespace korvo
