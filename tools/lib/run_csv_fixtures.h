#pragma once
// The files a finished run leaves for `korvo compare`, written in code for
// the tests and the fuzz seeds: KVTABLES.CSV, KVSTATS.CSV and the head of a
// KORVO.OUT, as the team's format notes describe them. The runs are small:
// facility-type classes 1 Freeway and 2 "Div Art", area-type classes 1 CBD
// and 2 Rural, the Total classes 3; one screenline. Tests change single
// figures (value()) to build alternatives with known differences.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvo::fixtures {

// A field as RFC 4180 writes it: quoted when it holds a comma, a quote, CR
// or LF or a blank at either end, the quotes inside doubled.
std::string csv_quote(std::string_view text);

struct TablesRowText {
  std::string table, measure, area_class, area_label, ft_class, ft_label, lanes, value;
};

struct TablesFile {
  std::string format = "1";
  std::string type = "ANALYSIS";  // or VALIDATION
  std::vector<TablesRowText> rows;

  std::string text() const;
  // The value field of the row with these keys (classes as text, "" for
  // none; lanes "" matches any); throws std::out_of_range when there is none.
  std::string& value(std::string_view table, std::string_view measure, std::string_view area_class = "",
                     std::string_view ft_class = "", std::string_view lanes = "");
  TablesRowText& row(std::string_view table, std::string_view measure, std::string_view area_class = "",
                     std::string_view ft_class = "", std::string_view lanes = "");
};

// An analysis run: area tables (VMT, VHT, delay, speed, carbon monoxide),
// the level-of-service miles, a screenline and the system totals.
TablesFile analysis_tables();
// A validation run: two lane tables, a screenline and the system totals.
TablesFile validation_tables();

inline constexpr std::size_t kStatsColumns = 15;
using StatsRowText = std::array<std::string, kStatsColumns>;

struct StatsFile {
  std::string header =
      "section,key,label,links,count_sum,volume_sum,ratio,rmse_pct,vmt_count,vmt_volume,vmt_ratio,r2,"
      "target_acceptable,target_preferable,result";
  std::vector<StatsRowText> rows;

  std::string text() const;
  // The row of section and key; throws std::out_of_range when there is none.
  StatsRowText& row(std::string_view section, std::string_view key);
};

// The statistics of validation_tables(): every section, GEH not computed.
StatsFile validation_stats();

// The column of a KVSTATS.CSV field by its header name ("rmse_pct" -> 7).
std::size_t stats_column(std::string_view name);

// The head of a KORVO.OUT: a first page without titles (the labels
// listing), then a page whose header holds the three title lines and whose
// caption gives the scenario code.
std::string report_head(const std::array<std::string, 3>& titles, std::string_view scenario);

}  // namespace korvo::fixtures
