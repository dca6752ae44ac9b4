#include "run/page_header.h"

#include <string>

namespace korvo {
namespace {

struct HeaderLabels {
  std::string_view first, second, third;
};
// Each label is exactly 18 characters.
constexpr HeaderLabels kAgencyLabels{"   ZEFALIA D.O.T. ", "       VELMAR     ", "      VER 5.50    "};
constexpr HeaderLabels kPlanningLabels{"  NORDAL PLANNING ", "  VANTRIKS SYSTEM ", "    VERSION 9.2   "};

}  // namespace

void write_page_header(const PageState& page, const PageHeaderText& text, RecordSink& out) {
  static const Layout kFormFeed = Layout::parse("(' ',A)");
  static const Layout kLine2 = Layout::parse("(A,8X,A,12X,'PAGE NO.',I6)");
  static const Layout kLine3 = Layout::parse("(A,8X,A,12X,'DATE   ',A)");
  static const Layout kLine4 = Layout::parse("(A,8X,A,12X,'TIME  ',A)");
  static const Layout kLine5 = Layout::parse("(' ')");
  const HeaderLabels& labels = page.agency_header ? kAgencyLabels : kPlanningLabels;
  write_record(out, kFormFeed, {"\f"});
  write_record(out, kLine2, {labels.first, text.titles->line1, page.page_number});
  write_record(out, kLine3, {labels.second, text.titles->line2, text.stamp->date.view().substr(0, 7)});
  write_record(out, kLine4, {labels.third, text.titles->line3, text.stamp->time});
  write_record(out, kLine5, {});
}

void check_page_break(PageState& page, const PageHeaderText& text, RecordSink& out) {
  if (!page.force_new_page) {
    page.line_count += page.lines_to_add;
    page.page_started = false;
    if (page.line_count < kLinesPerPage) return;
  }
  page.page_started = true;
  page.force_new_page = false;
  ++page.page_number;
  page.line_count = page.lines_to_add;
  write_page_header(page, text, out);
}

}  // namespace korvo
