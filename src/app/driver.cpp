#include "app/driver.h"

#include <optional>
#include <string>
#include <vector>

#include "app/dbf_prompt.h"
#include "app/run_page_file.h"
#include "common/errors.h"
#include "common/fixed_read.h"
#include "evaluation/link_evaluation.h"
#include "evaluation/sums_thread.h"
#include "evaluation/table_completion.h"
#include "input/control_file.h"
#include "input/database_control.h"
#include "input/dbf_read_ahead.h"
#include "input/labels_file.h"
#include "input/rates.h"
#include "input/targets_file.h"
#include "reports/dbf_listing.h"
#include "reports/description_pages.h"
#include "reports/evaluation_reports.h"
#include "reports/labels_listing.h"
#include "reports/rate_pages.h"
#include "reports/run_page.h"
#include "reports/stats_csv.h"
#include "reports/tables_csv.h"
#include "reports/two_way_file.h"

namespace korvo {
namespace {

constexpr std::int64_t kCellsPerClassPair = kLaneClassCount * kSlotCount;  // 430

// ---- Start-up ---------------------------------------------------------------

// A new, empty report file; an old one is deleted first.
void create_report(RunContext& ctx) {
  if (ctx.work.exists(kReportFile)) ctx.work.remove(kReportFile);
  ctx.report.create(ctx.work.path(kReportFile), kReportFile);
}

// The output-file code of the suite control file, when it has one, as the
// extension of name ("HRLDXY.XXX" becomes "HRLDXY.05A").
FixedText<32> with_suite_extension(const RunContext& ctx, std::string_view name) {
  FixedText<32> file(name);
  if (ctx.work.exists(kControlFile)) {
    TextReader control = TextReader::open_file(ctx.work.path(kControlFile), kControlFile);
    FixedText<3> code;
    // A control file without an output key leaves the placeholder extension.
    if (read_file_code(control, false, code)) apply_file_code(file, code);
  }
  return file;
}

// The dBASE link file must exist; its name gives the scenario code
// (LOADED05A.DBF gives 05A).
void open_dbf_link_file(RunContext& ctx) {
  const FixedText<80>& name = ctx.settings.dbf_file_name;
  const std::string file(trim_right(name.view()));
  if (!ctx.work.exists(file)) {
    ctx.console.line(" ***CRITICAL*** INPUT DBF FILE NOT FOUND >" + name.str());
    throw RunStop(kAbnormalCompletion);
  }
  ctx.dbf.stream = ByteStream::open_file(ctx.work.path(file), file);
  ctx.report.scenario_code() = scenario_code_from_dbf_name(name);
}

// The binary loaded-network file "HRLDXY.XXX" with the scenario's
// output-file code as its extension; its header gives the title lines and
// the header variant.
void open_binary_network(RunContext& ctx) {
  const FixedText<32> name = with_suite_extension(ctx, "HRLDXY.XXX");
  const std::string file(trim_right(name.view()));
  // A profile whose keywords start in column 1 names no dBASE file either:
  // say so before the missing network's line.
  if (!ctx.work.exists(file)) ctx.console.line(kNoDbfNamedLine);
  BinaryNetwork& binary = ctx.binary;
  binary.stream = ByteStream::open_file(ctx.work.path(file), file);
  binary.records = FortranRecordReader(&binary.stream);
  read_binary_header(binary);
  set_binary_slot_counts(binary.header, ctx.link);
  TitleLines& titles = ctx.report.titles();
  titles.line1.assign(binary.header.chars(105, 184));
  titles.line2.assign(binary.header.chars(185, 264));
  titles.line3.assign(binary.header.chars(265, 344));
  ctx.report.agency_header = (binary.header.word(53) & 1) != 0;
  if (ctx.settings.volume_slots == 0) ctx.settings.volume_slots = binary.header.word(header_word::kSlots);
  const std::size_t dot = name.view().substr(0, 29).find('.');
  ctx.report.scenario_code().assign(dot == std::string_view::npos ? std::string_view("XXX")
                                                                  : name.view().substr(dot + 1, 3));
}

// The title lines of every later page.
void set_title_lines(RunContext& ctx, bool title_given) {
  TitleLines& titles = ctx.report.titles();
  if (ctx.work.exists(kTitleFile)) {
    TextReader title = TextReader::open_file(ctx.work.path(kTitleFile), kTitleFile);
    std::string_view record;
    // An empty TITLE file gives a blank title.
    titles.line2.assign(title.next(record) ? columns(record, 1, 80) : std::string_view{});
  } else {
    titles.line2 = titles.line1;
  }
  titles.line1.clear();
  if (!title_given) titles.line3.clear();
}

// ---- The evaluation's preparation -------------------------------------------

FileError header_word_error(const RunContext& ctx, int word, std::string_view meaning, int low, int high, int found) {
  return FileError(ctx.binary.stream.name(), FilePlace::at_record(1),
                   "header word " + std::to_string(word) + ", " + std::string(meaning),
                   std::to_string(low) + " to " + std::to_string(high), FileError::Found::words(std::to_string(found)));
}

// The binary path's periods and volume slots. The header read keeps both
// within the link record's tables, but a network may announce no period at
// all: it then has neither volumes nor a congested time to evaluate.
void set_evaluation_slots(RunContext& ctx) {
  set_binary_slot_counts(ctx.binary.header, ctx.link);
  const int periods = ctx.link.time_slot_count;
  const int slots = ctx.link.volume_slot_count;
  if (periods < 1 || periods > kMaxPeriods) {
    throw header_word_error(ctx, header_word::kPeriods, "periods per link entry", 1, kMaxPeriods, periods);
  }
  if (slots < 0 || slots > kMaxVolumeSlots) {
    throw header_word_error(ctx, header_word::kSlots, "volume slots per period", 0, kMaxVolumeSlots, slots);
  }
}

// dBASE path: the field aliases, the header and the keyword fields. False
// when a keyword field is missing (the listing names each one).
bool prepare_dbf_source(RunContext& ctx) {
  ctx.dbf.map = LinkFieldMap{};
  if (ctx.work.exists(kDatabaseControlFile)) {
    TextReader control = TextReader::open_file(ctx.work.path(kDatabaseControlFile), kDatabaseControlFile);
    read_database_control(control, ctx.dbf.map);
  }
  DbfHeaderListing listing(ctx.report);
  read_link_file_header(ctx.dbf, &listing);
  ctx.link.time_slot_count = 1;
  ctx.link.volume_slot_count = 1;
  prepare_link_fields(ctx.dbf, &listing);
  return ctx.dbf.missing_field_count == 0;
}

void evaluate_network(RunContext& ctx) {
  if (!prepare_evaluation(ctx)) {
    ctx.console.line(" ***WARNING*** NO LINK EVALUATED: THE DBF FILE LACKS " +
                     std::to_string(ctx.dbf.missing_field_count) + " KEYWORD FIELD(S), LISTED IN KORVO.OUT");
    return;
  }
  run_link_loop(ctx);
  finish_evaluation(ctx);
  write_evaluation_reports(ctx.report, ctx.side_files, ctx.eval, ctx.settings.analysis_mode, ctx.settings.ascii_output);
  ctx.evaluated = true;
  finish_statistics(ctx);
}

// ---- The machine-readable outputs ---------------------------------------------

// Writes one CSV file of the working directory through write_rows; an old
// file of the name is replaced.
template <typename WriteRows>
void write_csv_file(RunContext& ctx, const char* name, WriteRows write_rows) {
  if (ctx.work.exists(name)) ctx.work.remove(name);
  TextWriter out;
  out.create(ctx.work.path(name), name);
  write_rows(out);
  out.close();
}

// After the report and the side files are closed: KVLINKS.CSV, written in
// the link loop, is closed, and the other CSV files of a run whose links
// were evaluated are written. A file that cannot be written stops the run
// (WriteError) with the report complete on disk.
void write_csv_outputs(RunContext& ctx) {
  ctx.links_csv.finish();
  if (!ctx.evaluated || !ctx.settings.csv_output) return;
  const bool analysis = ctx.settings.analysis_mode;
  write_csv_file(ctx, kTablesCsvFile, [&ctx, analysis](RecordSink& out) { write_tables_csv(out, ctx.eval, analysis); });
  if (!analysis) {
    write_csv_file(ctx, kStatsCsvFile, [&ctx](RecordSink& out) { write_stats_csv(out, ctx.stats_rows); });
  }
}

// The place and the text of a labels record of neither kind, in the style of
// a file error's line.
std::string unknown_labels_kind_line(std::string_view file, std::int64_t line, const LabelsText& text) {
  const std::string_view record = trim_right(text.view());
  const FileError::Found found =
      record.empty() ? FileError::Found::words("a blank line") : FileError::Found::file_text(record);
  return FileError(std::string(file), FilePlace::at_line(line), "columns 7-8", R"("FT" or "AT")", found).console_line();
}

// ---- The whole run and its end ---------------------------------------------

void run_steps(RunContext& ctx) {
  create_report(ctx);
  ctx.report.titles() = TitleLines{};
  ctx.settings = RunSettings{};

  if (!ctx.work.exists(kProfileFile)) {
    throw FileError(kProfileFile, FilePlace{}, "", "not found: the run needs its profile in the working directory");
  }
  TextReader profile = TextReader::open_file(ctx.work.path(kProfileFile), kProfileFile);
  read_profile_pass1(profile, ctx.settings, [&ctx] { ctx.side_files.create_ascii_network(); });
  profile.rewind();
  prepare_statistics(ctx);

  if (ctx.settings.dbf_input_given) {
    open_dbf_link_file(ctx);
  } else {
    open_binary_network(ctx);
  }
  ctx.report.stamp() = make_run_stamp(ctx.clock());
  prepare_labels_and_selection(ctx);

  FixedText<80> title3 = ctx.report.titles().line3;
  const bool title_given = read_profile_pass2(profile, ctx.settings, title3);
  profile.close();
  if (title_given) ctx.report.titles().line3 = title3;
  set_title_lines(ctx, title_given);

  check_memory(ctx);
  evaluate_network(ctx);
  if (ctx.settings.ascii_output && ctx.settings.two_way_output) make_two_way_file(ctx);
}

void close_outputs(RunContext& ctx) {
  ctx.side_files.close();
  ctx.report.close();
}

// After an error: keep what was written, whatever else fails now.
void close_outputs_quietly(RunContext& ctx) {
  ctx.side_files.close_quietly();
  try {
    ctx.report.close();
  } catch (const FileStop&) {
    // The error being reported is the first one.
  }
}

}  // namespace

// ---- The steps ---------------------------------------------------------------

std::int64_t accumulator_cells(std::int32_t nft, std::int32_t nat) {
  return kCellsPerClassPair * static_cast<std::int64_t>(nft) * static_cast<std::int64_t>(nat);
}

// The accumulator table must fit the fixed work area.
void check_memory(RunContext& ctx) {
  static constexpr auto kRequirement = "(' DATA ARRAY MEMORY REQUIREMENT --',I8,' BYTES')"_layout;
  static constexpr auto kMaximum = "(' Requirement exceeds maximum of',I8,' bytes')"_layout;
  const ClassTables& classes = ctx.eval.classes;
  const std::int64_t cells = accumulator_cells(classes.nft, classes.nat);
  ctx.console.line(render_line(kRequirement, 4 * cells));
  if (cells > static_cast<std::int64_t>(kWorkAreaCells)) {
    ctx.console.line(render_line(kMaximum, static_cast<std::int64_t>(4 * kWorkAreaCells)));
    throw RunStop(kAbnormalCompletion);
  }
  Accumulators& acc = ctx.eval.acc;
  acc.sums = EvalSums(acc.work_area.data(), classes.nft, classes.nat);
}

FixedText<3> scenario_code_from_dbf_name(const FixedText<80>& name) {
  for (std::size_t p = 1; p <= 77; ++p) {
    if (name[p - 1] != '.') continue;
    // A name with fewer than three characters before its "." keeps "YYA".
    if (p >= 4) return FixedText<3>(name.view().substr(p - 4, 3));
    break;
  }
  return FixedText<3>("YYA");
}

void prepare_labels_and_selection(RunContext& ctx) {
  ClassTables& classes = ctx.eval.classes;
  classes = ClassTables{};
  if (ctx.work.exists(kScreenNamesFile)) {
    TextReader names = TextReader::open_file(ctx.work.path(kScreenNamesFile), kScreenNamesFile);
    read_screenline_names(names, classes.screenline_name);
  }
  if (!ctx.work.exists(kLabelsFile)) {
    set_default_classes(classes);
    return;
  }
  // The labels file is echoed record by record; a record that cannot be
  // read stops the run with the records before it listed.
  Report& report = ctx.report;
  const bool analysis = ctx.settings.analysis_mode;
  report.agency_header = true;
  start_labels_listing(report);
  start_labels_classes(classes);
  LabelsCounts counts;
  bool limit_exceeded = false;
  TextReader labels = TextReader::open_file(ctx.work.path(kLabelsFile), kLabelsFile);
  LabelsText text;
  while (next_labels_text(labels, text)) {
    list_labels_record(report, text);
    const LabelsRecord record = decode_labels_record(text, labels.name(), labels.line_number());
    const LabelsOutcome outcome = apply_labels_record(classes, counts, record, analysis);
    switch (outcome) {
      case LabelsOutcome::kApplied: break;
      case LabelsOutcome::kFtClassTooHigh:
      case LabelsOutcome::kAtClassTooHigh:
        write_labels_limit_message(report, record, outcome);
        limit_exceeded = true;
        break;
      case LabelsOutcome::kNeitherFtNorAt:
        ctx.console.line(R"( ***CRITICAL*** NO "FT" OR "AT" ON KVLABELS.SYN FILE)");
        ctx.console.line(unknown_labels_kind_line(labels.name(), labels.line_number(), text));
        throw RunStop(kAbnormalCompletionShort);
    }
  }
  labels.close();

  write_selection_lists(report, classes, analysis);
  if (limit_exceeded) throw RunStop(kAbnormalCompletionShort);
  finish_labels_classes(classes, counts);
}

void prepare_aux_source(RunContext& ctx) {
  if (!ctx.settings.aux_dbf_given) {
    ctx.aux_file_name = with_suite_extension(ctx, "VOLNAUX.XXX");
    return;
  }
  ByteStream stream = open_with_prompt(ctx.work, ctx.console, ctx.settings.dbf_file_name);
  DbfHeaderListing listing(ctx.report);
  try {
    load_aux_links(stream, ctx.settings.aux_field_names, ctx.aux, &listing);
  } catch (const AuxFieldNotFound& missing) {
    ctx.console.line(" ***CRITICAL*** FIELD NAME > " + missing.name().str() + " -- NOT FOUND ON THE DBF FILE");
    throw RunStop(kAuxAbnormalCompletion);
  }
}

void open_aux_network_file(RunContext& ctx) {
  const std::string file(trim_right(ctx.aux_file_name.view()));
  if (!ctx.work.exists(file)) {
    write_no_aux_file_notice(ctx.report);
    return;
  }
  AuxNetworkFile& aux = ctx.aux_file;
  aux.stream = ByteStream::open_file(ctx.work.path(file), file);
  aux.records = FortranRecordReader(&aux.stream);
  aux.open = true;
  aux.unsigned_nodes = ctx.binary.header.highest_node() >= kUnsignedNodeThreshold;
}

void merge_aux_codes(RunContext& ctx) {
  LinkRecord& link = ctx.link;
  Evaluation& e = ctx.eval;
  if (ctx.settings.aux_dbf_given) {
    merge_from_table(e.aux_merge, ctx.aux, link, *e.events);
  } else if (ctx.aux_file.open) {
    merge_aux_record(link, read_aux_network_record(ctx.aux_file, link.anode, link.bnode), *e.events);
  } else {
    clear_aux_codes(link);
  }
}

bool prepare_evaluation(RunContext& ctx) {
  const RunSettings& settings = ctx.settings;
  Evaluation& e = ctx.eval;
  e.state = EvaluationState{};
  e.state.slot_volumes = settings.ascii_output;
  reset_accumulators(e.acc, e.classes);
  if (settings.dbf_input_given) {
    if (!prepare_dbf_source(ctx)) return false;
  } else {
    set_evaluation_slots(ctx);
  }
  TextReader rates = TextReader::open_file(ctx.work.path(kRatesFile), kRatesFile);
  // On the dBASE path no auxiliary source is consulted unless the profile
  // names an auxiliary dBASE file.
  if (settings.aux_dbf_given || !settings.dbf_input_given) prepare_aux_source(ctx);
  set_volume_weights(e.state, settings.dbf_input_given ? nullptr : &ctx.binary.header, ctx.link.time_slot_count);
  if (!settings.dbf_input_given) plan_link_volume(e.state, ctx.link, settings.volume_slots);
  ctx.side_files.remove_old_skip_list();
  if (!settings.aux_dbf_given && !settings.dbf_input_given) open_aux_network_file(ctx);
  read_rate_tables(rates, e.rates);
  rates.close();

  if (settings.validate_mode) {
    e.state.run_type = RunType::kValidation;
  } else {
    e.state.run_type = RunType::kAnalysis;
    use_analysis_maps(e.classes);
  }
  write_description_pages(ctx.report, ctx.report.stamp(),
                          e.state.run_type == RunType::kValidation ? "VALIDATE" : "ANALYSIS");
  if (!settings.validate_mode) write_rate_pages(ctx.report, e.rates);
  if (settings.aux_dbf_given) {
    start_aux_merge(e.aux_merge, ctx.aux, names_a_field(settings.aux_field_names[AuxField::kScreenline]));
  }
  return true;
}

// What is added up of each link: the measures, and the statistics when the
// run writes a table or a page.
LinkSums link_sums(RunContext& ctx) {
  Evaluation& e = ctx.eval;
  return LinkSums{&e.acc,        &e.rates,     ctx.stats_on ? &ctx.stats : nullptr, ctx.settings.validate_mode,
                  e.classes.nft, e.classes.nat};
}

void process_link(RunContext& ctx) {
  LinkRecord& link = ctx.link;
  const RunSettings& settings = ctx.settings;
  Evaluation& e = ctx.eval;
  if (!settings.dbf_input_given) merge_aux_codes(ctx);  // the dBASE record carries its own codes
  LinkValues v = begin_link(e.state, link, settings);
  if (settings.ascii_output) ctx.side_files.write_ascii_record(link, v, e.state, settings.use_counts);
  const LinkOutcome outcome = finish_link(e, link, v, settings);
  // finish_link has counted this record: its count is the record's number.
  const std::int64_t record = e.state.counts.read;
  if (ctx.sums_thread != nullptr) {
    // Built where the thread takes it (see common/hand_off_ring.h).
    ctx.sums_thread->emplace([&](LinkFigures& f) { fill_link_figures(f, link, v, outcome, record); });
  } else {
    link_sums(ctx)(link, v, outcome, record);
  }
  if (ctx.links_csv.is_open()) {
    ctx.links_csv.add(stats_link(link, v, outcome, record, e.classes.nft, e.classes.nat),
                      {v.lanes_value, v.lane_class, link.location, v.vol});
  }
}

void run_link_loop(RunContext& ctx) {
  if (ctx.settings.link_csv) ctx.links_csv.open(ctx.work, ctx.settings.analysis_mode);
  const bool dbf = ctx.settings.dbf_input_given;
  // With a second thread, a dBASE file's records are converted on it, ahead
  // of the evaluation, and the links arrive here in file order as they do
  // below. A binary network is read on this thread (its links need too
  // little work for a second thread to pay for handing them over), and the
  // second thread adds up the links' measures and statistics; a dBASE run
  // does that on a third.
  const bool read_ahead = dbf && ctx.threads > 1;
  std::optional<SumsThread> sums_thread;
  if (ctx.threads > (read_ahead ? 2 : 1)) sums_thread.emplace(link_sums(ctx));
  ctx.sums_thread = sums_thread ? &*sums_thread : nullptr;
  struct Forget {
    RunContext& ctx;
    ~Forget() { ctx.sums_thread = nullptr; }
  } forget{ctx};
  if (read_ahead) {
    DbfReadAhead ahead(ctx.dbf);
    while (ahead.next(ctx.link) == LinkStatus::kLink) process_link(ctx);
  } else {
    for (;;) {
      const LinkStatus status = dbf ? read_next_dbf_link(ctx.dbf, ctx.link) : read_binary_link(ctx.binary, ctx.link);
      if (status == LinkStatus::kEndOfLinks) break;
      process_link(ctx);
    }
  }
  if (sums_thread) sums_thread->finish();
}

void finish_evaluation(RunContext& ctx) {
  static constexpr auto kSkipped =
      "(' ***INFO***',I5,' LINKS SKIPPED WITH FACILITY OR AREA TYPES NOT ON \"KVLABELS.SYN\"')"_layout;
  if (ctx.settings.ascii_output) ctx.side_files.start_screenline_file();
  Evaluation& e = ctx.eval;
  if (e.state.nskipped > 0) {
    ctx.side_files.close_skip_list();
    ctx.console.line(render_line(kSkipped, e.state.nskipped));
    ctx.console.line("                 CHECK \"KVSKIP.LNK\" FILE FOR LIST OF LINKS SKIPPED");
  }
  if (e.state.counts.evaluated == 0) ctx.console.line(no_link_evaluated_line(e.state.counts));
  complete_tables(e.acc, e.rates, e.state.cost_table_zeroed, ctx.settings.analysis_mode);
}

std::string no_link_evaluated_line(const LinkCounts& c) {
  return " ***WARNING*** NO LINK EVALUATED: " + std::to_string(c.read) + " LINKS READ, " +
         std::to_string(c.unclassified) + " UNCLASSIFIED (KVSKIP.LNK), " + std::to_string(c.passed_over) +
         " PASSED OVER (FACILITY TYPES 50-59), " + std::to_string(c.deselected) + " NOT SELECTED (LOCATION), " +
         std::to_string(c.no_time) + " WITHOUT TIME OR COST";
}

// The CSV files and the page of an earlier run that this run writes again
// go first: a run that stops early then leaves none that could be taken for
// its own (by a reader, or by `korvo compare`). The files of an output
// turned off stay as they are.
void remove_earlier_outputs(RunContext& ctx) {
  std::vector<const char*> names;
  if (ctx.settings.csv_output) names = {kTablesCsvFile, kStatsCsvFile};
  if (ctx.settings.html_output) names.push_back(kRunPageFile);
  for (const char* name : names) {
    if (ctx.work.exists(name)) ctx.work.remove(name);
  }
}

void prepare_statistics(RunContext& ctx) {
  remove_earlier_outputs(ctx);
  set_default_targets(ctx.targets);
  ctx.stats_on = ctx.settings.csv_output || ctx.settings.html_output;
  ctx.evaluated = false;
  ctx.stats_rows.clear();
  // An analysis run is judged against no targets: its file is not read.
  if (ctx.stats_on && ctx.settings.validate_mode && ctx.work.exists(kTargetsFile)) {
    TextReader in = TextReader::open_file(ctx.work.path(kTargetsFile), kTargetsFile);
    read_targets(in, ctx.targets);
    in.close();
  }
  // An analysis run shows no figures against counts: they are not gathered.
  if (ctx.settings.validate_mode) {
    ctx.stats.reset(ctx.targets);
  } else {
    ctx.stats.reset_without_counts(ctx.targets);
  }
}

void finish_statistics(RunContext& ctx) {
  if (!ctx.stats_on || !ctx.settings.validate_mode) return;
  const ScreenlineTables& sl = ctx.eval.acc.screenlines;
  ctx.stats_rows = ctx.stats.finish(ctx.targets, {sl.volume, sl.reference}, ctx.eval.classes);
}

void make_two_way_file(RunContext& ctx) {
  // A run whose evaluation ended early still writes "HRLDXY.ASC"; what it
  // holds so far is converted.
  ctx.side_files.flush_ascii_network();
  TextReader ascii = TextReader::open_file(ctx.work.path(kAsciiNetworkFile), kAsciiNetworkFile);
  check_two_way_slots(ctx.link.volume_slot_count, kAsciiNetworkFile);
  if (ctx.work.exists(kTwoWayFile)) ctx.work.remove(kTwoWayFile);
  TextWriter two_way;
  two_way.create(ctx.work.path(kTwoWayFile), kTwoWayFile);
  convert_to_two_way(ascii, two_way, ctx.link.volume_slot_count, ctx.settings.use_counts);
  ascii.close();
  two_way.close();
  if (!ctx.settings.dbf_input_given) ctx.binary.stream.close();
}

int run_program(RunContext& ctx) {
  std::string completion = kNormalCompletion;
  bool normal = true;
  try {
    run_steps(ctx);
  } catch (const RunStop& stop) {
    completion = stop.completion_line();
    normal = false;
  } catch (const FileStop& stop) {
    close_outputs_quietly(ctx);
    ctx.console.line(console_safe(stop.console_line()));
    return 2;
  } catch (const std::exception& error) {
    close_outputs_quietly(ctx);
    ctx.console.line(console_safe(std::string(" KORVO internal error: ") + error.what()));
    return 3;
  }
  try {
    close_outputs(ctx);
    if (normal) {
      write_csv_outputs(ctx);
      write_run_page_file(ctx);
    }
  } catch (const FileStop& stop) {
    ctx.console.line(console_safe(stop.console_line()));
    return 2;
  } catch (const std::exception& error) {
    ctx.console.line(console_safe(std::string(" KORVO internal error: ") + error.what()));
    return 3;
  }
  ctx.console.line(completion);
  return completion == kNormalCompletion ? 0 : 1;
}

}  // namespace korvo
