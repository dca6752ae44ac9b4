#pragma once
// Reading the dBASE link file ahead of the link loop, on a second thread.
//
// Converting the records' text into numbers is most of the work of a run on
// a dBASE table, and it does not depend on the evaluation. A DbfReadAhead
// converts the records on a thread of its own, a block of records at a time,
// into a small ring of blocks of values; the link loop takes the values in
// file order and stores them into its one link record exactly as
// read_next_dbf_link does. Evaluation and accumulation stay on the loop's
// thread, in file order, so every sum is the same as on one thread.
//
// A record that cannot be converted ends its block: the loop receives the
// records before it, then the FileError that read_next_dbf_link would have
// thrown at that record. The ring is allocated once, when the read-ahead
// starts; nothing is allocated per record.
//
//   DbfReadAhead ahead(source);        // after prepare_link_fields
//   while (ahead.next(link) == LinkStatus::kLink) { ... }
//
// While the read-ahead runs, the source belongs to it: nothing else may
// read the stream or the counters until it is destroyed. Destroying it
// early (an exception in the loop) stops and joins the thread.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "input/dbf_reader.h"
#include "input/link_record.h"

namespace korvo {

class DbfReadAhead {
 public:
  static constexpr std::size_t kBlockRecords = 4096;
  static constexpr std::size_t kBlocks = 3;

  // Starts converting. block_records (1..kBlockRecords) is the number of
  // records per block; tests use small blocks to cross many block ends.
  explicit DbfReadAhead(DbfLinkSource& source, std::size_t block_records = kBlockRecords);
  ~DbfReadAhead();
  DbfReadAhead(const DbfReadAhead&) = delete;
  DbfReadAhead& operator=(const DbfReadAhead&) = delete;

  // As read_next_dbf_link: the next record stored into link, or
  // kEndOfLinks (again on every later call); throws the FileError of a
  // record that cannot be converted, leaving link as it was.
  LinkStatus next(LinkRecord& link);

 private:
  struct alignas(64) Block {
    std::array<DbfRecordValues, kBlockRecords> values;
    std::size_t count = 0;       // records converted into values
    bool last = false;           // the links end, or error is set, after them
    std::exception_ptr error;    // the failure that ended the links
    bool full = false;           // filled, and not yet handed back by the loop
  };

  void convert_blocks();
  void take_next_block();

  // The converting thread's: the source (its stream and counters change
  // with every record).
  DbfLinkSource& source_;
  const std::size_t block_records_;
  std::unique_ptr<std::array<Block, kBlocks>> ring_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  std::thread thread_;
  // The loop's, on a cache line of their own so that the converting thread's
  // writes do not slow every link down: its copy of which keywords the file
  // has, the block it reads and the next record within it.
  alignas(64) DbfKeywordsPresent present_;
  std::size_t block_ = 0;
  std::size_t position_ = 0;
  bool holding_ = false;  // the loop holds block_ (taken, not yet handed back)
  bool ended_ = false;
};

}  // namespace korvo
