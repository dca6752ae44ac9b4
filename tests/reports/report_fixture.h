#pragma once
// A run context for the report writers: default classes (or the counts a
// test asks for), an empty accumulator table, the report file in a temporary
// directory, and helpers to build expected report text column by column.

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "evaluation/labels.h"
#include "evaluation/evaluation_driver.h"
#include "app/run_context.h"
#include "support/temp_dir.h"

namespace korvo::testing {

struct ReportFixture {
  explicit ReportFixture(int nft = 10, int nat = 6, bool analysis = false)
      : ctx(RunContext::create(WorkDir(dir.path()), Console(console_out, console_in))) {
    set_default_classes(*ctx);
    ctx->classes.nft = nft;
    ctx->classes.nat = nat;
    reset_accumulators(*ctx);  // lays EVALSUMS out for nft x nat and clears it
    ctx->settings.analysis_mode = analysis;
    ctx->settings.validate_mode = !analysis;
    ctx->scenario_code.assign("05A");
    ctx->report.create(dir.file(kReportFile), kReportFile);
  }
  float& cell(int i, int j, int k, int slot) { return ctx->acc.sums.at(i, j, k, slot); }
  // Everything written so far.
  std::string report() {
    ctx->report.flush();
    return dir.read(kReportFile);
  }

  TempDir dir;
  std::ostringstream console_out;
  std::istringstream console_in;
  std::unique_ptr<RunContext> ctx;
};

// A line built by columns: at(col, text) writes text from 1-based column col.
class Line {
 public:
  Line& at(std::size_t col, std::string_view text) {
    if (s_.size() < col - 1 + text.size()) s_.resize(col - 1 + text.size(), ' ');
    s_.replace(col - 1, text.size(), text);
    return *this;
  }
  // Texts right-justified in fields of width, from column col on.
  Line& fields(std::size_t col, std::size_t width, std::initializer_list<std::string_view> texts) {
    for (std::string_view t : texts) {
      at(col + width - t.size(), t);
      col += width;
    }
    return *this;
  }
  std::string str() const { return s_ + "\n"; }
  operator std::string() const { return str(); }  // NOLINT: used in expected-text sums

 private:
  std::string s_;
};

// The five header records of a page of the planning-package variant, with
// blank titles and the fixed stamp of these tests (blank date and time).
inline std::string page_header(int page) {
  const std::string blanks80(80, ' ');
  std::string number = std::to_string(page);
  number.insert(0, 6 - number.size(), ' ');
  return " \f\n" + std::string("  NORDAL PLANNING ") + std::string(8, ' ') + blanks80 + std::string(12, ' ') +
         "PAGE NO." + number + "\n" + "  VANTRIKS SYSTEM " + std::string(8, ' ') + blanks80 + std::string(12, ' ') +
         "DATE          \n" + "    VERSION 9.2   " + std::string(8, ' ') + blanks80 + std::string(12, ' ') +
         "TIME          \n \n";
}

}  // namespace korvo::testing
