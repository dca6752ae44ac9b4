#pragma once
// Reading the dBASE link file ahead of the link loop, on a second thread.
//
// Converting the records' text into numbers is most of the work of a run on
// a dBASE table, and it does not depend on the evaluation. A DbfReadAhead
// converts the records on a thread of its own, a block of records at a time
// (common/read_ahead_ring.h); the link loop takes the values in file order
// and stores them into its one link record exactly as read_next_dbf_link
// does. Evaluation and accumulation stay on the loop's thread, in file
// order, so every sum is the same as on one thread.
//
// A record that cannot be converted ends its block: the loop receives the
// records before it, then the FileError that read_next_dbf_link would have
// thrown at that record. Nothing is allocated per record.
//
//   DbfReadAhead ahead(source);        // after prepare_link_fields
//   while (ahead.next(link) == LinkStatus::kLink) { ... }
//
// While the read-ahead runs, the source belongs to it: nothing else may
// read the stream or the counters until it is destroyed.

#include <array>
#include <cstddef>

#include "common/read_ahead_ring.h"
#include "common/streaming_store.h"
#include "input/dbf_reader.h"
#include "input/link_record.h"

namespace korvo {

class DbfReadAhead {
 public:
  static constexpr std::size_t kBlockRecords = 4096;

  // Starts converting. block_records (1..kBlockRecords) is the number of
  // records per block; tests use small blocks to cross many block ends.
  explicit DbfReadAhead(DbfLinkSource& source, std::size_t block_records = kBlockRecords);

  // As read_next_dbf_link: the next record stored into link, or
  // kEndOfLinks (again on every later call); throws the FileError of a
  // record that cannot be converted, leaving link as it was.
  LinkStatus next(LinkRecord& link);

 private:
  struct Block {
    std::array<StreamingEntry<DbfRecordValues>, kBlockRecords> entries;
    std::size_t count = 0;
  };
  bool fill(Block& block);

  DbfLinkSource& source_;
  const std::size_t block_records_;
  // The loop's copy of which keywords the file has: the source's counters
  // next to it change with every record.
  const DbfKeywordsPresent present_;
  ReadAheadRing<Block> ring_;  // last: its thread starts when the rest is set
};

}  // namespace korvo
