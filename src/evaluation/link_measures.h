#pragma once
// The measures of one accepted link and their accumulation: EVALSUMS by
// facility-type class, area-type class and lane class, the level-of-service
// miles, the three cost totals, the screenline totals and the screenline
// link lists.
//
// All arithmetic is single precision, in the order written, so that the
// totals match the planning package to the last printed digit.
// add_link_measures adds a link's measures: from its record on the link
// loop's thread, or from its LinkFigures on a second one
// (evaluation/sums_thread.h).

#include <cstddef>
#include <cstdint>

#include "evaluation/accumulators.h"
#include "evaluation/link_outcome.h"
#include "input/link_record.h"
#include "input/rates.h"

namespace korvo {

class EvaluationEvents;

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

// Sets DIST, TIME, OTIME, CNT and W from the link record's own numbers:
// the distance and the congested and original times in hundredths, the
// count, and whether the link is one direction of a two-way link. finish_link
// forms them so, and add_link_measures forms them again from a link's
// figures: the two must agree bit for bit.
inline void set_record_values(LinkValues& v, std::int16_t distance, std::int16_t congested_time,
                              std::int16_t original_time, std::int32_t count, bool two_way) {
  v.dist = static_cast<float>(distance) * 0.01f;
  v.time = static_cast<float>(congested_time) * 0.01f;
  v.otime = static_cast<float>(original_time) * 0.01f;
  v.cnt = static_cast<float>(count);
  v.w = two_way ? 0.5f : 1.0f;
}

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

// One link as the link loop hands it on, once finish_link has given its
// outcome: what the measures and the statistics take of it, in the record's
// own units, so that it fits one cache line. add_link_measures forms from it
// the working values finish_link formed, bit for bit (set_record_values; CAP
// is the capacity as float).
struct LinkFigures {
  std::int64_t record = 0;  // 1 for the first record read
  std::int32_t anode = 0;
  std::int32_t bnode = 0;
  std::int32_t capacity = 0;
  std::int32_t count = 0;
  float vol = 0;             // VOL as evaluated
  std::int16_t ft_code = 0;  // as finish_link took it (after the swapped-fields rule)
  std::int16_t at_code = 0;  // area-type code
  std::int16_t ftc = 0;      // classes as finish_link set them (0 before it does)
  std::int16_t atc = 0;
  std::int16_t lane_class = 0;
  std::int16_t lanes_value = 0;
  std::int16_t distance = 0;       // hundredths of a mile
  std::int16_t time = 0;           // congested time, hundredths of a minute
  std::int16_t original_time = 0;  // hundredths of a minute
  std::int16_t screenline = 0;
  std::int16_t construct = 0;  // construction code
  LinkOutcome status = LinkOutcome::kEvaluated;
  bool two_way = false;
};
static_assert(sizeof(LinkFigures) <= 64, "a link's figures fit one cache line");

// The figures of the link in `link` with the working values v that
// begin_link and finish_link formed, finish_link's outcome and the record
// number.
inline void fill_link_figures(LinkFigures& f, const LinkRecord& link, const LinkValues& v, LinkOutcome outcome,
                              std::int64_t record) {
  f.record = record;
  f.anode = link.anode;
  f.bnode = link.bnode;
  f.capacity = link.capacity;
  f.count = link.count;
  f.vol = v.vol;
  f.ft_code = static_cast<std::int16_t>(v.ft_code);
  f.at_code = link.area_type;
  f.ftc = static_cast<std::int16_t>(v.ftc);
  f.atc = static_cast<std::int16_t>(v.atc);
  f.lane_class = static_cast<std::int16_t>(v.lane_class);
  f.lanes_value = static_cast<std::int16_t>(v.lanes_value);
  f.distance = link.distance;
  f.time = link.period_times[static_cast<std::size_t>(link.time_slot_count)];
  f.original_time = link.time;
  f.screenline = link.screenline;
  f.construct = link.construct;
  f.status = outcome;
  f.two_way = link.two_way;
}

// Adds an evaluated link's measures into acc, in the order of the
// evaluation: EVALSUMS in the cell of its class triple, the level-of-service
// miles and VMT and, in an analysis run, accidents, emissions, fuel, new lane
// miles, construction, user and maintenance costs, delay and the
// distribution of volume over capacity. A link of any other outcome adds
// nothing. The classes must be inside the table, as evaluate_link
// (link_evaluation.h) has checked. Touches no other part of acc, and nothing
// else: it may run on a thread of its own (evaluation/sums_thread.h).
void add_link_measures(Accumulators& acc, const RateTables& rates, const LinkFigures& f, bool validation);
// The same for the evaluated link in `link` with the working values v that
// begin_link and finish_link formed, on the link loop's own thread: without
// forming its figures first.
void add_link_measures(Accumulators& acc, const RateTables& rates, const LinkRecord& link, const LinkValues& v,
                       bool validation);

// Construction codes from here on are not in the code table; the first one
// an analysis run meets zeroes the construction cost.
inline constexpr int kFirstInconsistentConstructionCode = 11;

// Adds an evaluated link to the screenline tables of its screenline (none
// for a number outside 1..99): the totals, and the link list of screenlines
// 1..98 or, for a validation link with a count, that of screenline 99. A
// full list and a second direction without its first are reported to
// events.
void add_screenlines(ScreenlineTables& t, const LinkRecord& link, const LinkValues& v, bool validation,
                     EvaluationEvents& events);

// Throws the std::logic_error of evaluate_link (link_evaluation.h) for a
// link whose classes are outside the table.
[[noreturn]] void classes_outside_the_table(const LinkValues& v);

}  // namespace korvo
