#pragma once
// "PROFILE.MAS": keyword records (keyword in columns 2-12), each followed by
// its value record. Pass 1 sets the run's switches, names and field names;
// pass 2 (on the rewound file) reads the location selection and the third
// title line.

#include <array>
#include <cstdint>
#include <functional>

#include "common/enum_array.h"
#include "common/fixed_text.h"
#include "common/text_file.h"

namespace korvo {

// The roles of the auxiliary dBASE file's fields, in the order the profile's
// DBF... keywords name them.
enum class AuxField : int {
  kAnode = 0,   // DBFANODE, required
  kBnode,       // DBFBNODE, required
  kSequence,    // DBFSEQ, required
  kConstruct,   // DBFCC
  kScreenline,  // DBFSL
  kLocation,    // DBFGL, required with DBFSL
  kZone,        // DBFZON
  kOneWay,      // DBFONEWAY
};
inline constexpr int kAuxFieldCount = 8;
using AuxFieldNames = EnumArray<AuxField, FixedText<11>, kAuxFieldCount>;

// The profile's settings with their defaults.
struct RunSettings {
  bool validate_mode = true;  // always the opposite of analysis_mode
  bool analysis_mode = false;
  bool gencost = false;
  bool use_counts = false;
  bool ascii_output = false;
  bool two_way_output = false;
  std::int16_t volume_slots = 0;
  bool aux_dbf_given = false;
  bool dbf_input_given = false;
  // Shared by VOLNAUXDBF and KORVODBF: the later keyword gives the name.
  FixedText<80> dbf_file_name{"NONE"};
  // A-node, B-node, sequence, construction code, screenline, location, zone,
  // one-way: the auxiliary dBASE file's field names.
  AuxFieldNames aux_field_names{{FixedText<11>{"NONE"}, FixedText<11>{"NONE"}, FixedText<11>{"NONE"},
                                 FixedText<11>{"NONE"}, FixedText<11>{"NONE"}, FixedText<11>{"NONE"},
                                 FixedText<11>{"NONE"}, FixedText<11>{"NONE"}}};
  std::int32_t location_select = -99;  // above 0: only links of that location
  // The machine-readable outputs beside the report: "CSVOUT" (KVSTATS.CSV and
  // KVTABLES.CSV), "LINKCSV" (KVLINKS.CSV), "HTMLOUT" (KORVO.HTML).
  bool csv_output = true;
  bool link_csv = false;
  bool html_output = true;
  bool profile_seen = false;  // pass 1 read at least one keyword record
};

// A field name of the profile names a field unless its first four
// characters are "NONE" or "none".
bool names_a_field(const FixedText<11>& name);

// Pass 1. create_ascii_file is called each time an "ASCII" keyword turns the
// ASCII loaded-network file on. Throws FileError when a keyword's value
// record is missing or a "KORVOL" value is not an integer.
void read_profile_pass1(TextReader& profile, RunSettings& settings, const std::function<void()>& create_ascii_file);

// Pass 2: "GLS" sets location_select, "GLT" the third title line. Returns
// true when a "GLT" record was found.
bool read_profile_pass2(TextReader& profile, RunSettings& settings, FixedText<80>& title_line_3);

}  // namespace korvo
