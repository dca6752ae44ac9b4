// The per-link merge of construction and location codes: from the
// auxiliary network file ("VOLNAUX.XXX"), or from the auxiliary link table.
//
// Input: a mode byte (bit 0: node numbers read unsigned; bit 1: merge with
// the table; bit 2: the profile names a screenline field), the number of
// links K (1 byte), K links of two 32-bit little-endian node numbers, then
// the auxiliary network file (file mode) or table entries of 16 bytes each:
// from-node, to-node, construction code and screenline (32 bits each; the
// location is the construction code's low byte) (table mode).

#include <cstdint>
#include <memory>

#include "common/errors.h"
#include "common/fortran_records.h"
#include "evaluation/aux_merge.h"
#include "fuzz_support.h"
#include "input/aux_link_file.h"
#include "input/aux_network_file.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto table = std::make_unique<AuxLinkTable>();
  if (size < 2) return 0;
  const std::uint8_t mode = data[0];
  const std::size_t links = data[1];
  std::size_t pos = 2;
  if (size < pos + 8 * links) return 0;
  const char* link_bytes = reinterpret_cast<const char*>(data + pos);
  pos += 8 * links;
  const std::string_view rest(reinterpret_cast<const char*>(data + pos), size - pos);
  const bool from_table = (mode & 2) != 0;
  AuxMergeState merge;
  AuxNetworkFile file;
  fuzz::CountingEvents events;
  if (from_table) {
    table->count = 0;
    for (std::size_t p = 0; p + 16 <= rest.size() && table->count < kAuxLinkLimit; p += 16) {
      const char* e = rest.data() + p;
      AuxLinkEntry entry;
      entry.anode = load_i32le(e);
      entry.bnode = load_i32le(e + 4) & 0x1FFFFF;  // the table packs to-nodes below 2,097,152
      entry.construct = load_i32le(e + 8);
      entry.screenline = load_i32le(e + 12);
      entry.location = entry.construct & 0xFF;
      entry.zone = 0;
      entry.bnode <<= 10;
      (*table)[++table->count] = entry;
    }
    sort_aux_links(*table);
    merge_aux_links(*table);
    start_aux_merge(merge, *table, (mode & 4) != 0);
  } else {
    file.stream = ByteStream::from_memory(rest, "VOLNAUX.05A");
    file.records = FortranRecordReader(&file.stream);
    file.open = true;
    file.unsigned_nodes = (mode & 1) != 0;
  }
  for (std::size_t i = 0; i < links; ++i) {
    LinkRecord link;
    link.anode = load_i32le(link_bytes + 8 * i);
    link.bnode = load_i32le(link_bytes + 8 * i + 4);
    try {
      if (from_table) {
        merge_from_table(merge, *table, link, events);
      } else {
        merge_aux_record(link, read_aux_network_record(file, link.anode, link.bnode), events);
      }
    } catch (const FileError&) {
      break;
    } catch (const RunStop&) {
      break;
    }
    if (from_table) {
      fuzz::check(merge.cursor >= 1 && merge.cursor <= table->count + 1, "the table cursor left the table");
    }
  }
  return 0;
}
