#include "scenario_texts.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string_view>

#include "city_model.h"

namespace korvo::fixtures {
namespace {

// The two-way conversion holds at most this many "HRLDXY.ASC" records.
constexpr std::int64_t kTwoWayTableLimit = 200'000;

bool ascii_wanted(const ScenarioOptions& o) { return o.ascii_output.value_or(o.links <= kTwoWayTableLimit); }

std::string pad(std::string_view text, std::size_t width) {
  std::string s(text.substr(0, width));
  s.resize(width, ' ');
  return s;
}

std::string right(std::int64_t v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

// A rate in its 6 columns and the one ignored column behind it.
std::string rate_field(double v) {
  char buf[32];
  const double a = std::abs(v);
  if (a >= 1000) {
    std::snprintf(buf, sizeof buf, "%6.0f ", v);
  } else if (a < 0.1 && v != 0) {
    std::snprintf(buf, sizeof buf, "%6.3f ", v);
  } else {
    std::snprintf(buf, sizeof buf, "%6.2f ", v);
  }
  if (std::strlen(buf) != 7) throw std::logic_error("scenario generator: a rate does not fit 6 columns");
  return buf;
}

std::string rate_line(const double* values, int n) {
  std::string line;
  for (int i = 0; i < n; ++i) line += rate_field(values[i]);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

// Columns of the rate tables: facility-type classes 1 to 9 (freeway, divided
// arterial, undivided arterial, collector, local street, one-way street,
// unused, HOV, toll).
constexpr int kRateClasses = 9;

// One line per base value: the value times each class's factor, rounded to
// 1 / scale (scale 100 keeps two decimals).
std::string rate_lines(std::initializer_list<double> base, const double (&class_factor)[kRateClasses], double scale) {
  std::string s;
  for (const double v : base) {
    double row[kRateClasses];
    for (int c = 0; c < kRateClasses; ++c) row[c] = std::round(v * class_factor[c] * scale) / scale;
    s += rate_line(row, kRateClasses);
  }
  return s;
}

}  // namespace

std::string scenario_profile(const ScenarioOptions& options, const std::string& network_file) {
  std::string p;
  auto key = [&p](std::string_view keyword, std::string_view value) {
    p += " ";
    p += keyword;
    p += "\n";
    p += value;
    p += "\n";
  };
  if (is_analysis(options)) {
    key("ANALYSIS", "Y");
  } else {
    key("VALIDATE", "Y");
  }
  if (ascii_wanted(options)) {
    key("ASCII", "Y");
    key("TWOWAY", "Y");
    key("COUNTS", "Y");
  }
  const bool dbf = options.source == ScenarioSource::kDbf;
  if (options.aux_dbf) {
    // One dBASE name serves both keys: on the dBASE path the link file is
    // also the auxiliary file.
    key("VOLNAUXDBF", dbf ? network_file : "NETAUX.DBF");
    key("DBFANODE", dbf ? "A" : "ANODE");
    key("DBFBNODE", dbf ? "B" : "BNODE");
    key("DBFSEQ", "SEQ");
    key("DBFCC", "CONSTRUCT");
    key("DBFSL", "SCREENLINE");
    key("DBFGL", "LOCATION");
    key("DBFZON", "ZONE");
    key("DBFONEWAY", "ONEWAY");
  }
  if (dbf) key("KORVODBF", network_file);
  key("GLT", "GENERATED SCENARIO " + scenario_code(options) + ": " + std::to_string(options.links) + " LINKS, SEED " +
                 std::to_string(options.seed));
  return p;
}

std::string scenario_rates_file() {
  // The classes' factors on the base rates of the speed tables.
  constexpr double kByClass[kRateClasses] = {1.00, 1.03, 1.05, 1.08, 1.10, 1.05, 1.00, 0.95, 1.00};
  std::string s;
  const double accidents[kRateClasses] = {1.10, 3.40, 4.20, 4.80, 5.50, 3.90, 0.00, 0.90, 1.20};
  const double injuries[kRateClasses] = {0.55, 1.60, 2.00, 2.30, 2.60, 1.80, 0.00, 0.45, 0.60};
  const double fatalities[kRateClasses] = {0.012, 0.022, 0.028, 0.025, 0.030, 0.020, 0.000, 0.010, 0.012};
  const double unit_costs[3] = {4500, 36000, 950000};
  s += rate_line(accidents, kRateClasses);
  s += rate_line(injuries, kRateClasses);
  s += rate_line(fatalities, kRateClasses);
  s += rate_line(unit_costs, 3);
  // Emissions, grams per vehicle mile, by speed class LT 20 .. GE 60:
  // carbon monoxide, hydrocarbons, nitrogen oxides.
  s += rate_lines({62.0, 41.5, 33.2, 27.6, 23.8, 21.0, 19.3, 18.4, 18.6, 20.5}, kByClass, 100);
  s += rate_lines({7.90, 5.40, 4.30, 3.60, 3.10, 2.80, 2.60, 2.50, 2.50, 2.70}, kByClass, 100);
  s += rate_lines({2.60, 2.70, 2.80, 2.90, 3.00, 3.10, 3.30, 3.50, 3.80, 4.20}, kByClass, 100);
  // Fuel, gallons per vehicle mile, LT 20 .. GE 65.
  s += rate_lines({0.095, 0.072, 0.063, 0.057, 0.053, 0.051, 0.050, 0.051, 0.053, 0.057, 0.063}, kByClass, 1000);
  // Construction, thousand dollars per mile: codes 1 to 9 as multiples of
  // adding two lanes, then the row of no construction.
  constexpr double kAddTwoLanes[kRateClasses] = {2000, 1200, 1000, 800, 600, 900, 0, 1800, 1900};
  s += rate_lines({1.0, 1.8, 2.5, 1.4, 1.9, 2.3, 2.2, 3.6, 4.8}, kAddTwoLanes, 1);
  const double none[kRateClasses] = {};
  s += rate_line(none, kRateClasses);
  // User cost, dollars per vehicle mile, LT 20 .. GE 65.
  s += rate_lines({0.62, 0.48, 0.42, 0.38, 0.35, 0.33, 0.32, 0.32, 0.33, 0.35, 0.38}, kByClass, 100);
  // Maintenance, dollars per mile a year, by lane class 1 to 9.
  constexpr double kPerLane[kRateClasses] = {9000, 6000, 5000, 4000, 3000, 5000, 0, 8000, 9000};
  s += rate_lines({1, 2, 3, 4, 5, 6, 7, 8, 9}, kPerLane, 1);
  return s;
}

std::string scenario_labels_file() {
  struct Label {
    const char* kind;
    int code;
    int validation;
    int analysis;
    const char* short_label;
    const char* long_label;
  };
  static constexpr Label kLabels[] = {
      {"FT", kFreeway, 1, 1, "Freeway", "Freeway"},
      {"FT", kDividedArterial, 2, 2, "Div Art", "Divided Arterial"},
      {"FT", kUndividedArterial, 3, 3, "Undv Art", "Undiv. Arterial"},
      {"FT", kCollector, 4, 4, "Collectr", "Collector Street"},
      {"FT", kLocalStreet, 5, 5, "Local St", "Local Street"},
      {"FT", kCentroidConnector, 0, 0, "Centroid", "Centroid Connector"},
      {"FT", kOneWayStreet, 6, 6, "One Way", "One-way Street"},
      {"FT", kPrivateRoad, 0, 0, "Private", "Private Road (not evaluated)"},
      {"AT", kCbd, 1, 1, "     CBD", "Central Business District"},
      {"AT", kFringe, 2, 2, "  Fringe", "CBD Fringe"},
      {"AT", kResidential, 3, 3, "   Resid", "Residential"},
      {"AT", kOutlyingBusiness, 4, 4, " Out CBD", "Outlying Business District"},
      {"AT", kRural, 5, 5, "   Rural", "Rural Areas"},
  };
  std::string s;
  for (const Label& l : kLabels) {
    std::string line = "LABEL " + std::string(l.kind) + right(l.code, 3) + right(l.validation, 3) +
                       right(l.analysis, 3) + " " + pad(l.short_label, 8) + " " + pad(l.long_label, 40);
    line.resize(80, ' ');
    s += line + "\n";
  }
  return s;
}

std::string scenario_screenline_names() {
  return " 1 NORDAL RIVER BRIDGES\n"
         " 2 NORTHERN RAILWAY CROSSINGS\n"
         " 3 EAST COUNTY LINE\n"
         "99 PERMANENT COUNT STATIONS\n";
}

std::string scenario_database_control() {
  // Columns: 1-10 LINK ALIAS, 12-13 a number, 15-25 keyword, 27-37 field,
  // 38-45 scale factor.
  std::string s =
      "DATABASE CONTROL FILE -- NORDAL CITY LOADED NETWORK\n"
      "KEYWORD FIELDS OF THE LINK TABLE AND THEIR SCALE FACTORS\n"
      "           NO KEYWORD     FIELD         SCALE\n";
  struct Alias {
    const char* keyword;
    const char* field;
    const char* scale;
  };
  static constexpr Alias kAliases[] = {
      {"ANODE", "A", ""},
      {"BNODE", "B", ""},
      {"DISTANCE", "LENGTH", "100.000"},  // miles with 2 decimals
      {"TIME", "FFTIME", "100.000"},      // minutes with 2 decimals
      {"CONG_TIME", "CONGTIME", "100.000"},
      {"MODELVOL", "VOLUME", ""},
  };
  int number = 1;
  for (const Alias& a : kAliases) {
    char no[12];
    std::snprintf(no, sizeof no, "%02d", number++);
    std::string line = "LINK ALIAS " + std::string(no) + " " + pad(a.keyword, 11) + " " + pad(a.field, 11);
    if (*a.scale) line += std::string(8 - std::strlen(a.scale), ' ') + a.scale;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    s += line + "\n";
  }
  return s;
}

std::string scenario_title(const ScenarioOptions& options) {
  return "NORDAL CITY -- " + std::string(is_analysis(options) ? "2045 FORECAST" : "2026 BASE YEAR") +
         " HIGHWAY ASSIGNMENT" + (is_analysis(options) && options.widen_main_street ? ", MAIN STREET WIDENED" : "");
}

std::string scenario_title_file(const ScenarioOptions& options) { return pad(scenario_title(options), 80) + "\n"; }

std::string scenario_suite_control(const ScenarioOptions& options) {
  const std::string code = scenario_code(options);
  return "VELMAR SUITE CONTROL FILE -- NORDAL CITY\n FILEI\n" + code + "\n FILEO\n" + code + "\n";
}

}  // namespace korvo::fixtures
