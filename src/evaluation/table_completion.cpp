#include "evaluation/table_completion.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace korvo {

void add_marginal_totals(std::span<float> plane, int n1, int n2, int n3, std::size_t stride) {
  const bool shaped = n1 >= 1 && n2 >= 1 && n3 >= 1;
  const std::size_t cells =
      shaped ? static_cast<std::size_t>(n1) * static_cast<std::size_t>(n2) * static_cast<std::size_t>(n3) : 0;
  if (cells == 0 || stride < 1 || plane.size() < stride * (cells - 1) + 1) {
    throw std::logic_error("add_marginal_totals: " + std::to_string(plane.size()) + " cells, " +
                           std::to_string(stride) + " apart, cannot hold " + std::to_string(n1) + " x " +
                           std::to_string(n2) + " x " + std::to_string(n3));
  }
  const auto x = [&](int i, int j, int k) -> float& {
    return plane[stride *
                 (static_cast<std::size_t>(i - 1) +
                  static_cast<std::size_t>(n1) * (static_cast<std::size_t>(j - 1) +
                                                  static_cast<std::size_t>(n2) * static_cast<std::size_t>(k - 1)))];
  };
  for (int k = 1; k < n3; ++k) {
    for (int j = 1; j < n2; ++j) {
      for (int i = 1; i < n1; ++i) x(n1, j, k) += x(i, j, k);
    }
  }
  for (int k = 1; k < n3; ++k) {
    for (int i = 1; i < n1; ++i) {
      for (int j = 1; j < n2; ++j) x(i, n2, k) += x(i, j, k);
    }
  }
  for (int j = 1; j < n2; ++j) {
    for (int i = 1; i < n1; ++i) {
      for (int k = 1; k < n3; ++k) x(i, j, n3) += x(i, j, k);
    }
  }
  // Steps 4 to 6 reach the grand total X(n1,n2,n3) only in step 6, through
  // the cells X(n1,n2,k) that step 4 has just filled.
  for (int k = 1; k <= n3; ++k) {
    for (int i = 1; i < n1; ++i) x(n1, n2, k) += x(i, n2, k);
  }
  for (int j = 1; j <= n2; ++j) {
    for (int i = 1; i < n1; ++i) x(n1, j, n3) += x(i, j, n3);
  }
  for (int i = 1; i <= n1; ++i) {
    for (int k = 1; k < n3; ++k) x(i, n2, n3) += x(i, n2, k);
  }
}

void add_all_marginal_totals(EvalSums& sums) {
  for (int number = 1; number <= kSlotCount; ++number) {
    add_marginal_totals(sums.slot_cells(slot_number(number)), sums.nft(), sums.nat(), kLaneClassCount, kSlotCount);
  }
}

void compute_derived_slots(EvalSums& sums) {
  const int nft = sums.nft();
  const int nat = sums.nat();
  // Both taken once, from the grand totals, before any cell changes.
  const float total_links = 0.01f * sums.at(nft, nat, kLaneClassCount, Slot::LINKS);
  const float grand_volume = sums.at(nft, nat, kLaneClassCount, Slot::VOL_ALL);
  const float volume_factor = grand_volume != 0.0f ? 100.0f / grand_volume : 0.0f;

  for (int k = 1; k <= kLaneClassCount; ++k) {
    for (int j = 1; j <= nat; ++j) {
      for (int i = 1; i <= nft; ++i) {
        const auto s = [&](Slot slot) -> float& { return sums.at(i, j, k, slot); };
        const float links = s(Slot::LINKS);
        // With no link evaluated at all every share is 0.
        s(Slot::LINK_PCT) = total_links != 0.0f ? links / total_links : 0.0f;
        if (links != 0.0f) {
          s(Slot::LINKS_REF) = s(Slot::LINKS_REF) * 100.0f / links;
          s(Slot::AVG_LINK_LEN) = s(Slot::SYS_MILES) / links;
          s(Slot::AVG_VOL) = s(Slot::VOL_ALL) / links;
        }
        if (s(Slot::VMT_REF) != 0.0f) s(Slot::VMT_RATIO) = s(Slot::VMT_REFVOL) / s(Slot::VMT_REF);
        if (s(Slot::VHT_REF) != 0.0f) s(Slot::VHT_RATIO) = s(Slot::VHT_REFVOL) / s(Slot::VHT_REF);
        if (s(Slot::REF_SUM) != 0.0f) s(Slot::VOL_RATIO) = s(Slot::VOL_REF) / s(Slot::REF_SUM);
        s(Slot::VOL_PCT) = volume_factor * s(Slot::VOL_ALL);
        // Times are in minutes: miles per minute x 60 gives miles per hour.
        if (s(Slot::ORIG_TIME_SUM) != 0.0f) s(Slot::ORIG_SPEED) = s(Slot::ORIG_MILES) / s(Slot::ORIG_TIME_SUM) * 60.0f;
        if (s(Slot::TIME_SUM) != 0.0f) s(Slot::CONG_SPEED) = s(Slot::ORIG_MILES) / s(Slot::TIME_SUM) * 60.0f;
        if (s(Slot::ORIG_SPEED) != 0.0f)
          s(Slot::SPEED_CHANGE_PCT) = (s(Slot::CONG_SPEED) - s(Slot::ORIG_SPEED)) / s(Slot::ORIG_SPEED) * 100.0f;
        if (s(Slot::ORIG_VHT) != 0.0f) s(Slot::LV_FREE_SPEED) = s(Slot::ORIG_VMT) / s(Slot::ORIG_VHT);
        if (s(Slot::CONG_VHT) != 0.0f) s(Slot::LV_CONG_SPEED) = s(Slot::ORIG_VMT) / s(Slot::CONG_VHT);
        if (s(Slot::LV_FREE_SPEED) != 0.0f) {
          s(Slot::LV_SPEED_CHANGE_PCT) =
              (s(Slot::LV_CONG_SPEED) - s(Slot::LV_FREE_SPEED)) / s(Slot::LV_FREE_SPEED) * 100.0f;
        }
      }
    }
  }
}

void total_level_of_service(LosTable& los, int nft_classes) {
  const auto nft = static_cast<std::size_t>(std::clamp(nft_classes, 1, kMaxClasses));
  for (std::size_t level = 1; level <= kLosLevels; ++level) {
    float total = 0.0f;
    for (std::size_t c = 1; c < nft; ++c) total += los[c][level];
    los[nft][level] = total;
  }
  for (std::size_t c = 1; c <= nft; ++c) {
    float total = 0.0f;
    for (std::size_t level = 1; level < kLosLevels; ++level) total += los[c][level];
    los[c][kLosLevels] = total;
  }
}

void total_los_vmt(LosVmtTable& vmt, int nft_classes) {
  const auto nft = static_cast<std::size_t>(std::clamp(nft_classes, 1, kMaxClasses));
  for (std::size_t level = 1; level < kLosLevels; ++level) {
    double total = 0.0;
    for (std::size_t c = 1; c < nft; ++c) total += vmt[c][level];
    vmt[nft][level] = total;
  }
  for (std::size_t c = 1; c <= nft; ++c) {
    double total = 0.0;
    for (std::size_t level = 1; level < kLosLevels; ++level) total += vmt[c][level];
    vmt[c][kLosLevels] = total;
  }
}

void zero_construction_cost(EvalSums& sums) {
  for (int lc = 1; lc <= kLaneClassCount; ++lc) {
    for (int atc = 1; atc <= sums.nat(); ++atc) {
      for (int ftc = 1; ftc <= sums.nft(); ++ftc) sums.at(ftc, atc, lc, Slot::CONSTR_COST) = 0.0f;
    }
  }
}

void convert_emissions_to_kilograms(EvalSums& sums) {
  for (Slot slot : {Slot::CO_GRAMS, Slot::HC_GRAMS, Slot::NOX_GRAMS}) {
    for (int k = 1; k <= kLaneClassCount; ++k) {
      for (int j = 1; j <= sums.nat(); ++j) {
        for (int i = 1; i <= sums.nft(); ++i) sums.at(i, j, k, slot) *= 0.001f;
      }
    }
  }
}

void level_of_service_percentages(Accumulators& acc) {
  // Facility-type classes have rows 1..kMaxClasses in both tables. Every
  // cell is a share of the whole system's mileage, not of its row.
  const int nft = std::clamp(acc.sums.nft(), 1, kMaxClasses);
  const LosTable& miles = acc.los_miles;
  LosTable& percent = acc.los_pct;
  const float grand_total = miles[static_cast<std::size_t>(nft)][kLosLevels];
  const float factor = grand_total != 0.0f ? 100.0f / grand_total : 0.0f;
  for (int i = 1; i <= nft; ++i) {
    for (int c = 1; c <= kLosLevels; ++c) {
      percent[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)] =
          factor * miles[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)];
    }
  }
}

void compute_accident_cost(Accumulators& acc, const RateTables& rates) {
  const EvalSums& sums = acc.sums;
  const auto grand = [&](Slot slot) { return sums.at(sums.nft(), sums.nat(), kLaneClassCount, slot); };
  const auto& unit_cost = rates.unit_cost;  // 1 accident, 2 injury, 3 fatality
  acc.accident_cost = unit_cost[1] * grand(Slot::ACCIDENTS) + unit_cost[2] * grand(Slot::INJURIES) +
                      unit_cost[3] * grand(Slot::FATALITIES);
}

void complete_tables(Accumulators& acc, const RateTables& rates, bool cost_table_zeroed, bool analysis) {
  total_level_of_service(acc.los_miles, acc.sums.nft());
  total_los_vmt(acc.los_vmt, acc.sums.nft());
  if (cost_table_zeroed) zero_construction_cost(acc.sums);
  add_all_marginal_totals(acc.sums);
  compute_derived_slots(acc.sums);
  if (!analysis) return;
  convert_emissions_to_kilograms(acc.sums);
  level_of_service_percentages(acc);
  compute_accident_cost(acc, rates);
}

}  // namespace korvo
