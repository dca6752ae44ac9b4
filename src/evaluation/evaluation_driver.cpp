#include "evaluation/evaluation_driver.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/errors.h"
#include "common/layout.h"
#include "evaluation/aux_construction.h"
#include "evaluation/description_pages.h"
#include "evaluation/link_measures.h"
#include "evaluation/rates.h"
#include "input/database_control.h"
#include "input/dbf_reader.h"
#include "reports/evaluation_reports.h"
#include "run/loaded_network.h"
#include "run/run_context.h"

namespace korvo {
namespace {

// Binary header words of the volume weighting.
constexpr int kWeightWordBase = 22;    // words 23..32: weights of up to 10 periods
constexpr int kPlainSumWord = 24;      // below 100: plain sums when weighting is off
constexpr int kWeightTextStart = 345;  // 8-character weight fields of more than 10 periods
constexpr int kWeightFieldWidth = 8;
constexpr int kMaxWordWeights = 10;
constexpr float kWeightDivisor = 30000.0f;
constexpr std::int32_t kBadWeightField = -999999;

// Facility-type codes of local streets (centroid connectors), never evaluated.
constexpr int kFirstLocalCode = 50;
constexpr int kLastLocalCode = 59;
// The same, when the profile is missing and the fields are read swapped.
constexpr int kSwappedLocalCode = 5;

// Links below this volume go to the list of links with no assigned volume.
constexpr float kNoVolumeBelow = 2.0f;
constexpr int kTopLaneClass = 9;

// The ASCII loaded-network record: 11 fixed values, then the count and up to
// kMaxVolumeSlots slot volumes; every value is written, however many.
constexpr std::size_t kAsciiWideFields = 2 + 1 + kMaxVolumeSlots;  // 7-column fields
constexpr std::size_t kAsciiMaxValues = 9 + kAsciiWideFields;

template <std::size_t... I>
std::array<FieldValue, sizeof...(I)> zero_values(std::index_sequence<I...>) {
  return {((void)I, FieldValue(0))...};
}

// A weight field of the header text: read digit by digit, a blank counting
// as the digit 0, so "   12   " is 12000; any other character gives -999999.
std::int32_t weight_field(std::string_view field) {
  std::int32_t value = 0;
  for (char c : field) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c != ' ') {
      return kBadWeightField;
    }
    value = value * 10 + digit;
  }
  return value;
}

std::string header_word_error(const RunContext& ctx, int word, std::string_view meaning, int low, int high, int found) {
  return input_error_line(
      ctx.binary.stream.name(), "record 1", "header word " + std::to_string(word) + ", " + std::string(meaning),
      "expected " + std::to_string(low) + " to " + std::to_string(high) + ", found " + std::to_string(found));
}

// The binary path's periods and volume slots. The header read keeps both
// within the link record's tables, but a network may announce no period at
// all: it then has neither volumes nor a congested time to evaluate.
void set_evaluation_slots(RunContext& ctx) {
  set_binary_slot_counts(ctx.binary.header, ctx.link);
  const int periods = ctx.link.time_slot_count;
  const int slots = ctx.link.volume_slot_count;
  if (periods < 1 || periods > kMaxPeriods) {
    throw InputError(header_word_error(ctx, header_word::kPeriods, "periods per link entry", 1, kMaxPeriods, periods));
  }
  if (slots < 0 || slots > kMaxVolumeSlots) {
    throw InputError(header_word_error(ctx, header_word::kSlots, "volume slots per period", 0, kMaxVolumeSlots, slots));
  }
}

// dBASE path: the field aliases, the header and the keyword fields. False
// when a keyword field is missing (the reader has listed each one).
bool prepare_dbf_source(RunContext& ctx) {
  load_database_control(ctx.work, ctx.dbf.map);
  read_link_file_header(ctx.dbf, &ctx.report);
  ctx.link.time_slot_count = 1;
  ctx.link.volume_slot_count = 1;
  prepare_link_fields(ctx.dbf, ctx.report);
  return ctx.dbf.missing_field_count == 0;
}

void write_ascii_record(RunContext& ctx, const LinkValues& v) {
  static const Layout kRecord = Layout::parse("(2I6,4I3,3I5," + std::to_string(kAsciiWideFields) + "I7)");
  std::array<FieldValue, kAsciiMaxValues> values = zero_values(std::make_index_sequence<kAsciiMaxValues>{});
  const LinkRecord& link = ctx.link;
  std::size_t n = 0;
  values[n++] = link.anode;
  values[n++] = link.bnode;
  values[n++] = v.ft_code;
  values[n++] = link.area_type;
  values[n++] = v.lanes_value;
  values[n++] = link.location;
  values[n++] = link.distance;
  values[n++] = link.time;
  values[n++] = link.period_times[static_cast<std::size_t>(link.time_slot_count)];
  values[n++] = round_half_up(v.vol);
  values[n++] = round_half_up(v.cap);
  if (ctx.settings.use_counts) values[n++] = link.count;
  if (link.volume_slot_count != 1) {
    const int slots = std::clamp<int>(link.volume_slot_count, 0, kMaxVolumeSlots);
    for (int s = 1; s <= slots; ++s) {
      values[n++] = ctx.eval.slot_volume_rounded[static_cast<std::size_t>(s)];
    }
  }
  ctx.ascii_out.write(kRecord, std::span<const FieldValue>(values.data(), n));
}

// An unclassified link goes to "KVSKIP.LNK", which the first one creates.
void list_skipped_link(RunContext& ctx, const LinkValues& v) {
  static const Layout kLine = Layout::parse("(2I7,2I4)");
  if (!ctx.skip_list.is_open()) {
    ctx.skip_list.create(ctx.work.path(kSkipFile), kSkipFile);
    ctx.skip_list.write_record(" LIST IS SKIPPED LINKS:");
    ctx.skip_list.write_record("");
    ctx.skip_list.write_record("  ANODE  BNODE  FT  AT");
    ctx.skip_list.write_record("");
  }
  ctx.skip_list.write(kLine, {ctx.link.anode, ctx.link.bnode, v.ft_code, ctx.link.area_type});
  ++ctx.eval.nskipped;
}

// Links with almost no volume; the first direction stands for a two-way pair.
void note_no_volume(RunContext& ctx, float vol) {
  static const Layout kFatal = Layout::parse(
      "(T2,'******** FATAL ******** THERE ARE MORE THAN',I5,"
      "' LINKS WITH NO ASSIGNED VOLUME (THAT IS A LIMIT PLACED BY THE PROGRAM).')");
  const LinkRecord& link = ctx.link;
  if (!(vol < kNoVolumeBelow) || (link.two_way && !(link.anode < link.bnode))) return;
  NoVolumeList& list = ctx.acc.no_volume;
  if (list.count < kNoVolumeLimit) {
    ++list.count;
    list.anode[static_cast<std::size_t>(list.count)] = link.anode;
    list.bnode[static_cast<std::size_t>(list.count)] = link.bnode;
  } else if (!list.limit_reported) {
    ctx.report.write(kFatal, {kNoVolumeLimit});
    list.limit_reported = true;
  }
}

// The lanes value, doubled for a two-way link, as a lane class 1..9: no
// lanes (or a negative number, which no network means) and more than nine
// fall into the class "9+".
int lane_class(int lanes_value, bool two_way) {
  const int lanes = two_way ? 2 * lanes_value : lanes_value;
  return lanes < 1 || lanes > kTopLaneClass ? kTopLaneClass : lanes;
}

}  // namespace

void reset_accumulators(RunContext& ctx) {
  Accumulators& acc = ctx.acc;
  acc.sums = EvalSums(acc.work_area.data(), ctx.classes.nft, ctx.classes.nat);
  if (ctx.classes.nft < 1 || ctx.classes.nat < 1 || acc.sums.cells_used() > kWorkAreaCells) {
    throw std::logic_error("reset_accumulators: the accumulator table does not fit the work area");
  }
  std::fill_n(acc.work_area.begin(), acc.sums.cells_used(), 0.0f);
  acc.accident_cost = 0;
  acc.user_cost = 0;
  acc.maint_cost = 0;
  for (auto& row : acc.los_miles) row.fill(0.0f);
  for (auto& row : acc.los_pct) row.fill(0.0f);
  ScreenlineTables& sl = acc.screenlines;
  sl.volume.fill(0.0f);
  sl.reference.fill(0.0f);
  sl.ratio.fill(0.0f);
  sl.nlinks.fill(0);
  for (auto& list : sl.links) list.fill(ScreenlineEntry{});
  sl.sl99_count = 0;
  sl.sl99.fill(Screenline99Entry{});
  acc.no_volume.count = 0;
  acc.no_volume.anode.fill(0);
  acc.no_volume.bnode.fill(0);
  acc.no_volume.limit_reported = false;
}

void set_volume_weights(RunContext& ctx) {
  EvaluationState& e = ctx.eval;
  const int periods = ctx.link.time_slot_count;
  e.volume_weights.fill(0.0f);
  const BinaryHeader& h = ctx.binary.header;
  e.weighting = !ctx.settings.dbf_input_given && (h.word(header_word::kWeighting) & 1) != 0;
  e.plain_sum = !ctx.settings.dbf_input_given && !e.weighting && h.word(kPlainSumWord) < 100;
  for (int i = 1; i <= periods && i <= kMaxPeriods; ++i) {
    float weight = 1.0f / static_cast<float>(periods);
    if (e.weighting) {
      const std::int32_t number = periods <= kMaxWordWeights
                                      ? h.word(kWeightWordBase + i)
                                      : weight_field(h.chars(kWeightTextStart + kWeightFieldWidth * (i - 1),
                                                             kWeightTextStart + kWeightFieldWidth * i - 1));
      weight = static_cast<float>(number) / kWeightDivisor;
    }
    e.volume_weights[static_cast<std::size_t>(i)] = weight;
  }
}

float link_volume(RunContext& ctx) {
  const LinkRecord& link = ctx.link;
  EvaluationState& e = ctx.eval;
  if (ctx.settings.dbf_input_given) return static_cast<float>(link.volume(1, 1));
  const int periods = std::min<int>(link.time_slot_count, kMaxPeriods);
  const int slots = std::clamp<int>(link.volume_slot_count, 0, kMaxVolumeSlots);
  // Slots beyond the profile's volume_slots keep their slot volume (the ASCII
  // record lists them) but add nothing to the link volume.
  const int summed = std::clamp<int>(ctx.settings.volume_slots, 0, slots);
  if (e.plain_sum) {
    std::int64_t total = 0;
    for (int s = 1; s <= slots; ++s) {
      std::int64_t slot_total = 0;
      for (int p = 1; p <= periods; ++p) slot_total += link.volume(p, s);
      e.slot_volume[static_cast<std::size_t>(s)] = static_cast<float>(slot_total);
      e.slot_volume_rounded[static_cast<std::size_t>(s)] = static_cast<std::int32_t>(slot_total);
      if (s <= summed) total += slot_total;
    }
    return static_cast<float>(total);
  }
  float vol = 0.0f;
  for (int s = 1; s <= slots; ++s) {
    float slot_volume = 0.0f;
    for (int p = 1; p <= periods; ++p) {
      slot_volume += static_cast<float>(link.volume(p, s)) * e.volume_weights[static_cast<std::size_t>(p)];
    }
    e.slot_volume[static_cast<std::size_t>(s)] = slot_volume;
    e.slot_volume_rounded[static_cast<std::size_t>(s)] = static_cast<std::int32_t>(round_half_up(slot_volume));
    if (s <= summed) vol += slot_volume;
  }
  return vol;
}

void process_link(RunContext& ctx) {
  LinkRecord& link = ctx.link;
  const RunSettings& settings = ctx.settings;
  if (link.time_slot_count < 1 || link.time_slot_count > kMaxPeriods) {
    throw std::logic_error("process_link: time_slot_count outside 1.." + std::to_string(kMaxPeriods));
  }
  const auto congested = static_cast<std::size_t>(link.time_slot_count);
  if (settings.gencost) {
    link.period_times[congested] = link.time;
    link.time = link.time2;
  }
  if (!settings.dbf_input_given) merge_aux_attributes(ctx);

  LinkValues v;
  v.vol = link_volume(ctx);
  v.cap = static_cast<float>(link.capacity);
  // Without a profile the network is taken for one that has the
  // facility-type and lanes fields in each other's place.
  if (settings.profile_seen) {
    v.ft_code = link.facility_type;
    v.lanes_value = link.lanes;
  } else {
    v.ft_code = link.lanes;
    v.lanes_value = link.facility_type;
  }
  if (settings.ascii_output) write_ascii_record(ctx, v);

  if (settings.profile_seen ? (v.ft_code >= kFirstLocalCode && v.ft_code <= kLastLocalCode)
                            : v.ft_code == kSwappedLocalCode) {
    return;
  }
  v.ftc = ctx.classes.ft_class(v.ft_code);
  v.atc = ctx.classes.at_class(link.area_type);
  if (settings.location_select > 0 && link.location != settings.location_select) return;
  // Class 0 means "not selected"; the Total classes and anything beyond
  // them (a validation run without labels maps codes from 10 up that way)
  // have no cells of their own.
  if (v.ftc < 1 || v.ftc >= ctx.classes.nft || v.atc < 1 || v.atc >= ctx.classes.nat) {
    list_skipped_link(ctx, v);
    return;
  }

  v.dist = static_cast<float>(link.distance) * 0.01f;
  v.time = static_cast<float>(link.period_times[congested]) * 0.01f;
  v.cnt = static_cast<float>(link.count);
  v.otime = static_cast<float>(link.time) * 0.01f;
  note_no_volume(ctx, v.vol);
  v.w = link.two_way ? 0.5f : 1.0f;
  v.lane_class = lane_class(v.lanes_value, link.two_way);
  if (v.time == 0.0f && link.cost == 0) return;
  evaluate_link(ctx, v);
}

bool prepare_evaluation(RunContext& ctx) {
  RunSettings& settings = ctx.settings;
  ctx.eval = EvaluationState{};
  reset_accumulators(ctx);
  if (settings.dbf_input_given) {
    if (!prepare_dbf_source(ctx)) return false;
  } else {
    set_evaluation_slots(ctx);
  }
  TextReader rates = TextReader::open_file(ctx.work.path(kRatesFile), kRatesFile);
  // On the dBASE path no auxiliary source is consulted unless the profile
  // names an auxiliary dBASE file.
  if (settings.aux_dbf_given || !settings.dbf_input_given) prepare_aux_source(ctx);
  set_volume_weights(ctx);
  if (ctx.work.exists(kSkipFile)) ctx.work.remove(kSkipFile);
  if (!settings.aux_dbf_given && !settings.dbf_input_given) open_aux_construction_file(ctx);
  read_rate_tables(rates, ctx.rates);
  rates.close();

  if (settings.validate_mode) {
    ctx.eval.run_type = kValidationRun;
  } else {
    ctx.eval.run_type = kAnalysisRun;
    ctx.classes.ft_class_map = ctx.classes.ft_analysis_map;
    ctx.classes.at_class_map = ctx.classes.at_analysis_map;
  }
  write_description_pages(ctx.report, ctx.stamp, ctx.eval.run_type == kValidationRun ? "VALIDATE" : "ANALYSIS");
  if (!settings.validate_mode) write_rate_pages(ctx);
  if (settings.aux_dbf_given) start_aux_merge(ctx);
  ctx.link.end_of_links = false;
  return true;
}

void run_link_loop(RunContext& ctx) {
  const bool dbf = ctx.settings.dbf_input_given;
  for (;;) {
    if (dbf) {
      read_next_dbf_link(ctx.dbf, ctx.link);
    } else {
      read_binary_link(ctx);
    }
    if (ctx.link.end_of_links) break;
    process_link(ctx);
  }
}

void finish_evaluation(RunContext& ctx) {
  static const Layout kSkipped =
      Layout::parse("(' ***INFO***',I5,' LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"')");
  if (ctx.settings.ascii_output) {
    ctx.ascii_out.close();
    if (ctx.work.exists(kScreenlineFile)) ctx.work.remove(kScreenlineFile);
    ctx.ascii_out.create(ctx.work.path(kScreenlineFile), kScreenlineFile);
  }
  if (ctx.eval.nskipped > 0) {
    ctx.skip_list.close();
    StringSink line;
    write_record(line, kSkipped, {ctx.eval.nskipped});
    ctx.console.line(line.records.front());
    ctx.console.line("                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED");
  }

  // Level-of-service totals: the Total class sums the classes, level 7 the
  // levels A..F.
  const auto nft = static_cast<std::size_t>(std::clamp(ctx.classes.nft, 1, kMaxClasses));
  LosTable& los = ctx.acc.los_miles;
  for (std::size_t level = 1; level <= kLosLevels; ++level) {
    float total = 0.0f;
    for (std::size_t c = 1; c < nft; ++c) total += los[c][level];
    los[nft][level] = total;
  }
  for (std::size_t c = 1; c <= nft; ++c) {
    float total = 0.0f;
    for (std::size_t level = 1; level < kLosLevels; ++level) total += los[c][level];
    los[c][kLosLevels] = total;
  }

  if (ctx.eval.cost_table_zeroed) {
    EvalSums& sums = ctx.acc.sums;
    for (int lc = 1; lc <= kLaneClassCount; ++lc) {
      for (int atc = 1; atc <= sums.nat(); ++atc) {
        for (int ftc = 1; ftc <= sums.nft(); ++ftc) sums.at(ftc, atc, lc, CONSTR_COST) = 0.0f;
      }
    }
  }
}

void evaluate_network(RunContext& ctx) {
  if (!prepare_evaluation(ctx)) return;
  run_link_loop(ctx);
  finish_evaluation(ctx);
  write_evaluation_reports(ctx);
}

}  // namespace korvo
