#pragma once
// The evaluation's state for one run, and the interface through which it
// reports the rare events of the link loop.
//
// The evaluation turns link records into measures: the link's volume from
// its period and slot volumes, its classes, the selections, and the sums of
// EVALSUMS, the level-of-service miles, the cost totals, the screenline
// tables and the no-volume list; after the last link it completes the
// tables. It touches no file: the lines that the link loop writes to the
// report, to "KVSKIP.LNK" or to the console go through EvaluationEvents, at
// the moment they occur.

#include <array>
#include <cstdint>

#include "evaluation/accumulators.h"
#include "evaluation/aux_merge.h"
#include "evaluation/class_tables.h"
#include "input/link_record.h"
#include "input/rates.h"
#include "input/run_type.h"

namespace korvo {

// What the link loop reports as it happens. Each call is rare: a list that
// is full, a link without a class, a code that does not fit.
class EvaluationEvents {
 public:
  // A screenline link list is full (limit 200, or 3000 for screenline 99);
  // the link replaces its last entry.
  virtual void screenline_list_full(int limit) = 0;
  // The no-volume list is full (5000); said once.
  virtual void no_volume_list_full(int limit) = 0;
  // The second direction of a two-way link on screenline `screenline` finds
  // no entry of its first direction.
  virtual void screenline_not_the_same(std::int32_t anode, std::int32_t bnode, int screenline) = 0;
  // A link whose facility-type or area-type code has no class.
  virtual void link_skipped(const LinkRecord& link, int ft_code) = 0;
  // The first construction code of 11 or more: the construction cost will be
  // zeroed.
  virtual void construction_code_inconsistent() = 0;
  // An entry of the auxiliary link table that no link of the network has.
  virtual void aux_link_not_found(std::int32_t anode, std::int32_t bnode) = 0;
  // The auxiliary network file is out of step with the network: the record
  // of link anode-bnode names from-to. The run stops after it.
  virtual void aux_network_mismatch(std::int32_t anode, std::int32_t bnode, std::int32_t from, std::int32_t to) = 0;

 protected:
  ~EvaluationEvents() = default;
};

// What became of the links read: evaluated, or which test passed them by.
struct LinkCounts {
  std::int64_t read = 0;
  std::int64_t passed_over = 0;   // local streets (facility types 50-59)
  std::int64_t deselected = 0;    // outside the profile's location selection
  std::int64_t unclassified = 0;  // no class for the facility or area type
  std::int64_t no_time = 0;       // neither a congested time nor a cost
  std::int64_t evaluated = 0;
};

// The driver's per-run values of the evaluation.
struct EvaluationState {
  RunType run_type = RunType::kValidation;
  // Binary path: header word 54 odd turns weighting on; without weighting and
  // with header word 24 below 100, link volumes are plain whole-number sums.
  bool weighting = false;
  bool plain_sum = false;
  // Weight of each period 1..kMaxPeriods (index 0 unused).
  std::array<float, kMaxPeriods + 1> volume_weights{};
  // Volume of each slot of the current link, and the same rounded. Only the
  // ASCII link record lists them: with slot_volumes off, a network of plain
  // sums and one period leaves them as they are.
  std::array<float, kMaxVolumeSlots + 1> slot_volume{};
  std::array<std::int32_t, kMaxVolumeSlots + 1> slot_volume_rounded{};
  bool slot_volumes = true;
  // Set by plan_link_volume for a network of one period and plain sums whose
  // slot volumes are not kept: the number of slots that make a link's
  // volume. -1 (the default) leaves every link to link_volume.
  std::int32_t plain_summed_slots = -1;
  std::int32_t nskipped = 0;  // NSKIPPED: links of unclassified types
  LinkCounts counts;
  // Set by the first link with a construction code of 11 or more; the
  // construction cost is cleared after the loop.
  bool cost_table_zeroed = false;
};

// Everything the evaluation keeps for a run. The accumulators take several
// megabytes: the run context holds one on the heap.
struct Evaluation {
  ClassTables classes;
  RateTables rates;
  Accumulators acc;
  EvaluationState state;
  AuxMergeState aux_merge;
  EvaluationEvents* events = nullptr;  // set by the program driver before the first link
};

}  // namespace korvo
