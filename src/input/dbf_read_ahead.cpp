#include "input/dbf_read_ahead.h"

#include <algorithm>

namespace korvo {

DbfReadAhead::DbfReadAhead(DbfLinkSource& source, std::size_t block_records)
    : source_(source),
      block_records_(std::clamp<std::size_t>(block_records, 1, kBlockRecords)),
      present_(source.present),
      ring_([this](Block& block) { return fill(block); }) {}

// On the converting thread: the next records, until the block is full or
// the links end.
bool DbfReadAhead::fill(Block& block) {
  block.count = 0;
  StreamingEntry<DbfRecordValues> entry{};
  while (block.count < block_records_) {
    if (convert_next_dbf_record(source_, entry.value) == LinkStatus::kEndOfLinks) return false;
    streaming_copy(block.entries[block.count], entry);
    ++block.count;
  }
  return true;
}

LinkStatus DbfReadAhead::next(LinkRecord& link) {
  std::size_t i = 0;
  if (const Block* block = ring_.next_item(i)) {
    store_dbf_values(present_, block->entries[i].value, link);
    return LinkStatus::kLink;
  }
  ring_.rethrow_failure();
  return LinkStatus::kEndOfLinks;
}

}  // namespace korvo
