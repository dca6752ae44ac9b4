#include "reports/system_totals.h"

#include <span>
#include <string_view>

#include "reports/banner.h"

namespace korvo {
namespace {

// Where a total comes from: a slot's grand-total cell or a cost total.
enum class Source { kSlot, kAccidentCost, kUserCost, kMaintCost };

struct TotalLine {
  std::string_view caption;
  Source source;
  Slot slot;
  bool whole;              // INT+ in I10; otherwise F13.2
  bool links_with_counts;  // followed by "(LINKS WITH COUNTS)"
};

constexpr TotalLine slot_line(std::string_view caption, Slot slot, bool whole, bool with_counts = false) {
  return {caption, Source::kSlot, slot, whole, with_counts};
}
constexpr TotalLine cost_line(std::string_view caption, Source source) {
  return {caption, source, Slot::LINKS, true, false};  // the slot is not read
}

constexpr TotalLine kValidationFirst[] = {
    slot_line("TOTAL NUMBER OF LINKS", Slot::LINKS, true),
    slot_line("TOTAL SYSTEM MILES", Slot::SYS_MILES, false),
    slot_line("TOTAL LANE MILES", Slot::LANE_MILES, false),
    slot_line("TOTAL DIRECTIONAL MILES", Slot::DIR_MILES, false),
    slot_line("TOTAL VMT USING VOLUMES", Slot::VMT_REFVOL, true, true),
    slot_line("TOTAL VMT USING COUNTS", Slot::VMT_REF, true, true),
    slot_line("TOTAL VMT V/C", Slot::VMT_RATIO, false, true),
    slot_line("TOTAL VHT USING VOLUMES", Slot::VHT_REFVOL, true, true),
    slot_line("TOTAL VHT USING COUNTS", Slot::VHT_REF, true, true),
    slot_line("TOTAL VHT V/C", Slot::VHT_RATIO, false, true),
    slot_line("TOTAL VOLUMES ALL LINKS", Slot::VOL_ALL, true),
};

constexpr TotalLine kAnalysisFirst[] = {
    slot_line("TOTAL NUMBER OF LINKS", Slot::LINKS, true),
    slot_line("TOTAL SYSTEM MILES", Slot::SYS_MILES, false),
    slot_line("TOTAL LANE MILES", Slot::LANE_MILES, false),
    slot_line("TOTAL DIRECTIONAL MILES", Slot::DIR_MILES, false),
    slot_line("TOTAL VMT USING VOLUMES", Slot::VMT_REFVOL, true),
    slot_line("TOTAL VMT USING CAPACITY", Slot::VMT_REF, true),
    slot_line("TOTAL VMT V/C", Slot::VMT_RATIO, false),
    slot_line("TOTAL VHT USING VOLUMES", Slot::VHT_REFVOL, true),
    slot_line("TOTAL VHT USING CAPACITY", Slot::VHT_REF, true),
    slot_line("TOTAL VHT V/C", Slot::VHT_RATIO, false),
    slot_line("TOTAL VOLUMES ALL LINKS", Slot::VOL_ALL, true),
};

constexpr TotalLine kValidationSecond[] = {
    slot_line("AVERAGE TOTAL VOLUME", Slot::AVG_VOL, false),
    slot_line("TOTAL VMT ALL LINKS", Slot::VMT_ALL, true),
    slot_line("TOTAL VHT ALL LINKS", Slot::VHT_ALL, true),
    slot_line("TOTAL ORIGINAL SPEED (MPH)", Slot::ORIG_SPEED, false),
    slot_line("TOTAL CONGESTED SPEED (MPH)", Slot::CONG_SPEED, false),
};

constexpr TotalLine kAnalysisSecond[] = {
    slot_line("AVERAGE TOTAL VOLUME", Slot::AVG_VOL, false),
    slot_line("TOTAL VMT ALL LINKS", Slot::VMT_ALL, true),
    slot_line("TOTAL VHT ALL LINKS", Slot::VHT_ALL, true),
    slot_line("TOTAL ORIGINAL SPEED (MPH)", Slot::ORIG_SPEED, false),
    slot_line("TOTAL CONGESTED SPEED (MPH)", Slot::CONG_SPEED, false),
    slot_line("TOTAL ACCIDENTS", Slot::ACCIDENTS, false),
};

constexpr TotalLine kAnalysisThird[] = {
    slot_line("TOTAL INJURIES", Slot::INJURIES, false),
    slot_line("TOTAL FATALITIES", Slot::FATALITIES, false),
    slot_line("TOTAL CO EMISSIONS (KILOGRAMS)", Slot::CO_GRAMS, true),
    slot_line("TOTAL HC EMISSIONS (KILOGRAMS)", Slot::HC_GRAMS, true),
    slot_line("TOTAL NO EMISSIONS (KILOGRAMS)", Slot::NOX_GRAMS, true),
    slot_line("TOTAL FUEL USE", Slot::FUEL_GAL, true),
    slot_line("TOTAL NEW LANE MILEAGE", Slot::NEW_LANE_MILES, true),
    slot_line("TOTAL CONSTRUCTION COST (X $1000)", Slot::CONSTR_COST, true),
    cost_line("TOTAL ACCIDENT COST (DOLLARS)", Source::kAccidentCost),
    cost_line("TOTAL USERS COST (DOLLARS)", Source::kUserCost),
    cost_line("TOTAL MAINTENANCE COST (DOLLARS)", Source::kMaintCost),
    slot_line("TOTAL DELAY DUE TO CONGESTION (VEH-HRS)", Slot::DELAY_VHT, false),
};

float total_value(const Accumulators& acc, const TotalLine& line) {
  const EvalSums& sums = acc.sums;
  switch (line.source) {
    case Source::kSlot: return sums.at(sums.nft(), sums.nat(), kLaneClassCount, line.slot);
    case Source::kAccidentCost: return acc.accident_cost;
    case Source::kUserCost: return acc.user_cost;
    case Source::kMaintCost: return acc.maint_cost;
  }
  return 0.0f;
}

// One block: blank_before empty lines, then the lines with one empty line
// between each two; values at column 35 (validation) or 45 (analysis).
void write_block(RecordSink& report, const Accumulators& acc, std::span<const TotalLine> lines, int blank_before,
                 bool analysis) {
  static constexpr auto kEmpty = "()"_layout;
  static constexpr auto kWhole35 = "(T5,A,T35,I10)"_layout;
  static constexpr auto kReal35 = "(T5,A,T35,F13.2)"_layout;
  static constexpr auto kWholeCounts35 = "(T5,A,T35,I10,T50,'(LINKS WITH COUNTS)')"_layout;
  static constexpr auto kRealCounts35 = "(T5,A,T35,F13.2,T50,'(LINKS WITH COUNTS)')"_layout;
  static constexpr auto kWhole45 = "(T5,A,T45,I10)"_layout;
  static constexpr auto kReal45 = "(T5,A,T45,F13.2)"_layout;

  for (int n = 0; n < blank_before; ++n) write_record(report, kEmpty);
  bool first = true;
  for (const TotalLine& line : lines) {
    if (!first) write_record(report, kEmpty);
    first = false;
    const float value = total_value(acc, line);
    // Whole numbers in I10, the rest in F13.2.
    const auto write_line = [&](const auto& whole, const auto& real) {
      if (line.whole) {
        write_record(report, whole, line.caption, round_half_up(value));
      } else {
        write_record(report, real, line.caption, value);
      }
    };
    if (analysis) {
      write_line(kWhole45, kReal45);
    } else if (line.links_with_counts) {
      write_line(kWholeCounts35, kRealCounts35);
    } else {
      write_line(kWhole35, kReal35);
    }
  }
}

}  // namespace

std::vector<SystemTotal> system_total_values(const Accumulators& acc, bool analysis) {
  std::vector<SystemTotal> totals;
  const auto add = [&](std::span<const TotalLine> lines) {
    for (const TotalLine& line : lines) totals.push_back({line.caption, total_value(acc, line)});
  };
  if (analysis) {
    add(kAnalysisFirst);
    add(kAnalysisSecond);
    add(kAnalysisThird);
  } else {
    add(kValidationFirst);
    add(kValidationSecond);
  }
  return totals;
}

void write_system_totals(RecordSink& report, const Accumulators& acc, bool analysis) {
  write_banner(report, "STATISTICS");
  if (!analysis) {
    write_block(report, acc, kValidationFirst, 2, false);
    write_block(report, acc, kValidationSecond, 1, false);
    return;
  }
  write_block(report, acc, kAnalysisFirst, 0, true);
  write_block(report, acc, kAnalysisSecond, 1, true);
  write_block(report, acc, kAnalysisThird, 1, true);
}

}  // namespace korvo
