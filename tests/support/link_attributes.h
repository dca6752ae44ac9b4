#pragma once
// One helper for putting a link's coded attributes into the link record, as
// the dBASE reader stores a record: for the tests that feed the evaluation
// links built in code, and for the benchmark that feeds it generated links.
//
// Link is any struct with the members anode, bnode, distance, area_type,
// facility_type, lanes, time, congested_time, capacity, count, screenline,
// location, construct, cost, two_way and volume() (the generator's
// GeneratedLink, or CodedLink below).

#include <cstdint>

#include "input/link_record.h"

namespace korvo::testing {

template <typename Link>
void fill_link_record(const Link& l, LinkRecord& r) {
  r.anode = l.anode;
  r.bnode = l.bnode;
  r.distance = static_cast<std::int16_t>(l.distance);
  r.area_type = static_cast<std::int16_t>(l.area_type);
  r.facility_type = static_cast<std::int16_t>(l.facility_type);
  r.lanes = static_cast<std::int16_t>(l.lanes);
  r.time = static_cast<std::int16_t>(l.time);
  r.time2 = r.time;
  r.period_times[1] = static_cast<std::int16_t>(l.congested_time);
  r.capacity = l.capacity;
  r.count = l.count;
  r.volume(1, 1) = l.volume();
  r.screenline = static_cast<std::int16_t>(l.screenline);
  r.two_way = l.two_way;
  r.location = l.location;
  r.construct = static_cast<std::int16_t>(l.construct);
  r.cost = static_cast<std::int16_t>(l.cost);
}

// A link as a dBASE link file codes it, with the values most tests want:
// 1 mile of facility type 1 and area type 1, 2 lanes, 1.2 minutes free-flow
// and 1.5 congested, capacity 1000, volume 500, no count.
struct CodedLink {
  int anode = 10;
  int bnode = 20;
  int distance = 100;
  int facility_type = 1;
  int area_type = 1;
  int lanes = 2;
  int time = 120;
  int congested_time = 150;
  int capacity = 1000;
  int count = 0;
  int model_volume = 500;
  int screenline = 0;
  bool two_way = false;
  int location = 0;
  int construct = 0;
  int cost = 0;

  int volume() const { return model_volume; }
};

}  // namespace korvo::testing
