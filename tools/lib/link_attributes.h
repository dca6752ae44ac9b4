#pragma once
// The one place that copies a link's attributes field by field: from the link
// struct of a tool or a test into an entry of a binary network, or into the
// link record that the evaluation reads. The struct names its fields as the
// link record does, with the congested time and the volume beside them:
//
//   struct Link {
//     int anode, bnode, distance, area_type, facility_type, lanes, time, congested_time, capacity, count, volume,
//         screenline;
//     bool two_way;
//   };
//   LinkEntry entry;
//   copy_link_attributes(link, entry);  // an entry of one period and one volume slot
//
// Distances are in hundredths of a mile and times in hundredths of a minute,
// as the link files hold them. A struct that lacks a field, or names it
// otherwise, does not compile here.

#include <cstdint>

#include "input/link_record.h"
#include "network_writer.h"

namespace korvo::fixtures {

// The attributes every link source carries.
template <typename Link>
concept LinkAttributes = requires(const Link& l) {
  l.anode;
  l.bnode;
  l.distance;
  l.area_type;
  l.facility_type;
  l.lanes;
  l.time;  // free-flow
  l.congested_time;
  l.capacity;
  l.count;
  l.volume;
  l.screenline;
  l.two_way;
};

// ... and those a dBASE link file adds for the evaluation.
template <typename Link>
concept EvaluatedLinkAttributes = LinkAttributes<Link> && requires(const Link& l) {
  l.location;
  l.construct;
  l.cost;
};

namespace link_attributes_detail {

template <typename To, typename From>
void assign(To& to, const From& value) {
  to = static_cast<To>(value);
}

// The attributes that an entry and a record both hold under these names.
template <LinkAttributes Link, typename Target>
void copy_shared(const Link& from, Target& to) {
  assign(to.anode, from.anode);
  assign(to.bnode, from.bnode);
  assign(to.distance, from.distance);
  assign(to.area_type, from.area_type);
  assign(to.facility_type, from.facility_type);
  assign(to.lanes, from.lanes);
  assign(to.time, from.time);
  assign(to.capacity, from.capacity);
  assign(to.count, from.count);
  assign(to.screenline, from.screenline);
  to.two_way = from.two_way;
}

}  // namespace link_attributes_detail

// The entry of a network of one period and one volume slot: the congested
// time is period time 1 and the volume slot 1 (a caller with more periods or
// slots replaces both lists). The fields the binary file has beyond the
// attributes (direction, second time, group, cost) keep their values.
template <LinkAttributes Link>
void copy_link_attributes(const Link& from, LinkEntry& to) {
  link_attributes_detail::copy_shared(from, to);
  to.period_times.assign(1, static_cast<std::int32_t>(from.congested_time));
  to.volumes.assign(1, static_cast<std::int32_t>(from.volume));
}

// The link record as the dBASE reader leaves it for the evaluation: one
// period and one volume slot, the second time equal to the free-flow time.
// The fields a dBASE file has beyond these (direction, zone, use, land use)
// keep their values.
template <EvaluatedLinkAttributes Link>
void copy_link_attributes(const Link& from, LinkRecord& to) {
  link_attributes_detail::copy_shared(from, to);
  to.time2 = to.time;
  to.period_times[1] = static_cast<std::int16_t>(from.congested_time);
  to.volume(1, 1) = static_cast<std::int32_t>(from.volume);
  link_attributes_detail::assign(to.location, from.location);
  link_attributes_detail::assign(to.construct, from.construct);
  link_attributes_detail::assign(to.cost, from.cost);
}

}  // namespace korvo::fixtures
