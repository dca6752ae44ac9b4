#pragma once
// Run-wide values that the profile, the suite control file and the clock set
// before the evaluation starts.

#include <array>
#include <cstdint>

#include "common/fixed_text.h"

namespace korvo {

// The profile's settings with their defaults.
struct RunSettings {
  bool validate_mode = true;   // always the opposite of analysis_mode
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
  std::array<FixedText<11>, 8> aux_field_names{
      FixedText<11>{"NONE"}, FixedText<11>{"NONE"}, FixedText<11>{"NONE"}, FixedText<11>{"NONE"},
      FixedText<11>{"NONE"}, FixedText<11>{"NONE"}, FixedText<11>{"NONE"}, FixedText<11>{"NONE"}};
  std::int32_t location_select = -99;  // above 0: only links of that location
  bool profile_seen = false;           // pass 1 read at least one keyword record
};

// Indexes into RunSettings::aux_field_names.
enum AuxField : int {
  kAuxAnode = 0,
  kAuxBnode,
  kAuxSequence,
  kAuxConstruct,
  kAuxScreenline,
  kAuxLocation,
  kAuxZone,
  kAuxOneWay,
};

// The three 80-character title lines of the page header.
struct TitleLines {
  FixedText<80> line1;
  FixedText<80> line2;
  FixedText<80> line3;
};

// The run's date (DDMMMYY and a blank) and time (HH:MM:SS).
struct RunStamp {
  FixedText<8> date;
  FixedText<8> time;
};

// A moment of local time, as the clock gives it.
struct LocalTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

}  // namespace korvo
