#pragma once
// The writers of a generated scenario's link sources, one per file kind,
// each fed the city's links one at a time and holding none of them:
//   - DbfNetworkWriter: the dBASE link table;
//   - BinaryNetworkWriter: the binary loaded network (autos and trucks);
//   - VolnauxWriter: the auxiliary network file in step with it;
//   - AuxDbfWriter: the auxiliary dBASE file that takes its place.
//
//   BinaryNetworkWriter network(dir / "HRLDXY.26A", city.max_node(), title, remark);
//   VolnauxWriter volnaux(dir / "VOLNAUX.26A");
//   while (city.next(link)) {
//     network.add(link);
//     volnaux.add(link);
//   }
//   network.close();
//   volnaux.close();
//
// close() finishes a file and throws std::runtime_error when it could not
// be written.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

#include "city_model.h"
#include "dbf_writer.h"
#include "network_writer.h"

namespace korvo::fixtures {

// The dBASE link table: the 20 keyword fields under the names that
// scenario_database_control() gives them (A, B, LENGTH, FFTIME, CONGTIME,
// VOLUME), lengths in miles and times in minutes with two decimals, the
// total volume. With aux_fields a sequence number (SEQ) and a one-way flag
// (ONEWAY, "F" on a one-way link) follow, so that the table also serves as
// the auxiliary dBASE file.
class DbfNetworkWriter {
 public:
  DbfNetworkWriter(const std::filesystem::path& path, bool aux_fields);
  void add(const GeneratedLink& link);
  void close() { file_.close(); }

 private:
  bool aux_fields_;
  DbfFileWriter file_;
  DbfRecordBuilder record_;
};

// The binary loaded network: one period, two volume slots (autos, then
// trucks), 16-bit nodes, the agency page header; the title at character
// 105 of the header and the remark at 185.
class BinaryNetworkWriter {
 public:
  BinaryNetworkWriter(const std::filesystem::path& path, std::int32_t max_node, std::string_view title,
                      std::string_view remark);
  void add(const GeneratedLink& link);
  void close();

 private:
  std::filesystem::path path_;
  std::ofstream out_;
  std::unique_ptr<LoadedNetworkWriter> writer_;
  LinkEntry entry_;
};

// The auxiliary network file: each link's construction and location codes,
// record for record with the binary network.
class VolnauxWriter {
 public:
  explicit VolnauxWriter(const std::filesystem::path& path);
  void add(const GeneratedLink& link);
  void close();

 private:
  std::filesystem::path path_;
  std::ofstream out_;
  AuxNetworkWriter writer_;
};

// The auxiliary dBASE file of a binary network: one record per street (a
// two-way street's record, from its lower node, stands for both directions)
// with its sequence number, construction code, screenline, location, zone
// and one-way flag.
class AuxDbfWriter {
 public:
  explicit AuxDbfWriter(const std::filesystem::path& path);
  void add(const GeneratedLink& link);
  void close() { file_.close(); }

 private:
  DbfFileWriter file_;
  DbfRecordBuilder record_;
};

}  // namespace korvo::fixtures
