// Writes the seed corpora of the fuzz targets:
//   korvo_fuzz_seeds OUT_DIR [EXAMPLES_DIR]
// OUT_DIR/<target>/<seed> for every target (fuzz/corpus is the one kept in
// the repository; scripts/fuzz.sh seeds rewrites it). The seeds are the
// sound scenarios and the damaged files of the bad-input matrix, built with
// the fixture writers, and the input directories of the examples.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dbf_writer.h"
#include "fuzz_support.h"
#include "hardening/bad_input_cases.h"
#include "hardening/scenarios.h"
#include "input/csv_cases.h"
#include "input/targets_cases.h"
#include "network_writer.h"
#include "run_csv_fixtures.h"

namespace fs = std::filesystem;
using namespace korvo;
using namespace korvo::hardening;

namespace {

class SeedWriter {
 public:
  explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

  // A seed whose bytes the target already has is left out.
  void add(const std::string& target, const std::string& name, const std::string& bytes) {
    if (!seen_[target].insert(bytes).second) return;
    const fs::path dir = root_ / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + (dir / name).string());
    ++count_;
  }
  int count() const { return count_; }

 private:
  fs::path root_;
  std::map<std::string, std::set<std::string>> seen_;
  int count_ = 0;
};

// A file name as a seed name: letters and digits kept, the rest "_".
std::string seed_name(std::string text) {
  for (char& c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return text;
}

std::string file_or_empty(const Files& files, const std::string& name) {
  const auto it = files.find(name);
  return it == files.end() ? std::string() : it->second;
}

bool framed_name(const std::string& name) {
  for (const auto known : fuzz::kScenarioNames) {
    if (known == name) return true;
  }
  return false;
}

// A working directory in the run target's framing; files of other names
// than the framing knows are left out.
std::string scenario_seed(const Files& files, const std::string& console = {}) {
  std::vector<fuzz::ScenarioFile> parts;
  for (const auto& [name, bytes] : files) {
    if (framed_name(name)) parts.push_back({name, bytes});
  }
  if (!console.empty()) parts.push_back({std::string(fuzz::kConsoleName), console});
  return fuzz::encode_scenario(parts);
}

// Each file of a scenario also seeds the target of its own reader.
void add_reader_seeds(SeedWriter& seeds, const std::string& name, const Files& files) {
  const std::string labels = file_or_empty(files, "KVLABELS.SYN");
  const std::string screens = file_or_empty(files, "KVSCREEN.SYN");
  for (const auto& [file, bytes] : files) {
    if (file == "PROFILE.MAS") seeds.add("profile", name, bytes);
    if (file == "VELMAR.CTL") seeds.add("control_file", name, bytes);
    if (file == "DATABASE.CTL") seeds.add("database_control", name, bytes);
    if (file == "KVRATES.SYN") seeds.add("rates", name, bytes);
    if (file == kLinkDbf || file.rfind("NET", 0) == 0) {
      seeds.add("dbf_link", name, bytes);
      seeds.add("dbf_survey", name, bytes);
    }
    if (file == "AUXLINKS.DBF") seeds.add("aux_dbf", name, std::string(1, '\x1f') + bytes);
    if (file.rfind("HRLDXY.", 0) == 0 && file != "HRLDXY.ASC") seeds.add("binary_network", name, bytes);
    if (file == "HRLDXY.ASC") seeds.add("two_way", name, std::string(1, '\x01') + bytes);
  }
  if (files.count("KVLABELS.SYN") || files.count("KVSCREEN.SYN")) {
    seeds.add("labels", name, std::string(1, '\0') + labels + std::string(1, '\0') + screens);
    seeds.add("labels", name + "_analysis", std::string(1, '\1') + labels + std::string(1, '\0') + screens);
  }
}

// The auxiliary merge: the links of the binary scenario against the
// auxiliary network file (in step, and out of step after two links), and
// against a table.
void add_volnaux_seeds(SeedWriter& seeds) {
  const auto links = binary_links();
  std::string pairs;
  for (const auto& l : links) {
    fixtures::append_i32le(pairs, static_cast<std::int32_t>(l.anode));
    fixtures::append_i32le(pairs, static_cast<std::int32_t>(l.bnode));
  }
  const std::string count(1, static_cast<char>(links.size()));
  seeds.add("volnaux", "in_step", std::string(1, '\0') + count + pairs + aux_network());
  auto shifted = links;
  shifted[2].anode = 40000;
  seeds.add("volnaux", "mismatch_unsigned", std::string(1, '\1') + count + pairs + aux_network(shifted));
  seeds.add("volnaux", "file_ends_early", std::string(1, '\0') + count + pairs + aux_network().substr(0, 30));
  std::string table;
  for (const auto& l : links) {
    fixtures::append_i32le(table, static_cast<std::int32_t>(l.anode));
    fixtures::append_i32le(table, static_cast<std::int32_t>(l.bnode));
    fixtures::append_i32le(table, 0x0305);
    fixtures::append_i32le(table, 2);
  }
  seeds.add("volnaux", "table", std::string(1, '\6') + count + pairs + table);
}

void add_two_way_seeds(SeedWriter& seeds) {
  const std::string records =
      "    10    20  1  1  2  0  150  120  130   3800   4000\n"
      "    11    12  2  3  1  0  230  300  320   1500   1800\n"
      "    20    10  1  1  2  0  150  120  140   3400   4000\n";
  seeds.add("two_way", "one_slot", std::string(1, '\1') + records);
  const std::string slots =
      "    10    20  1  1  2  0  150  120  130   3800   4000   3500   1000   2800\n"
      "    20    10  1  1  2  0  150  120  140   3400   4000   3600   1400   2000\n";
  seeds.add("two_way", "counts_and_slots", std::string(1, '\x12') + slots);
  std::string pairs;
  for (int a = 1; a <= 6; ++a) {
    pairs += static_cast<char>(a);
    pairs += static_cast<char>(a % 6 + 1);
    pairs += static_cast<char>(a % 6 + 1);
    pairs += static_cast<char>(a);
  }
  seeds.add("two_way", "pairing", std::string(1, '\x20') + pairs);
}

// Fields as the link files hold them: width, decimals, text.
void add_numeric_field_seeds(SeedWriter& seeds) {
  struct Field {
    int width, decimals;
    const char* text;
  };
  const Field fields[] = {{7, 2, "  12.34"},
                          {7, 0, "   1234"},
                          {7, 2, "  -2.70"},
                          {7, 2, "   1234"},
                          {9, 3, "1.234E+01"},
                          {7, 0, "       "},
                          {7, 0, "    +12"},
                          {0, 0, ""},
                          {8, 0, "12345678"},
                          {3, 1, " .5"},
                          {18, 2, "     123456789.12"},
                          {12, 0, "  99999999999"}};
  int n = 0;
  for (const Field& f : fields) {
    std::string bytes;
    bytes += static_cast<char>(f.width | (n % 2 ? 128 : 0));
    bytes += static_cast<char>(f.decimals);
    bytes += std::string(f.text).substr(0, static_cast<std::size_t>(f.width));
    seeds.add("numeric_fields", "field_" + std::to_string(++n), bytes);
  }
}

void add_dbf_variants(SeedWriter& seeds) {
  // Real, logical, text and float fields, deleted records, no end-of-file
  // byte and a trailing partial record.
  fixtures::DbfTable table({{"ANODE", 'N', 7},
                            {"BNODE", 'N', 7},
                            {"DISTANCE", 'N', 7, 2},
                            {"FTYPE", 'C', 3},
                            {"ATYPE", 'F', 4},
                            {"TWFLAG", 'L', 1},
                            {"MODELVOL", 'F', 9, 1}});
  table.add({1, 2, 1.5, "1", 1, true, 3800.5});
  table.add({2, 1, 1.5, " 1", 1, false, 3400.0}, true);
  table.add_raw({"      3", "      4", "   4.10", "  3", "   5", "Y", "   1100.2"});
  table.append_bytes("      5   ");
  table.options().end_of_file_byte = false;
  seeds.add("dbf_link", "mixed_types", table.bytes());
  seeds.add("dbf_survey", "mixed_types", table.bytes());
  seeds.add("aux_dbf", "link_table_as_aux", std::string(1, '\0') + link_table().bytes());
}

// The targets file: the sound files and every broken one of the reader's
// bad-input table.
void add_targets_seeds(SeedWriter& seeds) {
  for (const auto& file : korvo::testing::sound_targets_files()) seeds.add("targets", seed_name(file.name), file.text);
  for (const auto& c : korvo::testing::bad_targets_cases()) seeds.add("targets", "bad_" + seed_name(c.name), c.text);
}

// The CSV target: the reader's broken cases, RFC 4180 samples, and the
// files a run leaves for the comparison.
void add_csv_seeds(SeedWriter& seeds) {
  for (const auto& c : korvo::csv_cases::bad_csv()) seeds.add("csv", c.name, std::string(1, '\0') + c.bytes);
  seeds.add("csv", "quoting",
            std::string(1, '\0') + "a,\"b,c\",\"d\"\"e\"\r\n\"two\nlines\",,\n\n \"x\" ,\xEF\xBB\xBF\n");
  const fixtures::TablesFile analysis = fixtures::analysis_tables();
  const fixtures::TablesFile validation = fixtures::validation_tables();
  const std::string stats = fixtures::validation_stats().text();
  seeds.add("csv", "analysis_tables", std::string(1, '\1') + analysis.text());
  seeds.add("csv", "validation_tables", std::string(1, '\1') + validation.text());
  seeds.add("csv", "validation_stats", std::string(1, '\2') + stats);
  seeds.add("csv", "analysis_self", std::string(1, '\3') + analysis.text());
  seeds.add("csv", "validation_self", std::string(1, '\3') + validation.text() + std::string(1, '\0') + stats);
  fixtures::TablesFile later = analysis;
  later.format = "2";
  seeds.add("csv", "tables_of_format_2", std::string(1, '\1') + later.text());
}

void add_examples(SeedWriter& seeds, const fs::path& examples) {
  std::error_code ec;
  if (!fs::is_directory(examples, ec)) return;
  for (const auto& example : fs::directory_iterator(examples)) {
    const fs::path input = example.path() / "input";
    if (!fs::is_directory(input, ec)) continue;
    Files files;
    for (const auto& entry : fs::directory_iterator(input)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string name = entry.path().filename().string();
      files[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string name = "example_" + seed_name(example.path().filename().string());
    seeds.add("run", name, scenario_seed(files));
    add_reader_seeds(seeds, name, files);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR [EXAMPLES_DIR]\n", argv[0]);
    return 1;
  }
  SeedWriter seeds(argv[1]);
  const std::pair<const char*, Files> scenarios[] = {
      {"dbf_validation", dbf_scenario()},
      {"dbf_analysis", dbf_analysis_scenario()},
      {"binary_validation", binary_scenario()},
      {"binary_aux_dbf", binary_aux_dbf_scenario()},
  };
  for (const auto& [name, files] : scenarios) {
    seeds.add("run", name, scenario_seed(files));
    add_reader_seeds(seeds, name, files);
  }
  for (const BadInputCase& c : bad_input_cases()) {
    const std::string name = seed_name(c.name);
    seeds.add("run", name, scenario_seed(c.files, c.console_input));
    add_reader_seeds(seeds, name, c.files);
  }
  add_volnaux_seeds(seeds);
  add_two_way_seeds(seeds);
  add_dbf_variants(seeds);
  add_numeric_field_seeds(seeds);
  add_targets_seeds(seeds);
  add_csv_seeds(seeds);
  if (argc > 2) add_examples(seeds, argv[2]);
  std::printf("%d seeds written to %s\n", seeds.count(), argv[1]);
  return 0;
}
