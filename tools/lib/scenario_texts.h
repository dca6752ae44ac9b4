#pragma once
// The side files of a generated scenario, as the texts written to them: the
// profile, the rates, the labels of the city's facility and area types, the
// screenline names, the database control file of the dBASE network (its
// aliases and scale factors), the title and the suite control file.

#include <string>

#include "scenario_options.h"

namespace korvo::fixtures {

// "PROFILE.MAS": the run type, the ASCII files (by default when the network
// fits the two-way conversion's table), the auxiliary dBASE file and its
// fields, the dBASE link file and the third title line.
std::string scenario_profile(const ScenarioOptions& options, const std::string& network_file);
// "KVRATES.SYN": the 75 lines of rates.
std::string scenario_rates_file();
// "KVLABELS.SYN": the classes of the facility and area types of city_model.h.
std::string scenario_labels_file();
// "KVSCREEN.SYN": screenlines 1 to 3 and 99.
std::string scenario_screenline_names();
// "DATABASE.CTL": the keywords' fields of the dBASE network, with lengths
// and times in miles and minutes scaled by 100.
std::string scenario_database_control();

// "NORDAL CITY -- 2026 BASE YEAR HIGHWAY ASSIGNMENT" (2045 FORECAST for an
// analysis): the title of the binary network's header and of "TITLE".
std::string scenario_title(const ScenarioOptions& options);
// "TITLE": the title in 80 columns.
std::string scenario_title_file(const ScenarioOptions& options);
// "VELMAR.CTL": the scenario code as the input and the output extension.
std::string scenario_suite_control(const ScenarioOptions& options);

}  // namespace korvo::fixtures
