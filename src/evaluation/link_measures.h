#pragma once
// The measures of one accepted link and their accumulation: EVALSUMS by
// facility-type class, area-type class and lane class, the level-of-service
// miles, the three cost totals, the screenline totals and the screenline
// link lists.
//
// All arithmetic is single precision, in the order written, so that the
// totals match the planning package to the last printed digit.

#include <array>
#include <cstdint>

#include "evaluation/accumulators.h"
#include "input/link_record.h"
#include "input/rates.h"

namespace korvo {

struct Evaluation;

// The working values begin_link and finish_link form for the current link.
// Distances are in miles, times in minutes.
struct LinkValues {
  int ft_code = 0;      // facility-type code as coded (after the swapped-fields rule)
  int lanes_value = 0;  // number of lanes as coded
  int ftc = 0;          // facility-type class, 1..NFT-1
  int atc = 0;          // area-type class, 1..NAT-1
  int lane_class = 0;   // 1..9
  float vol = 0;        // VOL
  float cap = 0;        // CAP
  float cnt = 0;        // CNT
  float dist = 0;       // DIST = distance x 0.01
  float time = 0;       // TIME, congested
  float otime = 0;      // OTIME, original
  float w = 1;          // 0.5 for one direction of a two-way link
};

// Links up to this length (99.99 itself included) count as "short": longer
// ones are taken for coding errors and kept out of every mileage measure.
inline constexpr float kShortLinkMiles = 99.99f;

// Level of service 1..6 (A..F) of a volume over capacity ratio; 0 capacity
// gives A. Limits are strict: 0.8 itself is A.
int level_of_service(float vol, float cap);

// Speed class of the emission tables: 1 below 20 mph, 2 for 20 up to 25,
// one class per 5 mph, 10 from 60 up.
int speed_class10(float speed);
// Speed class of the fuel and user cost tables: as speed_class10, and 11
// from 65 up.
int speed_class11(float speed);

// Lanes per direction that a construction code adds: codes 1..9 from the
// code table, every other code 0.
float lanes_added(int construct);
// Row of the construction cost table: the code itself for 1..9, else row 10
// (no construction).
int construction_cost_row(int construct);

// What an analysis run adds for an evaluated link besides its volumes,
// times and levels of service: accidents, injuries, fatalities, emissions,
// fuel, new lane miles, construction cost, user and maintenance costs,
// delay, and its place in the distribution of volume over capacity.
// evaluate_link takes these figures from the link; add_cost_measures adds
// them up, on the link loop's thread or on a CostThread's.
struct CostLink {
  std::int16_t ftc = 1;
  std::int16_t atc = 1;
  std::int16_t lane_class = 1;
  std::int16_t construct = 0;  // construction code
  bool timed = false;          // distance and congested time both given
  bool short_link = false;     // within kShortLinkMiles
  float vol = 0;
  float cap = 0;
  float dist = 0;
  float time = 0;
  float otime = 0;
  float w = 1;
};

// The slots of EVALSUMS that add_cost_measures adds into, and no other code
// while the links are read.
inline constexpr std::array<Slot, 10> kCostSlots = {
    Slot::DELAY_VHT, Slot::ACCIDENTS, Slot::INJURIES,       Slot::FATALITIES,  Slot::CO_GRAMS,
    Slot::HC_GRAMS,  Slot::NOX_GRAMS, Slot::NEW_LANE_MILES, Slot::CONSTR_COST, Slot::FUEL_GAL};

// Where add_cost_measures adds: the cost slots of a table laid out as
// EVALSUMS, and the totals beside it.
struct CostSums {
  EvalSums& sums;
  float& user_cost;
  float& maint_cost;
  VcDistribution& vc_capacity;
};

// Adds one link's cost measures, in the order of the evaluation.
void add_cost_measures(const CostSums& to, const RateTables& rates, const CostLink& c);

// Evaluates the link with its working values into e's accumulators. The
// classes must be inside the table (ftc < NFT, atc < NAT, lane class 1..9);
// every other link is listed as unclassified before it gets here. A full
// screenline list and the first construction code of 11 or more are
// reported to e.events. An analysis run's cost measures go to e.cost_thread
// when it is set.
void evaluate_link(Evaluation& e, const LinkRecord& link, const LinkValues& v, bool validation);

}  // namespace korvo
