#include "input/aux_network_file.h"

#include <string>

#include "common/errors.h"

namespace korvo {

AuxNetworkRecord read_aux_network_record(AuxNetworkFile& file, std::int32_t anode, std::int32_t bnode) {
  std::string_view record;
  const auto status = file.records.next(record, ByteStream::kBufferSize);
  // At the end of the file the record wanted is the one after the last.
  const std::int64_t number =
      file.records.record_number() + (status == FortranRecordReader::Status::kEndOfFile ? 1 : 0);
  const auto place = [&] { return FilePlace::record_at_offset(number, file.records.record_offset()); };
  if (status == FortranRecordReader::Status::kEndOfFile) {
    throw FileError(file.stream.name(), place(), "",
                    "the record of link " + std::to_string(anode) + "-" + std::to_string(bnode),
                    FileError::Found::words("the end of the file"));
  }
  if (record.size() < kAuxRecordBytes) {
    throw FileError(file.stream.name(), place(), "record length",
                    "at least " + std::to_string(kAuxRecordBytes) + " bytes (from-node, to-node, unused, codes)",
                    FileError::Found::words(std::to_string(record.size())));
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
