#pragma once
// Working directories of whole runs, built in code: a small, sound scenario
// for each link source, and the ways of damaging its files. The bad-input
// matrix runs them; the fuzz seed writer turns them into seed corpora.
//
// Header only: the tests and the seed writer both include it.

#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "dbf_writer.h"
#include "link_attributes.h"
#include "network_writer.h"

namespace korvo::hardening {

// File name -> bytes of one working directory.
using Files = std::map<std::string, std::string>;

inline constexpr std::string_view kLinkDbf = "LINKS05A.DBF";

// "KVRATES.SYN": 75 lines of nine values, each in 6 columns and a blank.
// Line l holds l/10 in every column, so no two tables are alike.
inline std::string rates_file(int lines = 75) {
  std::string out;
  for (int l = 1; l <= lines; ++l) {
    char value[8];
    std::snprintf(value, sizeof value, "%6.1f ", l / 10.0);
    for (int k = 0; k < 9; ++k) out += value;
    out += '\n';
  }
  return out;
}

// One link of the dBASE scenario, in the fields of link_table_fields().
struct DbfLink {
  int anode, bnode, distance, atype, ftype, lanes, time, capacity, count, screenline, location, construct, cong_time,
      volume, cost, twflag;
};

inline std::vector<fixtures::DbfValue> link_values(const DbfLink& l) {
  return {l.anode,     l.bnode,  l.distance,   1,       l.atype, l.ftype,    l.lanes, l.time,
          l.capacity,  l.count,  l.screenline, 0,       0,       l.location, 0,       l.construct,
          l.cong_time, l.volume, l.cost,       l.twflag};
}

// The links of the dBASE scenario: a two-way pair on screenline 1, links of
// several classes, a link of facility type 55 (passed over) and one of
// facility type 12 (no class in a run without labels: skipped and listed).
inline std::vector<DbfLink> scenario_links() {
  return {
      {1, 2, 150, 1, 1, 2, 120, 4000, 3500, 1, 0, 0, 130, 3800, 0, 1},
      {2, 1, 150, 1, 1, 2, 120, 4000, 3600, 1, 0, 0, 140, 3400, 0, 1},
      {2, 3, 230, 3, 2, 1, 300, 1800, 0, 0, 0, 0, 320, 1500, 0, 0},
      {3, 4, 410, 5, 3, 2, 500, 2000, 1200, 2, 0, 1, 520, 1100, 0, 0},
      {4, 5, 90, 2, 55, 1, 100, 900, 0, 0, 0, 0, 100, 50, 0, 0},
      {5, 6, 100, 4, 12, 1, 200, 900, 0, 0, 0, 0, 210, 1, 0, 0},
      {6, 7, 320, 2, 4, 3, 260, 2600, 2100, 2, 0, 7, 300, 2500, 0, 0},
  };
}

inline fixtures::DbfTable link_table(const std::vector<DbfLink>& links = scenario_links()) {
  fixtures::DbfTable table(fixtures::link_table_fields());
  for (const DbfLink& l : links) table.add(link_values(l));
  return table;
}

// A validation run over the dBASE link file with counts, the ASCII network
// and its two-way form, labels and screenline names.
inline Files dbf_scenario() {
  Files files;
  files["PROFILE.MAS"] =
      " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n COUNTS\nY\n ASCII\nY\n TWOWAY\nY\n GLT\nHARDENING SCENARIO\n";
  files[std::string(kLinkDbf)] = link_table().bytes();
  files["KVRATES.SYN"] = rates_file();
  files["DATABASE.CTL"] =
      "DATABASE CONTROL\nLINK FIELDS\n----------\n"
      "LINK ALIAS 01 ANODE       ANODE         1.000\n";
  files["KVSCREEN.SYN"] = " 1 NORTH RIVER CROSSING\n 2 EAST CORDON\n";
  files["KVLABELS.SYN"] =
      "      FT  1  1  1 FREEWAY  Freeway\n"
      "      FT  2  2  2 ARTERIAL Arterial\n"
      "      FT  3  2  3 ARTERIAL Arterial\n"
      "      FT  4  3  4 COLLECT  Collector\n"
      "      FT 55  4  5 LOCAL    Local\n"
      "      AT  1  1  1     CBD Central Business District\n"
      "      AT  2  1  2  FRINGE Fringe\n"
      "      AT  3  2  3   RESID Residential\n"
      "      AT  4  2  4     OBD Outlying Business District\n"
      "      AT  5  3  5   RURAL Rural\n";
  files["TITLE"] = "NETWORK 05A, BASE YEAR\n";
  return files;
}

// The same run in analysis mode, without labels (the default classes).
inline Files dbf_analysis_scenario() {
  Files files = dbf_scenario();
  files["PROFILE.MAS"] = " ANALYSIS\nY\n KORVODBF\nLINKS05A.DBF\n ASCII\nY\n";
  files.erase("KVLABELS.SYN");
  return files;
}

// One link of the binary scenario.
struct BinaryLink {
  std::uint32_t anode, bnode, distance, area_type, facility_type, lanes, time, capacity, count, screenline;
  bool two_way;
  std::int32_t congested_time, volume;
};

inline std::vector<BinaryLink> binary_links() {
  return {
      {10, 20, 150, 1, 1, 2, 120, 4000, 3500, 1, true, 130, 3800},
      {11, 12, 230, 3, 2, 1, 300, 1800, 0, 0, false, 320, 1500},
      {12, 13, 410, 5, 3, 2, 500, 2000, 1200, 2, false, 520, 1100},
      {13, 14, 90, 2, 55, 1, 100, 900, 0, 0, false, 100, 50},
      {14, 15, 100, 4, 12, 1, 200, 900, 0, 0, false, 210, 1},
      {20, 10, 150, 1, 1, 2, 120, 4000, 3600, 1, true, 140, 3400},
  };
}

// The binary loaded-network file of the binary scenario: one period and one
// volume slot, 16-bit nodes, the agency header, a title; a NODE record
// between two LINK records.
inline std::string binary_network(const std::vector<BinaryLink>& links = binary_links()) {
  fixtures::NetworkHeader header;
  header.set_text(105, "HARDENING NETWORK 05A");
  header.set_word(33, 1);
  header.set_word(34, 1);
  header.set_word(53, 1);
  header.set_word(59, 1);
  std::ostringstream out;
  fixtures::LoadedNetworkWriter writer(out, header, 3);
  for (std::size_t i = 0; i < links.size(); ++i) {
    const BinaryLink& l = links[i];
    fixtures::LinkEntry e;
    fixtures::copy_link_attributes(l, e);
    writer.add_link(e);
    if (i == 2) {
      const std::int32_t node[] = {10, 100, 200};
      writer.write_record("NODE", node);
    }
  }
  writer.finish();
  return out.str();
}

// The auxiliary network file in step with binary_network(): construction
// code 1 on the second link, location 3 on the third.
inline std::string aux_network(const std::vector<BinaryLink>& links = binary_links()) {
  std::ostringstream out;
  fixtures::AuxNetworkWriter writer(out);
  for (std::size_t i = 0; i < links.size(); ++i) {
    writer.add({static_cast<std::int32_t>(links[i].anode), static_cast<std::int32_t>(links[i].bnode), 0,
                fixtures::pack_aux_codes(i == 1 ? 1 : 0, i == 2 ? 3 : 0)});
  }
  return out.str();
}

// A validation run over the binary network "HRLDXY.05A" with its auxiliary
// network file, the ASCII network and its two-way form.
inline Files binary_scenario() {
  Files files;
  files["PROFILE.MAS"] = " VALIDATE\nY\n ASCII\nY\n TWOWAY\nY\n";
  files["VELMAR.CTL"] = "SUITE CONTROL\n FILEI\n00B\n FILEO\n05A\n";
  files["HRLDXY.05A"] = binary_network();
  files["VOLNAUX.05A"] = aux_network();
  files["KVRATES.SYN"] = rates_file();
  return files;
}

// The auxiliary dBASE file of the binary scenario: codes by node pair.
inline fixtures::DbfTable aux_link_table() {
  fixtures::DbfTable table({{"ANODE", 'N', 7},
                            {"BNODE", 'N', 7},
                            {"SEQ", 'N', 4},
                            {"CC", 'N', 3},
                            {"SL", 'N', 3},
                            {"GL", 'N', 3},
                            {"ONEWAY", 'C', 1}});
  table.add({10, 20, 1, 2, 1, 4, ""});
  table.add({12, 13, 2, 0, 0, 3, "F"});
  table.add({12, 13, 1, 5, 2, 0, "F"});
  table.add({30, 31, 1, 1, 0, 0, ""});
  return table;
}

// An analysis run over the binary network with the auxiliary dBASE file in
// place of the auxiliary network file.
inline Files binary_aux_dbf_scenario() {
  Files files = binary_scenario();
  files.erase("VOLNAUX.05A");
  files["PROFILE.MAS"] =
      " ANALYSIS\nY\n VOLNAUXDBF\nAUXLINKS.DBF\n DBFANODE\nANODE\n DBFBNODE\nBNODE\n DBFSEQ\nSEQ\n"
      " DBFCC\nCC\n DBFSL\nSL\n DBFGL\nGL\n DBFONEWAY\nONEWAY\n";
  files["AUXLINKS.DBF"] = aux_link_table().bytes();
  return files;
}

// Bytes that no writer would produce, always the same: a linear
// congruential sequence over all 256 byte values.
inline std::string garbage(std::size_t n, std::uint32_t seed = 12345) {
  std::string out(n, '\0');
  for (auto& c : out) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>((seed >> 16) & 0xFF);
  }
  return out;
}

// The first n bytes.
inline std::string cut(std::string_view bytes, std::size_t n) { return std::string(bytes.substr(0, n)); }

}  // namespace korvo::hardening
