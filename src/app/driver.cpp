#include "app/driver.h"

#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"
#include "evaluation/evaluation_driver.h"
#include "evaluation/labels.h"
#include "input/control_file.h"
#include "input/binary_network.h"
#include "input/profile.h"

namespace korvo {
namespace {

constexpr std::int64_t kCellsPerClassPair = kLaneClassCount * kSlotCount;  // 430

// Step 1: a new, empty report file; an old one is deleted first.
void create_report(RunContext& ctx) {
  if (ctx.work.exists(kReportFile)) ctx.work.remove(kReportFile);
  ctx.report.create(ctx.work.path(kReportFile), kReportFile);
}

void create_ascii_network_file(RunContext& ctx) {
  if (ctx.ascii_out.is_open()) ctx.ascii_out.close();
  if (ctx.work.exists(kAsciiNetworkFile)) ctx.work.remove(kAsciiNetworkFile);
  ctx.ascii_out.create(ctx.work.path(kAsciiNetworkFile), kAsciiNetworkFile);
}

// Step 5 and 7: the dBASE link file must exist; its name gives the scenario
// code (LOADED05A.DBF gives 05A).
void open_dbf_link_file(RunContext& ctx) {
  const FixedText<80>& name = ctx.settings.dbf_file_name;
  const std::string file(trim_right(name.view()));
  if (!ctx.work.exists(file)) {
    ctx.console.line(" ***CRITICAL*** INPUT DBF FILE NOT FOUND >" + name.str());
    throw RunStop(kAbnormalCompletion);
  }
  ctx.dbf.stream = ByteStream::open_file(ctx.work.path(file), file);
  ctx.scenario_code = scenario_code_from_dbf_name(name);
}

// Step 6: the binary loaded-network file "HRLDXY.XXX" with the scenario's
// output-file code as its extension.
void open_binary_network(RunContext& ctx) {
  FixedText<32> name("HRLDXY.XXX");
  if (ctx.work.exists(kControlFile)) {
    TextReader control = TextReader::open_file(ctx.work.path(kControlFile), kControlFile);
    FixedText<3> code;
    if (read_file_code(control, false, code)) apply_file_code(name, code);
  }
  const std::string file(trim_right(name.view()));
  ctx.binary.stream = ByteStream::open_file(ctx.work.path(file), file);
  ctx.binary.records = FortranRecordReader(&ctx.binary.stream);
  read_binary_header(ctx.binary);
  set_binary_slot_counts(ctx.binary.header, ctx.link);
  ctx.titles.line1.assign(ctx.binary.header.chars(105, 184));
  ctx.titles.line2.assign(ctx.binary.header.chars(185, 264));
  ctx.titles.line3.assign(ctx.binary.header.chars(265, 344));
  ctx.page.agency_header = (ctx.binary.header.word(53) & 1) != 0;
  if (ctx.settings.volume_slots == 0) ctx.settings.volume_slots = ctx.binary.header.word(34);
  const std::size_t dot = name.view().substr(0, 29).find('.');
  ctx.scenario_code.assign(dot == std::string_view::npos ? std::string_view("XXX") : name.view().substr(dot + 1, 3));
}

// Step 11: the title lines of every later page.
void set_title_lines(RunContext& ctx, bool title_given) {
  if (ctx.work.exists(kTitleFile)) {
    TextReader title = TextReader::open_file(ctx.work.path(kTitleFile), kTitleFile);
    std::string_view record;
    // An empty TITLE file gives a blank title.
    ctx.titles.line2.assign(title.next(record) ? columns(record, 1, 80) : std::string_view{});
  } else {
    ctx.titles.line2 = ctx.titles.line1;
  }
  ctx.titles.line1.clear();
  if (!title_given) ctx.titles.line3.clear();
}

}  // namespace

// The accumulator table must fit the fixed work area.
void check_memory(RunContext& ctx) {
  static const Layout kRequirement = Layout::parse("(' DATA ARRAY MEMORY REQUIREMENT --',I8,' BYTES')");
  static const Layout kMaximum = Layout::parse("(' Requirement exceeds maximum of',I8,' bytes')");
  const std::int64_t cells = accumulator_cells(ctx.classes.nft, ctx.classes.nat);
  ctx.console.line(render_line(kRequirement, {4 * cells}));
  if (cells > static_cast<std::int64_t>(kWorkAreaCells)) {
    ctx.console.line(render_line(kMaximum, {static_cast<std::int64_t>(4 * kWorkAreaCells)}));
    throw RunStop(kAbnormalCompletion);
  }
  ctx.acc.sums = EvalSums(ctx.acc.work_area.data(), ctx.classes.nft, ctx.classes.nat);
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

namespace {

void run_steps(RunContext& ctx) {
  create_report(ctx);
  ctx.titles = TitleLines{};
  ctx.settings = RunSettings{};
  ctx.page.page_number = 0;
  ctx.page.lines_to_add = 1;

  if (!ctx.work.exists(kProfileFile)) {
    throw InputError(input_error_line(kProfileFile, "", "", "not found: the run needs its profile in the working directory"));
  }
  TextReader profile = TextReader::open_file(ctx.work.path(kProfileFile), kProfileFile);
  read_profile_pass1(profile, ctx.settings, [&ctx] { create_ascii_network_file(ctx); });
  profile.rewind();

  if (ctx.settings.dbf_input_given) {
    open_dbf_link_file(ctx);
  } else {
    open_binary_network(ctx);
  }
  ctx.stamp = make_run_stamp(ctx.clock());
  prepare_labels_and_selection(ctx);

  FixedText<80> title3 = ctx.titles.line3;
  const bool title_given = read_profile_pass2(profile, ctx.settings, title3);
  profile.close();
  if (title_given) ctx.titles.line3 = title3;
  set_title_lines(ctx, title_given);

  check_memory(ctx);
  evaluate_network(ctx);
  if (ctx.settings.ascii_output && ctx.settings.two_way_output) make_two_way_file(ctx);
}

void close_outputs(RunContext& ctx) {
  ctx.skip_list.close();
  ctx.ascii_out.close();
  ctx.report.close();
}

// After an error: keep what was written, whatever else fails now.
void close_outputs_quietly(RunContext& ctx) {
  for (TextWriter* file : {&ctx.skip_list, &ctx.ascii_out, &ctx.report}) {
    try {
      file->close();
    } catch (const InputError&) {
      // The error being reported is the first one.
    }
  }
}

// An error line names files, fields and keywords as the input spelled them,
// and damaged input can hold any byte there. The console gets one line that
// a terminal shows as it is: a control character is written as \xNN
// ("HRLDXY.\x11", never a line break or an escape sequence).
std::string console_safe(std::string_view text) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::int64_t accumulator_cells(std::int32_t nft, std::int32_t nat) {
  return kCellsPerClassPair * static_cast<std::int64_t>(nft) * static_cast<std::int64_t>(nat);
}

int run_program(RunContext& ctx) {
  std::string completion = kNormalCompletion;
  try {
    run_steps(ctx);
  } catch (const RunStop& stop) {
    completion = stop.completion_line();
  } catch (const InputError& error) {
    close_outputs_quietly(ctx);
    ctx.console.line(console_safe(error.what()));
    return 2;
  } catch (const std::exception& error) {
    close_outputs_quietly(ctx);
    ctx.console.line(console_safe(std::string(" KORVO internal error: ") + error.what()));
    return 3;
  }
  try {
    close_outputs(ctx);
  } catch (const InputError& error) {
    ctx.console.line(console_safe(error.what()));
    return 2;
  }
  ctx.console.line(completion);
  return 0;
}

}  // namespace korvo
