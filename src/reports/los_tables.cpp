#include "reports/los_tables.h"

#include <algorithm>
#include <string_view>

#include "common/layout.h"
#include "reports/cross_tabs.h"

namespace korvo {
namespace {

constexpr int kDecimals = 2;

// The 35 tables in their order.
constexpr TableSpec kAreaTables[] = {
    {"TOTAL SYSTEM MILES", Slot::SYS_MILES, false, kDecimals, false},
    {"TOTAL LANE MILES", Slot::LANE_MILES, false, kDecimals, false},
    {"TOTAL DIRECTIONAL SYSTEM MILES", Slot::DIR_MILES, false, kDecimals, false},
    {"AVERAGE LINK LENGTH USING SYSTEM MILES", Slot::AVG_LINK_LEN, false, kDecimals, false},
    {"TOTAL VMT USING VOLUMES ON LINKS WITH CAPACITIES", Slot::VMT_REFVOL, true, kDecimals, false},
    {"TOTAL VMT USING CAPACITY", Slot::VMT_REF, true, kDecimals, false},
    {"RATIO OF VOLUME OVER CAPACITY VMT", Slot::VMT_RATIO, false, kDecimals, false},
    {"TOTAL VHT USING VOLUMES ON LINKS WITH CAPACITIES", Slot::VHT_REFVOL, true, kDecimals, false},
    {"TOTAL VHT USING CAPACITIES", Slot::VHT_REF, true, kDecimals, false},
    {"RATIO OF VOLUME OVER CAPACITY VHT", Slot::VHT_RATIO, false, kDecimals, false},
    {"TOTAL VOLUME ON ALL LINKS WITH CAPACITIES", Slot::VOL_REF, true, kDecimals, false},
    {"TOTAL CAPACITIES", Slot::REF_SUM, true, kDecimals, false},
    {"RATIO OF VOLUME OVER CAPACITY", Slot::VOL_RATIO, false, kDecimals, false},
    {"TOTAL VOLUME ON ALL LINKS", Slot::VOL_ALL, true, kDecimals, false},
    {"VOLUME PERCENTAGES ON ALL LINKS", Slot::VOL_PCT, false, kDecimals, false},
    {"AVERAGE TOTAL VOLUMES ON ALL LINKS", Slot::AVG_VOL, true, kDecimals, false},
    {"ORIGINAL SPEEDS (MPH)", Slot::ORIG_SPEED, false, kDecimals, false},
    {"CONGESTED SPEEDS (MPH)", Slot::CONG_SPEED, false, kDecimals, false},
    {"PERCENT CHANGE IN SPEED", Slot::SPEED_CHANGE_PCT, false, kDecimals, false},
    {"TOTAL VMT USING LINK VOLUMES (VELMAR.V54+)", Slot::ORIG_VMT, true, kDecimals, false},
    {"TOTAL VHT (FREE-FLOW TIME) USING LINK VOLUMES (VELMAR.V54+)", Slot::ORIG_VHT, true, kDecimals, false},
    {"TOTAL VHT (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", Slot::CONG_VHT, true, kDecimals, false},
    {"SPEEDS (FREE-FLOW TIME) USING LINK VOLUMES (VELMAR.V54+)", Slot::LV_FREE_SPEED, false, kDecimals, false},
    {"SPEEDS (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", Slot::LV_CONG_SPEED, false, kDecimals, false},
    {"PERCENT CHANGE IN SPEED USING LINK VOLUMES (VELMAR.V54+)", Slot::LV_SPEED_CHANGE_PCT, false, kDecimals, false},
    {"TOTAL ACCIDENT OCCURENCES", Slot::ACCIDENTS, false, kDecimals, false},
    {"TOTAL INJURY OCCURENCES", Slot::INJURIES, false, kDecimals, false},
    {"TOTAL FATALITY OCCURENCES", Slot::FATALITIES, false, kDecimals, false},
    {"TOTAL EMISSIONS OF CARBON MONOXIDE (KILOGRAMS)", Slot::CO_GRAMS, true, kDecimals, false},
    {"TOTAL EMISSIONS OF HYDROCARBONS (KILOGRAMS)", Slot::HC_GRAMS, true, kDecimals, false},
    {"TOTAL EMISSIONS OF OXIDES OF NITROGEN (KILOGRAMS)", Slot::NOX_GRAMS, true, kDecimals, false},
    {"TOTAL FUEL USE (GALS)", Slot::FUEL_GAL, true, kDecimals, false},
    {"TOTAL NEW LANE MILEAGE", Slot::NEW_LANE_MILES, true, kDecimals, false},
    {"TOTAL CONSTRUCTION COST (X $1000)", Slot::CONSTR_COST, true, kDecimals, false},
    {"TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", Slot::DELAY_VHT, false, kDecimals, false},
};

}  // namespace

std::span<const TableSpec> analysis_table_specs() { return kAreaTables; }

bool los_row_printed(const LosTable& table, int i) { return table[static_cast<std::size_t>(i)][kLosLevels] != 0.0f; }

void write_level_of_service_tables(Report& report, const Accumulators& acc, const ClassTables& classes) {
  static constexpr auto kMilesHeading =
      "(' HIGHWAY EVALUATION -- YEAR/ALT (',A,') : MILES OF ROADWAY AT EACH LEVEL OF SERVICE',///,"
      "T48,'LEVEL OF SERVICE',//,T24,'A       B       C       D       E       F     TOTAL',///)"_layout;
  static constexpr auto kPercentHeading =
      "(///' HIGHWAY EVALUATION -- YEAR/ALT (',A,') : PERCENT OF MILEAGE AT EACH LEVEL OF SERVICE',///,"
      "T48,'LEVEL OF SERVICE',//,T24,'A       B       C       D       E       F     TOTAL',///)"_layout;
  static constexpr auto kRow = "(T2,A,T19,7F8.2)"_layout;

  // Facility-type classes have rows 1..kMaxClasses in both tables.
  const int nft = std::clamp(acc.sums.nft(), 1, kMaxClasses);
  const LosTable& miles = acc.los_miles;
  const LosTable& percent = acc.los_pct;

  const auto write_row = [&](const LosTable& table, int i) {
    const auto& r = table[static_cast<std::size_t>(i)];
    write_record(report, kRow, classes.ft_label(i), r[1], r[2], r[3], r[4], r[5], r[6], r[7]);
  };

  report.new_page();
  write_record(report, kMilesHeading, report.scenario_code());
  int lines_to_reserve = 10;
  for (int i = 1; i < nft; ++i) {
    if (!los_row_printed(miles, i)) continue;
    ++lines_to_reserve;
    write_row(miles, i);
  }
  write_row(miles, nft);

  report.reserve(lines_to_reserve);
  write_record(report, kPercentHeading, report.scenario_code());
  for (int i = 1; i < nft; ++i) {
    if (!los_row_printed(percent, i)) continue;
    write_row(percent, i);
  }
  write_row(percent, nft);
}

void write_analysis_tables(Report& report, const Accumulators& acc, const ClassTables& classes) {
  for (const TableSpec& table : kAreaTables) {
    write_area_table(report, acc.sums, classes, table.caption, table.slot, table.whole, table.decimals);
  }
  write_level_of_service_tables(report, acc, classes);
}

}  // namespace korvo
