#include "reports/los_tables.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "common/layout.h"
#include "reports/cross_tabs.h"
#include "app/run_context.h"

namespace korvo {
namespace {

struct AreaTableCall {
  std::string_view caption;
  Slot slot;
  bool whole;
};

constexpr int kDecimals = 2;

// Tables 1 to 28, before the emissions are converted to kilograms.
constexpr AreaTableCall kTablesBeforeConversion[] = {
    {"TOTAL SYSTEM MILES", SYS_MILES, false},
    {"TOTAL LANE MILES", LANE_MILES, false},
    {"TOTAL DIRECTIONAL SYSTEM MILES", DIR_MILES, false},
    {"AVERAGE LINK LENGTH USING SYSTEM MILES", AVG_LINK_LEN, false},
    {"TOTAL VMT USING VOLUMES ON LINKS WITH CAPACITIES", VMT_REFVOL, true},
    {"TOTAL VMT USING CAPACITY", VMT_REF, true},
    {"RATIO OF VOLUME OVER CAPACITY VMT", VMT_RATIO, false},
    {"TOTAL VHT USING VOLUMES ON LINKS WITH CAPACITIES", VHT_REFVOL, true},
    {"TOTAL VHT USING CAPACITIES", VHT_REF, true},
    {"RATIO OF VOLUME OVER CAPACITY VHT", VHT_RATIO, false},
    {"TOTAL VOLUME ON ALL LINKS WITH CAPACITIES", VOL_REF, true},
    {"TOTAL CAPACITIES", REF_SUM, true},
    {"RATIO OF VOLUME OVER CAPACITY", VOL_RATIO, false},
    {"TOTAL VOLUME ON ALL LINKS", VOL_ALL, true},
    {"VOLUME PERCENTAGES ON ALL LINKS", VOL_PCT, false},
    {"AVERAGE TOTAL VOLUMES ON ALL LINKS", AVG_VOL, true},
    {"ORIGINAL SPEEDS (MPH)", ORIG_SPEED, false},
    {"CONGESTED SPEEDS (MPH)", CONG_SPEED, false},
    {"PERCENT CHANGE IN SPEED", SPEED_CHANGE_PCT, false},
    {"TOTAL VMT USING LINK VOLUMES (VELMAR.V54+)", ORIG_VMT, true},
    {"TOTAL VHT (FREE-FLOW TIME) USING LINK VOLUMES (VELMAR.V54+)", ORIG_VHT, true},
    {"TOTAL VHT (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", CONG_VHT, true},
    {"SPEEDS (FREE-FLOW TIME) USING LINK VOLUMES (VELMAR.V54+)", LV_FREE_SPEED, false},
    {"SPEEDS (CONGESTED TIME) USING LINK VOLUMES (VELMAR.V54+)", LV_CONG_SPEED, false},
    {"PERCENT CHANGE IN SPEED USING LINK VOLUMES (VELMAR.V54+)", LV_SPEED_CHANGE_PCT, false},
    {"TOTAL ACCIDENT OCCURENCES", ACCIDENTS, false},
    {"TOTAL INJURY OCCURENCES", INJURIES, false},
    {"TOTAL FATALITY OCCURENCES", FATALITIES, false},
};

// Tables 29 to 35; the emission slots hold kilograms by then.
constexpr AreaTableCall kTablesAfterConversion[] = {
    {"TOTAL EMISSIONS OF CARBON MONOXIDE (KILOGRAMS)", CO_GRAMS, true},
    {"TOTAL EMISSIONS OF HYDROCARBONS (KILOGRAMS)", HC_GRAMS, true},
    {"TOTAL EMISSIONS OF OXIDES OF NITROGEN (KILOGRAMS)", NOX_GRAMS, true},
    {"TOTAL FUEL USE (GALS)", FUEL_GAL, true},
    {"TOTAL NEW LANE MILEAGE", NEW_LANE_MILES, true},
    {"TOTAL CONSTRUCTION COST (X $1000)", CONSTR_COST, true},
    {"TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", DELAY_VHT, false},
};

void write_area_tables(RunContext& ctx, std::span<const AreaTableCall> tables) {
  for (const AreaTableCall& table : tables) {
    write_area_table(ctx, table.caption, table.slot, table.whole, kDecimals);
  }
}

// Every cell of the three emission slots, totals included: grams to kilograms.
void convert_emissions_to_kilograms(EvalSums& sums) {
  for (int slot : {CO_GRAMS, HC_GRAMS, NOX_GRAMS}) {
    for (int k = 1; k <= kLaneClassCount; ++k) {
      for (int j = 1; j <= sums.nat(); ++j) {
        for (int i = 1; i <= sums.nft(); ++i) sums.at(i, j, k, slot) *= 0.001f;
      }
    }
  }
}

}  // namespace

void write_level_of_service_tables(RunContext& ctx) {
  static const Layout kMilesHeading = Layout::parse(
      "(' HIGHWAY EVALUATION -- YEAR/ALT (',A,') : MILES OF ROADWAY AT EACH LEVEL OF SERVICE',///,"
      "T48,'LEVEL OF SERVICE',//,T24,'A       B       C       D       E       F     TOTAL',///)");
  static const Layout kPercentHeading = Layout::parse(
      "(///' HIGHWAY EVALUATION -- YEAR/ALT (',A,') : PERCENT OF MILEAGE AT EACH LEVEL OF SERVICE',///,"
      "T48,'LEVEL OF SERVICE',//,T24,'A       B       C       D       E       F     TOTAL',///)");
  static const Layout kRow = Layout::parse("(T2,A,T19,7F8.2)");

  // Facility-type classes have rows 1..kMaxClasses in both tables.
  const int nft = std::clamp(ctx.acc.sums.nft(), 1, kMaxClasses);
  const LosTable& miles = ctx.acc.los_miles;
  LosTable& percent = ctx.acc.los_pct;

  const auto write_row = [&](const LosTable& table, int i) {
    const auto& r = table[static_cast<std::size_t>(i)];
    ctx.report.write(kRow, {ctx.classes.ft_label(i), r[1], r[2], r[3], r[4], r[5], r[6], r[7]});
  };

  ctx.start_new_page();
  ctx.report.write(kMilesHeading, {ctx.scenario_code});
  int lines_to_reserve = 10;
  for (int i = 1; i < nft; ++i) {
    if (miles[static_cast<std::size_t>(i)][kLosLevels] == 0.0f) continue;
    ++lines_to_reserve;
    write_row(miles, i);
  }
  write_row(miles, nft);

  // Every cell is a share of the whole system's mileage, not of its row.
  const float grand_total = miles[static_cast<std::size_t>(nft)][kLosLevels];
  const float factor = grand_total != 0.0f ? 100.0f / grand_total : 0.0f;
  for (int i = 1; i <= nft; ++i) {
    for (int c = 1; c <= kLosLevels; ++c) {
      percent[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)] =
          factor * miles[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)];
    }
  }

  ctx.reserve_lines(lines_to_reserve);
  ctx.report.write(kPercentHeading, {ctx.scenario_code});
  for (int i = 1; i < nft; ++i) {
    if (percent[static_cast<std::size_t>(i)][kLosLevels] == 0.0f) continue;
    write_row(percent, i);
  }
  write_row(percent, nft);
}

void write_analysis_tables(RunContext& ctx) {
  write_area_tables(ctx, kTablesBeforeConversion);
  convert_emissions_to_kilograms(ctx.acc.sums);
  write_area_tables(ctx, kTablesAfterConversion);
  write_level_of_service_tables(ctx);
}

}  // namespace korvo
