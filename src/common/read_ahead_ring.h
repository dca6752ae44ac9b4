#pragma once
// A thread that fills blocks ahead of their reader: the dBASE reader uses it
// to convert the next records while the link loop evaluates the current
// ones.
//
// The ring holds kBlocks blocks, allocated once when it starts. The filling
// thread fills them in ring order, each once the reader has handed it back;
// the reader takes them in the same order, so what it sees is exactly the
// sequence the fill function produced, as if it had called it itself. An
// exception thrown by the fill function ends the sequence: the reader gets
// the block filled so far, marked last, with the exception to rethrow once
// it has used the block's contents. The fill function may write with
// streaming copies (common/streaming_store.h): the ring fences them before
// it hands a block over.
//
// Each block has a member count: the items it holds. The reader walks
// through the items of every block in order:
//
//   ReadAheadRing<Block> ring([&](Block& b) { ...fill b...; return more; });
//   std::size_t i;
//   while (const Block* b = ring.next_item(i)) { ...use item i of b... }
//   ring.rethrow_failure();     // what ended the items, if anything
//
// Destroying the ring stops the thread (after the block it is filling) and
// joins it; this is how a reader that stops early lets it go.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "common/streaming_store.h"

namespace korvo {

template <typename Block, std::size_t kBlocks = 3>
class ReadAheadRing {
 public:
  // Fills one block; returns false when there is nothing after it.
  using Fill = std::function<bool(Block&)>;

  // The blocks are not zeroed (default-initialised): the filling thread
  // writes what the reader reads, and zeroing would touch every page of the
  // ring however few records a file has.
  explicit ReadAheadRing(Fill fill)
      : fill_(std::move(fill)), slots_(std::make_unique_for_overwrite<std::array<Slot, kBlocks>>()) {
    thread_ = std::thread([this] { fill_blocks(); });
  }
  ~ReadAheadRing() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  ReadAheadRing(const ReadAheadRing&) = delete;
  ReadAheadRing& operator=(const ReadAheadRing&) = delete;

  // The block that holds the next item, and the item's index within it
  // (index); null after the last item. A block stays valid until the call
  // after its last item.
  const Block* next_item(std::size_t& index) {
    while (!ended_) {
      if (current_ != nullptr && position_ < current_->count) {
        index = position_++;
        return current_;
      }
      if (current_last_) {
        ended_ = true;
        break;
      }
      take_next_block();
    }
    return nullptr;
  }
  // Rethrows, once, what the fill function threw.
  void rethrow_failure() {
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  struct Slot {
    Block block;
    bool full = false;  // filled, and not yet handed back by the reader
    bool last = false;
    std::exception_ptr error;
  };

  void fill_blocks() {
    for (std::size_t s = 0;; s = (s + 1) % kBlocks) {
      Slot& slot = (*slots_)[s];
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || !slot.full; });
        if (stop_) return;
      }
      // The slot is this thread's own until it is marked full.
      slot.error = nullptr;
      try {
        slot.last = !fill_(slot.block);
      } catch (...) {
        slot.error = std::current_exception();
        slot.last = true;
      }
      streaming_fence();
      const bool last = slot.last;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.full = true;
      }
      changed_.notify_all();
      if (last) return;
    }
  }

  // Hands back the block read before (if any) and waits for the next one.
  void take_next_block() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_ != nullptr) {
      (*slots_)[next_].full = false;
      next_ = (next_ + 1) % kBlocks;
      changed_.notify_all();
    }
    Slot& slot = (*slots_)[next_];
    changed_.wait(lock, [&] { return slot.full; });
    current_ = &slot.block;
    position_ = 0;
    current_last_ = slot.last;
    error_ = slot.error;
  }

  Fill fill_;
  std::unique_ptr<std::array<Slot, kBlocks>> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  std::thread thread_;
  // The reader's, on a cache line of their own: the slot it holds (or takes
  // next), the block in it and the next item's place.
  alignas(64) std::size_t next_ = 0;
  const Block* current_ = nullptr;
  std::size_t position_ = 0;
  bool current_last_ = false;
  bool ended_ = false;
  std::exception_ptr error_;
};

}  // namespace korvo
