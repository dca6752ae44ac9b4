// "KVTARGET.SYN": the targets reader, then the validation statistics set up
// with what it read. What a sound file leaves must hold together: count
// groups ascending and apart (an open one only last), every target
// acceptable >= preferable >= 0, the GEH factor above 0 and its share within
// 0..100; a link with a group's lowest or highest count lands in that group.

#include <array>
#include <cstdint>
#include <memory>

#include "common/errors.h"
#include "evaluation/validation_stats.h"
#include "fuzz_support.h"
#include "input/targets_file.h"

using namespace korvo;

namespace {

void check_pair(const TargetPair& p, std::string_view what) {
  if (!p.set) return;
  fuzz::check(p.preferable >= 0 && p.acceptable >= p.preferable, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto targets = std::make_unique<Targets>();
  static auto stats = std::make_unique<ValidationStats>();
  static const auto classes = std::make_unique<ClassTables>();
  static const std::array<float, 100> no_screenlines{};
  TextReader in = TextReader::from_memory({reinterpret_cast<const char*>(data), size}, kTargetsFile);
  try {
    read_targets(in, *targets);
  } catch (const FileError& e) {
    fuzz::check_console_line(e.what());
    return 0;
  }

  const Targets& t = *targets;
  fuzz::check(t.group_count >= 0 && t.group_count <= kMaxTargetLines, "group count outside the table");
  for (int k = 0; k < t.group_count; ++k) {
    const CountGroup& g = t.groups[static_cast<std::size_t>(k)];
    fuzz::check(g.lo >= 0 && g.lo <= g.hi, "a group ends before it starts");
    fuzz::check(!g.open || k == t.group_count - 1, "an open group before the last");
    if (k > 0) fuzz::check(t.groups[static_cast<std::size_t>(k - 1)].hi < g.lo, "groups overlap or are out of order");
    check_pair(g.target, "a group's targets");
  }
  check_pair(t.area_rmse, "AREA RMSE targets");
  check_pair(t.area_vmt, "AREA VMT targets");
  for (int cls = 0; cls <= kMaxTargetClass + 1; ++cls) {
    check_pair(t.ft_target(cls), "FT targets");
    check_pair(t.at_target(cls), "AT targets");
  }
  fuzz::check(!t.geh || (t.hour_factor > 0 && t.geh_share >= 0 && t.geh_share <= 100), "GEH settings");

  stats->reset(t);
  StatsLink link;
  for (int k = 0; k < t.group_count; ++k) {
    const CountGroup& g = t.groups[static_cast<std::size_t>(k)];
    for (const std::int64_t count : {g.lo, g.open ? g.lo : g.hi}) {
      if (count <= 0) continue;
      const std::int64_t before = stats->count_group(k).n;
      ++link.record;
      link.count = static_cast<double>(count);
      link.volume = link.count;
      stats->add_link(link);
      fuzz::check(stats->count_group(k).n == before + 1, "a count at a group's edge missed the group");
    }
  }
  const auto rows = stats->finish(t, {no_screenlines, no_screenlines}, *classes);
  // areawide (2), the groups, GEH (1 or 3), mdd (1), the checks.
  const std::size_t expected = 2 + static_cast<std::size_t>(t.group_count) + (t.geh ? 3 : 1) + 1 + kDataCheckCount;
  fuzz::check(rows.size() == expected, "rows of KVSTATS.CSV");
  return 0;
}
