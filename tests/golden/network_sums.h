#pragma once
// The small networks of the golden cases and the sums a planner would work
// out from them with a calculator: every link is written down with what the
// evaluation makes of it (evaluated, skipped, passed over; its lane class,
// level of service and speed class, decided by hand and noted beside it),
// and the totals are plain sums over the evaluated links, in single
// precision and in link order, as the program adds them.
//
// The golden tests compare these sums with the numbers printed in the
// expected report files, so that a golden file is never only what the
// program happened to write.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbf_writer.h"
#include "link_attributes.h"
#include "network_writer.h"

namespace korvo::golden {

// What the evaluation does with a link.
enum class Fate {
  kEvaluated,
  kNoTime,      // listed when it has no volume, then passed over: no congested time and no cost
  kSkipped,     // unclassified type: listed in "KVSKIP.LNK"
  kPassedOver,  // local street (facility type 50-59): no trace
};

// Short names for the fate column of the link tables.
inline constexpr Fate E = Fate::kEvaluated;
inline constexpr Fate NT = Fate::kNoTime;
inline constexpr Fate SK = Fate::kSkipped;
inline constexpr Fate PO = Fate::kPassedOver;

// One directional link. Times in hundredths of a minute, distance in
// hundredths of a mile, as the link files carry them.
struct Link {
  int anode, bnode, distance, area_type, facility_type, lanes, time, congested_time, capacity, count, volume,
      screenline;
  bool two_way;
  Fate fate;
  int lane_class;  // by hand: lanes, doubled for a two-way link, 0 or above 9 is "9+" (9); 0 when not evaluated
  // Analysis runs only, by hand.
  int level = 0;      // level of service 1..6 (A..F) from volume / capacity
  int s10 = 0;        // speed class of the emission tables
  int s11 = 0;        // speed class of the fuel and user cost tables
  int construct = 0;  // construction code
  int ftc = 0;        // facility-type class, when it is not the code itself
};

inline int ft_class(const Link& l) { return l.ftc != 0 ? l.ftc : l.facility_type; }

inline float miles(const Link& l) { return static_cast<float>(l.distance) * 0.01f; }
inline float congested_minutes(const Link& l) { return static_cast<float>(l.congested_time) * 0.01f; }
inline float original_minutes(const Link& l) { return static_cast<float>(l.time) * 0.01f; }
inline float weight(const Link& l) { return l.two_way ? 0.5f : 1.0f; }
inline bool is_short(const Link& l) { return miles(l) <= 99.99f; }
inline bool timed(const Link& l) { return l.distance != 0 && l.congested_time != 0; }
inline bool otimed(const Link& l) { return l.distance != 0 && l.time != 0; }

// Sums over the evaluated links. "Reference" is the count in a validation
// run and the capacity in an analysis run.
struct NetworkSums {
  float links = 0, sys_miles = 0, lane_miles = 0, dir_miles = 0;
  float vmt_vol = 0, vmt_ref = 0, vht_vol = 0, vht_ref = 0, vol_ref = 0, ref_sum = 0;
  float vol_all = 0, vmt_all = 0, vht_all = 0;
  float orig_miles = 0, orig_time = 0, cong_time = 0;
  std::array<float, 10> links_by_lane{};  // lane classes 1..9 in [1..9]

  float vmt_ratio() const { return vmt_vol / vmt_ref; }
  float vht_ratio() const { return vht_vol / vht_ref; }
  float average_volume() const { return vol_all / links; }
  float original_speed() const { return orig_miles / orig_time * 60.0f; }
  float congested_speed() const { return orig_miles / cong_time * 60.0f; }
};

inline NetworkSums network_sums(const std::vector<Link>& links, bool analysis) {
  NetworkSums s;
  for (const Link& l : links) {
    if (l.fate != Fate::kEvaluated) continue;
    const float dist = miles(l);
    const float time = congested_minutes(l);
    const float vol = static_cast<float>(l.volume);
    const float ref = static_cast<float>(analysis ? l.capacity : l.count);
    if (ref != 0.0f) {
      s.vol_ref += vol;
      s.ref_sum += ref;
      if (is_short(l)) {
        s.vmt_vol += dist * vol;
        s.vmt_ref += dist * ref;
      }
      if (timed(l)) {
        s.vht_vol += time / 60.0f * vol;
        s.vht_ref += ref * time / 60.0f;
      }
    }
    s.links += weight(l);
    s.links_by_lane[static_cast<std::size_t>(l.lane_class)] += weight(l);
    s.vol_all += vol;
    if (is_short(l)) {
      s.vmt_all += dist * vol;
      if (timed(l)) s.vht_all += time / 60.0f * vol;
      s.sys_miles += dist * weight(l);
      if (otimed(l)) s.orig_miles += dist;
      s.lane_miles += static_cast<float>(l.lanes) * dist;
      s.dir_miles += dist;
    }
    if (otimed(l)) s.orig_time += original_minutes(l);
    if (timed(l)) s.cong_time += time;
  }
  return s;
}

// x + 0.5 truncated: how the report prints a whole number from a real.
inline long long whole(double x) { return static_cast<long long>(x + 0.5); }

// A real printed with `decimals` decimals agrees with the value worked out
// here when it is within half its last digit (and a hair for the order in
// which the program adds).
#define EXPECT_PRINTED(printed, computed, decimals)                                                 \
  do {                                                                                              \
    const std::optional<double> printed_value_ = (printed);                                         \
    ASSERT_TRUE(printed_value_.has_value()) << #printed << " is not in the report";                 \
    EXPECT_NEAR(*printed_value_, (computed), 0.5 * std::pow(10.0, -(decimals)) + 1e-4) << #printed; \
  } while (false)

// A whole number printed from a real.
#define EXPECT_PRINTED_WHOLE(printed, computed)                                     \
  do {                                                                              \
    const std::optional<double> printed_value_ = (printed);                         \
    ASSERT_TRUE(printed_value_.has_value()) << #printed << " is not in the report"; \
    EXPECT_EQ(*printed_value_, static_cast<double>(whole(computed))) << #printed;   \
  } while (false)

// ---- Analysis: rates, costs and emissions ----------------------------------

// The rates file as a planner reads it: value `column` (1-9) of `line`
// (1-75), 6 columns each and a blank between.
class RatesFile {
 public:
  explicit RatesFile(const std::string& text) : lines_(split(text)) {}
  float value(int line, int column) const {
    const std::string& l = lines_.at(static_cast<std::size_t>(line - 1));
    const auto first = static_cast<std::size_t>(7 * (column - 1));
    return first < l.size() ? std::strtof(l.substr(first, 6).c_str(), nullptr) : 0.0f;
  }
  // The tables by their row: FT class columns 1-9.
  float accident(int ftc) const { return value(1, ftc); }
  float injury(int ftc) const { return value(2, ftc); }
  float fatality(int ftc) const { return value(3, ftc); }
  float unit_cost(int n) const { return value(4, n); }  // 1 accident, 2 injury, 3 fatality
  float carbon_monoxide(int s10, int ftc) const { return value(4 + s10, ftc); }
  float hydrocarbons(int s10, int ftc) const { return value(14 + s10, ftc); }
  float nitrogen_oxides(int s10, int ftc) const { return value(24 + s10, ftc); }
  float fuel(int s11, int ftc) const { return value(34 + s11, ftc); }
  float construction(int row, int ftc) const { return value(45 + row, ftc); }  // row 10: no construction
  float user_cost(int s11, int ftc) const { return value(55 + s11, ftc); }
  float maintenance(int lane_class, int ftc) const { return value(66 + lane_class, ftc); }

 private:
  static std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find('\n', start);
      lines.push_back(text.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return lines;
  }
  std::vector<std::string> lines_;
};

// Lanes added per direction by construction codes 0-9; other codes add none.
inline float lanes_added(int code) {
  constexpr float kAdded[] = {0, 1, 2, 3, 1, 1, 2, 1, 2, 3};
  return code >= 0 && code <= 9 ? kAdded[code] : 0.0f;
}

// The sums of an analysis run that the rates price, over the evaluated
// links (short ones, but the delay of every one). Emissions in grams.
struct AnalysisSums {
  float accidents = 0, injuries = 0, fatalities = 0;
  float co_grams = 0, hc_grams = 0, nox_grams = 0, fuel = 0;
  float new_lane_miles = 0, construction = 0, user_cost = 0, maintenance = 0, delay = 0;
  std::array<std::array<float, 8>, 11> los_miles{};  // [ftc][level], level 7 the row total; ftc 10 the total class

  float accident_cost(const RatesFile& r) const {
    return r.unit_cost(1) * accidents + r.unit_cost(2) * injuries + r.unit_cost(3) * fatalities;
  }
};

inline AnalysisSums analysis_sums(const std::vector<Link>& links, const RatesFile& r) {
  AnalysisSums s;
  for (const Link& l : links) {
    if (l.fate != Fate::kEvaluated) continue;
    const float dist = miles(l);
    const float vol = static_cast<float>(l.volume);
    const int ftc = ft_class(l);
    if (is_short(l)) {
      const float vmt = dist * vol;
      s.accidents += vmt / 1000000.0f * r.accident(ftc);
      s.injuries += vmt / 1000000.0f * r.injury(ftc);
      s.fatalities += vmt / 1000000.0f * r.fatality(ftc);
      s.co_grams += vmt * r.carbon_monoxide(l.s10, ftc);
      s.hc_grams += vmt * r.hydrocarbons(l.s10, ftc);
      s.nox_grams += vmt * r.nitrogen_oxides(l.s10, ftc);
      s.fuel += vmt * r.fuel(l.s11, ftc);
      s.new_lane_miles += lanes_added(l.construct) * 2.0f * dist * weight(l);
      const int row = l.construct >= 1 && l.construct <= 9 ? l.construct : 10;
      s.construction += weight(l) * dist * r.construction(row, ftc);
      s.user_cost += vmt * r.user_cost(l.s11, ftc);
      s.maintenance += weight(l) * dist * r.maintenance(l.lane_class, ftc);
      s.los_miles[static_cast<std::size_t>(ftc)][static_cast<std::size_t>(l.level)] += dist * weight(l);
    }
    s.delay += vol / 60.0f * (congested_minutes(l) - original_minutes(l));
  }
  for (std::size_t c = 1; c <= 9; ++c) {
    for (std::size_t level = 1; level <= 6; ++level) {
      s.los_miles[c][7] += s.los_miles[c][level];
      s.los_miles[10][level] += s.los_miles[c][level];
    }
    s.los_miles[10][7] += s.los_miles[c][7];
  }
  return s;
}

// ---- Side files, written out from the link table ---------------------------

// A dBASE link file of the 20 keyword fields (no aliases needed); with
// `sequence` a field SEQ N(3) follows, holding 1 on every record, for an
// auxiliary table read from the same file.
inline void write_dbf_links(const std::filesystem::path& path, const std::vector<Link>& links, bool sequence = false) {
  std::vector<fixtures::DbfFieldDef> fields = fixtures::link_table_fields();
  if (sequence) fields.push_back({"SEQ", 'N', 3, 0});
  fixtures::DbfTable table(fields);
  for (const Link& l : links) {
    std::vector<fixtures::DbfValue> values = {
        // ANODE  BNODE    DISTANCE    DIR ATYPE FTYPE LANES    TIME
        l.anode, l.bnode, l.distance, 1, l.area_type, l.facility_type, l.lanes, l.time,
        // CAPACITY COUNT  SCREENLINE  ZONE USE LOCATION LANDUSE CONSTRUCT
        l.capacity, l.count, l.screenline, 0, 0, 0, 0, l.construct,
        // CONG_TIME MODELVOL COST TWFLAG
        l.congested_time, l.volume, 0, l.two_way ? 1 : 0};
    if (sequence) values.emplace_back(1);
    table.add(values);
  }
  table.write_file(path);
}

// A link of a binary loaded network: its period times and volumes as the
// file stores them, the slot volumes worked out from them by hand (the
// Link's volume is the sum of the slots the profile's KORVOL adds), and the
// codes of its auxiliary record.
struct BinaryLink {
  Link link;
  std::vector<std::int32_t> times;    // period 1..P; the last is the congested time
  std::vector<std::int32_t> volumes;  // V(p, s), period by period
  std::vector<int> slots;             // slot volumes 1..S, by hand
  int location = 0;                   // from the auxiliary network file
};

inline std::vector<Link> links_of(const std::vector<BinaryLink>& network) {
  std::vector<Link> links;
  for (const BinaryLink& b : network) links.push_back(b.link);
  return links;
}

// Writes the network, `per_record` entries to a LINK record, with a NODE
// record after the first LINK record (the reader passes over it).
inline void write_binary_network(const std::filesystem::path& path, const fixtures::NetworkHeader& header,
                                 const std::vector<BinaryLink>& network, int per_record) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  fixtures::LoadedNetworkWriter writer(out, header, per_record);
  int written = 0;
  for (const BinaryLink& b : network) {
    const Link& l = b.link;
    fixtures::LinkEntry e;
    fixtures::copy_link_attributes(l, e);
    e.time2 = e.time;
    e.period_times = b.times;
    e.volumes = b.volumes;
    writer.add_link(e);
    if (++written == per_record) {
      const std::int32_t node_words[] = {l.bnode, 1000, 2000};
      writer.write_record("NODE", node_words);
    }
  }
  writer.finish();
}

// The auxiliary network file: one record per link, in network order, with
// the link's construction code and location.
inline void write_aux_network(const std::filesystem::path& path, const std::vector<BinaryLink>& network) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  fixtures::AuxNetworkWriter writer(out);
  for (const BinaryLink& b : network) {
    writer.add({b.link.anode, b.link.bnode, 0,
                fixtures::pack_aux_codes(static_cast<std::uint32_t>(b.link.construct),
                                         static_cast<std::uint32_t>(b.location))});
  }
}

// The "HRLDXY.ASC" record of a dBASE link: nodes, codes, distance and times,
// volume and capacity, then the count when the profile sets COUNTS.
inline std::string ascii_record(const Link& l, bool counts, int location = 0) {
  char line[128];
  std::snprintf(line, sizeof line, "%6d%6d%3d%3d%3d%3d%5d%5d%5d%7d%7d", l.anode, l.bnode, l.facility_type, l.area_type,
                l.lanes, location, l.distance, l.time, l.congested_time, l.volume, l.capacity);
  std::string record = line;
  if (counts) {
    std::snprintf(line, sizeof line, "%7d", l.count);
    record += line;
  }
  return record + "\n";
}

// The "HRLDXY.ASC" record of a binary link: as a dBASE link's, with the
// location of its auxiliary record, then the count (with COUNTS) and every
// slot volume.
inline std::string ascii_record(const BinaryLink& b, bool counts) {
  std::string record = ascii_record(b.link, counts, b.location);
  record.pop_back();
  for (int v : b.slots) {
    char field[16];
    std::snprintf(field, sizeof field, "%7d", v);
    record += field;
  }
  return record + "\n";
}

// The opposite direction of link i in the table, if the table has it.
inline std::optional<std::size_t> opposite(const std::vector<Link>& links, std::size_t i) {
  for (std::size_t j = 0; j < links.size(); ++j) {
    if (links[j].anode == links[i].bnode && links[j].bnode == links[i].anode) return j;
  }
  return std::nullopt;
}

// "KVSKIP.LNK" of the skipped links.
inline std::string skip_list(const std::vector<Link>& links) {
  std::string file = " LIST IS SKIPPED LINKS:\n\n  ANODE  BNODE  FT  AT\n\n";
  for (const Link& l : links) {
    if (l.fate != Fate::kSkipped) continue;
    char line[64];
    std::snprintf(line, sizeof line, "%7d%7d%4d%4d\n", l.anode, l.bnode, l.facility_type, l.area_type);
    file += line;
  }
  return file;
}

// "HRLDXY2.ASC" as the pairs are drawn on a map: each link once with its
// opposite direction (found by its node pair) or zeros, the totals of both,
// the opposite's lanes and the lanes of both, then the slot volumes of both
// added. A pair is written with its direction of the lower A-node.
inline std::string two_way_file(const std::vector<BinaryLink>& network, bool counts) {
  std::string file;
  for (std::size_t i = 0; i < network.size(); ++i) {
    const BinaryLink& own = network[i];
    const BinaryLink* other = nullptr;
    for (const BinaryLink& b : network) {
      if (b.link.anode == own.link.bnode && b.link.bnode == own.link.anode) other = &b;
    }
    if (other != nullptr && own.link.bnode < own.link.anode) continue;
    const BinaryLink none{};
    const Link& l = own.link;
    const Link& o = other != nullptr ? other->link : none.link;
    char line[160];
    std::snprintf(line, sizeof line, "%6d%6d%s%7d%7d%7d%7d%7d%7d%3d%3d", l.anode, l.bnode,
                  ascii_record(l, counts, own.location).substr(12, 27).c_str(), l.volume, l.capacity, o.volume,
                  o.capacity, l.volume + o.volume, l.capacity + o.capacity, o.lanes, l.lanes + o.lanes);
    file += line;
    for (std::size_t s = 0; s < own.slots.size(); ++s) {
      std::snprintf(line, sizeof line, "%7d", own.slots[s] + (other != nullptr ? other->slots[s] : 0));
      file += line;
    }
    file += "\n";
  }
  return file;
}

}  // namespace korvo::golden
