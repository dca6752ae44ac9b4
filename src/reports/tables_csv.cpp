#include "reports/tables_csv.h"

#include <algorithm>
#include <string>

#include "input/csv_fields.h"
#include "reports/cross_tabs.h"
#include "reports/csv_writer.h"
#include "reports/los_tables.h"
#include "reports/system_totals.h"

namespace korvo {
namespace {

constexpr int kAreaColumns = 12;  // the area tables print at most twelve area types
constexpr int kScreenline99 = 99;
constexpr std::string_view kLaneTexts[] = {"", "1", "2", "3", "4", "5", "6", "7", "8", "9+", "total"};
constexpr std::string_view kLosMeasures[] = {"", "A", "B", "C", "D", "E", "F", "TOTAL"};

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

class TablesCsv {
 public:
  TablesCsv(RecordSink& out, const ClassTables& classes) : csv_(out), classes_(classes) {}

  // One row; a class of 0 and an empty lanes text are written as empty fields.
  void row(std::string_view table, std::string_view measure, int area_class, int ft_class, std::string_view lanes,
           float value) {
    // A lane table gives ten rows that differ only from the lanes on: their
    // first fields are formed once (formed for each row, they took close to
    // half of the instructions the file took).
    if (!head_.matches(table, measure, area_class, ft_class)) {
      csv_.text(table);
      csv_.text(measure);
      class_fields(area_class, area_class > 0 ? area_label(area_class) : std::string_view{});
      class_fields(ft_class, ft_class > 0 ? ft_label(ft_class) : std::string_view{});
      head_ = {std::string(table), std::string(measure), area_class, ft_class, csv_.take_fields()};
    }
    csv_.fields(head_.fields);
    csv_.text(lanes);
    csv_.number(value);
    csv_.end_row();
  }

  // A screenline row: no classes, the screenline's name as the area label.
  void screenline_row(std::string_view measure, std::string_view name, float value) {
    csv_.text(kScreenlineTable);
    csv_.text(measure);
    csv_.empty();
    csv_.text(name);
    csv_.empty();
    csv_.empty();
    csv_.empty();
    csv_.number(value);
    csv_.end_row();
  }

  void run_row(std::string_view measure, std::int64_t value) {
    csv_.text("RUN");
    csv_.text(measure);
    for (int k = 0; k < 5; ++k) csv_.empty();
    csv_.number(value);
    csv_.end_row();
  }

  static constexpr std::string_view kScreenlineTable = "SCREENLINE SUMMARIES";

 private:
  void class_fields(int cls, std::string_view label) {
    if (cls > 0) {
      csv_.number(static_cast<std::int64_t>(cls));
    } else {
      csv_.empty();
    }
    csv_.text(label);
  }
  std::string_view area_label(int cls) const { return cls == classes_.nat ? "Total" : trimmed(classes_.at_label(cls)); }
  std::string_view ft_label(int cls) const { return cls == classes_.nft ? "Total" : trimmed(classes_.ft_label(cls)); }

  // The first fields of the last row, and what they were formed from.
  struct Head {
    std::string table;
    std::string measure;
    int area_class = -1;
    int ft_class = -1;
    std::string fields;
    bool matches(std::string_view t, std::string_view m, int area, int ft) const {
      return area == area_class && ft == ft_class && t == table && m == measure;
    }
  };

  CsvWriter csv_;
  const ClassTables& classes_;
  Head head_;
};

void write_lane_tables(TablesCsv& out, const EvalSums& sums) {
  const int nft = sums.nft();
  const int nat = sums.nat();
  for (const TableSpec& table : validation_table_specs()) {
    const std::string_view measure = slot_name(table.slot);
    for (int j = 1; j <= nat; ++j) {
      for (int i = 1; i <= nft; ++i) {
        if (i != nft && !lane_table_row_printed(sums, table.slot, table.whole, i, j)) continue;
        for (int k = 1; k <= kLaneClassCount; ++k) {
          out.row(table.caption, measure, j, i, kLaneTexts[k], sums.at(i, j, k, table.slot));
        }
      }
    }
  }
}

void write_area_tables(TablesCsv& out, const EvalSums& sums) {
  const int nft = sums.nft();
  const int columns = std::min(sums.nat(), kAreaColumns);
  for (const TableSpec& table : analysis_table_specs()) {
    const std::string_view measure = slot_name(table.slot);
    for (int i = 1; i <= nft; ++i) {
      if (i != nft && !area_table_row_printed(sums, table.slot, table.whole, i)) continue;
      for (int j = 1; j <= columns; ++j) {
        out.row(table.caption, measure, j, i, "total", sums.at(i, j, kLaneClassCount, table.slot));
      }
    }
  }
}

void write_los_table(TablesCsv& out, std::string_view caption, const LosTable& table, int nft) {
  for (int i = 1; i <= nft; ++i) {
    if (i != nft && !los_row_printed(table, i)) continue;
    const auto& r = table[static_cast<std::size_t>(i)];
    for (int level = 1; level <= kLosLevels; ++level) {
      out.row(caption, kLosMeasures[level], 0, i, "", r[static_cast<std::size_t>(level)]);
    }
  }
}

void write_screenlines(TablesCsv& out, const ScreenlineTables& sl, const ScreenlineNames& names, bool analysis) {
  const std::string_view reference = analysis ? "CAPACITY" : "COUNT";
  std::string measure;
  const auto totals = [&](int s, std::string_view name) {
    const auto si = static_cast<std::size_t>(s);
    const std::string head = "SL " + std::to_string(s) + " ";
    out.screenline_row(head + "VOLUME", name, sl.volume[si]);
    out.screenline_row(head + std::string(reference), name, sl.reference[si]);
    out.screenline_row(head + "RATIO", name, sl.ratio[si]);
  };
  const auto link = [&](int s, std::string_view name, std::int32_t anode, std::int32_t bnode, float volume, float ref,
                        float ratio) {
    const std::string head =
        "SL " + std::to_string(s) + " LINK " + std::to_string(anode) + "-" + std::to_string(bnode) + " ";
    out.screenline_row(head + "VOLUME", name, volume);
    out.screenline_row(head + std::string(reference), name, ref);
    out.screenline_row(head + "RATIO", name, ratio);
  };

  for (int s = 1; s <= kListedScreenlines; ++s) {
    const auto si = static_cast<std::size_t>(s);
    if (sl.volume[si] == 0.0f && sl.reference[si] == 0.0f) continue;
    const std::string_view name = trimmed(names[si].view());
    const int nlinks = std::clamp<int>(sl.nlinks[si], 0, kScreenlineListLimit);
    for (int k = 1; k <= nlinks; ++k) {
      const ScreenlineEntry& e = sl.links[si][static_cast<std::size_t>(k)];
      link(s, name, e.anode, e.bnode, e.volume, e.reference, e.ratio);
    }
    totals(s, name);
  }

  constexpr auto s99 = static_cast<std::size_t>(kScreenline99);
  const std::string_view name = trimmed(names[s99].view());
  if (!analysis) {
    if (sl.volume[s99] == 0.0f && sl.reference[s99] == 0.0f) return;
    const int count = std::clamp<int>(sl.sl99_count, 0, kScreenline99Limit);
    for (int k = 1; k <= count; ++k) {
      const Screenline99Entry& e = sl.sl99[static_cast<std::size_t>(k)];
      link(kScreenline99, name, e.anode, e.bnode, e.volume, e.count, e.ratio);
    }
  }
  totals(kScreenline99, name);
}

}  // namespace

void write_tables_csv(RecordSink& sink, const Evaluation& e, bool analysis) {
  sink.write_record(kTablesCsvHeader);
  TablesCsv out(sink, e.classes);
  out.run_row("FORMAT", kCsvFormatVersion);
  out.run_row(analysis ? "ANALYSIS" : "VALIDATION", 1);
  const Accumulators& acc = e.acc;
  if (analysis) {
    write_area_tables(out, acc.sums);
    const int nft = std::clamp(acc.sums.nft(), 1, kMaxClasses);
    write_los_table(out, "MILES OF ROADWAY AT EACH LEVEL OF SERVICE", acc.los_miles, nft);
    write_los_table(out, "PERCENT OF MILEAGE AT EACH LEVEL OF SERVICE", acc.los_pct, nft);
  } else {
    write_lane_tables(out, acc.sums);
  }
  write_screenlines(out, acc.screenlines, e.classes.screenline_name, analysis);
  for (const SystemTotal& total : system_total_values(acc, analysis)) {
    out.row("SYSTEM TOTALS", total.caption, 0, 0, "", total.value);
  }
}

}  // namespace korvo
