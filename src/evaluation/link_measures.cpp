#include "evaluation/link_measures.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "evaluation/evaluation.h"

namespace korvo {
namespace {

// Upper limits of levels A..E; a ratio above the last one is F.
constexpr std::array<float, 5> kLosLimits = {0.8f, 0.933f, 1.067f, 1.2f, 1.333f};

// Lower limits of speed classes 2..10 (mph).
constexpr std::array<float, 9> kSpeedLimits = {20.0f, 25.0f, 30.0f, 35.0f, 40.0f, 45.0f, 50.0f, 55.0f, 60.0f};
constexpr float kTopSpeedLimit = 65.0f;  // class 11 of the 11-row tables

// Lanes added per direction by construction codes 0..9.
constexpr std::array<float, 10> kLanesAdded = {0.0f, 1.0f, 2.0f, 3.0f, 1.0f, 1.0f, 2.0f, 1.0f, 2.0f, 3.0f};

constexpr int kNoConstructionRow = 10;

// Rate of a facility-type class; the tables have columns for classes 1..9
// only. An analysis run cannot reach a higher class (its labels stop at 9),
// so 0 there is only a guard.
template <typename Row>
float rate(const Row& row, int ftc) {
  return ftc <= kRateFtClasses ? row[static_cast<std::size_t>(ftc)] : 0.0f;
}

// Screenline totals of screenlines 1..99.
void add_screenline_totals(ScreenlineTables& t, int sl, const LinkValues& v, bool validation) {
  const auto i = static_cast<std::size_t>(sl);
  if (validation) {
    if (v.cnt != 0.0f) t.volume[i] += v.vol;
    t.reference[i] += v.cnt;
  } else {
    if (v.cap != 0.0f) t.volume[i] += v.vol;
    t.reference[i] += v.cap;
  }
  if (t.reference[i] != 0.0f) t.ratio[i] = t.volume[i] / t.reference[i];
}

// The link list of screenlines 1..98. The second direction of a two-way link
// (the higher A-node) joins the first direction's entry.
void add_screenline_link(ScreenlineTables& t, const LinkRecord& link, int sl, const LinkValues& v, float ref,
                         EvaluationEvents& events) {
  const auto s = static_cast<std::size_t>(sl);
  auto& entries = t.links[s];
  std::int16_t& n = t.nlinks[s];

  ScreenlineEntry* entry = nullptr;
  if (link.two_way && link.anode > link.bnode && n > 0) {
    for (int k = 1; k <= n; ++k) {
      ScreenlineEntry& e = entries[static_cast<std::size_t>(k)];
      if (e.anode == link.bnode && e.bnode == link.anode) {
        entry = &e;
        break;
      }
    }
    if (entry != nullptr) {
      entry->volume += v.vol;
      entry->reference += ref;
      if (ref == 0.0f && v.vol != 0.0f) entry->no_reference = true;
    } else {
      events.screenline_not_the_same(link.anode, link.bnode, sl);
    }
  }
  if (entry == nullptr) {
    if (n >= kScreenlineListLimit) {
      // The list is full: the link replaces the last entry, the run goes on.
      n = kScreenlineListLimit;
      events.screenline_list_full(kScreenlineListLimit);
    } else {
      ++n;
    }
    entry = &entries[static_cast<std::size_t>(n)];
    // A fresh entry, so that a replaced last entry keeps nothing of the link
    // it held before.
    *entry = ScreenlineEntry{};
    entry->anode = link.anode;
    entry->bnode = link.bnode;
    entry->volume = v.vol;
    entry->ft = static_cast<std::int16_t>(v.ft_code);
    entry->at = link.area_type;
    entry->reference = ref;
    entry->no_reference = ref == 0.0f && v.vol != 0.0f;
  }
  if (entry->reference != 0.0f) entry->ratio = entry->volume / entry->reference;
}

// The individual count links, coded screenline 99 (validation runs, links
// with a count).
void add_screenline99_link(ScreenlineTables& t, const LinkRecord& link, const LinkValues& v, EvaluationEvents& events) {
  Screenline99Entry* entry = nullptr;
  if (link.two_way && link.anode > link.bnode && t.sl99_count > 0) {
    for (int k = 1; k <= t.sl99_count; ++k) {
      Screenline99Entry& e = t.sl99[static_cast<std::size_t>(k)];
      if (e.anode == link.bnode && e.bnode == link.anode) {
        entry = &e;
        break;
      }
    }
    if (entry != nullptr) {
      entry->volume += v.vol;
      entry->count += v.cnt;
    }
  }
  if (entry == nullptr) {
    if (t.sl99_count >= kScreenline99Limit) {
      t.sl99_count = kScreenline99Limit;
      events.screenline_list_full(kScreenline99Limit);
    } else {
      ++t.sl99_count;
    }
    entry = &t.sl99[static_cast<std::size_t>(t.sl99_count)];
    *entry = Screenline99Entry{};
    entry->anode = link.anode;
    entry->bnode = link.bnode;
    entry->volume = v.vol;
    entry->count = v.cnt;
    entry->ft = static_cast<std::int16_t>(v.ft_code);
    entry->at = link.area_type;
  }
  if (entry->count != 0.0f) entry->ratio = entry->volume / entry->count;
}

}  // namespace

void add_screenlines(ScreenlineTables& t, const LinkRecord& link, const LinkValues& v, bool validation,
                     EvaluationEvents& events) {
  const int sl = link.screenline;
  // Numbers outside 1..99 have no slot in any screenline table; the link is
  // otherwise evaluated as usual.
  if (sl < 1 || sl > kMaxScreenline) return;
  add_screenline_totals(t, sl, v, validation);
  if (sl <= kListedScreenlines) {
    add_screenline_link(t, link, sl, v, validation ? v.cnt : v.cap, events);
  } else if (validation && v.cnt != 0.0f) {
    add_screenline99_link(t, link, v, events);
  }
}

// The limits rise, so a class is one more than the number of limits the
// value is past (none for NaN). Counting them all, rather than stopping at
// the first, costs no branch: the classes of consecutive links jump about.
static_assert(std::is_sorted(kLosLimits.begin(), kLosLimits.end()));
static_assert(std::is_sorted(kSpeedLimits.begin(), kSpeedLimits.end()));

int level_of_service(float vol, float cap) {
  const float vc = cap != 0.0f ? vol / cap : 0.0f;
  int level = 1;
  for (float limit : kLosLimits) level += vc > limit ? 1 : 0;
  return level;
}

int speed_class10(float speed) {
  int cls = 1;
  for (float limit : kSpeedLimits) cls += speed >= limit ? 1 : 0;
  return cls;
}

int speed_class11(float speed) { return speed >= kTopSpeedLimit ? kSpeedClasses11 : speed_class10(speed); }

float lanes_added(int construct) {
  return construct >= 0 && construct <= 9 ? kLanesAdded[static_cast<std::size_t>(construct)] : 0.0f;
}

int construction_cost_row(int construct) { return construct >= 1 && construct <= 9 ? construct : kNoConstructionRow; }

namespace {

// The working values of the link, as finish_link formed them.
LinkValues working_values(const LinkFigures& f) {
  LinkValues v;
  v.ft_code = f.ft_code;
  v.lanes_value = f.lanes_value;
  v.ftc = f.ftc;
  v.atc = f.atc;
  v.lane_class = f.lane_class;
  v.vol = f.vol;
  v.cap = static_cast<float>(f.capacity);
  set_record_values(v, f.distance, f.time, f.original_time, f.count, f.two_way);
  return v;
}

// An analysis run's measures of cost: accidents, emissions, fuel, new lane
// miles, construction, user and maintenance costs, delay, and the link's
// place in the distribution of volume over capacity.
void add_cost_measures(EvalSums::Column cells, Accumulators& acc, const RateTables& rates, const LinkValues& v,
                       int construct, bool short_link, bool timed) {
  // A link without distance or congested time has speed 0 (class 1).
  float speed = 0.0f;
  if (timed) speed = v.dist / (v.time / 60.0f);
  const int s10 = speed_class10(speed);
  const float added_lanes = lanes_added(construct);
  const int cost_row = construction_cost_row(construct);
  auto add = [&cells](Slot slot, float x) { cells[slot] += x; };

  acc.vc_capacity.add(v.vol, v.cap, v.dist);
  if (short_link) {
    const float vmt = v.dist * v.vol;
    const auto r10 = static_cast<std::size_t>(s10);
    add(Slot::ACCIDENTS, vmt / 1000000.0f * rate(rates.accident, v.ftc));
    add(Slot::INJURIES, vmt / 1000000.0f * rate(rates.injury, v.ftc));
    add(Slot::FATALITIES, vmt / 1000000.0f * rate(rates.fatality, v.ftc));
    add(Slot::CO_GRAMS, vmt * rate(rates.carbon_monoxide[r10], v.ftc));
    add(Slot::HC_GRAMS, vmt * rate(rates.hydrocarbons[r10], v.ftc));
    add(Slot::NOX_GRAMS, vmt * rate(rates.nitrogen_oxides[r10], v.ftc));
    const auto r11 = static_cast<std::size_t>(speed_class11(speed));
    add(Slot::FUEL_GAL, vmt * rate(rates.fuel[r11], v.ftc));
    add(Slot::NEW_LANE_MILES, added_lanes * 2.0f * v.dist * v.w);
    acc.user_cost += vmt * rate(rates.user_cost[r11], v.ftc);
    add(Slot::CONSTR_COST, v.w * v.dist * rate(rates.construction_cost[static_cast<std::size_t>(cost_row)], v.ftc));
    acc.maint_cost += v.w * v.dist * rate(rates.maintenance_cost[static_cast<std::size_t>(v.lane_class)], v.ftc);
  }
  add(Slot::DELAY_VHT, v.vol / 60.0f * (v.time - v.otime));
}

// The measures of an evaluated link with its working values v, its coded
// distance and original time (hundredths) and its construction code.
[[gnu::always_inline]] inline void add_measures(Accumulators& acc, const RateTables& rates, const LinkValues& v,
                                                int distance, int original_time, int construct, bool validation) {
  const bool short_link = v.dist <= kShortLinkMiles;
  const bool timed = distance != 0 && v.time != 0.0f;
  const bool otimed = distance != 0 && original_time != 0;
  const EvalSums::Column cells = acc.sums.column(v.ftc, v.atc, v.lane_class);
  auto add = [&cells](Slot slot, float x) { cells[slot] += x; };

  if (!validation) {
    if (v.cap != 0.0f) {
      add(Slot::VOL_REF, v.vol);
      add(Slot::REF_SUM, v.cap);
      if (short_link) {
        add(Slot::VMT_REFVOL, v.dist * v.vol);
        add(Slot::VMT_REF, v.dist * v.cap);
      }
      if (timed) {
        add(Slot::VHT_REFVOL, v.time / 60.0f * v.vol);
        add(Slot::VHT_REF, v.cap * v.time / 60.0f);
      }
    }
  } else if (v.cnt != 0.0f) {
    add(Slot::LINKS_REF, v.w);
    add(Slot::VOL_REF, v.vol);
    add(Slot::REF_SUM, v.cnt);
    if (short_link) {
      add(Slot::VMT_REFVOL, v.dist * v.vol);
      add(Slot::VMT_REF, v.dist * v.cnt);
    }
    if (timed) {
      add(Slot::VHT_REFVOL, v.time / 60.0f * v.vol);
      add(Slot::VHT_REF, v.cnt * v.time / 60.0f);
    }
  }

  add(Slot::LINKS, v.w);
  add(Slot::VOL_ALL, v.vol);
  if (short_link) {
    add(Slot::VMT_ALL, v.dist * v.vol);
    if (timed) add(Slot::VHT_ALL, v.time / 60.0f * v.vol);
    add(Slot::SYS_MILES, v.dist * v.w);
    if (otimed) {
      add(Slot::ORIG_MILES, v.dist);
      add(Slot::ORIG_VMT, v.dist * v.vol);
    }
    add(Slot::LANE_MILES, static_cast<float>(v.lanes_value) * v.dist);
    add(Slot::DIR_MILES, v.dist);
  }
  if (otimed) {
    add(Slot::ORIG_TIME_SUM, v.otime);
    add(Slot::ORIG_VHT, v.otime * v.vol / 60.0f);
  }
  if (timed) {
    add(Slot::TIME_SUM, v.time);
    add(Slot::CONG_VHT, v.time * v.vol / 60.0f);
  }

  if (short_link) {
    const auto level = static_cast<std::size_t>(level_of_service(v.vol, v.cap));
    acc.los_miles[static_cast<std::size_t>(v.ftc)][level] += v.dist * v.w;
    acc.los_vmt[static_cast<std::size_t>(v.ftc)][level] += static_cast<double>(v.dist) * static_cast<double>(v.vol);
  }

  if (!validation) add_cost_measures(cells, acc, rates, v, construct, short_link, timed);
}

}  // namespace

void add_link_measures(Accumulators& acc, const RateTables& rates, const LinkFigures& f, bool validation) {
  if (f.status != LinkOutcome::kEvaluated) return;
  add_measures(acc, rates, working_values(f), f.distance, f.original_time, f.construct, validation);
}

void add_link_measures(Accumulators& acc, const RateTables& rates, const LinkRecord& link, const LinkValues& v,
                       bool validation) {
  add_measures(acc, rates, v, link.distance, link.time, link.construct, validation);
}

void classes_outside_the_table(const LinkValues& v) {
  throw std::logic_error("evaluate_link: classes outside the table (" + std::to_string(v.ftc) + ", " +
                         std::to_string(v.atc) + ", " + std::to_string(v.lane_class) + ")");
}

}  // namespace korvo
