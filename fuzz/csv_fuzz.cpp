// The CSV reader, the readers of KVTABLES.CSV and KVSTATS.CSV on top of it,
// and the comparison of a run with itself.
//
// Input: a mode byte, then the bytes.
//   mode % 4 == 0: CSV records; each record the reader accepts, written
//                  again with the CSV writer's quoting, must read back to
//                  the same fields.
//   mode % 4 == 1: a KVTABLES.CSV.
//   mode % 4 == 2: a KVSTATS.CSV.
//   mode % 4 == 3: a KVTABLES.CSV up to the first NUL byte, its KVSTATS.CSV
//                  after it; when they read, the run compared with itself
//                  must show no difference, and both outputs are written.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"
#include "evaluation/comparison.h"
#include "fuzz_support.h"
#include "input/csv_reader.h"
#include "input/kvstats_reader.h"
#include "input/kvtables_reader.h"
#include "reports/compare_csv.h"
#include "reports/compare_html.h"
#include "reports/csv_text.h"

using namespace korvo;

namespace {

// A stop's message names the file first; the bytes it quotes from the file
// are escaped where the message is printed.
void check_message(const FileError& e, std::string_view file) {
  fuzz::check(std::string_view(e.what()).rfind(" " + std::string(file), 0) == 0,
              "a message that does not name its file");
}

void round_trip(std::string_view bytes) {
  CsvReader csv(ByteStream::from_memory(bytes, "T.CSV"));
  try {
    while (csv.next()) {
      fuzz::check(csv.size() >= 1 && csv.size() <= CsvReader::kMaxFields, "a record outside 1..64 fields");
      // After a first line: a byte-order mark only counts at the file's start.
      std::string again = "first\n";
      std::vector<std::string> fields;
      for (std::size_t i = 0; i < csv.size(); ++i) {
        fuzz::check(csv.field(i).size() <= CsvReader::kMaxFieldBytes, "a field beyond the cap");
        fields.emplace_back(csv.field(i));
        if (i > 0) again += ',';
        append_csv_field(again, csv.field(i));
      }
      again += '\n';
      CsvReader back(ByteStream::from_memory(again, "AGAIN.CSV"));
      fuzz::check(back.next() && back.next(), "a written record does not read back");
      fuzz::check(back.size() == fields.size(), "a written record reads back with another number of fields");
      for (std::size_t i = 0; i < fields.size(); ++i)
        fuzz::check(back.field(i) == fields[i], "a field changed on the way back");
      fuzz::check(!back.next(), "a written record reads back as two");
    }
  } catch (const FileError& e) {
    check_message(e, "T.CSV");
  }
}

void tables(std::string_view bytes) {
  TextPool pool;
  try {
    const RunTables run = KvTablesReader::read(ByteStream::from_memory(bytes, "KVTABLES.CSV"), pool);
    fuzz::check(run.rows.size() <= KvTablesReader::kMaxRows, "rows beyond the cap");
    for (const TablesRow& row : run.rows) {
      fuzz::check(row.area_class >= 0 && row.area_class <= KvTablesReader::kMaxClass, "an area class out of range");
      fuzz::check(row.ft_class >= 0 && row.ft_class <= KvTablesReader::kMaxClass, "a facility class out of range");
      fuzz::check(!row.has_value || std::isfinite(row.value), "a value that is not finite");
    }
  } catch (const FileError& e) {
    check_message(e, "KVTABLES.CSV");
  }
}

void stats(std::string_view bytes) {
  try {
    const RunStats run = KvStatsReader::read(ByteStream::from_memory(bytes, "KVSTATS.CSV"));
    fuzz::check(run.rows.size() <= KvStatsReader::kMaxRows, "rows beyond the cap");
    for (const StatsFileRow& row : run.rows) {
      fuzz::check(!row.key.empty(), "a row without a key");
      for (std::size_t f = 0; f < kStatsFigureCount; ++f) {
        fuzz::check(!row.present[f] || std::isfinite(row.figures[f]), "a figure that is not finite");
      }
    }
  } catch (const FileError& e) {
    check_message(e, "KVSTATS.CSV");
  }
}

void self_comparison(std::string_view bytes) {
  const std::size_t split = bytes.find('\0');
  const std::string_view tables_bytes = bytes.substr(0, split);
  const std::string_view stats_bytes = split == std::string_view::npos ? std::string_view{} : bytes.substr(split + 1);
  TextPool pool;
  std::vector<RunData> runs(2);
  try {
    for (RunData& run : runs) {
      run.name = "run";
      run.tables = KvTablesReader::read(ByteStream::from_memory(tables_bytes, "KVTABLES.CSV"), pool);
      if (run.tables.type == RunType::kValidation)
        run.stats = KvStatsReader::read(ByteStream::from_memory(stats_bytes, "KVSTATS.CSV"));
    }
  } catch (const FileError& e) {
    fuzz::check(std::string_view(e.what()).rfind(" KV", 0) == 0, "a message that does not name its file");
    return;
  }
  const Comparison c = compare_runs(runs, pool);
  fuzz::check(c.one_sided_lines() == 0, "a run against itself has a figure on one side only");
  for (std::size_t l = 0; l < c.lines.size(); ++l) {
    const Delta d = c.delta(l, 1);
    fuzz::check(!c.cell(l, 0).has_value || (d.valid && d.difference == 0), "a run against itself shows a difference");
  }
  fuzz::NullSink sink;
  write_compare_csv(c, sink);
  const std::string page = compare_page(c);
  for (const char ch : page) {
    const auto u = static_cast<unsigned char>(ch);
    fuzz::check(u >= 32 || ch == '\n' || ch == '\t', "a control byte on the page");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 4) {
    case 0: round_trip(bytes); break;
    case 1: tables(bytes); break;
    case 2: stats(bytes); break;
    default: self_comparison(bytes); break;
  }
  return 0;
}
