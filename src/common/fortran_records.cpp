#include "common/fortran_records.h"

#include "common/errors.h"

namespace korvo {

void FortranRecordReader::fail(const std::string& problem) const {
  throw FileError(stream_->name(), FilePlace::record_at_offset(record_number_, record_offset_), "record length",
                  problem);
}

FortranRecordReader::Status FortranRecordReader::next_checked(std::string_view& record, std::size_t max_length) {
  if (max_length > ByteStream::kBufferSize - 8) max_length = ByteStream::kBufferSize - 8;
  record_offset_ = stream_->offset();
  ++record_number_;
  if (stream_->at_end()) {
    --record_number_;
    return Status::kEndOfFile;
  }
  const char* head = stream_->take(4);
  if (head == nullptr) fail("the file ends inside the leading length marker");
  const std::int32_t length = load_i32le(head);
  if (length < 0)
    fail("leading marker " + std::to_string(length) + " is negative (continued records are not supported)");
  if (static_cast<std::size_t>(length) > max_length) {
    fail("leading marker " + std::to_string(length) + " exceeds the limit of " + std::to_string(max_length) + " bytes");
  }
  const char* body = stream_->take(static_cast<std::size_t>(length) + 4);
  if (body == nullptr) fail("leading marker " + std::to_string(length) + " runs past the end of the file");
  const std::int32_t trailer = load_i32le(body + length);
  if (trailer != length) {
    fail("trailing marker " + std::to_string(trailer) + " differs from leading marker " + std::to_string(length));
  }
  record = std::string_view(body, static_cast<std::size_t>(length));
  return Status::kRecord;
}

void FortranRecordReader::rewind() {
  stream_->rewind();
  record_number_ = 0;
  record_offset_ = 0;
}

}  // namespace korvo
