#include "scenario_generator.h"

#include <fstream>
#include <stdexcept>
#include <string>

#include "city_model.h"
#include "link_source_writers.h"
#include "scenario_texts.h"

namespace korvo::fixtures {
namespace {

// The auxiliary link table of a run holds at most this many entries.
constexpr std::int64_t kAuxTableLimit = 200'000;

void write_text(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void add_to_summary(const GeneratedLink& l, ScenarioSummary& s) {
  ++s.links;
  if (l.facility_type == kCentroidConnector) {
    ++s.connectors;
    return;
  }
  l.two_way ? ++s.two_way_links : ++s.one_way_links;
  if (l.facility_type == kPrivateRoad) {
    ++s.unclassified;
    return;
  }
  if (l.count != 0) ++s.counted;
  if (l.volume < 2) ++s.no_volume;
  if (l.screenline >= 1 && l.screenline <= 3) ++s.screenline_links;
  if (l.screenline == kCountStationScreenline) ++s.count_stations;
  if (l.construct != 0) ++s.construction;
  // The level of service as a run finds it, in single precision.
  const float vc = l.capacity != 0 ? static_cast<float>(l.volume) / static_cast<float>(l.capacity) : 0.0f;
  int level = 0;
  if (vc > 1.333f) {
    level = 5;
  } else if (vc > 1.2f) {
    level = 4;
  } else if (vc > 1.067f) {
    level = 3;
  } else if (vc > 0.933f) {
    level = 2;
  } else if (vc > 0.8f) {
    level = 1;
  }
  ++s.level_of_service[level];
}

// Hands every link of the city to write and counts it in the summary.
template <typename Write>
void stream_links(CityNetwork& city, ScenarioSummary& summary, Write write) {
  GeneratedLink link;
  while (city.next(link)) {
    write(link);
    add_to_summary(link, summary);
  }
}

}  // namespace

ScenarioSummary write_scenario(const ScenarioOptions& options, const std::filesystem::path& directory) {
  if (options.links < 1) throw std::invalid_argument("scenario generator: the number of links must be at least 1");
  if (options.links > 0xFFFFFFFFLL) throw std::invalid_argument("scenario generator: too many links for one file");
  const bool dbf = options.source == ScenarioSource::kDbf;
  if (options.aux_dbf) {
    // Every direction of the network is an entry of the auxiliary table; on
    // the dBASE path a two-way record gives two (its own and the reverse).
    const std::int64_t entries = dbf ? 2 * options.links : options.links;
    if (entries > kAuxTableLimit) {
      throw std::invalid_argument("scenario generator: an auxiliary dBASE file holds at most " +
                                  std::to_string(kAuxTableLimit) + " entries; this network needs about " +
                                  std::to_string(entries));
    }
  }
  std::filesystem::create_directories(directory);
  CityNetwork city(options);
  ScenarioSummary summary;
  const std::string code = scenario_code(options);
  summary.scenario_code = code;
  summary.columns = city.columns();
  summary.rows = city.rows();
  summary.zones = city.zones();
  summary.copies = city.copies();
  summary.grid_links = city.grid_links();
  summary.max_node = city.max_node();
  const std::string network_file = dbf ? "NET" + code + ".DBF" : "HRLDXY." + code;
  summary.network_file = network_file;
  auto text_file = [&](const std::string& name, const std::string& text) {
    write_text(directory / name, text);
    summary.files.push_back(name);
  };
  text_file("PROFILE.MAS", scenario_profile(options, network_file));
  text_file("KVRATES.SYN", scenario_rates_file());
  text_file("KVLABELS.SYN", scenario_labels_file());
  text_file("KVSCREEN.SYN", scenario_screenline_names());
  text_file("TITLE", scenario_title_file(options));
  if (dbf) {
    text_file("DATABASE.CTL", scenario_database_control());
    DbfNetworkWriter network(directory / network_file, options.aux_dbf);
    stream_links(city, summary, [&](const GeneratedLink& l) { network.add(l); });
    network.close();
    summary.files.push_back(network_file);
    return summary;
  }
  text_file("VELMAR.CTL", scenario_suite_control(options));
  BinaryNetworkWriter network(directory / network_file, city.max_node(), scenario_title(options),
                              "GENERATED NETWORK, SEED " + std::to_string(options.seed));
  const std::string aux_file = options.aux_dbf ? "NETAUX.DBF" : "VOLNAUX." + code;
  if (options.aux_dbf) {
    AuxDbfWriter aux(directory / aux_file);
    stream_links(city, summary, [&](const GeneratedLink& l) {
      network.add(l);
      aux.add(l);
    });
    aux.close();
  } else {
    VolnauxWriter aux(directory / aux_file);
    stream_links(city, summary, [&](const GeneratedLink& l) {
      network.add(l);
      aux.add(l);
    });
    aux.close();
  }
  network.close();
  summary.files.push_back(network_file);
  summary.files.push_back(aux_file);
  return summary;
}

}  // namespace korvo::fixtures
