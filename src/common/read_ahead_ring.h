#pragma once
// A thread that fills blocks ahead of their reader: the file readers use it
// to convert the next records while the link loop evaluates the current
// ones.
//
// The ring holds kBlocks blocks, allocated once when it starts. The filling
// thread fills them in ring order, each once the reader has handed it back;
// the reader takes them in the same order, so what it sees is exactly the
// sequence the fill function produced, as if it had called it itself. An
// exception thrown by the fill function ends the sequence: the reader gets
// the block filled so far, marked last, with the exception to rethrow once
// it has used the block's contents.
//
//   ReadAheadRing<Block> ring([&](Block& b) { ...fill b...; return more; });
//   for (;;) {
//     const auto taken = ring.take();   // waits for the next block
//     ...use taken.block...
//     if (taken.last) { if (taken.error) std::rethrow_exception(taken.error); break; }
//   }
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

namespace korvo {

template <typename Block, std::size_t kBlocks = 3>
class ReadAheadRing {
 public:
  // Fills one block; returns false when there is nothing after it.
  using Fill = std::function<bool(Block&)>;

  struct Taken {
    const Block& block;
    bool last;                 // nothing follows this block
    std::exception_ptr error;  // set when the fill function threw
  };

  explicit ReadAheadRing(Fill fill) : fill_(std::move(fill)), slots_(std::make_unique<std::array<Slot, kBlocks>>()) {
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

  // Hands back the block taken before (if any) and waits for the next one.
  // Not to be called again after a block marked last.
  Taken take() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (holding_) {
      (*slots_)[next_].full = false;
      next_ = (next_ + 1) % kBlocks;
      changed_.notify_all();
    }
    Slot& slot = (*slots_)[next_];
    changed_.wait(lock, [&] { return slot.full; });
    holding_ = true;
    return {slot.block, slot.last, slot.error};
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
      const bool last = slot.last;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.full = true;
      }
      changed_.notify_all();
      if (last) return;
    }
  }

  Fill fill_;
  std::unique_ptr<std::array<Slot, kBlocks>> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  std::thread thread_;
  // The reader's: the slot it takes next (or holds) and whether it holds it.
  alignas(64) std::size_t next_ = 0;
  bool holding_ = false;
};

}  // namespace korvo
