#include "reports/rate_pages.h"

#include "reports/description_pages.h"

namespace korvo {
namespace {

// In the framed layouts ("..."_framed_layout) '|' stands for the code page
// 437 box line, byte 0xB3.

constexpr std::string_view kSpeedCaptions[] = {"  LT 20 ", " 20 - 25", " 25 - 30", " 30 - 35", " 35 - 40", " 40 - 45",
                                               " 45 - 50", " 50 - 55", " 55 - 60", " 60 - 65", "  GE 65 "};
constexpr std::string_view kSpeedCaptionGe60 = "  GE 60 ";

// The caption of speed-class row r of a table with the given number of rows.
std::string_view speed_caption(int row, int rows) {
  if (rows == kSpeedClasses10 && row == kSpeedClasses10) return kSpeedCaptionGe60;
  return kSpeedCaptions[static_cast<std::size_t>(row - 1)];
}

void write_border(RecordSink& out) {
  static constexpr auto kBorder = "(T5,'+----------',9('+--------'),'+')"_layout;
  write_record(out, kBorder);
}

void write_empty_framed_line(RecordSink& out) {
  static constexpr auto kEmpty = "(T5,'|',T16,'|',T97,'|')"_framed_layout;
  write_record(out, kEmpty);
}

template <typename RowLayout, typename First>
void write_values_row(RecordSink& out, const RowLayout& layout, const First& first,
                      const std::array<float, kRateFtClasses + 1>& v) {
  write_record(out, layout, first, v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]);
}

// A speed-class table, from the lines before its caption to its closing
// border. Only the oxides of nitrogen table has the spacer line under its
// heading.
template <typename CaptionLayout, std::size_t N>
void write_speed_table(RecordSink& out, const CaptionLayout& caption,
                       const std::array<std::array<float, kRateFtClasses + 1>, N>& grid, bool spacer) {
  constexpr int kRows = static_cast<int>(N) - 1;
  static constexpr auto kHeading =
      "(T5,'|  SPEED   |  FT 1  |  FT 2  |  FT 3  |  FT 4  |  FT 5  |  FT 6  |  FT 7  |  FT 8  |  FT 9  |')"_framed_layout;
  static constexpr auto kRow = "(T5,'|',A,'  |',F7.2,1X,8(F8.2,1X),'|')"_framed_layout;
  write_record(out, caption);
  write_border(out);
  write_record(out, kHeading);
  write_border(out);
  if (spacer) write_empty_framed_line(out);
  for (int row = 1; row <= kRows; ++row) {
    write_values_row(out, kRow, speed_caption(row, kRows), grid[static_cast<std::size_t>(row)]);
  }
  write_border(out);
}

void write_cost_table(RecordSink& out, const RateGrid<kCostRows>& grid) {
  static constexpr auto kCaption = "(T5,'CONSTRUCTION COST : THOUSAND DOLLARS PER MILE'/)"_layout;
  static constexpr auto kHeading1 =
      "(T5,'|',T16,'|  FT 1  |  FT 2  |  FT 3  |  FT 4  |  FT 5  |  FT 6  |  FT 7  |  FT 8  |  FT 9  |')"_framed_layout;
  static constexpr auto kHeading2 = "(T5,'|   CODE   |',9('        |'))"_framed_layout;
  static constexpr auto kRow = "(T5,'|    ',I1,'     |',F7.2,1X,8(F8.2,1X),'|')"_framed_layout;
  write_record(out, kCaption);
  write_border(out);
  write_record(out, kHeading1);
  write_record(out, kHeading2);
  write_border(out);
  write_empty_framed_line(out);
  // Row 10 holds the cost of no construction (code 0); it is not shown.
  for (int code = 1; code <= kCostRows - 1; ++code) {
    write_values_row(out, kRow, code, grid[static_cast<std::size_t>(code)]);
  }
  write_border(out);
}

void write_rate_lines(RecordSink& out, const RateTables& t) {
  static constexpr auto kIntro = "(///T6,'THE FOLLOWING RATES ARE USED IN THE VARIOUS CALCULATIONS:'/)"_layout;
  static constexpr auto kGroup =
      "(T6,A,'FREEWAYS  - ',F6.3,' PER MILLION VEHICLE MILES'/"
      "T22,'ARTERIALS - ',F6.3,' PER MILLION VEHICLE MILES'/"
      "T22,'LOCALS    - ',F6.3,' PER MILLION VEHICLE MILES')"_layout;
  // Only classes 1, 2 and 5 are printed: freeways, arterials and locals.
  write_record(out, kIntro);
  write_record(out, kGroup, "ACCIDENT RATES: ", t.accident[1], t.accident[2], t.accident[5]);
  out.write_record({});
  write_record(out, kGroup, "INJURY RATES  : ", t.injury[1], t.injury[2], t.injury[5]);
  out.write_record({});
  write_record(out, kGroup, "FATALITY RATES: ", t.fatality[1], t.fatality[2], t.fatality[5]);
}

}  // namespace

void write_rate_pages(RecordSink& out, const RateTables& t) {
  static constexpr auto kCoCaption = "(T6,'CARBON MONOXIDE EMISSIONS (GRAMS PER VEHICLE MILE)')"_layout;
  static constexpr auto kHcCaption = "(//T6,'HYDROCARBON EMISSIONS (GRAMS PER VEHICLE MILES)')"_layout;
  static constexpr auto kNoxCaption = "(///T6,'OXIDES OF NITROGEN EMISSIONS (GRAMS PER VEHICLE MILE)')"_layout;
  static constexpr auto kFuelCaption = "(T6,'FUEL USE (GALLONS PER MILE)'/)"_layout;
  write_rate_lines(out, t);

  write_assumptions_banner(out);
  write_speed_table(out, kCoCaption, t.carbon_monoxide, false);
  write_speed_table(out, kHcCaption, t.hydrocarbons, false);
  write_speed_table(out, kNoxCaption, t.nitrogen_oxides, true);

  write_assumptions_banner(out);
  write_speed_table(out, kFuelCaption, t.fuel, false);

  write_construction_code_definitions(out);
  write_cost_table(out, t.construction_cost);
}

}  // namespace korvo
