#include "reports/screenline_reports.h"

#include <algorithm>
#include <cstddef>

#include "common/layout.h"
#include "app/run_context.h"

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
void write_screenline_heading(RunContext& ctx, bool analysis) {
  static const Layout kTitle =
      Layout::parse("(' HIGHWAY EVALUATION -- YEAR/ALT (',A,') -- SCREENLINE SUMMARIES',/)");
  static const Layout kValidationHeading = Layout::parse(
      "(T2,'SCREENLINE',T29,'TOTAL',T40,'TOTAL',T49,'VOLUME OVER',T65,'F  A',/,"
      "T4,'NUMBER',T13,'ANODE',T19,'BNODE',T28,'VOLUME',T40,'COUNT',T49,'COUNT RATIO',T65,'T  T',/)");
  static const Layout kAnalysisHeading = Layout::parse(
      "(T2,'SCREENLINE',T29,'TOTAL',T40,'TOTAL',T49,'VOLUME OVER',T65,'F  A',/,"
      "T4,'NUMBER',T13,'ANODE',T19,'BNODE',T28,'VOLUME',T37,'CAPACITY',T46,'CAPACITY RATIO',T65,'T  T',/)");
  ctx.report.write(kTitle, {ctx.scenario_code});
  ctx.report.write(analysis ? kAnalysisHeading : kValidationHeading, {});
}

void write_listed_screenline(RunContext& ctx, int s, bool analysis) {
  static const Layout kLink = Layout::parse("(T6,I2,T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR1,A)");
  static const Layout kLinkNoCount = Layout::parse(
      "(T6,I2,T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR4,'********** THIS LINK HAS NO COUNT **********')");
  static const Layout kLinkNoCapacity = Layout::parse(
      "(T6,I2,T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR4,'********** THIS LINK HAS NO CAPACITY **********')");
  static const Layout kTotal = Layout::parse("(/,T6,I2,T16,'TOTALS',T24,2(F11.0),TR5,F6.2,TR4,A,/,/)");
  static const Layout kAsciiTotal = Layout::parse("(I3,2F11.0,F7.2,TR4,A)");

  ScreenlineTables& sl = ctx.acc.screenlines;
  const auto si = static_cast<std::size_t>(s);
  const int nlinks = std::clamp<int>(sl.nlinks[si], 0, kScreenlineListLimit);
  const std::string_view no_remark = kNoRemark.substr(0, analysis ? kMissingCapacity.size() : kMissingCount.size());
  const std::string_view remark = analysis ? kMissingCapacity : kMissingCount;

  // The links, a blank line, the total and two blank lines stay together.
  if (ctx.reserve_lines(nlinks + 4)) write_screenline_heading(ctx, analysis);
  for (int k = 1; k <= nlinks; ++k) {
    const ScreenlineEntry& e = sl.links[si][static_cast<std::size_t>(k)];
    if (e.reference == 0.0f) {
      ctx.report.write(analysis ? kLinkNoCapacity : kLinkNoCount,
                       {s, e.anode, e.bnode, e.volume, e.reference, e.ratio, e.ft, e.at});
    } else {
      ctx.report.write(kLink, {s, e.anode, e.bnode, e.volume, e.reference, e.ratio, e.ft, e.at,
                               e.no_reference ? remark : no_remark});
    }
  }
  const FixedText<40>& name = ctx.classes.screenline_name[si];
  ctx.report.write(kTotal, {s, sl.volume[si], sl.reference[si], sl.ratio[si], name});
  if (ctx.settings.ascii_output) {
    ctx.ascii_out.write(kAsciiTotal, {s, sl.volume[si], sl.reference[si], sl.ratio[si], name});
  }
}

void write_screenline_99(RunContext& ctx, bool analysis) {
  static const Layout kLink = Layout::parse("(T6,'99',T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2)");
  static const Layout kLinkNoCount = Layout::parse(
      "(T6,'99',T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR5,'********** THIS LINK HAS NO COUNT **********')");
  static const Layout kTotal = Layout::parse("(/,T6,'99',T16,'TOTALS',T24,2(F11.0),TR5,F6.2,TR1,A,/,/)");
  static const Layout kAsciiTotal = Layout::parse("(' 99',2F11.0,F7.2,TR4,A)");

  ScreenlineTables& sl = ctx.acc.screenlines;
  constexpr auto s = static_cast<std::size_t>(kScreenline99);
  if (!analysis) {
    // A validation run shows screenline 99 only when it has a total.
    if (sl.volume[s] == 0.0f && sl.reference[s] == 0.0f) return;
    const int count = std::clamp<int>(sl.sl99_count, 0, kScreenline99Limit);
    for (int k = 1; k <= count; ++k) {
      const Screenline99Entry& e = sl.sl99[static_cast<std::size_t>(k)];
      if (ctx.reserve_lines(1)) write_screenline_heading(ctx, analysis);
      ctx.report.write(e.count == 0.0f ? kLinkNoCount : kLink,
                       {e.anode, e.bnode, e.volume, e.count, e.ratio, e.ft, e.at});
    }
  }
  const FixedText<40>& name = ctx.classes.screenline_name[s];
  ctx.report.write(kTotal, {sl.volume[s], sl.reference[s], sl.ratio[s], name});
  if (ctx.settings.ascii_output) ctx.ascii_out.write(kAsciiTotal, {sl.volume[s], sl.reference[s], sl.ratio[s], name});
}

}  // namespace

void write_no_volume_list(RunContext& ctx) {
  static const Layout kHeading = Layout::parse("(' LINKS WITH NO ASSIGNED VOLUME',///)");
  static const Layout kSeparator = Layout::parse("(T2,8('+',14('-')),'+')");
  // A short last line still ends in " +": the layout writes the texts up to
  // the first node field that has no value.
  static const Layout kLine = Layout::parse("(8(TR1,'+',I6,I7),' +')");

  const NoVolumeList& list = ctx.acc.no_volume;
  const int count = std::clamp<int>(list.count, 0, kNoVolumeLimit);
  std::vector<FieldValue> values;
  values.reserve(2 * kNoVolumePerLine);
  int line = 0;
  for (int first = 1; first <= count; first += kNoVolumePerLine) {
    // Lines 1, 21, 41, ... begin a page. The list reserves no lines.
    if (line % kNoVolumeLinesPerPage == 0) {
      ctx.start_new_page();
      ctx.report.write(kHeading, {});
      ctx.report.write(kSeparator, {});
    }
    ++line;
    values.clear();
    for (int n = first; n <= std::min(count, first + kNoVolumePerLine - 1); ++n) {
      values.emplace_back(list.anode[static_cast<std::size_t>(n)]);
      values.emplace_back(list.bnode[static_cast<std::size_t>(n)]);
    }
    ctx.report.write(kLine, values);
  }
  ctx.report.write(kSeparator, {});
}

void write_screenline_summaries(RunContext& ctx) {
  const bool analysis = ctx.settings.analysis_mode;
  const ScreenlineTables& sl = ctx.acc.screenlines;
  ctx.start_new_page();
  write_screenline_heading(ctx, analysis);
  for (int s = 1; s <= kListedScreenlines; ++s) {
    const auto si = static_cast<std::size_t>(s);
    if (sl.volume[si] == 0.0f && sl.reference[si] == 0.0f) continue;
    write_listed_screenline(ctx, s, analysis);
  }
  write_screenline_99(ctx, analysis);
}

}  // namespace korvo
