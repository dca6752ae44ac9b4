#pragma once
// The current link: one record, overwritten by every read of the link source.
// Distance is in hundredths of a mile, times in hundredths of a minute.

#include <array>
#include <cstdint>
#include <string_view>

#include "common/enum_array.h"

namespace korvo {

inline constexpr int kMaxPeriods = 50;      // periods per link (time slots)
inline constexpr int kMaxVolumeSlots = 50;  // volume slots per period

// What a read of the link source gave: the next link, or the end of the links.
enum class LinkStatus : std::uint8_t { kLink, kEndOfLinks };

struct LinkRecord {
  std::int32_t anode = 0;
  std::int32_t bnode = 0;
  std::int16_t distance = 0;
  std::int16_t direction = 0;
  std::int16_t area_type = 0;
  std::int16_t facility_type = 0;
  std::int16_t lanes = 0;
  std::int16_t time = 0;
  std::int16_t time2 = 0;
  std::int32_t capacity = 0;
  std::int32_t count = 0;
  std::int16_t screenline = 0;
  std::int16_t cost = 0;
  // Congested times by period, slots 1..kMaxPeriods (index 0 unused).
  std::array<std::int16_t, kMaxPeriods + 1> period_times{};
  // Volumes V(p, s): period p = 1..kMaxPeriods fastest, then slot s.
  std::array<std::int32_t, kMaxPeriods * kMaxVolumeSlots> volumes{};
  bool two_way = false;
  std::int32_t zone = 0;
  std::int32_t use = 0;
  std::int32_t location = 0;
  std::int32_t landuse = 0;
  std::int16_t construct = 0;
  std::int16_t link_group = 0;  // the binary source's unused 12-bit field

  // The period_times slot that holds the congested time, and the number of
  // volume slots (both 1 on the dBASE path).
  std::int16_t time_slot_count = 1;
  std::int16_t volume_slot_count = 1;

  std::int32_t& volume(int period, int slot) {
    return volumes[static_cast<std::size_t>((period - 1) + kMaxPeriods * (slot - 1))];
  }
  std::int32_t volume(int period, int slot) const {
    return volumes[static_cast<std::size_t>((period - 1) + kMaxPeriods * (slot - 1))];
  }
};

// The 20 link keywords in slot order (slot = index + 1). Each is also the
// default dBASE field name.
inline constexpr int kLinkKeywordCount = 20;
enum class LinkKeyword : int {
  kAnode = 1,
  kBnode,
  kDistance,
  kDir,
  kAtype,
  kFtype,
  kLanes,
  kTime,
  kCapacity,
  kCount,
  kScreenline,
  kZone,
  kUse,
  kLocation,
  kLanduse,
  kConstruct,
  kCongTime,
  kModelvol,
  kCost,
  kTwflag,
};
inline constexpr std::array<std::string_view, kLinkKeywordCount> kLinkKeywordNames = {
    "ANODE",   "BNODE",     "DISTANCE",  "DIR",        "ATYPE", "FTYPE", "LANES",
    "TIME",    "CAPACITY",  "COUNT",     "SCREENLINE", "ZONE",  "USE",   "LOCATION",
    "LANDUSE", "CONSTRUCT", "CONG_TIME", "MODELVOL",   "COST",  "TWFLAG"};

}  // namespace korvo
