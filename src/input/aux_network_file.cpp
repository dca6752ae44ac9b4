#include "input/aux_network_file.h"

#include <string>

#include "common/errors.h"

namespace korvo {

namespace aux_network_detail {

void fail_record(const AuxNetworkFile& file, std::int32_t anode, std::int32_t bnode, bool end_of_file,
                 std::size_t record_size) {
  // At the end of the file the record wanted is the one after the last.
  const std::int64_t number = file.records.record_number() + (end_of_file ? 1 : 0);
  const FilePlace place = FilePlace::record_at_offset(number, file.records.record_offset());
  if (end_of_file) {
    throw FileError(file.stream.name(), place, "",
                    "the record of link " + std::to_string(anode) + "-" + std::to_string(bnode),
                    FileError::Found::words("the end of the file"));
  }
  throw FileError(file.stream.name(), place, "record length",
                  "at least " + std::to_string(kAuxRecordBytes) + " bytes (from-node, to-node, unused, codes)",
                  FileError::Found::words(std::to_string(record_size)));
}

}  // namespace aux_network_detail

}  // namespace korvo
