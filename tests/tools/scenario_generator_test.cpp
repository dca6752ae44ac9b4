#include "scenario_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "common/text_file.h"
#include "input/rates.h"
#include "input/database_control.h"
#include "input/dbf_reader.h"
#include "input/binary_network.h"
#include "support/temp_dir.h"

namespace korvo::fixtures {
namespace {

using korvo::testing::read_file;
using korvo::testing::TempDir;

ScenarioOptions options_of(std::int64_t links, ScenarioRunType type, ScenarioSource source, std::uint64_t seed) {
  ScenarioOptions o;
  o.links = links;
  o.run_type = type;
  o.source = source;
  o.seed = seed;
  return o;
}

TEST(ScenarioGenerator, SameSeedGivesTheSameFilesAndAnotherSeedOtherNetworks) {
  for (ScenarioSource source : {ScenarioSource::kDbf, ScenarioSource::kBinary}) {
    for (ScenarioRunType type : {ScenarioRunType::kValidation, ScenarioRunType::kAnalysis}) {
      SCOPED_TRACE(::testing::Message() << "source " << static_cast<int>(source) << ", type "
                                        << static_cast<int>(type));
      TempDir first;
      TempDir again;
      TempDir other;
      const auto a = write_scenario(options_of(2'000, type, source, 7), first.path());
      const auto b = write_scenario(options_of(2'000, type, source, 7), again.path());
      const auto c = write_scenario(options_of(2'000, type, source, 8), other.path());
      ASSERT_EQ(a.files, b.files);
      ASSERT_EQ(a.files, c.files);
      for (const auto& name : a.files) {
        SCOPED_TRACE(name);
        const std::string bytes = first.read(name);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, again.read(name));
      }
      // The city's plan is the same; its traffic is not.
      EXPECT_NE(first.read(a.network_file), other.read(c.network_file));
      EXPECT_EQ(first.read("KVRATES.SYN"), other.read("KVRATES.SYN"));
    }
  }
}

struct StreamCase {
  std::int64_t links;
  int copies;  // parallel links per street
};

// Every link is checked against the rules the readers and the two-way
// conversion rely on: exact count, ascending node pairs, 16-bit node
// numbers, fields within the binary file's bit widths, and two-way links
// that come in pairs of equal attributes.
TEST(ScenarioGenerator, StreamIsOrderedPairedAndWithinTheFileLimits) {
  const StreamCase cases[] = {{60, 1}, {5'000, 1}, {300'000, 2}};
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.links);
    CityNetwork network(options_of(c.links, ScenarioRunType::kAnalysis, ScenarioSource::kDbf, 3));
    EXPECT_EQ(network.copies(), c.copies);
    EXPECT_LE(network.max_node(), 65'535);
    struct Street {
      std::int32_t distance, facility_type, area_type, lanes, capacity, construct;
    };
    std::map<std::tuple<std::int32_t, std::int32_t, std::int32_t>, Street> two_way;
    GeneratedLink l;
    GeneratedLink previous;
    std::int64_t n = 0;
    while (network.next(l)) {
      if (n > 0) {
        ASSERT_TRUE(std::tie(previous.anode, previous.bnode) <= std::tie(l.anode, l.bnode))
            << previous.anode << "-" << previous.bnode << " before " << l.anode << "-" << l.bnode;
        if (previous.anode == l.anode && previous.bnode == l.bnode) {
          ASSERT_EQ(l.sequence, previous.sequence + 1);
        }
      }
      ASSERT_GE(l.anode, 1);
      ASSERT_LE(l.bnode, 65'535);
      ASSERT_NE(l.anode, l.bnode);
      ASSERT_LT(l.distance, 1 << 12);
      ASSERT_LT(l.time, 1 << 12);
      ASSERT_LT(l.capacity, 1 << 20);
      ASSERT_LT(l.count, 1 << 19);
      ASSERT_LT(l.lanes, 1 << 4);
      ASSERT_LT(l.cost, 1 << 12);
      ASSERT_GE(l.congested_time, l.time);
      ASSERT_LE(l.congested_time, 32'767);
      ASSERT_GE(l.volume(), 0);
      if (l.two_way) {
        two_way[{l.anode, l.bnode, l.sequence}] =
            Street{l.distance, l.facility_type, l.area_type, l.lanes, l.capacity, l.construct};
      }
      previous = l;
      ++n;
    }
    EXPECT_EQ(n, c.links);
    EXPECT_FALSE(network.next(l));
    // Only a street cut off by the end of the stream may miss its other
    // direction: the one from a node that the stream had not finished.
    for (const auto& [key, street] : two_way) {
      const auto& [a, b, seq] = key;
      const auto other = two_way.find({b, a, seq});
      if (other == two_way.end()) {
        EXPECT_GE(b, previous.anode) << a << "-" << b << " has no other direction";
        continue;
      }
      EXPECT_EQ(street.distance, other->second.distance);
      EXPECT_EQ(street.facility_type, other->second.facility_type);
      EXPECT_EQ(street.area_type, other->second.area_type);
      EXPECT_EQ(street.lanes, other->second.lanes);
      EXPECT_EQ(street.capacity, other->second.capacity);
      EXPECT_EQ(street.construct, other->second.construct);
    }
  }
}

// The features a planner looks for, at a size that shows each of them.
TEST(ScenarioGenerator, SmallCityShowsEveryFeature) {
  for (ScenarioRunType type : {ScenarioRunType::kValidation, ScenarioRunType::kAnalysis}) {
    for (std::int64_t links : {100, 400, 20'000}) {
      SCOPED_TRACE(::testing::Message() << links << " links, type " << static_cast<int>(type));
      TempDir dir;
      const auto s = write_scenario(options_of(links, type, ScenarioSource::kDbf, 11), dir.path());
      EXPECT_EQ(s.links, links);
      EXPECT_GT(s.connectors, 0);
      EXPECT_GT(s.one_way_links, 0);
      EXPECT_GT(s.two_way_links, s.one_way_links);
      EXPECT_GE(s.unclassified, 1);
      EXPECT_GE(s.no_volume, 1);
      EXPECT_GE(s.count_stations, 1);
      EXPECT_GE(s.screenline_links, 4);
      const std::int64_t evaluated = s.links - s.connectors - s.unclassified;
      // About a third; a city of a few blocks is mostly screenline
      // crossings, which are nearly all counted.
      EXPECT_GT(s.counted, evaluated / 4);
      EXPECT_LT(s.counted, evaluated * (links < 1000 ? 45 : 40) / 100);
      if (type == ScenarioRunType::kAnalysis) {
        EXPECT_GE(s.construction, 2);
      } else {
        EXPECT_EQ(s.construction, 0);
      }
      if (links >= 400) {
        for (int level = 0; level < 6; ++level) EXPECT_GT(s.level_of_service[level], 0) << "level " << level;
      }
    }
  }
}

// The dBASE network read back by KORVO's own reader, through the aliases and
// scale factors of the generated DATABASE.CTL, gives the generator's links.
TEST(ScenarioGenerator, KorvoReadsTheDbfNetworkAsGenerated) {
  TempDir dir;
  const ScenarioOptions options = options_of(3'000, ScenarioRunType::kValidation, ScenarioSource::kDbf, 5);
  const auto summary = write_scenario(options, dir.path());
  DbfLinkSource source;
  TextReader control = TextReader::open_file(dir.file("DATABASE.CTL"), "DATABASE.CTL");
  read_database_control(control, source.map);
  source.stream = ByteStream::open_file(dir.file(summary.network_file), summary.network_file);
  read_link_file_header(source, nullptr);
  prepare_link_fields(source, nullptr);
  ASSERT_EQ(source.missing_field_count, 0);
  EXPECT_EQ(source.header.record_count, 3'000u);

  CityNetwork network(options);
  GeneratedLink g;
  LinkRecord r;
  std::int64_t n = 0;
  while (network.next(g)) {
    ASSERT_EQ(read_next_dbf_link(source, r), LinkStatus::kLink) << "record " << n + 1;
    SCOPED_TRACE(::testing::Message() << "record " << n + 1 << ": " << g.anode << "-" << g.bnode);
    EXPECT_EQ(r.anode, g.anode);
    EXPECT_EQ(r.bnode, g.bnode);
    EXPECT_EQ(r.distance, g.distance);
    EXPECT_EQ(r.time, g.time);
    EXPECT_EQ(r.period_times[1], g.congested_time);
    EXPECT_EQ(r.facility_type, g.facility_type);
    EXPECT_EQ(r.area_type, g.area_type);
    EXPECT_EQ(r.lanes, g.lanes);
    EXPECT_EQ(r.capacity, g.capacity);
    EXPECT_EQ(r.count, g.count);
    EXPECT_EQ(r.screenline, g.screenline);
    EXPECT_EQ(r.location, g.location);
    EXPECT_EQ(r.construct, g.construct);
    EXPECT_EQ(r.volume(1, 1), g.volume());
    EXPECT_EQ(r.two_way, g.two_way);
    if (::testing::Test::HasFailure()) break;
    ++n;
  }
  EXPECT_EQ(read_next_dbf_link(source, r), LinkStatus::kEndOfLinks);
  EXPECT_EQ(n, 3'000);
}

// The binary network read back by KORVO's link reader gives the generator's
// links, with autos and trucks in volume slots 1 and 2, and VOLNAUX holds
// each link's construction and location codes, record for record.
TEST(ScenarioGenerator, KorvoReadsTheBinaryNetworkAndVolnauxAsGenerated) {
  TempDir dir;
  const ScenarioOptions options = options_of(3'000, ScenarioRunType::kAnalysis, ScenarioSource::kBinary, 5);
  const auto summary = write_scenario(options, dir.path());
  ASSERT_EQ(summary.network_file, "HRLDXY.45A");
  BinaryNetwork binary;
  LinkRecord r;
  binary.stream = ByteStream::open_file(dir.file("HRLDXY.45A"), "HRLDXY.45A");
  binary.records = FortranRecordReader(&binary.stream);
  read_binary_header(binary);
  set_binary_slot_counts(binary.header, r);
  const BinaryHeader& h = binary.header;
  EXPECT_EQ(h.chars(105, 155), "NORDAL CITY -- 2045 FORECAST HIGHWAY ASSIGNMENT    ");
  EXPECT_EQ((h.word(3) & 0xFFFF) | (h.word(4) << 16), summary.max_node);
  EXPECT_EQ(r.time_slot_count, 1);
  EXPECT_EQ(r.volume_slot_count, 2);

  ByteStream aux_stream = ByteStream::open_file(dir.file("VOLNAUX.45A"), "VOLNAUX.45A");
  FortranRecordReader aux(&aux_stream);
  CityNetwork network(options);
  GeneratedLink g;
  std::int64_t n = 0;
  while (network.next(g)) {
    ASSERT_EQ(read_binary_link(binary, r), LinkStatus::kLink) << "link " << n + 1;
    SCOPED_TRACE(::testing::Message() << "link " << n + 1 << ": " << g.anode << "-" << g.bnode);
    EXPECT_EQ(r.anode, g.anode);
    EXPECT_EQ(r.bnode, g.bnode);
    EXPECT_EQ(r.distance, g.distance);
    EXPECT_EQ(r.time, g.time);
    EXPECT_EQ(r.time2, g.time);
    EXPECT_EQ(r.period_times[1], g.congested_time);
    EXPECT_EQ(r.facility_type, g.facility_type);
    EXPECT_EQ(r.area_type, g.area_type);
    EXPECT_EQ(r.lanes, g.lanes);
    EXPECT_EQ(r.capacity, g.capacity);
    EXPECT_EQ(r.count, g.count);
    EXPECT_EQ(r.screenline, g.screenline);
    EXPECT_EQ(r.volume(1, 1), g.auto_volume);
    EXPECT_EQ(r.volume(1, 2), g.truck_volume);
    EXPECT_EQ(r.two_way, g.two_way);
    std::string_view record;
    ASSERT_EQ(aux.next(record, 64), FortranRecordReader::Status::kRecord);
    ASSERT_EQ(record.size(), 10u);
    EXPECT_EQ(load_u16le(record.data()), g.anode);
    EXPECT_EQ(load_u16le(record.data() + 2), g.bnode);
    const std::uint32_t packed = load_u32le(record.data() + 6);
    EXPECT_EQ(static_cast<std::int32_t>(packed >> 24), g.construct);
    EXPECT_EQ(static_cast<std::int32_t>((packed >> 8) & 0xFF), g.location);
    if (::testing::Test::HasFailure()) break;
    ++n;
  }
  EXPECT_EQ(read_binary_link(binary, r), LinkStatus::kEndOfLinks);
  EXPECT_EQ(n, 3'000);
  std::string_view record;
  EXPECT_EQ(aux.next(record, 64), FortranRecordReader::Status::kEndOfFile);
}

TEST(ScenarioGenerator, RatesFileReadsAsPlannedRates) {
  RateTables t;
  const std::string text = scenario_rates_file();
  TextReader rates = TextReader::from_memory(text, "KVRATES.SYN");
  read_rate_tables(rates, t);
  struct Case {
    const char* what;
    float value;
    float expected;
  };
  const Case cases[] = {
      {"accident rate, freeways", t.accident[1], 1.10f},
      {"accident rate, locals", t.accident[5], 5.50f},
      {"fatality rate, arterials", t.fatality[2], 0.022f},
      {"cost per fatality", t.unit_cost[3], 950000.0f},
      {"CO below 20 mph, freeways", t.carbon_monoxide[1][1], 62.0f},
      {"NOx at 60 mph and over, locals", t.nitrogen_oxides[10][5], 4.62f},
      {"fuel below 20 mph, freeways", t.fuel[1][1], 0.095f},
      {"fuel at 65 mph and over, freeways", t.fuel[11][1], 0.063f},
      {"adding two freeway lanes", t.construction_cost[1][1], 2000.0f},
      {"new six-lane freeway", t.construction_cost[9][1], 9600.0f},
      {"no construction", t.construction_cost[10][1], 0.0f},
      {"user cost 60-65 mph, freeways", t.user_cost[10][1], 0.35f},
      {"maintenance of nine freeway lanes", t.maintenance_cost[9][1], 81000.0f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(c.value, c.expected) << c.what;
  // Emission rates fall with speed up to the fifties, as the tables of the
  // period do.
  for (int s = 2; s <= 8; ++s) EXPECT_LT(t.carbon_monoxide[s][1], t.carbon_monoxide[s - 1][1]) << "speed class " << s;
}

TEST(ScenarioGenerator, ProfileNamesTheNetworkAndTheSwitches) {
  ScenarioOptions o = options_of(500, ScenarioRunType::kAnalysis, ScenarioSource::kDbf, 2);
  EXPECT_EQ(scenario_profile(o, "NET45A.DBF"),
            " ANALYSIS\nY\n ASCII\nY\n TWOWAY\nY\n COUNTS\nY\n KORVODBF\nNET45A.DBF\n"
            " GLT\nGENERATED SCENARIO 45A: 500 LINKS, SEED 2\n");
  o.links = 200'001;  // beyond the two-way table: no ASCII files by default
  o.source = ScenarioSource::kBinary;
  o.run_type = ScenarioRunType::kValidation;
  EXPECT_EQ(scenario_profile(o, "HRLDXY.26A"), " VALIDATE\nY\n GLT\nGENERATED SCENARIO 26A: 200001 LINKS, SEED 2\n");
}

TEST(ScenarioGenerator, RefusesWhatTheFormatsCannotHold) {
  TempDir dir;
  ScenarioOptions o = options_of(0, ScenarioRunType::kValidation, ScenarioSource::kDbf, 1);
  EXPECT_THROW(write_scenario(o, dir.path()), std::invalid_argument);
  o.links = 100'001;  // two entries per dBASE record: beyond the auxiliary table
  o.aux_dbf = true;
  EXPECT_THROW(write_scenario(o, dir.path()), std::invalid_argument);
}

}  // namespace
}  // namespace korvo::fixtures

namespace korvo::fixtures {
namespace {

// Whole runs over generated scenarios: KORVO reads them to a normal
// completion, and the report shows what the generator claims to have put in.

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The numbers of a report line from a column on (1-based), split at blanks.
std::vector<double> numbers_from(const std::string& line, std::size_t column) {
  std::vector<double> values;
  std::istringstream in(line.size() >= column ? line.substr(column - 1) : std::string());
  for (std::string word; in >> word;) values.push_back(std::stod(word));
  return values;
}

// Index of the first line at or after from that starts with prefix.
std::size_t find_line(const std::vector<std::string>& lines, std::string_view prefix, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].starts_with(prefix)) return i;
  }
  ADD_FAILURE() << "no line starts with \"" << prefix << "\"";
  return lines.size();
}

std::size_t find_text(const std::vector<std::string>& lines, std::string_view text, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].find(text) != std::string::npos) return i;
  }
  ADD_FAILURE() << "no line holds \"" << text << "\"";
  return lines.size();
}

struct RunCase {
  ScenarioRunType type;
  ScenarioSource source;
};

void PrintTo(const RunCase& c, std::ostream* out) {
  *out << (c.type == ScenarioRunType::kValidation ? "validation" : "analysis") << " over "
       << (c.source == ScenarioSource::kDbf ? "dBASE" : "binary");
}

class GeneratedRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(GeneratedRun, CompletesAndShowsTheGeneratedCity) {
  const RunCase c = GetParam();
  TempDir dir;
  const auto s = write_scenario(options_of(400, c.type, c.source, 21), dir.path());
  const testing::RunResult run = testing::run_korvo(dir);
  ASSERT_EQ(run.status, 0) << run.console;
  const auto console = lines_of(run.console);
  ASSERT_FALSE(console.empty());
  EXPECT_EQ(console.back(), "KORVO -- Normal Completion") << run.console;

  // The private roads, and only they, are skipped as unclassified; the
  // centroid connectors are passed over without a trace.
  ASSERT_GE(s.unclassified, 1);
  EXPECT_NE(run.console.find(" ***INFO***" + std::string(5 - std::to_string(s.unclassified).size(), ' ') +
                             std::to_string(s.unclassified) + " LINKS SKIPPED"),
            std::string::npos)
      << run.console;
  const auto skipped = lines_of(dir.read("KVSKIP.LNK"));
  ASSERT_EQ(skipped.size(), 4 + static_cast<std::size_t>(s.unclassified));
  for (std::size_t i = 4; i < skipped.size(); ++i) EXPECT_EQ(numbers_from(skipped[i], 15).at(0), kPrivateRoad);

  const auto report = lines_of(dir.read("KORVO.OUT"));
  // Every evaluated record counts as a link, a two-way one as half.
  const double evaluated = 0.5 * static_cast<double>(s.two_way_links - s.unclassified) + s.one_way_links;
  // The system totals close the report.
  std::size_t totals = report.size();
  for (std::size_t i = report.size(); i-- > 0;) {
    if (report[i].starts_with("    TOTAL NUMBER OF LINKS")) {
      totals = i;
      break;
    }
  }
  ASSERT_LT(totals, report.size());
  EXPECT_EQ(numbers_from(report[totals], 30).at(0), std::floor(evaluated + 0.5));

  // Screenlines 1 to 3 have their totals, under their names.
  const std::size_t screenlines = find_text(report, "-- SCREENLINE SUMMARIES");
  for (const char* name : {"NORDAL RIVER BRIDGES", "NORTHERN RAILWAY CROSSINGS", "EAST COUNTY LINE"}) {
    EXPECT_LT(find_text(report, name, screenlines), report.size());
  }

  if (c.type == ScenarioRunType::kValidation) {
    EXPECT_LT(find_line(report, " LINKS WITH NO ASSIGNED VOLUME"), report.size());
    // Links with counts, as a share of all links: about a third.
    const std::size_t table = find_text(report, "REPORT: PERCENTAGE OF LINKS WITH COUNTS");
    const std::size_t all_areas = find_text(report, "TOTAL AREA TYPES", table);
    const std::size_t total_line = find_line(report, " Totals", all_areas);
    ASSERT_LT(total_line, report.size());
    const double share = numbers_from(report[total_line], 8).back();
    EXPECT_GT(share, 25.0);
    EXPECT_LT(share, 45.0);
  } else {
    // Miles at every level of service A to F.
    const std::size_t los = find_text(report, "MILES OF ROADWAY AT EACH LEVEL OF SERVICE");
    const std::size_t total_line = find_line(report, " Total ", los);
    ASSERT_LT(total_line, report.size());
    const auto miles = numbers_from(report[total_line], 19);
    ASSERT_EQ(miles.size(), 7u) << report[total_line];
    for (int level = 0; level < 6; ++level) EXPECT_GT(miles[static_cast<std::size_t>(level)], 0.0) << "level " << level;
    // Construction projects are costed.
    const std::size_t cost = find_line(report, "    TOTAL CONSTRUCTION COST (X $1000)");
    ASSERT_LT(cost, report.size());
    EXPECT_GT(numbers_from(report[cost], 40).at(0), 0.0);
  }
  if (s.links <= 200'000) {
    EXPECT_EQ(lines_of(dir.read("HRLDXY.ASC")).size(), static_cast<std::size_t>(s.links));
    EXPECT_TRUE(dir.exists("HRLDXY2.ASC"));
    EXPECT_TRUE(dir.exists("SCRNLINE.ASC"));
  }
}

INSTANTIATE_TEST_SUITE_P(TypesAndSources, GeneratedRun,
                         ::testing::Values(RunCase{ScenarioRunType::kValidation, ScenarioSource::kDbf},
                                           RunCase{ScenarioRunType::kValidation, ScenarioSource::kBinary},
                                           RunCase{ScenarioRunType::kAnalysis, ScenarioSource::kDbf},
                                           RunCase{ScenarioRunType::kAnalysis, ScenarioSource::kBinary}),
                         [](const ::testing::TestParamInfo<RunCase>& info) {
                           return std::string(info.param.type == ScenarioRunType::kValidation ? "Validation"
                                                                                              : "Analysis") +
                                  (info.param.source == ScenarioSource::kDbf ? "Dbf" : "Binary");
                         });

// The two link sources carry the same city: the evaluation and every report
// page after the run description agree, whichever file the links come from.
TEST(GeneratedRun, DbfAndBinaryNetworksGiveTheSameReports) {
  for (ScenarioRunType type : {ScenarioRunType::kValidation, ScenarioRunType::kAnalysis}) {
    SCOPED_TRACE(type == ScenarioRunType::kValidation ? "validation" : "analysis");
    TempDir dbf;
    TempDir binary;
    ScenarioOptions o = options_of(1'500, type, ScenarioSource::kDbf, 4);
    o.ascii_output = false;
    write_scenario(o, dbf.path());
    o.source = ScenarioSource::kBinary;
    write_scenario(o, binary.path());
    ASSERT_EQ(testing::run_korvo(dbf).status, 0);
    ASSERT_EQ(testing::run_korvo(binary).status, 0);
    const std::string a = dbf.read("KORVO.OUT");
    const std::string b = binary.read("KORVO.OUT");
    // From the first table on: the labels listing and the dBASE header
    // listing come before it and differ by source.
    const std::string marker = " HIGHWAY EVALUATION -- YEAR/ALT";
    ASSERT_NE(a.find(marker), std::string::npos);
    const std::string from_a = a.substr(a.rfind('\f', a.find(marker)));
    const std::string from_b = b.substr(b.rfind('\f', b.find(marker)));
    EXPECT_EQ(lines_of(from_a).size(), lines_of(from_b).size());
    EXPECT_TRUE(from_a == from_b) << "the reports differ";
  }
}

}  // namespace
}  // namespace korvo::fixtures
