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
#include <new>
#include <sstream>

#include "common/errors.h"
#include "common/fortran_records.h"
#include "evaluation/aux_construction.h"
#include "fuzz_support.h"
#include "input/aux_link_file.h"
#include "app/run_context.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::ostringstream console_out;
  static std::istringstream console_in;
  static auto ctx = RunContext::create(WorkDir{}, Console(console_out, console_in));
  if (size < 2) return 0;
  const std::uint8_t mode = data[0];
  const std::size_t links = data[1];
  std::size_t pos = 2;
  if (size < pos + 8 * links) return 0;
  const char* link_bytes = reinterpret_cast<const char*>(data + pos);
  pos += 8 * links;
  const std::string_view rest(reinterpret_cast<const char*>(data + pos), size - pos);

  ctx->settings = RunSettings{};
  ctx->aux_merge.~AuxMergeState();
  new (&ctx->aux_merge) AuxMergeState();
  fuzz::NullSink report_sink;
  if (mode & 4) ctx->settings.aux_field_names[kAuxScreenline].assign("SL");
  if (mode & 2) {
    ctx->settings.aux_dbf_given = true;
    ctx->aux.count = 0;
    for (std::size_t p = 0; p + 16 <= rest.size() && ctx->aux.count < kAuxLinkLimit; p += 16) {
      const char* e = rest.data() + p;
      AuxLinkEntry entry;
      entry.anode = load_i32le(e);
      entry.bnode = load_i32le(e + 4) & 0x1FFFFF;  // the table packs to-nodes below 2,097,152
      entry.construct = load_i32le(e + 8);
      entry.screenline = load_i32le(e + 12);
      entry.location = entry.construct & 0xFF;
      entry.bnode <<= 10;
      ctx->aux[++ctx->aux.count] = entry;
    }
    sort_aux_links(ctx->aux);
    merge_aux_links(ctx->aux);
  } else {
    ctx->aux_merge.aux_stream = ByteStream::from_memory(rest, "VOLNAUX.05A");
    ctx->aux_merge.aux_records = FortranRecordReader(&ctx->aux_merge.aux_stream);
    ctx->aux_merge.aux_file_open = true;
    ctx->aux_merge.unsigned_nodes = (mode & 1) != 0;
  }
  start_aux_merge(*ctx);
  for (std::size_t i = 0; i < links; ++i) {
    ctx->link = LinkRecord{};
    ctx->link.anode = load_i32le(link_bytes + 8 * i);
    ctx->link.bnode = load_i32le(link_bytes + 8 * i + 4);
    try {
      merge_aux_attributes(*ctx);
    } catch (const InputError&) {
      break;
    } catch (const RunStop&) {
      break;
    }
    if (mode & 2) {
      fuzz::check(ctx->aux_merge.cursor >= 1 && ctx->aux_merge.cursor <= ctx->aux.count + 1,
                  "the table cursor left the table");
    }
  }
  return 0;
}
