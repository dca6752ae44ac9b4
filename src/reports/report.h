#pragma once
// The report file "KORVO.OUT": one object owns the file, the page and line
// counting, the title lines, the run stamp, the scenario code and the header
// variant. Writers ask it for room (reserve) or a new page (new_page); a page
// that begins gets its five header records first.
//
// Pages are 51 lines; the header's own lines are not counted. Only the
// writers that reserve lines are counted: the pages with their own form
// feeds (banners, description and rate pages) and the direct lines (the
// FATAL lines of the link loop) are not.

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/fixed_text.h"
#include "common/layout.h"
#include "common/text_file.h"

namespace korvo {

inline constexpr int kLinesPerPage = 51;

// A moment of local time, as the clock gives it.
struct LocalTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The run's date (DDMMMYY and a blank) and time (HH:MM:SS).
struct RunStamp {
  FixedText<8> date;
  FixedText<8> time;
};

// The run date "DDMMMYY " and time "HH:MM:SS" of a moment.
RunStamp make_run_stamp(const LocalTime& now);

// The three 80-character title lines of the page header.
struct TitleLines {
  FixedText<80> line1;
  FixedText<80> line2;
  FixedText<80> line3;
};

// The page and line counters.
struct PageState {
  std::int32_t page_number = 0;
  std::int32_t line_count = 0;
  std::int32_t lines_to_add = 1;
  bool force_new_page = false;
  bool page_started = false;
};

// The five header records of a page: a form feed, three lines of the
// variant's labels with the title lines, the page number, the date and the
// time, and a blank line.
void write_page_header(RecordSink& out, std::int32_t page_number, const TitleLines& titles, const RunStamp& stamp,
                       bool agency_header);

class Report final : public RecordSink {
 public:
  // Creates (or truncates) the report file and starts counting from page 0.
  void create(const std::filesystem::path& path, std::string display_name);
  bool is_open() const { return out_.is_open(); }
  void flush() { out_.flush(); }
  void close() { out_.close(); }

  // Writes one record as it is, not counted.
  void write_record(std::string_view record) override { out_.write_record(record); }

  // Reserves n lines: they are counted against the page, and a new page
  // (with its header) begins when they do not fit. Returns true when a page
  // began, so that the writer repeats its own headings.
  bool reserve(int lines);
  // Begins a new page now. The count of the new page starts from the number
  // of lines last reserved, which this call leaves as it was.
  void new_page();

  const PageState& page() const { return page_; }
  TitleLines& titles() { return titles_; }
  const TitleLines& titles() const { return titles_; }
  RunStamp& stamp() { return stamp_; }
  const RunStamp& stamp() const { return stamp_; }
  // The scenario's three-character code, printed in the table titles.
  FixedText<3>& scenario_code() { return scenario_code_; }
  const FixedText<3>& scenario_code() const { return scenario_code_; }
  // True: the agency variant of the page header (a binary network that says
  // so, or a labels file); false: the planning package's.
  bool agency_header = false;

 private:
  void check_page_break();

  TextWriter out_;
  PageState page_;
  TitleLines titles_;
  RunStamp stamp_;
  FixedText<3> scenario_code_{"YYA"};
};

}  // namespace korvo
