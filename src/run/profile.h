#pragma once
// "PROFILE.MAS": keyword records (keyword in columns 2-12), each followed by
// its value record. Pass 1 sets the run's switches, names and field names;
// pass 2 (on the rewound file) reads the location selection and the third
// title line.

#include <functional>

#include "common/fixed_text.h"
#include "common/text_file.h"
#include "run/settings.h"

namespace korvo {

// Pass 1. create_ascii_file is called each time an "ASCII" keyword turns the
// ASCII loaded-network file on. Throws InputError when a keyword's value
// record is missing or a "KORVOL" value is not an integer.
void read_profile_pass1(TextReader& profile, RunSettings& settings, const std::function<void()>& create_ascii_file);

// Pass 2: "GLS" sets location_select, "GLT" the third title line. Returns
// true when a "GLT" record was found.
bool read_profile_pass2(TextReader& profile, RunSettings& settings, FixedText<80>& title_line_3);

}  // namespace korvo
