#pragma once
// The rates a starter scenario begins with: "KVRATES.SYN" as the program
// bundles it, 75 lines (accidents, emissions, fuel, construction, user and
// maintenance costs; columns are facility-type classes 1 to 9: freeway,
// divided arterial, undivided arterial, collector, local street, one-way
// street, unused, HOV, toll).
//
// The values are illustrative, made for the examples and the generated
// test cities: plausible in size and in how they vary with speed and class,
// but taken from no published source. A planner replaces them with the
// agency's own rates before an analysis run is used for decisions.

#include <string>

namespace korvo {

// The 75 lines, each ending in LF.
std::string bundled_rates_text();

}  // namespace korvo
