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

// Reads the record of the link anode-bnode (the nodes name the link in the
// error line). Throws FileError when the file ends before it or the record
// is shorter than 10 bytes.
AuxNetworkRecord read_aux_network_record(AuxNetworkFile& file, std::int32_t anode, std::int32_t bnode);

}  // namespace korvo
