#pragma once
// A thread that takes blocks behind their writer: the link loop uses it to
// gather the statistics of the links it has evaluated while it evaluates the
// next ones.
//
// The ring holds kBlocks blocks, allocated once when it starts. The writer
// fills the block it holds and hands it over; the ring's thread passes the
// blocks to the drain function in the order they were handed over, and
// hands each back once drained. What the drain function sees is exactly the
// sequence the writer produced, as if the writer had called it itself.
//
// Each block has a member count: the items it holds. The writer may fill
// the blocks with streaming copies (common/streaming_store.h): the ring
// fences them before it hands a block over.
//
//   HandOffRing<Block> ring([&](const Block& b) { ...use b's items... });
//   Block& b = ring.block();            // the block to write into
//   ...; if (++b.count == kMax) ring.hand_over();
//   ring.finish();                      // hands over the rest and waits
//
// finish() returns once every item has been drained, and rethrows what the
// drain function threw (the items after that were not drained). Destroying
// the ring without finish() stops the thread after the block it is draining
// and drops the blocks not yet drained: this is how a loop that stops early
// lets it go.

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
class HandOffRing {
 public:
  using Drain = std::function<void(const Block&)>;

  explicit HandOffRing(Drain drain) : drain_(std::move(drain)), slots_(std::make_unique<std::array<Slot, kBlocks>>()) {
    thread_ = std::thread([this] { drain_blocks(); });
  }
  ~HandOffRing() { stop_thread(); }
  HandOffRing(const HandOffRing&) = delete;
  HandOffRing& operator=(const HandOffRing&) = delete;

  // The block the writer fills; valid until the next hand_over() or finish().
  Block& block() { return (*slots_)[write_].block; }

  // Hands the writer's block to the thread and waits, if need be, for the
  // next block to be free. The next block's count is set to 0.
  void hand_over() {
    streaming_fence();
    std::unique_lock<std::mutex> lock(mutex_);
    (*slots_)[write_].full = true;
    write_ = (write_ + 1) % kBlocks;
    changed_.notify_all();
    Slot& next = (*slots_)[write_];
    changed_.wait(lock, [&] { return !next.full; });
    next.block.count = 0;
  }

  // Hands over the writer's block, waits until every block is drained and
  // stops the thread; rethrows what the drain function threw.
  void finish() {
    streaming_fence();
    {
      std::unique_lock<std::mutex> lock(mutex_);
      (*slots_)[write_].full = true;
      finishing_ = true;
    }
    changed_.notify_all();
    stop_thread();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  struct Slot {
    Block block;
    bool full = false;  // handed over, and not yet drained
  };

  void drain_blocks() {
    for (std::size_t s = 0;; s = (s + 1) % kBlocks) {
      Slot& slot = (*slots_)[s];
      bool last = false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || slot.full; });
        if (stop_) return;
        last = finishing_ && s == write_;
      }
      // The slot is this thread's own until it is handed back.
      if (!error_) {
        try {
          drain_(slot.block);
        } catch (...) {
          error_ = std::current_exception();
        }
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.full = false;
      }
      changed_.notify_all();
      if (last) return;
    }
  }

  void stop_thread() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!finishing_) stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  Drain drain_;
  std::unique_ptr<std::array<Slot, kBlocks>> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool finishing_ = false;
  std::exception_ptr error_;  // the thread's until it is joined
  std::thread thread_;
  // The writer's, on a cache line of its own: the slot it fills.
  alignas(64) std::size_t write_ = 0;
};

}  // namespace korvo
