#include "input/dbf_read_ahead.h"

#include <algorithm>
#include <utility>

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
  while (block.count < block_records_) {
    if (convert_next_dbf_record(source_, block.values[block.count]) == LinkStatus::kEndOfLinks) return false;
    ++block.count;
  }
  return true;
}

LinkStatus DbfReadAhead::next(LinkRecord& link) {
  while (!ended_) {
    if (block_ != nullptr && position_ < block_->count) {
      store_dbf_values(present_, block_->values[position_++], link);
      return LinkStatus::kLink;
    }
    if (last_) {
      ended_ = true;
      break;
    }
    const auto taken = ring_.take();
    block_ = &taken.block;
    position_ = 0;
    last_ = taken.last;
    error_ = taken.error;
  }
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return LinkStatus::kEndOfLinks;
}

}  // namespace korvo
