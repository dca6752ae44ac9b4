#include "link_source_writers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "common/fortran_records.h"
#include "common/text_file.h"
#include "input/aux_link_file.h"
#include "input/binary_network.h"
#include "input/database_control.h"
#include "input/dbf_reader.h"
#include "input/profile.h"
#include "scenario_texts.h"
#include "support/temp_dir.h"

namespace korvo::fixtures {
namespace {

using korvo::testing::TempDir;

// Hands every link of the city to add.
template <typename Add>
void for_each_link(const ScenarioOptions& options, Add add) {
  CityNetwork city(options);
  GeneratedLink link;
  while (city.next(link)) add(link);
}

// The attributes that both link files carry, as KORVO's readers deliver them.
void expect_read_as_generated(const LinkRecord& r, const GeneratedLink& g) {
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
  EXPECT_EQ(r.two_way, g.two_way);
}

// The dBASE network read back by KORVO's own reader, through the aliases and
// scale factors of the scenario's DATABASE.CTL, gives the city's links.
TEST(LinkSourceWriters, KorvoReadsTheDbfNetworkAsGenerated) {
  TempDir dir;
  const ScenarioOptions options{.links = 3'000, .seed = 5};
  DbfNetworkWriter writer(dir.file("NET26A.DBF"), /*aux_fields=*/false);
  for_each_link(options, [&](const GeneratedLink& g) { writer.add(g); });
  writer.close();
  dir.write("DATABASE.CTL", scenario_database_control());

  DbfLinkSource source;
  TextReader control = TextReader::open_file(dir.file("DATABASE.CTL"), "DATABASE.CTL");
  read_database_control(control, source.map);
  source.stream = ByteStream::open_file(dir.file("NET26A.DBF"), "NET26A.DBF");
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
    expect_read_as_generated(r, g);
    EXPECT_EQ(r.location, g.location);
    EXPECT_EQ(r.construct, g.construct);
    EXPECT_EQ(r.volume(1, 1), g.volume);
    if (::testing::Test::HasFailure()) break;
    ++n;
  }
  EXPECT_EQ(read_next_dbf_link(source, r), LinkStatus::kEndOfLinks);
  EXPECT_EQ(n, 3'000);
}

// The binary network read back by KORVO's link reader gives the city's
// links, with autos and trucks in volume slots 1 and 2, and VOLNAUX holds
// each link's construction and location codes, record for record.
TEST(LinkSourceWriters, KorvoReadsTheBinaryNetworkAndVolnauxAsGenerated) {
  TempDir dir;
  const ScenarioOptions options{.links = 3'000, .run_type = ScenarioRunType::kAnalysis, .seed = 5};
  const std::int32_t max_node = CityNetwork(options).max_node();
  BinaryNetworkWriter network_writer(dir.file("HRLDXY.45A"), max_node, "A TITLE", "A REMARK");
  VolnauxWriter volnaux_writer(dir.file("VOLNAUX.45A"));
  for_each_link(options, [&](const GeneratedLink& g) {
    network_writer.add(g);
    volnaux_writer.add(g);
  });
  network_writer.close();
  volnaux_writer.close();

  BinaryNetwork binary;
  LinkRecord r;
  binary.stream = ByteStream::open_file(dir.file("HRLDXY.45A"), "HRLDXY.45A");
  binary.records = FortranRecordReader(&binary.stream);
  read_binary_header(binary);
  set_binary_slot_counts(binary.header, r);
  const BinaryHeader& h = binary.header;
  EXPECT_EQ(h.chars(105, 112), "A TITLE ");
  EXPECT_EQ(h.chars(185, 193), "A REMARK ");
  EXPECT_EQ((h.word(3) & 0xFFFF) | (h.word(4) << 16), max_node);
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
    expect_read_as_generated(r, g);
    EXPECT_EQ(r.cost, g.cost);
    EXPECT_EQ(r.volume(1, 1), g.auto_volume());
    EXPECT_EQ(r.volume(1, 2), g.truck_volume);
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

// Both auxiliary dBASE files, read as a run reads an auxiliary file and
// merged by node pair, give every directional link of the city its
// construction code, screenline, location and zone: the binary path's file
// of one record per street and the dBASE link table with its sequence and
// one-way fields.
TEST(LinkSourceWriters, KorvoReadsTheAuxiliaryDbfFilesAsGenerated) {
  // A whole city: a network cut short can end between the two directions of
  // a street, and the street's record then names a direction it lacks.
  ScenarioOptions options{.links = 2'000, .run_type = ScenarioRunType::kAnalysis, .seed = 9};
  options.links = CityNetwork(options).grid_links();
  ASSERT_EQ(CityNetwork(options).grid_links(), options.links);
  struct Case {
    const char* what;
    bool link_table;
    const char* anode_field;
    const char* bnode_field;
  };
  const Case cases[] = {{"NETAUX.DBF", false, "ANODE", "BNODE"}, {"link table", true, "A", "B"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::int64_t links = 0;
    std::int64_t two_way = 0;
    std::map<std::pair<std::int32_t, std::int32_t>, GeneratedLink> generated;
    if (c.link_table) {
      DbfNetworkWriter writer(dir.file("AUX.DBF"), /*aux_fields=*/true);
      for_each_link(options, [&](const GeneratedLink& g) { writer.add(g); });
      writer.close();
    } else {
      AuxDbfWriter writer(dir.file("AUX.DBF"));
      for_each_link(options, [&](const GeneratedLink& g) { writer.add(g); });
      writer.close();
    }
    for_each_link(options, [&](const GeneratedLink& g) {
      ++links;
      two_way += g.two_way ? 1 : 0;
      generated[{g.anode, g.bnode}] = g;
    });
    ASSERT_EQ(generated.size(), static_cast<std::size_t>(links)) << "one link per node pair";

    const std::array<FixedText<11>, 8> name_list = {
        FixedText<11>(c.anode_field), FixedText<11>(c.bnode_field), FixedText<11>("SEQ"),  FixedText<11>("CONSTRUCT"),
        FixedText<11>("SCREENLINE"),  FixedText<11>("LOCATION"),    FixedText<11>("ZONE"), FixedText<11>("ONEWAY")};
    AuxFieldNames names;
    std::copy(name_list.begin(), name_list.end(), names.begin());
    auto table = std::make_unique<AuxLinkTable>();
    ByteStream stream = ByteStream::open_file(dir.file("AUX.DBF"), "AUX.DBF");
    read_aux_links(stream, names, *table, nullptr);
    // A two-way record gives an entry for each direction: on the binary
    // path one per street, on the link table one per direction and street.
    EXPECT_EQ(table->count, c.link_table ? links + two_way : links);
    sort_aux_links(*table);
    merge_aux_links(*table);
    ASSERT_EQ(table->count, links);
    for (std::int32_t i = 1; i <= table->count; ++i) {
      const AuxLinkEntry& e = (*table)[i];
      const auto it = generated.find({e.anode, e.bnode});
      ASSERT_NE(it, generated.end()) << e.anode << "-" << e.bnode << " is no link of the city";
      const GeneratedLink& g = it->second;
      SCOPED_TRACE(::testing::Message() << g.anode << "-" << g.bnode);
      EXPECT_EQ(e.construct, g.construct);
      EXPECT_EQ(e.screenline, g.screenline);
      EXPECT_EQ(e.location, g.location);
      EXPECT_EQ(e.zone, g.zone);
      if (::testing::Test::HasFailure()) break;
    }
  }
}

}  // namespace
}  // namespace korvo::fixtures
