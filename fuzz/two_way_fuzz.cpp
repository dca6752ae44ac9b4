// The two-way conversion of "HRLDXY.ASC" into "HRLDXY2.ASC", and the
// pairing of opposite directions checked against the plain scan it stands
// for.
//
// Input: a mode byte (bits 0-3: S, slots per period, 0 to 15; bit 4: the
// count column stands ahead of the slot volumes; bit 5: pairing check
// instead of a conversion), then HRLDXY.ASC (conversion) or node pairs of
// two bytes each, the A-node and the B-node (pairing check).

#include <cstdint>
#include <vector>

#include "common/errors.h"
#include "fuzz_support.h"
#include "reports/two_way_file.h"

using namespace korvo;

namespace {

// Step by step as the pairing is defined: for link i scan the links in
// file order; the first whose A-node exceeds B-node(i) ends the scan
// without a partner, the first from B-node(i) to A-node(i) is the partner.
std::vector<std::int32_t> scan_partners(const std::vector<NodePair>& pairs) {
  std::vector<std::int32_t> partners(pairs.size(), -1);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    for (std::size_t j = 0; j < pairs.size(); ++j) {
      if (pairs[j].anode > pairs[i].bnode) break;
      if (pairs[j].anode == pairs[i].bnode && pairs[j].bnode == pairs[i].anode) {
        partners[i] = static_cast<std::int32_t>(j);
        break;
      }
    }
  }
  return partners;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  if (mode & 32) {
    // Small node numbers, so that pairs and early stops are common.
    std::vector<NodePair> pairs;
    for (std::size_t p = 0; p + 2 <= rest.size() && pairs.size() < 400; p += 2) {
      pairs.push_back({static_cast<unsigned char>(rest[p]) % 32, static_cast<unsigned char>(rest[p + 1]) % 32});
    }
    std::vector<std::int32_t> partners(pairs.size(), -2);
    pair_opposite_directions(pairs, partners);
    fuzz::check(partners == scan_partners(pairs), "the pairing differs from the plain scan");
    return 0;
  }
  TextReader ascii = TextReader::from_memory(rest, "HRLDXY.ASC");
  fuzz::NullSink out;
  try {
    convert_to_two_way(ascii, out, mode & 15, (mode & 16) != 0);
  } catch (const FileStop&) {
    // A line the conversion cannot read, or a sum too wide for its field in
    // HRLDXY2.ASC: both stop the run with their console line.
  }
  return 0;
}
