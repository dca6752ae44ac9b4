// Micro-benchmarks of the pieces every link passes through: converting a
// dBASE record into the link record, decoding a binary link entry, and
// writing report lines through a layout. Inputs come from the scenario
// generator, so the records look like a real network's.
//
//   cmake --preset bench && cmake --build --preset bench -j2
//   build/bench/bench/korvo_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/driver.h"
#include "app/run_context.h"
#include "city_model.h"
#include "common/layout.h"
#include "common/text_file.h"
#include "input/binary_network.h"
#include "input/database_control.h"
#include "input/dbf_read_ahead.h"
#include "input/dbf_reader.h"
#include "input/profile.h"
#include "link_attributes.h"
#include "scenario_generator.h"

namespace {

using korvo::fixtures::ScenarioOptions;
using korvo::fixtures::ScenarioRunType;
using korvo::fixtures::ScenarioSource;

constexpr std::int64_t kLinks = 50'000;

// A generated scenario in a scratch directory, removed at exit.
class Scenario {
 public:
  Scenario(ScenarioRunType type, ScenarioSource source) {
    dir_ = std::filesystem::temp_directory_path() /
           ("korvo-bench-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    ScenarioOptions o;
    o.links = kLinks;
    o.run_type = type;
    o.source = source;
    o.seed = 1;
    o.ascii_output = false;
    summary_ = korvo::fixtures::write_scenario(o, dir_);
  }
  ~Scenario() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  std::string bytes(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  const korvo::fixtures::ScenarioSummary& summary() const { return summary_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_;
  korvo::fixtures::ScenarioSummary summary_;
};

// The generated dBASE link file of a scenario and its keyword map, and a
// source opened over the file's bytes and ready for its first record.
struct DbfBenchFile {
  explicit DbfBenchFile(const Scenario& scenario) : bytes(scenario.bytes(scenario.summary().network_file)) {
    korvo::TextReader control = korvo::TextReader::open_file(scenario.dir() / "DATABASE.CTL", "DATABASE.CTL");
    korvo::read_database_control(control, map);
  }
  std::unique_ptr<korvo::DbfLinkSource> open() const {
    auto source = std::make_unique<korvo::DbfLinkSource>();
    source->map = map;
    source->stream = korvo::ByteStream::from_memory(bytes, "NET26A.DBF");
    korvo::read_link_file_header(*source, nullptr);
    korvo::prepare_link_fields(*source, nullptr);
    return source;
  }
  std::string bytes;
  korvo::LinkFieldMap map;
};

// dBASE: one record read and its 20 keyword fields converted (integers,
// scaled reals) into the link record, per item.
void BM_DbfRecordConversion(benchmark::State& state) {
  const Scenario scenario(ScenarioRunType::kValidation, ScenarioSource::kDbf);
  const DbfBenchFile file(scenario);
  korvo::LinkRecord link;
  std::int64_t links = 0;
  auto source = file.open();
  for (auto _ : state) {
    if (korvo::read_next_dbf_link(*source, link) == korvo::LinkStatus::kEndOfLinks) {
      state.PauseTiming();
      source = file.open();
      state.ResumeTiming();
      korvo::read_next_dbf_link(*source, link);
    }
    benchmark::DoNotOptimize(link.volumes[0]);
    ++links;
  }
  state.SetItemsProcessed(links);
  state.SetBytesProcessed(links * source->header.record_length);
}
BENCHMARK(BM_DbfRecordConversion);

// dBASE: the whole file delivered into the link record, by the reader on
// this thread (block 0) or through the read-ahead thread in blocks of that
// many records; per item, one link.
void BM_DbfWholeFile(benchmark::State& state) {
  const Scenario scenario(ScenarioRunType::kValidation, ScenarioSource::kDbf);
  const DbfBenchFile file(scenario);
  korvo::LinkRecord link;
  std::int64_t links = 0;
  for (auto _ : state) {
    auto source = file.open();
    if (state.range(0) == 0) {
      while (korvo::read_next_dbf_link(*source, link) == korvo::LinkStatus::kLink) ++links;
    } else {
      korvo::DbfReadAhead ahead(*source, static_cast<std::size_t>(state.range(0)));
      while (ahead.next(link) == korvo::LinkStatus::kLink) ++links;
    }
    benchmark::DoNotOptimize(link.volumes[0]);
  }
  state.SetItemsProcessed(links);
}
BENCHMARK(BM_DbfWholeFile)->Arg(0)->Arg(256)->Arg(1024)->Arg(4096)->ArgName("block")->UseRealTime();

// Binary network: one link entry decoded (nodes, bit fields, the period
// block with two volume slots), per item.
void BM_BinaryLinkDecode(benchmark::State& state) {
  const Scenario scenario(ScenarioRunType::kValidation, ScenarioSource::kBinary);
  const std::string file = scenario.bytes(scenario.summary().network_file);
  auto binary = std::make_unique<korvo::BinaryNetwork>();
  korvo::LinkRecord link;
  auto restart = [&]() {
    *binary = korvo::BinaryNetwork{};
    binary->stream = korvo::ByteStream::from_memory(file, "HRLDXY.26A");
    binary->records = korvo::FortranRecordReader(&binary->stream);
    korvo::read_binary_header(*binary);
    korvo::set_binary_slot_counts(binary->header, link);
  };
  restart();
  std::int64_t links = 0;
  for (auto _ : state) {
    if (korvo::read_binary_link(*binary, link) == korvo::LinkStatus::kEndOfLinks) {
      state.PauseTiming();
      restart();
      state.ResumeTiming();
      korvo::read_binary_link(*binary, link);
    }
    benchmark::DoNotOptimize(link.volumes[0]);
    ++links;
  }
  state.SetItemsProcessed(links);
}
BENCHMARK(BM_BinaryLinkDecode);

// Per-link evaluation: everything the link loop does with a link once it is
// in the link record (selections, classes, the no-volume list, the measures
// of both run types, level of service, costs, screenline lists), per item.
// The links are the generator's, put into the link record as the dBASE
// reader stores a record (fixtures::copy_link_attributes).
void BM_PerLinkEvaluation(benchmark::State& state) {
  const auto type = state.range(0) == 0 ? ScenarioRunType::kValidation : ScenarioRunType::kAnalysis;
  const Scenario scenario(type, ScenarioSource::kDbf);
  std::ostringstream console;
  std::istringstream input;
  auto ctx = korvo::RunContext::create(korvo::WorkDir(scenario.dir()), korvo::Console(console, input));
  ctx->report.create(scenario.dir() / "KORVO.OUT", "KORVO.OUT");
  korvo::TextReader profile = korvo::TextReader::open_file(scenario.dir() / "PROFILE.MAS", "PROFILE.MAS");
  korvo::read_profile_pass1(profile, ctx->settings, [] {});
  const std::string network = scenario.summary().network_file;
  ctx->dbf.stream = korvo::ByteStream::open_file(scenario.dir() / network, network);
  korvo::prepare_labels_and_selection(*ctx);
  if (!korvo::prepare_evaluation(*ctx)) {
    state.SkipWithError("the generated network lacks a keyword field");
    return;
  }
  std::vector<korvo::fixtures::GeneratedLink> links;
  {
    ScenarioOptions o;
    o.links = kLinks;
    o.run_type = type;
    o.seed = 1;
    korvo::fixtures::CityNetwork city(o);
    korvo::fixtures::GeneratedLink l;
    while (city.next(l)) links.push_back(l);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& l = links[i];
    if (++i == links.size()) i = 0;
    korvo::fixtures::copy_link_attributes(l, ctx->link);
    korvo::process_link(*ctx);
  }
  state.SetItemsProcessed(state.iterations());
  benchmark::DoNotOptimize(ctx->eval.acc.work_area[0]);
}
BENCHMARK(BM_PerLinkEvaluation)->Arg(0)->Arg(1)->ArgName("analysis");

// Counts the bytes of the records a layout writes, as a report file would
// receive them, without the file system.
class CountingSink final : public korvo::RecordSink {
 public:
  void write_record(std::string_view record) override { bytes += record.size() + 1; }
  std::int64_t bytes = 0;
};

// Layout writer: one row of a lane table (a 16-character label and ten
// F10.2 values at fixed columns), per item.
void BM_LayoutLaneTableRow(benchmark::State& state) {
  using korvo::operator""_layout;
  static constexpr auto kRow = "(T2,A,T18,10F10.2)"_layout;
  CountingSink sink;
  float v = 1.25f;
  for (auto _ : state) {
    korvo::write_record(sink, kRow, "Divided Arterial", v, v * 2, v * 3, v * 4, v * 5, v * 6, v * 7, v * 8, v * 9,
                        v * 10);
    v += 0.5f;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(sink.bytes);
}
BENCHMARK(BM_LayoutLaneTableRow);

// Layout writer: one screenline link line (integers, F11.0, F6.2 and a
// 46-character remark), per item.
void BM_LayoutScreenlineLine(benchmark::State& state) {
  using korvo::operator""_layout;
  static constexpr auto kLine = "(T6,I2,T13,I5,T19,I5,2(F11.0),TR5,F6.2,T64,I2,TR1,I2,TR1,A)"_layout;
  static const std::string kRemark(46, ' ');
  CountingSink sink;
  std::int32_t node = 100;
  for (auto _ : state) {
    korvo::write_record(sink, kLine, 1, node, node + 1, 12345.0f, 11000.0f, 1.12f, 21, 3, kRemark);
    ++node;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(sink.bytes);
}
BENCHMARK(BM_LayoutScreenlineLine);

}  // namespace

BENCHMARK_MAIN();
