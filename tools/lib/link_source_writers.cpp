#include "link_source_writers.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "link_attributes.h"

namespace korvo::fixtures {
namespace {

std::vector<DbfFieldDef> network_fields(bool aux_fields) {
  std::vector<DbfFieldDef> f = {
      {"A", 'N', 7},          {"B", 'N', 7},           {"LENGTH", 'N', 6, 2}, {"DIR", 'N', 1},      {"ATYPE", 'N', 2},
      {"FTYPE", 'N', 2},      {"LANES", 'N', 2},       {"FFTIME", 'N', 6, 2}, {"CAPACITY", 'N', 7}, {"COUNT", 'N', 7},
      {"SCREENLINE", 'N', 2}, {"ZONE", 'N', 5},        {"USE", 'N', 1},       {"LOCATION", 'N', 3}, {"LANDUSE", 'N', 3},
      {"CONSTRUCT", 'N', 2},  {"CONGTIME", 'N', 7, 2}, {"VOLUME", 'N', 7},    {"COST", 'N', 4},     {"TWFLAG", 'N', 1},
  };
  if (aux_fields) {
    f.push_back({"SEQ", 'N', 4});
    f.push_back({"ONEWAY", 'C', 1});
  }
  return f;
}

const std::vector<DbfFieldDef> kAuxFields = {{"ANODE", 'N', 7},     {"BNODE", 'N', 7},      {"SEQ", 'N', 4},
                                             {"CONSTRUCT", 'N', 2}, {"SCREENLINE", 'N', 2}, {"LOCATION", 'N', 3},
                                             {"ZONE", 'N', 5},      {"ONEWAY", 'C', 1}};

std::string_view one_way_flag(const GeneratedLink& link) { return link.two_way ? " " : "F"; }

std::ofstream open_binary(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot create " + path.string());
  return out;
}

void close_binary(std::ofstream& out, const std::filesystem::path& path) {
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

DbfNetworkWriter::DbfNetworkWriter(const std::filesystem::path& path, bool aux_fields)
    : aux_fields_(aux_fields), file_(path, network_fields(aux_fields)), record_(file_.fields()) {}

void DbfNetworkWriter::add(const GeneratedLink& l) {
  record_.start()
      .integer(l.anode)
      .integer(l.bnode)
      .scaled(l.distance)
      .integer(1)  // DIR
      .integer(l.area_type)
      .integer(l.facility_type)
      .integer(l.lanes)
      .scaled(l.time)
      .integer(l.capacity)
      .integer(l.count)
      .integer(l.screenline)
      .integer(l.zone)
      .integer(0)  // USE
      .integer(l.location)
      .integer(l.landuse)
      .integer(l.construct)
      .scaled(l.congested_time)
      .integer(l.volume)
      .integer(l.cost)
      .integer(l.two_way ? 1 : 0);
  if (aux_fields_) record_.integer(l.sequence).text(one_way_flag(l));
  file_.add(record_);
}

BinaryNetworkWriter::BinaryNetworkWriter(const std::filesystem::path& path, std::int32_t max_node,
                                         std::string_view title, std::string_view remark)
    : path_(path), out_(open_binary(path)) {
  NetworkHeader header;
  header.set_text(105, title);
  header.set_text(185, remark);
  header.set_word(3, static_cast<std::int16_t>(max_node & 0xFFFF));
  header.set_word(4, static_cast<std::int16_t>(max_node >> 16));
  header.set_word(33, 1);  // one period
  header.set_word(34, 2);  // two volume slots: autos and trucks
  header.set_word(53, 1);  // agency page header
  header.set_word(59, 1);  // 16-bit node numbers
  writer_ = std::make_unique<LoadedNetworkWriter>(out_, header);
}

void BinaryNetworkWriter::add(const GeneratedLink& l) {
  copy_link_attributes(l, entry_);
  entry_.time2 = entry_.time;
  entry_.cost = static_cast<std::uint32_t>(l.cost);
  entry_.volumes.assign({l.auto_volume(), l.truck_volume});
  writer_->add_link(entry_);
}

void BinaryNetworkWriter::close() {
  writer_->finish();
  close_binary(out_, path_);
}

VolnauxWriter::VolnauxWriter(const std::filesystem::path& path) : path_(path), out_(open_binary(path)), writer_(out_) {}

void VolnauxWriter::add(const GeneratedLink& l) {
  writer_.add(
      AuxRecord{l.anode, l.bnode, 0,
                pack_aux_codes(static_cast<std::uint32_t>(l.construct), static_cast<std::uint32_t>(l.location))});
}

void VolnauxWriter::close() { close_binary(out_, path_); }

AuxDbfWriter::AuxDbfWriter(const std::filesystem::path& path) : file_(path, kAuxFields), record_(kAuxFields) {}

void AuxDbfWriter::add(const GeneratedLink& l) {
  if (l.two_way && l.anode >= l.bnode) return;  // the street's record is the other direction's
  record_.start()
      .integer(l.anode)
      .integer(l.bnode)
      .integer(l.sequence)
      .integer(l.construct)
      .integer(l.screenline)
      .integer(l.location)
      .integer(l.zone)
      .text(one_way_flag(l));
  file_.add(record_);
}

}  // namespace korvo::fixtures
