#pragma once
// The report writers on their own: the report in a temporary directory, an
// evaluation with the default classes (or the counts a test asks for) and an
// empty accumulator table, and helpers to build expected report text column
// by column.

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "evaluation/class_tables.h"
#include "evaluation/evaluation.h"
#include "evaluation/link_evaluation.h"
#include "reports/report.h"
#include "reports/side_files.h"
#include "support/temp_dir.h"

namespace korvo::testing {

struct ReportFixture {
  explicit ReportFixture(int nft = 10, int nat = 6, bool analysis_run = false)
      : owner(std::make_unique<Evaluation>()), e(*owner), analysis(analysis_run) {
    set_default_classes(e.classes);
    e.classes.nft = nft;
    e.classes.nat = nat;
    reset_accumulators(e.acc, e.classes);  // lays EVALSUMS out for nft x nat and clears it
    out.scenario_code().assign("05A");
    out.create(dir.file("KORVO.OUT"), "KORVO.OUT");
  }
  float& cell(int i, int j, int k, Slot slot) { return e.acc.sums.at(i, j, k, slot); }
  // Everything written so far.
  std::string report() {
    out.flush();
    return dir.read("KORVO.OUT");
  }

  TempDir dir;
  std::unique_ptr<Evaluation> owner;
  Evaluation& e;
  bool analysis;
  Report out;
  SideFiles side_files{WorkDir(dir.path())};
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
