#include "reports/report.h"

#include <string_view>

namespace korvo {
namespace {

struct HeaderLabels {
  std::string_view first, second, third;
};
// Each label is exactly 18 characters.
constexpr HeaderLabels kAgencyLabels{"   ZEFALIA D.O.T. ", "       VELMAR     ", "      VER 5.50    "};
constexpr HeaderLabels kPlanningLabels{"  NORDAL PLANNING ", "  VANTRIKS SYSTEM ", "    VERSION 9.2   "};

}  // namespace

RunStamp make_run_stamp(const LocalTime& now) {
  static constexpr std::string_view kMonths = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
  static constexpr std::string_view kDigits = "0123456789";
  auto two = [](int v, char* out) {
    v = ((v % 100) + 100) % 100;
    out[0] = kDigits[static_cast<std::size_t>(v / 10)];
    out[1] = kDigits[static_cast<std::size_t>(v % 10)];
  };
  RunStamp stamp;
  char date[8];
  two(now.day, date);
  const int month = (now.month >= 1 && now.month <= 12) ? now.month : 1;
  for (int k = 0; k < 3; ++k) date[2 + k] = kMonths[static_cast<std::size_t>(3 * month - 3 + k)];
  two(now.year, date + 5);
  date[7] = ' ';
  stamp.date.assign(std::string_view(date, 8));
  char time[8];
  two(now.hour, time);
  time[2] = ':';
  two(now.minute, time + 3);
  time[5] = ':';
  two(now.second, time + 6);
  stamp.time.assign(std::string_view(time, 8));
  return stamp;
}

void Report::create(const std::filesystem::path& path, std::string display_name) {
  out_.create(path, std::move(display_name));
  page_ = PageState{};
}

void write_page_header(RecordSink& out, std::int32_t page_number, const TitleLines& titles, const RunStamp& stamp,
                       bool agency_header) {
  static constexpr auto kFormFeed = "(' ',A)"_layout;
  static constexpr auto kLine2 = "(A,8X,A,12X,'PAGE NO.',I6)"_layout;
  static constexpr auto kLine3 = "(A,8X,A,12X,'DATE   ',A)"_layout;
  static constexpr auto kLine4 = "(A,8X,A,12X,'TIME  ',A)"_layout;
  static constexpr auto kLine5 = "(' ')"_layout;
  const HeaderLabels& labels = agency_header ? kAgencyLabels : kPlanningLabels;
  write_record(out, kFormFeed, "\f");
  write_record(out, kLine2, labels.first, titles.line1, page_number);
  write_record(out, kLine3, labels.second, titles.line2, stamp.date.view().substr(0, 7));
  write_record(out, kLine4, labels.third, titles.line3, stamp.time);
  write_record(out, kLine5);
}

// Counts lines_to_add against the 51-line budget and writes the header when
// a page begins (forced, or the count reached 51).
void Report::check_page_break() {
  if (!page_.force_new_page) {
    page_.line_count += page_.lines_to_add;
    page_.page_started = false;
    if (page_.line_count < kLinesPerPage) return;
  }
  page_.page_started = true;
  page_.force_new_page = false;
  ++page_.page_number;
  page_.line_count = page_.lines_to_add;
  write_page_header(*this, page_.page_number, titles_, stamp_, agency_header);
}

bool Report::reserve(int lines) {
  page_.lines_to_add = lines;
  check_page_break();
  return page_.page_started;
}

void Report::new_page() {
  page_.force_new_page = true;
  check_page_break();
}

}  // namespace korvo
