#include "reports/stats_csv.h"

#include "reports/csv_writer.h"

namespace korvo {
namespace {

void write_figure(CsvWriter& csv, const Figure& f) {
  switch (f.kind) {
    case Figure::Kind::kEmpty: csv.empty(); break;
    case Figure::Kind::kWhole: csv.number(f.whole_value); break;
    case Figure::Kind::kDouble: csv.number(f.value); break;
    case Figure::Kind::kFloat: csv.number(static_cast<float>(f.value)); break;
  }
}

}  // namespace

void write_stats_csv(RecordSink& out, std::span<const StatsRow> rows) {
  out.write_record(kStatsCsvHeader);
  CsvWriter csv(out);
  for (const StatsRow& row : rows) {
    csv.text(stats_section_name(row.section));
    csv.text(row.key);
    csv.text(row.label);
    for (const Figure* f : {&row.links, &row.count_sum, &row.volume_sum, &row.ratio, &row.rmse_pct, &row.vmt_count,
                            &row.vmt_volume, &row.vmt_ratio, &row.r2, &row.target_acceptable, &row.target_preferable}) {
      write_figure(csv, *f);
    }
    csv.text(verdict_name(row.result));
    csv.end_row();
  }
}

}  // namespace korvo
