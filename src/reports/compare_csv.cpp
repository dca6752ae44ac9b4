#include "reports/compare_csv.h"

#include <string>

#include "reports/csv_text.h"

namespace korvo {
namespace {

void append_class(std::string& record, std::int32_t number) {
  if (number > 0) record += std::to_string(number);
}

void append_optional_float(std::string& record, bool present, double value) {
  if (present) append_csv_float(record, static_cast<float>(value));
}

void append_optional_double(std::string& record, bool present, double value) {
  if (present) append_csv_double(record, value);
}

std::string table_note(const Comparison& c, std::size_t l, std::size_t r) {
  const TableCell& base = c.cell(l, 0);
  const TableCell& alt = c.cell(l, r);
  if (!base.present) return "not in base";
  if (!alt.present) return "not in this alternative";
  std::string note;
  const TableLine& line = c.lines[l];
  if (line.key.area_class != kTotalClass && alt.area_label != base.area_label) {
    note += "area_label here: " + std::string(c.text(alt.area_label));
  }
  if (line.key.ft_class != kTotalClass && alt.ft_label != base.ft_label) {
    if (!note.empty()) note += "; ";
    note += "ft_label here: " + std::string(c.text(alt.ft_label));
  }
  return note;
}

std::string stats_note(const StatsLine& line, std::size_t r) {
  if (!line.runs[0]) return "not in base";
  if (!line.runs[r]) return "not in this alternative";
  if (line.runs[r]->label != line.runs[0]->label) return "label here: " + line.runs[r]->label;
  return {};
}

}  // namespace

std::size_t write_compare_csv(const Comparison& c, RecordSink& out) {
  out.write_record(kCompareCsvHeader);
  std::size_t rows = 0;
  std::string record;
  const std::size_t n = c.run_count();

  // The runs: scenario code and title lines, the base first.
  for (const RunSummary& run : c.runs) {
    const std::pair<std::string_view, const std::string*> texts[] = {{"SCENARIO", &run.titles.scenario},
                                                                     {"TITLE 1", &run.titles.lines[0]},
                                                                     {"TITLE 2", &run.titles.lines[1]},
                                                                     {"TITLE 3", &run.titles.lines[2]}};
    for (const auto& [measure, text] : texts) {
      record = "RUN,";
      record += measure;
      record += ",,,,,,";
      append_csv_field(record, run.name);
      record += ",,,,,,,,";
      append_csv_field(record, *text);
      out.write_record(record);
      ++rows;
    }
  }

  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    const TableLine& line = c.lines[l];
    for (std::size_t r = 1; r < n; ++r) {
      record.clear();
      append_csv_field(record, c.text(line.key.table));
      record += ',';
      append_csv_field(record, c.text(line.key.measure));
      record += ',';
      append_class(record, line.area_number);
      record += ',';
      append_csv_field(record, c.text(line.area_label));
      record += ',';
      append_class(record, line.ft_number);
      record += ',';
      append_csv_field(record, c.text(line.ft_label));
      record += ',';
      record += lane_class_text(line.key.lanes);
      record += ',';
      append_csv_field(record, c.runs[r].name);
      record += ',';
      const TableCell& base = c.cell(l, 0);
      const TableCell& alt = c.cell(l, r);
      append_optional_float(record, base.has_value, base.value);
      record += ',';
      append_optional_float(record, alt.has_value, alt.value);
      record += ',';
      const Delta d = c.delta(l, r);
      append_optional_double(record, d.valid, d.difference);
      record += ',';
      append_optional_float(record, d.has_percent, d.percent);
      record += ',';
      if (d.valid) record += change_word(judge_change(line.direction, d.difference));
      record += ",,,";
      append_csv_field(record, table_note(c, l, r));
      out.write_record(record);
      ++rows;
    }
  }

  for (const StatsLine& line : c.stats) {
    const auto judged = judged_figure(line.section, line.key);
    const std::string table = "STATISTICS " + std::string(stats_section_name(line.section));
    for (std::size_t f = 0; f < kStatsFigureCount; ++f) {
      const auto figure = static_cast<StatsFigure>(f);
      bool any = false;
      for (const auto& run : line.runs) any = any || (run && run->has(figure));
      if (!any) continue;
      for (std::size_t r = 1; r < n; ++r) {
        const StatsFileRow* base = line.runs[0] ? &*line.runs[0] : nullptr;
        const StatsFileRow* alt = line.runs[r] ? &*line.runs[r] : nullptr;
        record.clear();
        append_csv_field(record, table);
        record += ',';
        append_csv_field(record, line.key + " " + std::string(stats_figure_name(figure)));
        record += ',';
        if (line.section == StatsSection::kAtClass) {
          append_csv_field(record, line.key);
          record += ',';
          append_csv_field(record, line.label);
          record += ",,,";
        } else if (line.section == StatsSection::kFtClass) {
          record += ",,";
          append_csv_field(record, line.key);
          record += ',';
          append_csv_field(record, line.label);
          record += ',';
        } else {
          record += ',';
          append_csv_field(record, line.label);
          record += ",,,";
        }
        record += ',';  // lanes
        append_csv_field(record, c.runs[r].name);
        record += ',';
        append_optional_double(record, base && base->has(figure), base ? base->get(figure) : 0);
        record += ',';
        append_optional_double(record, alt && alt->has(figure), alt ? alt->get(figure) : 0);
        record += ',';
        const Delta d = stats_delta(base, alt, figure);
        append_optional_double(record, d.valid, d.difference);
        record += ',';
        append_optional_float(record, d.has_percent, d.percent);
        record += ",,";  // change
        if (judged == figure) {
          if (base) record += verdict_name(base->result);
          record += ',';
          if (alt) record += verdict_name(alt->result);
        } else {
          record += ',';
        }
        record += ',';
        append_csv_field(record, stats_note(line, r));
        out.write_record(record);
        ++rows;
      }
    }
  }
  return rows;
}

}  // namespace korvo
