#include "run_csv_fixtures.h"

#include <stdexcept>

namespace korvo::fixtures {
namespace {

const std::array<std::string, 3> kFtLabels = {"Freeway", "Div Art", "Total"};
const std::array<std::string, 3> kAtLabels = {"CBD", "Rural", "Total"};
const std::array<std::string, 10> kLanes = {"1", "2", "3", "4", "5", "6", "7", "8", "9+", "total"};

using Grid = std::array<std::array<const char*, 3>, 3>;  // [ft][at]

void add_area_table(TablesFile& f, const std::string& table, const std::string& measure, const Grid& values) {
  for (int ft = 0; ft < 3; ++ft) {
    for (int at = 0; at < 3; ++at) {
      f.rows.push_back({table, measure, std::to_string(at + 1), kAtLabels[at], std::to_string(ft + 1), kFtLabels[ft],
                        "total", values[ft][at]});
    }
  }
}

void add_plain(TablesFile& f, const std::string& table, const std::string& measure, const std::string& value,
               const std::string& area_label = "") {
  f.rows.push_back({table, measure, "", area_label, "", "", "", value});
}

void add_screenline(TablesFile& f, const std::string& second) {
  const std::string table = "SCREENLINE SUMMARIES";
  const std::string name = "NORDAL RIVER BRIDGES";
  const bool analysis = second == "CAPACITY";
  add_plain(f, table, "SL 1 LINK 101-102 VOLUME", analysis ? "5926" : "4938", name);
  add_plain(f, table, "SL 1 LINK 101-102 " + second, analysis ? "12600" : "4950", name);
  add_plain(f, table, "SL 1 LINK 101-102 RATIO", analysis ? "0.47" : "1", name);
  add_plain(f, table, "SL 1 LINK 107-106 VOLUME", analysis ? "18929" : "15775", name);
  add_plain(f, table, "SL 1 LINK 107-106 " + second, analysis ? "14400" : "17940", name);
  add_plain(f, table, "SL 1 LINK 107-106 RATIO", analysis ? "1.31" : "0.88", name);
  add_plain(f, table, "SL 1 VOLUME", analysis ? "100566" : "83804", name);
  add_plain(f, table, "SL 1 " + second, analysis ? "100000" : "85560", name);
  add_plain(f, table, "SL 1 RATIO", analysis ? "1.00566" : "0.97948", name);
}

}  // namespace

std::string csv_quote(std::string_view text) {
  const bool quote = !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                       text.find_first_of(",\"\r\n") != std::string_view::npos);
  if (!quote) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string TablesFile::text() const {
  std::string out = "table,measure,area_class,area_label,ft_class,ft_label,lanes,value\n";
  out += "RUN,FORMAT,,,,,," + format + "\n";
  out += "RUN," + type + ",,,,,,1\n";
  for (const auto& r : rows) {
    out += csv_quote(r.table) + "," + csv_quote(r.measure) + "," + r.area_class + "," + csv_quote(r.area_label) + "," +
           r.ft_class + "," + csv_quote(r.ft_label) + "," + r.lanes + "," + r.value + "\n";
  }
  return out;
}

TablesRowText& TablesFile::row(std::string_view table, std::string_view measure, std::string_view area_class,
                               std::string_view ft_class, std::string_view lanes) {
  for (auto& r : rows) {
    if (r.table == table && r.measure == measure && r.area_class == area_class && r.ft_class == ft_class &&
        (lanes.empty() || r.lanes == lanes)) {
      return r;
    }
  }
  throw std::out_of_range("no row " + std::string(table) + " / " + std::string(measure));
}

std::string& TablesFile::value(std::string_view table, std::string_view measure, std::string_view area_class,
                               std::string_view ft_class, std::string_view lanes) {
  return row(table, measure, area_class, ft_class, lanes).value;
}

TablesFile analysis_tables() {
  TablesFile f;
  f.type = "ANALYSIS";
  add_area_table(f, "TOTAL LANE MILES", "LANE_MILES", {{{"10", "20", "30"}, {"5", "15", "20"}, {"15", "35", "50"}}});
  add_area_table(f, "TOTAL VMT USING LINK VOLUMES (VELMAR.V54+)", "VMT_VOL",
                 {{{"1000", "500", "1500"}, {"250.5", "750.25", "1000.75"}, {"1250.5", "1250.25", "2500.75"}}});
  add_area_table(f, "TOTAL VHT (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", "VHT_CONG",
                 {{{"40", "10", "50"}, {"12.5", "25", "37.5"}, {"52.5", "35", "87.5"}}});
  add_area_table(f, "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", "DELAY",
                 {{{"12", "2", "14"}, {"3.5", "4", "7.5"}, {"15.5", "6", "21.5"}}});
  add_area_table(f, "SPEEDS (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", "SPEED_CONG",
                 {{{"25", "50", "30"}, {"20.04", "30.01", "26.687"}, {"23.819", "35.722", "28.58"}}});
  add_area_table(f, "TOTAL EMISSIONS OF CARBON MONOXIDE (KILOGRAMS)", "CO",
                 {{{"18.5", "7.25", "25.75"}, {"4", "11", "15"}, {"22.5", "18.25", "40.75"}}});
  const std::string los = "MILES OF ROADWAY AT EACH LEVEL OF SERVICE";
  const std::array<std::array<const char*, 7>, 3> miles = {{{"0", "0", "0", "0.35", "0", "1.5", "1.85"},
                                                            {"0", "0.23", "0.35", "0", "0.7", "0.58", "1.86"},
                                                            {"0", "0.23", "0.35", "0.35", "0.7", "2.08", "3.71"}}};
  const std::array<const char*, 7> levels = {"A", "B", "C", "D", "E", "F", "TOTAL"};
  for (int ft = 0; ft < 3; ++ft) {
    for (int l = 0; l < 7; ++l)
      f.rows.push_back({los, levels[l], "", "", std::to_string(ft + 1), kFtLabels[ft], "", miles[ft][l]});
  }
  add_screenline(f, "CAPACITY");
  const std::string totals = "SYSTEM TOTALS";
  add_plain(f, totals, "TOTAL NUMBER OF LINKS", "39");
  add_plain(f, totals, "TOTAL VMT USING VOLUMES", "590569");
  add_plain(f, totals, "TOTAL VMT ALL LINKS", "590569");
  add_plain(f, totals, "TOTAL VHT ALL LINKS", "30394");
  add_plain(f, totals, "TOTAL CONGESTED SPEED (MPH)", "26.69");
  add_plain(f, totals, "TOTAL ACCIDENTS", "1.34");
  add_plain(f, totals, "TOTAL INJURIES", "0.64");
  add_plain(f, totals, "TOTAL FATALITIES", "0.01");
  add_plain(f, totals, "TOTAL CO EMISSIONS (KILOGRAMS)", "23245");
  add_plain(f, totals, "TOTAL HC EMISSIONS (KILOGRAMS)", "2997");
  add_plain(f, totals, "TOTAL NO EMISSIONS (KILOGRAMS)", "1703");
  add_plain(f, totals, "TOTAL FUEL USE", "41716");
  add_plain(f, totals, "TOTAL NEW LANE MILEAGE", "1");
  add_plain(f, totals, "TOTAL CONSTRUCTION COST (X $1000)", "816");
  add_plain(f, totals, "TOTAL ACCIDENT COST (DOLLARS)", "38339");
  add_plain(f, totals, "TOTAL USERS COST (DOLLARS)", "274658");
  add_plain(f, totals, "TOTAL MAINTENANCE COST (DOLLARS)", "263280");
  add_plain(f, totals, "TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", "17202.11");
  return f;
}

TablesFile validation_tables() {
  TablesFile f;
  f.type = "VALIDATION";
  for (const std::string table : {"TOTAL NUMBER OF LINKS", "TOTAL VMT USING VOLUMES ON LINKS WITH COUNTS"}) {
    const std::string measure = table == "TOTAL NUMBER OF LINKS" ? "LINKS" : "VMT_REFVOL";
    for (int at = 1; at <= 3; ++at) {
      for (int ft = 1; ft <= 3; ++ft) {
        for (int lane = 1; lane <= 10; ++lane) {
          f.rows.push_back({table, measure, std::to_string(at), kAtLabels[at - 1], std::to_string(ft),
                            kFtLabels[ft - 1], kLanes[lane - 1], std::to_string(at * 100 + ft * 10 + lane)});
        }
      }
    }
  }
  add_screenline(f, "COUNT");
  const std::string totals = "SYSTEM TOTALS";
  add_plain(f, totals, "TOTAL NUMBER OF LINKS", "39");
  add_plain(f, totals, "TOTAL VMT USING VOLUMES", "426505");
  add_plain(f, totals, "TOTAL VMT USING COUNTS", "463458");
  add_plain(f, totals, "TOTAL VMT V/C", "0.92");
  add_plain(f, totals, "TOTAL CONGESTED SPEED (MPH)", "30.64");
  return f;
}

std::string StatsFile::text() const {
  std::string out = header + "\n";
  for (const auto& r : rows) {
    for (std::size_t i = 0; i < r.size(); ++i) {
      if (i > 0) out += ',';
      out += csv_quote(r[i]);
    }
    out += '\n';
  }
  return out;
}

StatsRowText& StatsFile::row(std::string_view section, std::string_view key) {
  for (auto& r : rows) {
    if (r[0] == section && r[1] == key) return r;
  }
  throw std::out_of_range("no statistics row " + std::string(section) + " " + std::string(key));
}

std::size_t stats_column(std::string_view name) {
  static constexpr std::array<std::string_view, kStatsColumns> kNames = {
      "section",   "key",        "label",     "links", "count_sum",         "volume_sum",        "ratio", "rmse_pct",
      "vmt_count", "vmt_volume", "vmt_ratio", "r2",    "target_acceptable", "target_preferable", "result"};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) return i;
  }
  throw std::out_of_range("no statistics column " + std::string(name));
}

StatsFile validation_stats() {
  StatsFile s;
  // section, key, label, links, count_sum, volume_sum, ratio, rmse_pct, vmt_count, vmt_volume, vmt_ratio, r2,
  // target_acceptable, target_preferable, result
  s.rows = {
      {"areawide", "rmse", "All counted links", "30", "300000", "282000", "0.94", "32.5", "46345.8", "43565.05", "0.94",
       "0.91", "40", "30", "acceptable"},
      {"areawide", "vmt", "All counted links", "30", "300000", "282000", "0.94", "32.5", "46345.8", "43565.05", "0.94",
       "0.91", "10", "5", "acceptable"},
      {"count_group", "0-4999", "", "10", "25000", "30000", "1.2", "80.5", "", "", "", "", "100", "60", "acceptable"},
      {"count_group", "5000-9999", "", "12", "90000", "81000", "0.9", "38.25", "", "", "", "", "45", "35",
       "acceptable"},
      {"count_group", "10000+", "", "8", "185000", "171000", "0.924", "20.5", "", "", "", "", "35", "25", "preferable"},
      {"ft_class", "1", "Freeway", "10", "150000", "153000", "1.02", "15", "30000", "30600", "1.02", "0.95", "7", "6",
       "preferable"},
      {"ft_class", "2", "Div Art", "20", "150000", "129000", "0.86", "40", "16345.8", "12965.05", "0.79318", "0.8",
       "15", "10", "outside"},
      {"at_class", "1", "CBD", "12", "120000", "110000", "0.91667", "30", "20000", "18000", "0.9", "0.9", "25", "15",
       "acceptable"},
      {"at_class", "2", "Rural", "18", "180000", "172000", "0.95556", "34", "26345.8", "25565.05", "0.97037", "0.9",
       "25", "15", "preferable"},
      {"screenline", "1", "NORDAL RIVER BRIDGES", "5", "85560", "83804", "0.97948", "", "", "", "", "", "17.87", "",
       "acceptable"},
      {"geh", "not_computed", "GEH needs hourly flows: set GEH hourfactor share in KVTARGET.SYN", "", "", "", "", "",
       "", "", "", "", "", "", ""},
      {"mdd", "within", "", "20", "", "", "0.66667", "", "", "", "", "", "", "", ""},
      {"check", "unclassified", "usually a code missing from KVLABELS.SYN", "0", "", "", "", "", "", "", "", "", "", "",
       ""},
      {"check", "connector_passed_over", "centroid connectors, never evaluated", "12", "", "", "", "", "", "", "", "",
       "", "", ""},
      {"check", "zero_time_passed_over", "links with no time", "0", "", "", "", "", "", "", "", "", "", "", ""},
      {"check", "location_deselected", "outside the GLS location", "0", "", "", "", "", "", "", "", "", "", "", ""},
      {"check", "counted_zero_volume", "usually a scale factor in DATABASE.CTL", "1", "", "", "", "", "", "", "", "",
       "", "", ""},
      {"check", "no_count", "evaluated links without a count", "9", "", "", "", "", "", "", "", "", "", "", ""},
      {"check", "speed_implausible", "check TIME and CONG_TIME", "0", "", "", "", "", "", "", "", "", "", "", ""},
  };
  return s;
}

std::string report_head(const std::array<std::string, 3>& titles, std::string_view scenario) {
  static const std::array<std::string, 3> kLabels = {"   ZEFALIA D.O.T. ", "       VELMAR     ", "      VER 5.50    "};
  static const std::array<std::string, 3> kRight = {"PAGE NO.     1", "DATE   04JUL26", "TIME  09:05:07"};
  const auto header = [&](const std::array<std::string, 3>& lines, int page) {
    std::string out = " \f\n";
    for (int i = 0; i < 3; ++i) {
      std::string title = lines[static_cast<std::size_t>(i)];
      title.resize(80, ' ');
      std::string right = kRight[static_cast<std::size_t>(i)];
      if (i == 0) right = "PAGE NO." + std::string(6 - std::to_string(page).size(), ' ') + std::to_string(page);
      out += kLabels[static_cast<std::size_t>(i)] + std::string(8, ' ') + title + std::string(12, ' ') + right + "\n";
    }
    return out + " \n";
  };
  std::string out = header({"", "", ""}, 1);
  out += " \"KVLABELS.SYN\" CONTENTS:\n\n          LABEL FT 11  1  1 Freeway  Freeway\n";
  out += header(titles, 2);
  out += " HIGHWAY EVALUATION -- YEAR/ALT (" + std::string(scenario) + ") -- REPORT: TOTAL SYSTEM MILES\n\n";
  out += "                             CBD    Rural    Total\n";
  return out;
}

}  // namespace korvo::fixtures
