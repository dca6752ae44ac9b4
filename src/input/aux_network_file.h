#pragma once
// The auxiliary network file "VOLNAUX.xxx": one record per link of the binary
// network, in the network's order, giving the link's construction and
// location codes. Fortran sequential unformatted records of 10 bytes at
// least: from-node, to-node and an unused value (16 bits each), then the
// packed codes (32 bits).

#include <cstdint>

#include "common/byte_stream.h"
#include "common/fortran_records.h"

namespace korvo {

inline constexpr std::size_t kAuxRecordBytes = 10;
// From this highest node number on (header words 3 and 4 of the binary
// network) the auxiliary network file's 16-bit node numbers are unsigned.
inline constexpr std::int32_t kUnsignedNodeThreshold = 32'768;

struct AuxNetworkFile {
  ByteStream stream;
  FortranRecordReader records;
  bool open = false;
  bool unsigned_nodes = false;  // node numbers read as 0..65535
};

// One record: the link it belongs to and its packed codes.
struct AuxNetworkRecord {
  std::int32_t from = 0;
  std::int32_t to = 0;
  std::uint32_t packed = 0;
};

// The construction and location codes of a packed word: bits 24-31 and
// bits 8-15; the other bits mean nothing here.
inline std::int16_t packed_construction_code(std::uint32_t packed) { return static_cast<std::int16_t>(packed >> 24); }
inline std::int32_t packed_location_code(std::uint32_t packed) {
  return static_cast<std::int32_t>((packed >> 8) & 0xFFu);
}

namespace aux_network_detail {
// Throws the FileError for a record that is missing or too short.
[[noreturn]] void fail_record(const AuxNetworkFile& file, std::int32_t anode, std::int32_t bnode, bool end_of_file,
                              std::size_t record_size);
}  // namespace aux_network_detail

// Reads the record of the link anode-bnode (the nodes name the link in the
// error line). Throws FileError when the file ends before it or the record
// is shorter than 10 bytes.
// Inline: it runs once per link, and its record is best built in registers.
inline AuxNetworkRecord read_aux_network_record(AuxNetworkFile& file, std::int32_t anode, std::int32_t bnode) {
  std::string_view record;
  const auto status = file.records.next(record, ByteStream::kBufferSize);
  if (status == FortranRecordReader::Status::kEndOfFile || record.size() < kAuxRecordBytes) {
    aux_network_detail::fail_record(file, anode, bnode, status == FortranRecordReader::Status::kEndOfFile,
                                    record.size());
  }
  AuxNetworkRecord r;
  if (file.unsigned_nodes) {
    r.from = load_u16le(record.data());
    r.to = load_u16le(record.data() + 2);
  } else {
    r.from = load_i16le(record.data());
    r.to = load_i16le(record.data() + 2);
  }
  r.packed = load_u32le(record.data() + 6);
  return r;
}

}  // namespace korvo
