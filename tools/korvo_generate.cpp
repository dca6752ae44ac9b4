// korvo_generate: writes a complete, seeded scenario directory that KORVO
// runs as it stands.
//
//   korvo_generate LINKS validation|analysis dbf|binary SEED DIRECTORY [options]
//
//   --ascii      write HRLDXY.ASC, its two-way form and counts (the default
//                up to 200,000 links, the size of the two-way table)
//   --no-ascii   do not
//   --aux-dbf    give an auxiliary dBASE file (VOLNAUXDBF)
//   --widen-main-street
//                analysis only: the build alternative (scenario 45B) with
//                one lane more each way on the main street
//
// The same arguments always give the same files. A summary of what the
// network holds goes to standard output.

#include <charconv>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "scenario_generator.h"

namespace {

using korvo::fixtures::ScenarioOptions;
using korvo::fixtures::ScenarioRunType;
using korvo::fixtures::ScenarioSource;

int usage() {
  std::fputs(
      "usage: korvo_generate LINKS validation|analysis dbf|binary SEED DIRECTORY [--ascii|--no-ascii] [--aux-dbf]\n"
      "                      [--widen-main-street]\n",
      stderr);
  return 64;
}

template <typename T>
bool parse_number(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end;
}

// One of two words: the value that goes with the word given.
template <typename T>
bool parse_choice(std::string_view text, std::string_view first, T first_value, std::string_view second, T second_value,
                  T& value) {
  if (text != first && text != second) return false;
  value = text == first ? first_value : second_value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) return usage();
  ScenarioOptions options;
  if (!parse_number(argv[1], options.links) || options.links < 1) {
    std::fprintf(stderr, "korvo_generate: LINKS must be a whole number of at least 1, not \"%s\"\n", argv[1]);
    return 64;
  }
  if (!parse_choice(argv[2], "validation", ScenarioRunType::kValidation, "analysis", ScenarioRunType::kAnalysis,
                    options.run_type)) {
    std::fprintf(stderr, "korvo_generate: the run type is validation or analysis, not \"%s\"\n", argv[2]);
    return 64;
  }
  if (!parse_choice(argv[3], "dbf", ScenarioSource::kDbf, "binary", ScenarioSource::kBinary, options.source)) {
    std::fprintf(stderr, "korvo_generate: the link source is dbf or binary, not \"%s\"\n", argv[3]);
    return 64;
  }
  if (!parse_number(argv[4], options.seed)) {
    std::fprintf(stderr, "korvo_generate: SEED must be a whole number, not \"%s\"\n", argv[4]);
    return 64;
  }
  const std::string directory = argv[5];
  for (int i = 6; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--ascii") {
      options.ascii_output = true;
    } else if (option == "--no-ascii") {
      options.ascii_output = false;
    } else if (option == "--aux-dbf") {
      options.aux_dbf = true;
    } else if (option == "--widen-main-street") {
      options.widen_main_street = true;
    } else {
      std::fprintf(stderr, "korvo_generate: unknown option \"%s\"\n", argv[i]);
      return usage();
    }
  }
  if (options.widen_main_street && !korvo::fixtures::is_analysis(options)) {
    std::fputs("korvo_generate: --widen-main-street makes a build alternative: it needs an analysis scenario\n",
               stderr);
    return 64;
  }

  try {
    const auto start = std::chrono::steady_clock::now();
    const auto s = korvo::fixtures::write_scenario(options, directory);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("scenario %s in %s: %lld links in %.2f s\n", s.scenario_code.c_str(), directory.c_str(),
                static_cast<long long>(s.links), seconds);
    std::printf("  grid %d x %d nodes (%lld links), %d zones, highest node %d, %d parallel link(s) per street\n",
                s.columns, s.rows, static_cast<long long>(s.grid_links), s.zones, static_cast<int>(s.max_node),
                s.copies);
    std::printf("  %lld two-way and %lld one-way street links, %lld centroid connectors, %lld unclassified\n",
                static_cast<long long>(s.two_way_links), static_cast<long long>(s.one_way_links),
                static_cast<long long>(s.connectors), static_cast<long long>(s.unclassified));
    std::printf("  %lld counted, %lld without volume, %lld on screenlines 1-3, %lld on screenline 99",
                static_cast<long long>(s.counted), static_cast<long long>(s.no_volume),
                static_cast<long long>(s.screenline_links), static_cast<long long>(s.count_stations));
    if (options.run_type == ScenarioRunType::kAnalysis) {
      std::printf(", %lld with construction codes", static_cast<long long>(s.construction));
    }
    std::printf("\n  level of service A-F:");
    for (long long n : s.level_of_service) std::printf(" %lld", n);
    std::printf("\n  files:");
    for (const auto& f : s.files) std::printf(" %s", f.c_str());
    std::printf("\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvo_generate: %s\n", e.what());
    return 1;
  }
  return 0;
}
