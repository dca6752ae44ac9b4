#include "reports/screenline_reports.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "common/layout.h"
#include "reports/data_fields.h"
#include "reports/side_files.h"

namespace korvo {
namespace {

constexpr int kNoVolumePerLine = 8;
constexpr int kNoVolumeLinesPerPage = 20;
constexpr int kScreenline99 = 99;

constexpr std::string_view kMissingCount = " ***CRITICAL*** MISSING COUNT IN ONE DIRECTION";
constexpr std::string_view kMissingCapacity = " ***CRITICAL*** MISSING CAPACITY IN ONE DIRECTION";
constexpr std::string_view kNoRemark = "                                                 ";  // 49 blanks

// Screenline summary title and headings, written at the start and again on
// every page the summaries continue on.
void write_screenline_heading(Report& report, bool analysis) {
  static constexpr auto kTitle = "(' HIGHWAY EVALUATION -- YEAR/ALT (',A,') -- SCREENLINE SUMMARIES',/)"_layout;
  static constexpr auto kValidationHeading =
      "(T2,'SCREENLINE',T29,'TOTAL',T40,'TOTAL',T49,'VOLUME OVER',T65,'F  A',/,"
      "T4,'NUMBER',T13,'ANODE',T19,'BNODE',T28,'VOLUME',T40,'COUNT',T49,'COUNT RATIO',T65,'T  T',/)"_layout;
  static constexpr auto kAnalysisHeading =
      "(T2,'SCREENLINE',T29,'TOTAL',T40,'TOTAL',T49,'VOLUME OVER',T65,'F  A',/,"
      "T4,'NUMBER',T13,'ANODE',T19,'BNODE',T28,'VOLUME',T37,'CAPACITY',T46,'CAPACITY RATIO',T65,'T  T',/)"_layout;
  write_record(report, kTitle, report.scenario_code());
  if (analysis) {
    write_record(report, kAnalysisHeading);
  } else {
    write_record(report, kValidationHeading);
  }
}

struct Summaries {
  Report& report;
  const ScreenlineTables& sl;
  const ScreenlineNames& names;
  bool analysis;
  TextWriter* ascii_file;
};

// The totals of a "SCRNLINE.ASC" record fit F11.0, F11.0 and F7.2.
void check_screenline_total(int s, float volume, float reference, float ratio) {
  const DataRealField fields[] = {
      {"VOLUME", 11, 0, volume}, {"COUNT OR CAPACITY", 11, 0, reference}, {"RATIO", 7, 2, ratio}};
  check_data_fields(kScreenlineFile, "screenline " + std::to_string(s), fields,
                    "turn \"ASCII\" off in PROFILE.MAS, or check the screenline's links");
}

void write_listed_screenline(const Summaries& out, int s) {
  static constexpr auto kLink = "(T6,I2,T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR1,A)"_layout;
  static constexpr auto kLinkNoCount =
      "(T6,I2,T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR4,'********** THIS LINK HAS NO COUNT **********')"_layout;
  static constexpr auto kLinkNoCapacity =
      "(T6,I2,T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR4,'********** THIS LINK HAS NO CAPACITY **********')"_layout;
  static constexpr auto kTotal = "(/,T6,I2,T16,'TOTALS',T24,2(F11.0),TR5,F6.2,TR4,A,/,/)"_layout;
  static constexpr auto kAsciiTotal = "(I3,2F11.0,F7.2,TR4,A)"_layout;

  const ScreenlineTables& sl = out.sl;
  const bool analysis = out.analysis;
  Report& report = out.report;
  const auto si = static_cast<std::size_t>(s);
  const int nlinks = std::clamp<int>(sl.nlinks[si], 0, kScreenlineListLimit);
  const std::string_view no_remark = kNoRemark.substr(0, analysis ? kMissingCapacity.size() : kMissingCount.size());
  const std::string_view remark = analysis ? kMissingCapacity : kMissingCount;

  // The links, a blank line, the total and two blank lines stay together.
  if (report.reserve(nlinks + 4)) write_screenline_heading(report, analysis);
  for (int k = 1; k <= nlinks; ++k) {
    const ScreenlineEntry& e = sl.links[si][static_cast<std::size_t>(k)];
    if (e.reference != 0.0f) {
      write_record(report, kLink, s, e.anode, e.bnode, e.volume, e.reference, e.ratio, e.ft, e.at,
                   e.no_reference ? remark : no_remark);
    } else if (analysis) {
      write_record(report, kLinkNoCapacity, s, e.anode, e.bnode, e.volume, e.reference, e.ratio, e.ft, e.at);
    } else {
      write_record(report, kLinkNoCount, s, e.anode, e.bnode, e.volume, e.reference, e.ratio, e.ft, e.at);
    }
  }
  const FixedText<40>& name = out.names[si];
  write_record(report, kTotal, s, sl.volume[si], sl.reference[si], sl.ratio[si], name);
  if (out.ascii_file != nullptr) {
    check_screenline_total(s, sl.volume[si], sl.reference[si], sl.ratio[si]);
    out.ascii_file->write(kAsciiTotal, s, sl.volume[si], sl.reference[si], sl.ratio[si], name);
  }
}

void write_screenline_99(const Summaries& out) {
  static constexpr auto kLink = "(T6,'99',T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2)"_layout;
  static constexpr auto kLinkNoCount =
      "(T6,'99',T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR5,'********** THIS LINK HAS NO COUNT **********')"_layout;
  static constexpr auto kTotal = "(/,T6,'99',T16,'TOTALS',T24,2(F11.0),TR5,F6.2,TR1,A,/,/)"_layout;
  static constexpr auto kAsciiTotal = "(' 99',2F11.0,F7.2,TR4,A)"_layout;

  const ScreenlineTables& sl = out.sl;
  const bool analysis = out.analysis;
  Report& report = out.report;
  constexpr auto s = static_cast<std::size_t>(kScreenline99);
  if (!analysis) {
    // A validation run shows screenline 99 only when it has a total.
    if (sl.volume[s] == 0.0f && sl.reference[s] == 0.0f) return;
    const int count = std::clamp<int>(sl.sl99_count, 0, kScreenline99Limit);
    for (int k = 1; k <= count; ++k) {
      const Screenline99Entry& e = sl.sl99[static_cast<std::size_t>(k)];
      if (report.reserve(1)) write_screenline_heading(report, analysis);
      if (e.count == 0.0f) {
        write_record(report, kLinkNoCount, e.anode, e.bnode, e.volume, e.count, e.ratio, e.ft, e.at);
      } else {
        write_record(report, kLink, e.anode, e.bnode, e.volume, e.count, e.ratio, e.ft, e.at);
      }
    }
  }
  const FixedText<40>& name = out.names[s];
  write_record(report, kTotal, sl.volume[s], sl.reference[s], sl.ratio[s], name);
  if (out.ascii_file != nullptr) {
    check_screenline_total(kScreenline99, sl.volume[s], sl.reference[s], sl.ratio[s]);
    out.ascii_file->write(kAsciiTotal, sl.volume[s], sl.reference[s], sl.ratio[s], name);
  }
}

}  // namespace

void write_no_volume_list(Report& report, const NoVolumeList& list) {
  static constexpr auto kHeading = "(' LINKS WITH NO ASSIGNED VOLUME',///)"_layout;
  static constexpr auto kSeparator = "(T2,8('+',14('-')),'+')"_layout;
  // A short last line still ends in " +": the layout writes the texts up to
  // the first node field that has no value.
  static constexpr auto kLine = "(8(TR1,'+',I6,I7),' +')"_layout;

  const int count = std::clamp<int>(list.count, 0, kNoVolumeLimit);
  std::vector<FieldValue> values;
  values.reserve(2 * kNoVolumePerLine);
  int line = 0;
  for (int first = 1; first <= count; first += kNoVolumePerLine) {
    // Lines 1, 21, 41, ... begin a page. The list reserves no lines.
    if (line % kNoVolumeLinesPerPage == 0) {
      report.new_page();
      write_record(report, kHeading);
      write_record(report, kSeparator);
    }
    ++line;
    values.clear();
    for (int n = first; n <= std::min(count, first + kNoVolumePerLine - 1); ++n) {
      values.emplace_back(list.anode[static_cast<std::size_t>(n)]);
      values.emplace_back(list.bnode[static_cast<std::size_t>(n)]);
    }
    write_record(report, kLine, values);
  }
  write_record(report, kSeparator);
}

void write_screenline_summaries(Report& report, const ScreenlineTables& sl, const ScreenlineNames& names, bool analysis,
                                TextWriter* ascii_file) {
  const Summaries out{report, sl, names, analysis, ascii_file};
  report.new_page();
  write_screenline_heading(report, analysis);
  for (int s = 1; s <= kListedScreenlines; ++s) {
    const auto si = static_cast<std::size_t>(s);
    if (sl.volume[si] == 0.0f && sl.reference[si] == 0.0f) continue;
    write_listed_screenline(out, s);
  }
  write_screenline_99(out);
}

}  // namespace korvo
