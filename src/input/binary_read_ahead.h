#pragma once
// Reading the binary loaded network (and its auxiliary network file) ahead
// of the link loop, on a second thread.
//
// The thread does the file work of every link: it reads the records, finds
// the next link entry and copies its words, and reads the link's record of
// the auxiliary network file when there is one. The link loop decodes each
// entry into its one link record as read_binary_link does, in file order;
// evaluation and accumulation stay on its thread. See dbf_read_ahead.h for
// the dBASE table, and common/read_ahead_ring.h for the blocks.
//
// Errors arrive where the plain readers raise them: a fault in the network
// file after the links before it; a fault in the auxiliary file once the
// link whose record it is has been decoded.

#include <array>
#include <cstddef>

#include "common/read_ahead_ring.h"
#include "input/aux_network_file.h"
#include "input/binary_network.h"
#include "input/link_record.h"

namespace korvo {

class BinaryReadAhead {
 public:
  static constexpr std::size_t kBlockLinks = 4096;
  static constexpr std::size_t kBlockWords = 1 << 16;  // holds kBlockLinks entries of up to 16 words

  // Starts reading after read_binary_header. aux is the opened auxiliary
  // network file, or null when the run has none. block_links
  // (1..kBlockLinks) is the number of links per block; tests use small
  // blocks to cross many block ends. link receives the slot counts as the
  // first read_binary_link call gives them.
  BinaryReadAhead(BinaryNetwork& binary, AuxNetworkFile* aux, LinkRecord& link, std::size_t block_links = kBlockLinks);

  // As read_binary_link: the next link decoded into link, or kEndOfLinks
  // (again on every later call); throws the FileError of either file.
  LinkStatus next(LinkRecord& link);
  // The auxiliary record of the link next() delivered last (null without
  // an auxiliary file).
  const AuxNetworkRecord* aux_record() const { return aux_record_; }

 private:
  struct Block {
    std::array<std::int32_t, kBlockWords> words;  // the entries, one after the other
    std::array<AuxNetworkRecord, kBlockLinks> aux;
    std::size_t count = 0;  // whole links
    // The entry after the last whole link was read, but reading its
    // auxiliary record failed.
    bool entry_without_aux = false;
  };
  bool fill(Block& block);

  // Fixed before the thread starts.
  BinaryNetwork& binary_;
  AuxNetworkFile* aux_;
  const BinaryEntryShape shape_;
  const std::size_t links_per_block_;
  // The reading thread's: entries are decoded here for the nodes of the
  // auxiliary file's error line.
  LinkRecord scratch_;
  // The loop's.
  const AuxNetworkRecord* aux_record_ = nullptr;
  ReadAheadRing<Block> ring_;  // last: its thread starts when the rest is set
};

}  // namespace korvo
