// The binary loaded-network file: the header record, then every link of its
// LINK records (NODE and TURN records passed over), from memory.

#include <cstdint>
#include <memory>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/binary_network.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto binary_owner = std::make_unique<BinaryNetwork>();
  static auto link_owner = std::make_unique<LinkRecord>();
  BinaryNetwork& binary = *binary_owner;
  LinkRecord& link = *link_owner;
  binary = BinaryNetwork{};
  link = LinkRecord{};
  binary.stream = ByteStream::from_memory({reinterpret_cast<const char*>(data), size}, "HRLDXY.05A");
  binary.records = FortranRecordReader(&binary.stream);
  try {
    read_binary_header(binary);
    set_binary_slot_counts(binary.header, link);
    // An entry takes at least 5 words, so the input bounds the links.
    std::size_t links = 0;
    for (;;) {
      if (read_binary_link(binary, link) == LinkStatus::kEndOfLinks) break;
      fuzz::check(++links <= size / 20, "more links than the file's words can hold");
      fuzz::check(link.time_slot_count >= 0 && link.time_slot_count <= kMaxPeriods && link.volume_slot_count >= 0 &&
                      link.volume_slot_count <= kMaxVolumeSlots,
                  "slot counts beyond the link record");
    }
    // Reading after the end changes nothing but the flag.
    const std::int32_t anode = link.anode;
    fuzz::check(read_binary_link(binary, link) == LinkStatus::kEndOfLinks && link.anode == anode,
                "a read after the end delivered a link");
  } catch (const FileError&) {
  }
  return 0;
}
