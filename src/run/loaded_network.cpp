#include "run/loaded_network.h"

#include <string>

#include "common/errors.h"
#include "run/run_context.h"

namespace korvo {

void read_binary_header(BinaryNetwork& binary) {
  std::string_view record;
  if (binary.records.next(record, ByteStream::kBufferSize) == FortranRecordReader::Status::kEndOfFile) {
    throw InputError(input_error_line(binary.stream.name(), "record 1", "header record",
                                      "expected the header record, found the end of the file"));
  }
  if (record.size() < kBinaryHeaderBytes) {
    throw InputError(input_error_line(binary.stream.name(), "record 1", "header record",
                                      "expected at least " + std::to_string(kBinaryHeaderBytes) + " bytes, found " +
                                          std::to_string(record.size())));
  }
  binary.header.text.assign(record.substr(0, kBinaryHeaderTextSize));
  for (int n = 1; n <= kBinaryHeaderWords; ++n) {
    binary.header.words[static_cast<std::size_t>(n)] =
        load_i16le(record.data() + kBinaryHeaderTextSize + 2 * static_cast<std::size_t>(n - 1));
  }
}

void read_binary_link(RunContext& ctx) {
  // The binary link source arrives with the loaded-network reader.
  ctx.link.end_of_links = true;
}

void make_two_way_file(RunContext&) {}

}  // namespace korvo
