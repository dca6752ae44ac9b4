#include "scenario_texts.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "city_model.h"
#include "reports/bundled_rates.h"

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

std::string scenario_rates_file() { return bundled_rates_text(); }

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
