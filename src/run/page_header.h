#pragma once
// The report's page header and the page-break check that owns page and line
// counting for the whole report.
//
// Calling protocol of every report writer: set lines_to_add (or
// force_new_page), call check_page_break, write the block's own headings
// again when page_started is true, then write the block.

#include <cstdint>

#include "common/layout.h"
#include "run/settings.h"

namespace korvo {

inline constexpr int kLinesPerPage = 51;

struct PageState {
  std::int32_t page_number = 0;
  std::int32_t line_count = 0;
  std::int32_t lines_to_add = 1;
  bool force_new_page = false;
  bool page_started = false;
  bool agency_header = false;  // true: the agency variant of the header
};

// What a header prints besides the counters.
struct PageHeaderText {
  const TitleLines* titles;
  const RunStamp* stamp;
};

// The page-break check: counts lines_to_add against the 51-line budget and
// writes the five header records when a page begins (forced, or the count
// reached 51). The header's own lines are not counted.
void check_page_break(PageState& page, const PageHeaderText& text, RecordSink& out);

// The five header records of the current page.
void write_page_header(const PageState& page, const PageHeaderText& text, RecordSink& out);

}  // namespace korvo
