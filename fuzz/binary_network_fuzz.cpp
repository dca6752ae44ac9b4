// The binary loaded-network file: the header record, then every link of its
// LINK records (NODE and TURN records passed over), from memory.

#include <cstdint>
#include <memory>
#include <sstream>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/binary_network.h"
#include "app/run_context.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::ostringstream console_out;
  static std::istringstream console_in;
  static auto ctx = RunContext::create(WorkDir{}, Console(console_out, console_in));
  ctx->binary = BinaryNetwork{};
  ctx->link = LinkRecord{};
  BinaryNetwork& binary = ctx->binary;
  binary.stream = ByteStream::from_memory({reinterpret_cast<const char*>(data), size}, "HRLDXY.05A");
  binary.records = FortranRecordReader(&binary.stream);
  try {
    read_binary_header(binary);
    set_binary_slot_counts(binary.header, ctx->link);
    // An entry takes at least 5 words, so the input bounds the links.
    std::size_t links = 0;
    for (;;) {
      read_binary_link(*ctx);
      if (ctx->link.end_of_links) break;
      fuzz::check(++links <= size / 20, "more links than the file's words can hold");
      fuzz::check(ctx->link.time_slot_count >= 0 && ctx->link.time_slot_count <= kMaxPeriods &&
                      ctx->link.volume_slot_count >= 0 && ctx->link.volume_slot_count <= kMaxVolumeSlots,
                  "slot counts beyond the link record");
    }
    // Reading after the end changes nothing but the flag.
    const std::int32_t anode = ctx->link.anode;
    read_binary_link(*ctx);
    fuzz::check(ctx->link.end_of_links && ctx->link.anode == anode, "a read after the end delivered a link");
  } catch (const InputError&) {
  }
  return 0;
}
