#include "app/run_page_file.h"

#include "common/text_file.h"
#include "input/targets_file.h"
#include "reports/run_page.h"

namespace korvo {
namespace {

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::vector<std::string> run_input_files(const RunContext& ctx) {
  const RunSettings& s = ctx.settings;
  std::vector<std::string> files;
  const auto present = [&](const std::string& name) {
    if (!name.empty() && ctx.work.exists(name)) files.push_back(name);
  };
  present(kProfileFile);
  present(kControlFile);
  if (s.dbf_input_given) {
    present(trimmed(s.dbf_file_name.view()));
    present(kDatabaseControlFile);
  } else {
    // The binary network: HRLDXY with the scenario's extension.
    present("HRLDXY." + trimmed(ctx.report.scenario_code().view()));
    if (!s.aux_dbf_given) present(trimmed(ctx.aux_file_name.view()));
  }
  if (s.aux_dbf_given && !s.dbf_input_given) present(trimmed(s.dbf_file_name.view()));
  present(kRatesFile);
  present(kLabelsFile);
  present(kScreenNamesFile);
  present(kTitleFile);
  if (s.validate_mode) present(kTargetsFile);
  return files;
}

void write_run_page_file(RunContext& ctx) {
  if (!ctx.evaluated || !ctx.settings.html_output) return;
  RunPageData d;
  d.header.type = ctx.settings.validate_mode ? RunType::kValidation : RunType::kAnalysis;
  d.header.scenario = trimmed(ctx.report.scenario_code().view());
  const TitleLines& titles = ctx.report.titles();
  d.header.titles = {trimmed(titles.line1.view()), trimmed(titles.line2.view()), trimmed(titles.line3.view())};
  d.header.run_date = trimmed(ctx.report.stamp().date.view()) + " " + trimmed(ctx.report.stamp().time.view());
  d.header.input_files = run_input_files(ctx);
  d.classes = &ctx.eval.classes;
  d.acc = &ctx.eval.acc;
  d.stats = &ctx.stats;
  d.targets = &ctx.targets;
  d.rows = ctx.stats_rows;
  std::string page = run_page(d);
  if (!page.empty() && page.back() == '\n') page.pop_back();
  if (ctx.work.exists(kRunPageFile)) ctx.work.remove(kRunPageFile);
  TextWriter out;
  out.create(ctx.work.path(kRunPageFile), kRunPageFile);
  out.write_record(page);
  out.close();
}

}  // namespace korvo
