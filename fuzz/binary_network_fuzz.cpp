// The binary loaded-network file: the header record, then every link of its
// LINK records (NODE and TURN records passed over), from memory. Each input
// is read twice, by the reader and through the read-ahead thread in blocks of
// three links: both must give the same links and end the same way.

#include <cstdint>
#include <memory>
#include <string>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/binary_network.h"
#include "input/binary_read_ahead.h"

using namespace korvo;

namespace {

struct Outcome {
  std::uint64_t digest = 0;
  std::size_t links = 0;
  std::string error;
};

void mix(std::uint64_t& digest, std::int64_t value) {
  digest = (digest ^ static_cast<std::uint64_t>(value)) * 0x100000001B3ULL;
}

Outcome read_links(const std::uint8_t* data, std::size_t size, bool read_ahead) {
  static auto binary_owner = std::make_unique<BinaryNetwork>();
  static auto link_owner = std::make_unique<LinkRecord>();
  BinaryNetwork& binary = *binary_owner;
  LinkRecord& link = *link_owner;
  binary = BinaryNetwork{};
  link = LinkRecord{};
  binary.stream = ByteStream::from_memory({reinterpret_cast<const char*>(data), size}, "HRLDXY.05A");
  binary.records = FortranRecordReader(&binary.stream);
  Outcome out;
  try {
    read_binary_header(binary);
    set_binary_slot_counts(binary.header, link);
    std::unique_ptr<BinaryReadAhead> ahead;
    if (read_ahead) ahead = std::make_unique<BinaryReadAhead>(binary, nullptr, link, 3);
    auto next = [&] { return ahead ? ahead->next(link) : read_binary_link(binary, link); };
    for (;;) {
      if (next() == LinkStatus::kEndOfLinks) break;
      // An entry takes at least 5 words, so the input bounds the links.
      fuzz::check(++out.links <= size / 20, "more links than the file's words can hold");
      fuzz::check(link.time_slot_count >= 0 && link.time_slot_count <= kMaxPeriods && link.volume_slot_count >= 0 &&
                      link.volume_slot_count <= kMaxVolumeSlots,
                  "slot counts beyond the link record");
      for (const std::int64_t v :
           {std::int64_t{link.anode}, std::int64_t{link.bnode}, std::int64_t{link.capacity}, std::int64_t{link.count},
            std::int64_t{link.time}, std::int64_t{link.distance}, std::int64_t{link.period_times[1]},
            std::int64_t{link.volume(1, 1)}, std::int64_t{link.volume(2, 2)}}) {
        mix(out.digest, v);
      }
    }
    // Reading after the end changes nothing but the flag.
    const std::int32_t anode = link.anode;
    fuzz::check(next() == LinkStatus::kEndOfLinks && link.anode == anode, "a read after the end delivered a link");
  } catch (const FileError& e) {
    out.error = e.what();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Outcome plain = read_links(data, size, false);
  const Outcome ahead = read_links(data, size, true);
  fuzz::check(ahead.links == plain.links && ahead.digest == plain.digest && ahead.error == plain.error,
              "the read-ahead thread and the reader give different links or end differently");
  return 0;
}
