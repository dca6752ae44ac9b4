#include "input/dbf_read_ahead.h"

#include <algorithm>
#include <utility>

namespace korvo {

DbfReadAhead::DbfReadAhead(DbfLinkSource& source, std::size_t block_records)
    : source_(source),
      block_records_(std::clamp<std::size_t>(block_records, 1, kBlockRecords)),
      ring_(std::make_unique<std::array<Block, kBlocks>>()),
      present_(source.present) {
  thread_ = std::thread([this] { convert_blocks(); });
}

DbfReadAhead::~DbfReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

// The converting thread: fills the blocks in ring order, each once the loop
// has handed it back, until the links end, a record fails or the read-ahead
// is destroyed.
void DbfReadAhead::convert_blocks() {
  for (std::size_t b = 0;; b = (b + 1) % kBlocks) {
    Block& block = (*ring_)[b];
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || !block.full; });
      if (stop_) return;
    }
    // The block is the thread's own until it is marked full.
    block.count = 0;
    block.last = false;
    block.error = nullptr;
    try {
      while (block.count < block_records_) {
        if (convert_next_dbf_record(source_, block.values[block.count]) == LinkStatus::kEndOfLinks) {
          block.last = true;
          break;
        }
        ++block.count;
      }
    } catch (...) {
      block.error = std::current_exception();
      block.last = true;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      block.full = true;
    }
    changed_.notify_all();
    if (block.last) return;
  }
}

// Hands the block the loop has read back to the converting thread and waits
// for the next one.
void DbfReadAhead::take_next_block() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (holding_) {
    (*ring_)[block_].full = false;
    block_ = (block_ + 1) % kBlocks;
    holding_ = false;
    changed_.notify_all();
  }
  changed_.wait(lock, [&] { return (*ring_)[block_].full; });
  holding_ = true;
  position_ = 0;
}

LinkStatus DbfReadAhead::next(LinkRecord& link) {
  if (ended_) return LinkStatus::kEndOfLinks;
  if (!holding_) take_next_block();
  for (;;) {
    Block& block = (*ring_)[block_];
    if (position_ < block.count) {
      store_dbf_values(present_, block.values[position_++], link);
      return LinkStatus::kLink;
    }
    if (block.last) {
      ended_ = true;
      if (block.error) std::rethrow_exception(std::exchange(block.error, nullptr));
      return LinkStatus::kEndOfLinks;
    }
    take_next_block();
  }
}

}  // namespace korvo
