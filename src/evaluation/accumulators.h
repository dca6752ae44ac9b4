#pragma once
// The accumulators that the link loop fills and the reports complete and
// print: EVALSUMS, the level-of-service miles, the cost totals, the
// screenline totals and link lists, and the no-volume list.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvo {

// Measure slots of EVALSUMS, numbered 1..43 as the report documents them.
// "REF" is the count in a validation run and the capacity in an analysis
// run; VMT and VHT are vehicle miles and vehicle hours travelled.
enum class Slot : int {
  VMT_REFVOL = 1,
  VMT_REF = 2,
  VHT_REF = 3,
  VMT_ALL = 4,
  VHT_REFVOL = 5,
  TIME_SUM = 6,
  DELAY_VHT = 7,
  VMT_RATIO = 8,
  VHT_RATIO = 9,
  CONG_SPEED = 10,
  SYS_MILES = 11,
  DIR_MILES = 12,
  VOL_RATIO = 13,
  LINKS = 14,
  LINKS_REF = 15,
  VOL_REF = 16,
  REF_SUM = 17,
  AVG_VOL = 18,
  LINK_PCT = 19,
  AVG_LINK_LEN = 20,
  VOL_PCT = 21,
  VOL_ALL = 22,
  VHT_ALL = 23,
  LANE_MILES = 24,
  ACCIDENTS = 25,
  INJURIES = 26,
  FATALITIES = 27,
  CO_GRAMS = 28,
  HC_GRAMS = 29,
  NOX_GRAMS = 30,
  NEW_LANE_MILES = 31,
  CONSTR_COST = 32,
  FUEL_GAL = 33,
  ORIG_TIME_SUM = 34,
  ORIG_MILES = 35,
  ORIG_SPEED = 36,
  SPEED_CHANGE_PCT = 37,
  ORIG_VMT = 38,
  ORIG_VHT = 39,
  CONG_VHT = 40,
  LV_CONG_SPEED = 41,
  LV_FREE_SPEED = 42,
  LV_SPEED_CHANGE_PCT = 43,
};

inline constexpr int kSlotCount = 43;
// The slot's name as the enumerator spells it ("VMT_REFVOL"); "" outside 1..43.
constexpr std::string_view slot_name(Slot slot) {
  constexpr std::string_view kNames[] = {"",
                                         "VMT_REFVOL",
                                         "VMT_REF",
                                         "VHT_REF",
                                         "VMT_ALL",
                                         "VHT_REFVOL",
                                         "TIME_SUM",
                                         "DELAY_VHT",
                                         "VMT_RATIO",
                                         "VHT_RATIO",
                                         "CONG_SPEED",
                                         "SYS_MILES",
                                         "DIR_MILES",
                                         "VOL_RATIO",
                                         "LINKS",
                                         "LINKS_REF",
                                         "VOL_REF",
                                         "REF_SUM",
                                         "AVG_VOL",
                                         "LINK_PCT",
                                         "AVG_LINK_LEN",
                                         "VOL_PCT",
                                         "VOL_ALL",
                                         "VHT_ALL",
                                         "LANE_MILES",
                                         "ACCIDENTS",
                                         "INJURIES",
                                         "FATALITIES",
                                         "CO_GRAMS",
                                         "HC_GRAMS",
                                         "NOX_GRAMS",
                                         "NEW_LANE_MILES",
                                         "CONSTR_COST",
                                         "FUEL_GAL",
                                         "ORIG_TIME_SUM",
                                         "ORIG_MILES",
                                         "ORIG_SPEED",
                                         "SPEED_CHANGE_PCT",
                                         "ORIG_VMT",
                                         "ORIG_VHT",
                                         "CONG_VHT",
                                         "LV_CONG_SPEED",
                                         "LV_FREE_SPEED",
                                         "LV_SPEED_CHANGE_PCT"};
  const int n = static_cast<int>(slot);
  return n >= 1 && n <= kSlotCount ? kNames[n] : std::string_view{};
}
// The slot of a number 1..43, for loops over every slot.
constexpr Slot slot_number(int number) { return static_cast<Slot>(number); }
constexpr int number_of(Slot slot) { return static_cast<int>(slot); }
inline constexpr int kLaneClassCount = 10;  // lane classes 1..9 and the all-lanes class 10
inline constexpr std::size_t kWorkAreaCells = 1'000'000;
// The largest class count a run can reach: validation classes have three
// digits, so NFT is at most 1000 (999 and the Total class).
inline constexpr int kMaxClasses = 1000;

// EVALSUMS laid out in the work area: measure slot fastest, then
// facility-type class, area-type class and lane class; all 1-based. The 43
// slots of a class triple lie side by side, so the adds of one link touch a
// few cache lines at fixed offsets from its first cell; a slot's cells over
// all triples lie kSlotCount cells apart (slot_cells).
class EvalSums {
 public:
  EvalSums() = default;
  EvalSums(float* cells, int nft, int nat) : cells_(cells), nft_(nft), nat_(nat) {}

  int nft() const { return nft_; }
  int nat() const { return nat_; }
  float& at(int ftc, int atc, int lc, Slot slot) { return cells_[index(ftc, atc, lc, number_of(slot))]; }
  float at(int ftc, int atc, int lc, Slot slot) const { return cells_[index(ftc, atc, lc, number_of(slot))]; }
  // The cells of one slot, class triple (1,1,1) first, kSlotCount cells
  // apart: the slot's three-dimensional plane, facility-type class fastest.
  std::span<float> slot_cells(Slot slot) {
    const std::size_t first = index(1, 1, 1, number_of(slot));
    if (cells_used() <= first) return {};
    return {cells_ + first, cells_used() - first};
  }

  // The cells of one class triple, one per slot: the link loop finds them
  // once per link instead of once per add.
  class Column {
   public:
    explicit Column(float* first) : first_(first) {}
    float& operator[](Slot slot) const { return first_[number_of(slot) - 1]; }

   private:
    float* first_;
  };
  Column column(int ftc, int atc, int lc) { return Column(cells_ + index(ftc, atc, lc, 1)); }
  std::size_t cells_used() const {
    return static_cast<std::size_t>(nft_) * static_cast<std::size_t>(nat_) * kLaneClassCount * kSlotCount;
  }

 private:
  std::size_t index(int ftc, int atc, int lc, int slot) const {
    return static_cast<std::size_t>(slot - 1) +
           static_cast<std::size_t>(kSlotCount) *
               (static_cast<std::size_t>(ftc - 1) +
                static_cast<std::size_t>(nft_) * (static_cast<std::size_t>(atc - 1) +
                                                  static_cast<std::size_t>(nat_) * static_cast<std::size_t>(lc - 1)));
  }
  float* cells_ = nullptr;
  int nft_ = 0;
  int nat_ = 0;
};

inline constexpr int kLosLevels = 7;  // A..F and the total

// LOSMILES and LOSPCT: [facility-type class][level], both 1-based.
using LosTable = std::array<std::array<float, kLosLevels + 1>, kMaxClasses + 1>;

// Vehicle miles (volume x distance, double precision) at each level of
// service, by facility-type class: [class][level], levels 1..6 (A..F) and 7
// the total, both 1-based, over the links the level-of-service miles count.
using LosVmtTable = std::array<std::array<double, kLosLevels + 1>, kMaxClasses + 1>;

// Volume over a divisor (count or capacity) in bins of 0.1 from 0 to 2.0 and
// one bin "2.0 and above": links and their VMT (V x d). Links whose divisor
// is 0 or less are counted apart.
struct VcDistribution {
  static constexpr int kBins = 21;
  std::array<std::int64_t, kBins> links{};
  std::array<double, kBins> vmt{};
  std::int64_t no_divisor_links = 0;
  double no_divisor_vmt = 0;

  // The bin of a ratio: floor(10 x ratio) for 0 <= ratio < 2 (ratio 0.3 is
  // in bin 3, [0.3, 0.4)), 20 from 2 on, 0 below 0.
  static int bin(double ratio) {
    if (!(ratio > 0)) return 0;
    if (ratio >= 2.0) return kBins - 1;
    const int b = static_cast<int>(ratio * 10.0);
    return b < kBins - 2 ? b : kBins - 2;
  }
  void add(double volume, double divisor, double miles) {
    const double link_vmt = volume * miles;
    if (!(divisor > 0)) {
      ++no_divisor_links;
      no_divisor_vmt += link_vmt;
      return;
    }
    const auto b = static_cast<std::size_t>(bin(volume / divisor));
    ++links[b];
    vmt[b] += link_vmt;
  }
};

inline constexpr int kListedScreenlines = 98;  // screenlines with a link list
inline constexpr int kScreenlineListLimit = 200;
inline constexpr int kScreenline99Limit = 3000;
inline constexpr int kNoVolumeLimit = 5000;

// The entries of the screenlines' link lists have no member initialisers:
// an entry is written whole (from ScreenlineEntry{}) as its link is added,
// and only entries 1..count are read, so the lists (550 KB) are neither
// zeroed nor touched beyond the links a run has.
struct ScreenlineEntry {
  std::int32_t anode;
  std::int32_t bnode;
  float volume;       // SLLVOL
  float reference;    // SLLREF
  float ratio;        // SLLRATIO
  bool no_reference;  // SLLNOREF
  std::int16_t ft;    // FT code as coded
  std::int16_t at;    // area-type code as coded
};

struct Screenline99Entry {
  std::int32_t anode;
  std::int32_t bnode;
  float volume;
  float count;
  float ratio;
  std::int16_t ft;
  std::int16_t at;
};

struct ScreenlineTables {
  // Totals of screenlines 1..99 (index 0 unused).
  std::array<float, 100> volume{};     // SLVOL
  std::array<float, 100> reference{};  // SLREF
  std::array<float, 100> ratio{};      // SLRATIO
  // Link lists of screenlines 1..98 (index 0 unused), entries 1..200.
  std::array<std::int16_t, kListedScreenlines + 1> nlinks{};  // SLNLINKS
  std::array<std::array<ScreenlineEntry, kScreenlineListLimit + 1>, kListedScreenlines + 1> links;
  // The individual count links (screenline 99), entries 1..3000.
  std::int16_t sl99_count = 0;  // SL99N
  std::array<Screenline99Entry, kScreenline99Limit + 1> sl99;
};

struct NoVolumeList {
  std::int16_t count = 0;  // NOVOLN
  std::array<std::int32_t, kNoVolumeLimit + 1> anode{};
  std::array<std::int32_t, kNoVolumeLimit + 1> bnode{};
  bool limit_reported = false;
};

struct Accumulators {
  // Left uninitialized: the evaluation clears the cells a run lays EVALSUMS
  // out in (NFT x NAT x 430), so the rest of the 4 MB is never touched.
  std::array<float, kWorkAreaCells> work_area;
  EvalSums sums;
  // From here to the screenline tables what a second thread may add up while
  // the link loop reads the table's shape above (evaluation/sums_thread.h):
  // on cache lines apart.
  alignas(64) float accident_cost = 0;  // ACCIDENT_COST
  float user_cost = 0;                  // USER_COST
  float maint_cost = 0;                 // MAINT_COST
  LosTable los_miles{};                 // LOSMILES
  LosTable los_pct{};                   // LOSPCT
  // For the run's page: VMT by level of service and class (both run
  // types), and volume over capacity of every evaluated link (analysis runs).
  LosVmtTable los_vmt{};
  VcDistribution vc_capacity;
  // From here on what the link loop's own thread adds to.
  alignas(64) ScreenlineTables screenlines;
  NoVolumeList no_volume;
};

}  // namespace korvo
