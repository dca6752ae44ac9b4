#include "reports/cross_tabs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "common/layout.h"

namespace korvo {
namespace {

constexpr int kAllLanes = kLaneClassCount;  // lane class 10 holds every lane
constexpr int kGroupSize = 10;
// The area-table layouts hold twelve value columns.
constexpr int kAreaColumns = 12;

constexpr std::string_view kGroupNames[] = {"Freeway   ", "Div Art   ", "Undiv Art ", "Collector ", "Centroid  ",
                                            "Oneway    ", "Ramps     ", "HOV Fac   ", "Toll Fac  "};

// Sums get subtotals; ratios, averages and speeds do not, except the two
// percentage tables, whose rows add up.
constexpr TableSpec kValidationTables[] = {
    {"TOTAL NUMBER OF LINKS", Slot::LINKS, true, 0, true},
    {"LINK PERCENTAGES", Slot::LINK_PCT, false, 2, true},
    {"PERCENTAGE OF LINKS WITH COUNTS", Slot::LINKS_REF, false, 2, false},
    {"TOTAL SYSTEM MILES", Slot::SYS_MILES, false, 2, true},
    {"TOTAL LANE MILES", Slot::LANE_MILES, false, 2, true},
    {"TOTAL DIRECTIONAL SYSTEM MILES", Slot::DIR_MILES, false, 2, true},
    {"AVERAGE LINK LENGTH USING SYSTEM MILES", Slot::AVG_LINK_LEN, false, 2, false},
    {"TOTAL VMT USING VOLUMES ON LINKS WITH COUNTS", Slot::VMT_REFVOL, true, 0, true},
    {"TOTAL VMT USING COUNTS ON LINKS WITH COUNTS", Slot::VMT_REF, true, 0, true},
    {"RATIO OF VOLUME OVER COUNT VMT", Slot::VMT_RATIO, false, 2, false},
    {"TOTAL VHT USING VOLUMES ON LINKS WITH COUNTS", Slot::VHT_REFVOL, true, 0, true},
    {"TOTAL VHT USING COUNTS ON LINKS WITH COUNTS", Slot::VHT_REF, true, 0, true},
    {"RATIO OF VOLUME OVER COUNT VHT", Slot::VHT_RATIO, false, 2, false},
    {"TOTAL VOLUME ON ALL LINKS WITH COUNTS", Slot::VOL_REF, true, 0, true},
    {"TOTAL COUNT VOLUME", Slot::REF_SUM, true, 0, true},
    {"RATIO OF VOLUME OVER COUNT VOLUMES", Slot::VOL_RATIO, false, 2, false},
    {"TOTAL VOLUME ON ALL LINKS", Slot::VOL_ALL, true, 0, true},
    {"VOLUME PERCENTAGES ON ALL LINKS", Slot::VOL_PCT, false, 2, true},
    {"AVERAGE TOTAL VOLUMES ON ALL LINKS", Slot::AVG_VOL, false, 2, false},
    {"TOTAL VMT FOR ALL LINKS USING VOLUMES", Slot::VMT_ALL, true, 0, true},
    {"TOTAL VHT FOR ALL LINKS USING VOLUMES", Slot::VHT_ALL, true, 0, true},
    {"ORIGINAL SPEEDS (MPH)", Slot::ORIG_SPEED, false, 2, false},
    {"CONGESTED SPEEDS (MPH)", Slot::CONG_SPEED, false, 2, false},
    {"PERCENT CHANGE IN SPEEDS", Slot::SPEED_CHANGE_PCT, false, 2, false},
};

}  // namespace

std::span<const TableSpec> validation_table_specs() { return kValidationTables; }

bool lane_table_row_printed(const EvalSums& sums, Slot slot, bool whole, int i, int j) {
  const float lane_total = sums.at(i, j, kAllLanes, slot);
  return whole ? round_half_up(lane_total) != 0 : lane_total != 0.0f;
}

bool area_table_row_printed(const EvalSums& sums, Slot slot, bool whole, int i) {
  const float row_total = sums.at(i, sums.nat(), kAllLanes, slot);
  return whole ? round_half_up(row_total) != 0 : row_total != 0.0f;
}

std::string facility_group_name(int group) {
  if (group == 0) return "Class 1-9 ";
  if (group >= 1 && group <= 9) return std::string(kGroupNames[group - 1]);
  return pad_to("Cl " + std::to_string(kGroupSize * group) + "-" + std::to_string(kGroupSize * group + kGroupSize - 1),
                10);
}

void write_lane_table(Report& report, const EvalSums& sums, const ClassTables& classes, std::string_view caption,
                      Slot slot, bool whole, int decimals, bool subtotals) {
  static constexpr auto kTitle =
      "(' HIGHWAY EVALUATION -- YEAR/ALT (',A,') -- REPORT: ',A,///,"
      "T2,'TOTAL LANES:',T27,'1',T37,'2',T47,'3',T57,'4',T67,'5',T77,'6',T87,'7',T97,'8',T107,'9+',T112,'TOTALS')"_layout;
  static constexpr auto kAreaHeading = "(/,T53,'AREA TYPE: ',A)"_layout;
  static constexpr auto kTotalAreaHeading = "(/,T51,'TOTAL AREA TYPES')"_layout;
  static constexpr auto kWholeRow = "(T2,A,T18,10I10)"_layout;
  static constexpr auto kWholeTotals = "(' Totals',T18,10I10)"_layout;
  static constexpr auto kWholeSubtotal = "(TR1,A,T18,I10,A,9(I9,A))"_layout;

  static constexpr auto kRealRow = "(T2,A,T18,10F10.0)"_layout;
  static constexpr auto kRealTotals = "(' Totals',10X,10F10.0)"_layout;
  // A group subtotal: each value followed by its "*".
  static constexpr auto kRealSubtotal = "(T2,A,T18,F10.0,A,9(F9.0,A))"_layout;
  const auto real_row = kRealRow.with_decimals(decimals);
  const auto real_totals = kRealTotals.with_decimals(decimals);
  const auto real_subtotal = kRealSubtotal.with_decimals(decimals);

  const int nft = sums.nft();
  const int nat = sums.nat();
  const std::string title_caption = pad_to(caption, 48);
  const auto write_title = [&] { write_record(report, kTitle, report.scenario_code(), title_caption); };

  std::vector<FieldValue> values;
  values.reserve(2 * kLaneClassCount + 1);
  // One row of cells (i, j, 1..10) after its label, as reals or rounded.
  const auto row_values = [&](std::string_view label, int i, int j) {
    values.clear();
    if (!label.empty()) values.emplace_back(label);
    for (int k = 1; k <= kLaneClassCount; ++k) {
      const float cell = sums.at(i, j, k, slot);
      if (whole) {
        values.emplace_back(round_half_up(cell));
      } else {
        values.emplace_back(cell);
      }
    }
  };

  report.new_page();
  write_title();
  for (int j = 1; j <= nat; ++j) {
    // With more than ten facility-type classes every area type gets a page.
    if (j != 1 && nft >= 11) {
      report.new_page();
      write_title();
    }
    if (j == nat) {
      write_record(report, kTotalAreaHeading);
    } else {
      write_record(report, kAreaHeading, classes.at_label(j));
    }

    int group = 0;  // the group of the last boundary passed
    for (int i = 1; i <= nft; ++i) {
      if (group < i / kGroupSize || i == nft) {
        // Close the group that began at row 10 x group (row 1 for group 0):
        // at a group boundary that is rows i-10..i-1; before the Totals row
        // it is the rows of the last, possibly short, group only.
        std::array<float, kLaneClassCount> subtotal{};
        int nonempty_rows = 0;
        const int first = std::max(kGroupSize * group, 1);
        for (int k = 1; k <= kLaneClassCount; ++k) {
          for (int r = first; r < i; ++r) subtotal[static_cast<std::size_t>(k - 1)] += sums.at(r, j, k, slot);
        }
        // With exactly ten classes (one-digit codes) the only group is the
        // whole table, whose sum the Totals row already shows.
        if (nft != kGroupSize) {
          for (int r = first; r < i; ++r) {
            if (sums.at(r, j, kAllLanes, slot) != 0.0f) ++nonempty_rows;
          }
        }
        group = i / kGroupSize;
        if (nonempty_rows > 1 && subtotals) {
          const std::string label = " Total " + facility_group_name((i - 1) / kGroupSize);
          values.clear();
          values.emplace_back(label);
          for (float sum : subtotal) {
            if (whole) {
              values.emplace_back(round_half_up(sum));
            } else {
              values.emplace_back(sum);
            }
            values.emplace_back("*");
          }
          write_record(report, whole ? kWholeSubtotal.view() : real_subtotal.view(), values);
        }
      }

      if (i == nft) {
        row_values({}, i, j);
        write_record(report, whole ? kWholeTotals.view() : real_totals.view(), values);
        continue;
      }
      if (!lane_table_row_printed(sums, slot, whole, i, j)) continue;
      row_values(classes.ft_label(i), i, j);
      write_record(report, whole ? kWholeRow.view() : real_row.view(), values);
    }
  }
}

void write_area_table(Report& report, const EvalSums& sums, const ClassTables& classes, std::string_view caption,
                      Slot slot, bool whole, int decimals) {
  static constexpr auto kTitle = "(' HIGHWAY EVALUATION -- YEAR/ALT (',A,') -- REPORT: ',A,///,T24,12(TR1,A))"_layout;
  static constexpr auto kTwoBlankLines = "(/)"_layout;
  static constexpr auto kWholeRow = "(T2,A,T24,12I9)"_layout;
  static constexpr auto kWholeTotals = "(/' Totals',T24,12I9)"_layout;

  static constexpr auto kRealRow = "(T2,A,T24,12F9.0)"_layout;
  static constexpr auto kRealTotals = "(/' Totals',T24,12F9.0)"_layout;
  const auto real_row = kRealRow.with_decimals(decimals);
  const auto real_totals = kRealTotals.with_decimals(decimals);

  const int nft = sums.nft();
  const int nat = sums.nat();
  const int columns = std::min(nat, kAreaColumns);
  const std::string title_caption(trim_right(caption));

  std::vector<FieldValue> values;
  values.reserve(kAreaColumns + 3);
  values.emplace_back(report.scenario_code());
  values.emplace_back(title_caption);
  for (int j = 1; j <= columns; ++j) values.emplace_back(classes.at_short(j));
  report.new_page();
  write_record(report, kTitle, values);
  write_record(report, kTwoBlankLines);

  for (int i = 1; i <= nft; ++i) {
    values.clear();
    if (i != nft) {
      if (!area_table_row_printed(sums, slot, whole, i)) continue;
      values.emplace_back(classes.ft_label(i));
    }
    for (int j = 1; j <= columns; ++j) {
      const float cell = sums.at(i, j, kAllLanes, slot);
      if (whole) {
        values.emplace_back(round_half_up(cell));
      } else {
        values.emplace_back(cell);
      }
    }
    if (i == nft) {
      write_record(report, whole ? kWholeTotals.view() : real_totals.view(), values);
    } else {
      write_record(report, whole ? kWholeRow.view() : real_row.view(), values);
    }
  }
}

void write_validation_tables(Report& report, const EvalSums& sums, const ClassTables& classes) {
  for (const TableSpec& table : kValidationTables) {
    write_lane_table(report, sums, classes, table.caption, table.slot, table.whole, table.decimals, table.subtotals);
  }
}

}  // namespace korvo
