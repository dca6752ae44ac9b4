#pragma once
// "KVTARGET.SYN" (optional): the targets a validation run's statistics are
// judged against. Text, one target a line, fields separated by blanks (or
// tabs); "#" starts a comment, blank lines are ignored. Keywords in upper or
// lower case:
//
//   RMSE lo hi acc pref    %RMSE of the counts lo..hi ("-" for hi: no upper end)
//   AREA RMSE acc pref     %RMSE of all counted links
//   AREA VMT acc pref      VMT ratio of all counted links, within +-acc / +-pref %
//   FT class acc pref      VMT ratio of a facility-type class (1..999)
//   AT class acc pref      VMT ratio of an area-type class (1..999)
//   GEH hourfactor share   GEH of h x V against h x C; share (%) of links below 5
//
//   # a stricter freeway target; every other FT class then has none
//   FT 1 5 3
//
// Targets are percentages, acceptable first: acc >= pref. A kind the file
// gives (RMSE, AREA RMSE, AREA VMT, FT, AT, GEH) replaces every default of
// that kind; the kinds it does not give keep theirs. Without the file, or
// without a GEH line, no GEH is computed: the defaults are for daily counts.
//
// Everything is held in fixed tables: at most kMaxTargetLines lines of each
// kind, classes 1..kMaxTargetClass.

#include <array>
#include <cstdint>

#include "common/text_file.h"

namespace korvo {

inline constexpr const char* kTargetsFile = "KVTARGET.SYN";
inline constexpr int kMaxTargetLines = 64;
inline constexpr int kMaxTargetClass = 999;

// An acceptable and a preferable target in percent; `set` false: no target.
struct TargetPair {
  bool set = false;
  double acceptable = 0;
  double preferable = 0;
};

// A count group of the %RMSE targets: counts lo..hi, both included.
struct CountGroup {
  std::int64_t lo = 0;
  std::int64_t hi = 0;
  bool open = false;  // no upper end; hi is then the largest int64
  TargetPair target;
};

struct Targets {
  // Ascending by lo, not overlapping; an open group can only be the last.
  std::array<CountGroup, kMaxTargetLines> groups{};
  int group_count = 0;
  TargetPair area_rmse;
  TargetPair area_vmt;
  // By class 1..999; index 0 unused.
  std::array<TargetPair, kMaxTargetClass + 1> ft{};
  std::array<TargetPair, kMaxTargetClass + 1> at{};
  // GEH is computed only with an hour factor (above 0).
  bool geh = false;
  double hour_factor = 0;
  double geh_share = 85;  // % of counted links that should have a GEH below 5

  // The target of a class; none outside 1..999.
  const TargetPair& ft_target(int cls) const { return class_target(ft, cls); }
  const TargetPair& at_target(int cls) const { return class_target(at, cls); }

 private:
  static const TargetPair& class_target(const std::array<TargetPair, kMaxTargetClass + 1>& table, int cls) {
    static constexpr TargetPair kNone{};
    return cls >= 1 && cls <= kMaxTargetClass ? table[static_cast<std::size_t>(cls)] : kNone;
  }
};

// The defaults (acceptable / preferable, %):
//   %RMSE by count group: 0-4999 100/45, 5000-9999 45/35, 10000-14999 35/27,
//     15000-19999 30/25, 20000-29999 27/15, 30000-49999 25/15,
//     50000-59999 20/10, 60000 and above 19/10; areawide 45/35;
//   VMT ratio: areawide 5/2; FT classes 1, 8, 9: 7/6; 2, 3: 15/10; 4, 6: 25/20;
//     other FT classes none; every AT class 25/15;
//   GEH: not computed (share target 85 once a file gives an hour factor).
void set_default_targets(Targets& targets);

// Sets the defaults, then reads the file from `in` over them. Throws
// FileError naming the file, the line, the field, what was expected and
// what was found:
//   " KVTARGET.SYN, line 4 (RMSE hi): expected a whole number or "-", found "5k""
void read_targets(TextReader& in, Targets& targets);

}  // namespace korvo
