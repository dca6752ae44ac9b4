#include "app/field_matching.h"

#include <cstdio>

namespace korvo {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kAnode[] = {"A"sv,        "A_NODE"sv, "ANODE_"sv, "FNODE"sv,  "F_NODE"sv, "FROM_NODE"sv,
                                       "FROMNODE"sv, "FROM"sv,   "INODE"sv,  "I_NODE"sv, "I"sv};
constexpr std::string_view kBnode[] = {"B"sv,      "B_NODE"sv, "BNODE_"sv, "TNODE"sv,  "T_NODE"sv, "TO_NODE"sv,
                                       "TONODE"sv, "TO"sv,     "JNODE"sv,  "J_NODE"sv, "J"sv};
constexpr std::string_view kDistance[] = {"LENGTH"sv,   "DIST"sv,      "MILES"sv,  "LEN"sv,
                                          "LINK_LEN"sv, "LENGTH_MI"sv, "DIST_MI"sv};
constexpr std::string_view kDir[] = {"DIRECTION"sv, "DIR_CODE"sv, "DIRCODE"sv};
constexpr std::string_view kAtype[] = {"AT"sv, "AREATYPE"sv, "AREA_TYPE"sv, "ATYP"sv, "AREATYP"sv};
constexpr std::string_view kFtype[] = {"FT"sv,     "FACTYPE"sv,  "FAC_TYPE"sv,  "FTYP"sv,
                                       "FACTYP"sv, "FACILITY"sv, "FACIL_TYPE"sv};
constexpr std::string_view kLanes[] = {"NUM_LANES"sv, "NUMLANES"sv, "NLANES"sv, "LANE"sv, "LN"sv, "AB_LANES"sv};
constexpr std::string_view kTime[] = {"FFTIME"sv, "FF_TIME"sv, "T0"sv, "TIME0"sv, "FREETIME"sv, "FFT"sv, "TIME_FF"sv};
constexpr std::string_view kCapacity[] = {"CAP"sv, "CAPAC"sv, "LINKCAP"sv, "CAP_HR"sv, "CAPACITY_"sv};
constexpr std::string_view kCount[] = {"CNT"sv,       "COUNTS"sv,  "AADT"sv,     "GRND_CNT"sv,
                                       "GROUNDCNT"sv, "OBS_VOL"sv, "COUNT_VOL"sv};
constexpr std::string_view kScreenline[] = {"SCREEN"sv, "SL"sv, "SCRLINE"sv, "SCREEN_LN"sv, "SCRNLINE"sv};
constexpr std::string_view kZone[] = {"TAZ"sv, "ZONE_ID"sv};
constexpr std::string_view kUse[] = {"LINKUSE"sv, "LINK_USE"sv};
constexpr std::string_view kLocation[] = {"LOC"sv, "GL"sv, "LOCATN"sv};
constexpr std::string_view kLanduse[] = {"LU"sv, "LAND_USE"sv};
constexpr std::string_view kConstruct[] = {"CONST"sv, "CONSTR"sv, "CC"sv, "CONST_CODE"sv, "PROJECT"sv};
constexpr std::string_view kCongTime[] = {"CTIME"sv, "CONGTIME"sv, "CONG_TM"sv,  "LOADTIME"sv,
                                          "TIME1"sv, "CGTIME"sv,   "CONGESTED"sv};
constexpr std::string_view kModelvol[] = {"VOLUME"sv,    "VOL"sv,  "TOT_VOL"sv,  "TOTVOL"sv,    "ASSIGN_VOL"sv,
                                          "ASSIGNVOL"sv, "FLOW"sv, "TOT_FLOW"sv, "MODEL_VOL"sv, "V_TOT"sv};
constexpr std::string_view kCost[] = {"OPCOST"sv, "OP_COST"sv, "LINK_COST"sv};
constexpr std::string_view kTwflag[] = {"TWOWAY"sv, "TWO_WAY"sv, "TW"sv, "TW_FLAG"sv};

// Keywords whose value changes no result: a stand-in field lets a run start.
bool carried_only(LinkKeyword slot) {
  return slot == LinkKeyword::kDir || slot == LinkKeyword::kZone || slot == LinkKeyword::kUse ||
         slot == LinkKeyword::kLanduse;
}

std::string field_name(const DbfField& f) { return f.display_name(); }

bool is_time(LinkKeyword slot) { return slot == LinkKeyword::kTime || slot == LinkKeyword::kCongTime; }

std::string number_text(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.3g", v);
  return buf;
}

}  // namespace

const std::array<FieldSynonyms, kLinkKeywordCount> kFieldSynonyms = {{
    {LinkKeyword::kAnode, kAnode},
    {LinkKeyword::kBnode, kBnode},
    {LinkKeyword::kDistance, kDistance},
    {LinkKeyword::kDir, kDir},
    {LinkKeyword::kAtype, kAtype},
    {LinkKeyword::kFtype, kFtype},
    {LinkKeyword::kLanes, kLanes},
    {LinkKeyword::kTime, kTime},
    {LinkKeyword::kCapacity, kCapacity},
    {LinkKeyword::kCount, kCount},
    {LinkKeyword::kScreenline, kScreenline},
    {LinkKeyword::kZone, kZone},
    {LinkKeyword::kUse, kUse},
    {LinkKeyword::kLocation, kLocation},
    {LinkKeyword::kLanduse, kLanduse},
    {LinkKeyword::kConstruct, kConstruct},
    {LinkKeyword::kCongTime, kCongTime},
    {LinkKeyword::kModelvol, kModelvol},
    {LinkKeyword::kCost, kCost},
    {LinkKeyword::kTwflag, kTwflag},
}};

std::string_view keyword_name(int slot) { return kLinkKeywordNames[static_cast<std::size_t>(slot - 1)]; }
std::string_view keyword_name(LinkKeyword slot) { return keyword_name(static_cast<int>(slot)); }

std::string upper_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

FieldChoices match_link_fields(const DbfFieldTable& table) {
  FieldChoices choices{};
  std::array<bool, kDbfFieldLimit + 1> taken{};
  auto take = [&](int slot, int k, FieldMatch how) {
    choices[static_cast<std::size_t>(slot)].field = k;
    choices[static_cast<std::size_t>(slot)].match = how;
    taken[static_cast<std::size_t>(k)] = true;
  };
  // Pass 1: the keyword's own name, as the run compares it.
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const int k = find_dbf_field(table, FixedText<11>(keyword_name(slot)));
    if (k != 0) take(slot, k, FieldMatch::kExact);
  }
  // Pass 2: the name in other case; pass 3: the other names, in the order of
  // the table (the first name found wins).
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    if (choices[static_cast<std::size_t>(slot)].field != 0) continue;
    for (int k = 1; k <= table.count; ++k) {
      if (taken[static_cast<std::size_t>(k)]) continue;
      if (upper_ascii(field_name(table[k])) == keyword_name(slot)) {
        take(slot, k, FieldMatch::kOtherCase);
        break;
      }
    }
  }
  for (const FieldSynonyms& synonyms : kFieldSynonyms) {
    const auto slot = static_cast<std::size_t>(synonyms.keyword);
    if (choices[static_cast<std::size_t>(slot)].field != 0) continue;
    for (std::string_view name : synonyms.names) {
      int found = 0;
      for (int k = 1; k <= table.count && found == 0; ++k) {
        if (!taken[static_cast<std::size_t>(k)] && upper_ascii(field_name(table[k])) == name) found = k;
      }
      if (found != 0) {
        take(slot, found, FieldMatch::kSynonym);
        break;
      }
    }
  }
  const int anode_field = choices[LinkKeyword::kAnode].field;
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    FieldChoice& c = choices[static_cast<std::size_t>(slot)];
    if (c.field == 0 && carried_only(static_cast<LinkKeyword>(slot)) && anode_field != 0) {
      c.field = anode_field;
      c.match = FieldMatch::kStandIn;
    }
  }
  return choices;
}

void choose_scales(const DbfSurvey& survey, FieldChoices& choices) {
  for (LinkKeyword slot : {LinkKeyword::kDistance, LinkKeyword::kTime, LinkKeyword::kCongTime}) {
    FieldChoice& c = choices[slot];
    if (c.field == 0) continue;
    const DbfField& f = survey.fields[c.field];
    const DbfFieldStats& s = survey.stats[static_cast<std::size_t>(c.field)];
    const bool real = f.conversion == DbfConversion::kReal;
    const double mean = s.numbers > 0 ? s.sum / static_cast<double>(s.numbers) : 0;
    const char* unit = slot == LinkKeyword::kDistance ? "miles" : "minutes";
    if (real && (f.decimals > 0 || s.fractions > 0)) {
      c.scale = 100;
      c.note = std::string(unit) + " with decimals (mean " + number_text(mean) + ", largest " + number_text(s.max) +
               "): factor 100 gives hundredths of a " + (slot == LinkKeyword::kDistance ? "mile" : "minute");
      if (slot == LinkKeyword::kDistance && s.max > 100) {
        c.doubt = "a link of " + number_text(s.max) + " miles: if the field holds kilometres, use the factor 62.137";
      }
      if (is_time(slot) && s.max > 600) {
        c.doubt = "a time of " + number_text(s.max) + " minutes: check that the field holds minutes";
      }
    } else if (s.numbers > 0 && mean < (slot == LinkKeyword::kDistance ? 5.0 : 10.0) && s.max > 0) {
      // Whole numbers this small are rarely hundredths: 5 hundredths of a
      // mile is 26 feet.
      c.doubt = std::string("whole numbers averaging ") + number_text(mean) + ": a run reads them as hundredths of a " +
                (slot == LinkKeyword::kDistance ? "mile" : "minute") + "; if they are " + unit +
                ", store the field with decimals and use the factor 100";
    }
  }
}

bool needs_database_control(const FieldChoices& choices) {
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const FieldChoice& c = choices[static_cast<std::size_t>(slot)];
    if (c.field == 0) continue;
    if (c.match != FieldMatch::kExact || c.scale != 0) return true;
  }
  return false;
}

}  // namespace korvo
