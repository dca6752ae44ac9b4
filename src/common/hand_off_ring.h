#pragma once
// A thread that takes items behind their writer: the link loop uses it to
// add up the measures and statistics of the links it has evaluated while it
// evaluates the next ones.
//
// The writer adds items one at a time; the ring keeps them in blocks of
// block_items, allocated once when it starts (kBlocks of them), and hands a
// block to its thread whenever one is full. The thread passes the items to
// the drain function in the order they were added, so the drain function
// sees exactly the sequence the writer produced, as if the writer had
// called it itself. Nothing is allocated per item.
//
//   HandOffRing<Item, Drain> ring(drain);   // drain(const Item&), on the thread
//   ring.add(item);                         // on the writer's thread
//   ring.emplace([&](Item& to) { ... });    // or: fill the next one in place
//   ring.finish();                          // hands over the rest and waits
//
// finish() returns once every item has been drained, and rethrows what the
// drain function threw (the items after that were not drained). Destroying
// the ring without finish() stops the thread after the block it is draining
// and drops the items not yet drained: this is how a loop that stops early
// lets it go.
//
// The items go into the blocks by ordinary stores. Streaming stores past the
// cache (common/streaming_store.h) made the binary network's link loop about
// a tenth slower: they send each block out to memory, and the thread reads
// it back from there. (The dBASE read-ahead keeps them; there the two
// measured alike.) A writer whose item is built member by member should
// emplace() it: an item built on the stack and then copied waits on the
// stores that built it before the copy can load them.

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <type_traits>
#include <utility>

namespace korvo {

template <typename Item, typename Drain = std::function<void(const Item&)>>
class HandOffRing {
  static_assert(std::is_trivially_copyable_v<Item> && std::is_trivially_destructible_v<Item> &&
                alignof(Item) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

 public:
  // Each hand-over may wake the thread, a system call on either side: a
  // binary network's link loop ran 5 to 10 % slower with blocks of 4,096
  // links than with these.
  static constexpr std::size_t kBlockItems = 16384;
  static constexpr std::size_t kBlocks = 3;

  // Starts the thread. block_items (1..kBlockItems) is the number of items
  // per block; tests use small blocks to cross many block ends.
  explicit HandOffRing(Drain drain, std::size_t block_items = kBlockItems)
      : drain_(std::move(drain)),
        block_items_(std::clamp<std::size_t>(block_items, 1, kBlockItems)),
        items_(std::make_unique_for_overwrite<std::byte[]>(kBlocks * kBlockItems * sizeof(Item))) {
    for (std::size_t b = 0; b < kBlocks; ++b) {
      slots_[b].entries = std::launder(reinterpret_cast<Item*>(items_.get() + b * kBlockItems * sizeof(Item)));
    }
    thread_ = std::thread([this] { drain_blocks(); });
  }
  ~HandOffRing() { stop_thread(); }
  HandOffRing(const HandOffRing&) = delete;
  HandOffRing& operator=(const HandOffRing&) = delete;

  // Adds an item behind the others. When that fills the block, hands it
  // over, and waits if the thread has yet to drain the next one.
  void add(const Item& item) {
    emplace([&item](Item& to) { to = item; });
  }

  // Adds an item as add() does, written by fill(Item&) in its place in the
  // block; the place holds an earlier item or nothing yet, so fill sets every
  // member.
  template <typename Fill>
  void emplace(Fill&& fill) {
    fill(slots_[write_].entries[count_]);
    if (++count_ == block_items_) hand_over();
  }

  // Hands over the last items, waits until every item is drained and stops
  // the thread; rethrows what the drain function threw.
  void finish() {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      Slot& slot = slots_[write_];
      slot.count = std::exchange(count_, 0);
      slot.full = true;
      finishing_ = true;
    }
    changed_.notify_all();
    stop_thread();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  struct Slot {
    Item* entries = nullptr;  // kBlockItems places in items_
    std::size_t count = 0;    // items in entries, set when handed over
    bool full = false;        // handed over, and not yet drained
  };

  // Hands the writer's block to the thread and waits, if need be, for the
  // next block to be free.
  void hand_over() {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[write_];
    slot.count = std::exchange(count_, 0);
    slot.full = true;
    write_ = (write_ + 1) % kBlocks;
    changed_.notify_all();
    Slot& next = slots_[write_];
    changed_.wait(lock, [&] { return !next.full; });
  }

  void drain_blocks() {
    for (std::size_t s = 0;; s = (s + 1) % kBlocks) {
      Slot& slot = slots_[s];
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
          // Taken once: drain_ could otherwise be taken to change them.
          const Item* const entries = slot.entries;
          const std::size_t count = slot.count;
          for (std::size_t i = 0; i < count; ++i) drain_(entries[i]);
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
  const std::size_t block_items_;
  // The blocks' items, not zeroed: the writer fills each place before the
  // thread reads it, and zeroing them would touch every page of the ring
  // (megabytes) however few links a run has. An Item is trivially copyable,
  // so the objects come to be in the bytes as they are written.
  std::unique_ptr<std::byte[]> items_;
  std::array<Slot, kBlocks> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool finishing_ = false;
  std::exception_ptr error_;  // the thread's until it is joined
  std::thread thread_;
  // The writer's, on a cache line of its own: the slot it fills and the
  // items in it.
  alignas(64) std::size_t write_ = 0;
  std::size_t count_ = 0;
};

}  // namespace korvo
