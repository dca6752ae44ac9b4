#pragma once
// The auxiliary link file: link attributes by node pair from an auxiliary
// dBASE table, sorted and merged into one entry per direction and node pair.
//
// The profile names the file and, in this order, its fields: from-node,
// to-node and sequence number (required), construction code (optional),
// screenline (optional; without it the location is not read either),
// location (required with a screenline), zone (optional) and one-way marker
// (optional; "R" or "F" makes the record one-way, anything else two-way). A
// name whose first four characters are "NONE" or "none" is absent.

#include <array>
#include <cstdint>
#include <exception>

#include "common/byte_stream.h"
#include "common/fixed_text.h"
#include "input/dbf_reader.h"
#include "input/profile.h"

namespace korvo {

inline constexpr int kAuxLinkLimit = 200'000;
// To-node and sequence are packed as to-node x 1024 + sequence while the
// table is sorted, which bounds both.
inline constexpr std::int32_t kAuxSequenceLimit = 1023;
inline constexpr std::int32_t kAuxNodeLimit = 2'097'152;  // node numbers stay below
inline constexpr int kAuxFieldWidthLimit = 99;

// Plain values without initializers, so that the 200,000-entry table is not
// cleared (and its memory not touched) before a run that uses none of it;
// only entries 1..count are ever read.
struct AuxLinkEntry {
  std::int32_t anode;
  std::int32_t bnode;  // to-node x 1024 + sequence while the table is built
  std::int32_t construct;
  std::int32_t screenline;
  std::int32_t location;
  std::int32_t zone;
};

struct AuxLinkTable {
  std::int32_t count = 0;                               // aux_count
  std::array<AuxLinkEntry, kAuxLinkLimit + 1> entries;  // entries 1..count

  AuxLinkEntry& operator[](std::int32_t i) { return entries[static_cast<std::size_t>(i)]; }
  const AuxLinkEntry& operator[](std::int32_t i) const { return entries[static_cast<std::size_t>(i)]; }
};

// A field the profile names is not in the file: the run stops with its
// console line (the program driver writes it).
class AuxFieldNotFound : public std::exception {
 public:
  explicit AuxFieldNotFound(const FixedText<11>& name) : name_(name) {}
  const FixedText<11>& name() const { return name_; }
  const char* what() const noexcept override { return "a field of the auxiliary dBASE file is missing"; }

 private:
  FixedText<11> name_;
};

// The steps of loading the table, for a stream at byte 0: read_aux_links,
// sort_aux_links, merge_aux_links.
void load_aux_links(ByteStream& stream, const AuxFieldNames& field_names, AuxLinkTable& table, DbfListing* listing);

// Reads the header (handing it to listing when that is not null), locates
// the named fields and appends one entry per record, and the reverse entry
// unless the record is one-way; entries hold to-node x 1024 + sequence.
// Throws AuxFieldNotFound for a named field that is missing.
void read_aux_links(ByteStream& stream, const AuxFieldNames& field_names, AuxLinkTable& table, DbfListing* listing);
// Sorts by from-node, then packed to-node (Shell sort, gaps n/2, n/4, ..., 1).
void sort_aux_links(AuxLinkTable& table);
// Unpacks the to-nodes and folds entries of the same node pair into one; in
// each value column the first non-zero value in sort order wins.
void merge_aux_links(AuxLinkTable& table);

}  // namespace korvo
