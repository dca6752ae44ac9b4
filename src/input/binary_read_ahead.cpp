#include "input/binary_read_ahead.h"

#include <algorithm>
#include <cstring>

namespace korvo {
namespace {

BinaryEntryShape started_shape(BinaryNetwork& binary, LinkRecord& link) {
  start_binary_links(binary, link);
  return binary.shape;
}

}  // namespace

BinaryReadAhead::BinaryReadAhead(BinaryNetwork& binary, AuxNetworkFile* aux, LinkRecord& link, std::size_t block_links)
    : binary_(binary),
      aux_(aux),
      shape_(started_shape(binary, link)),
      links_per_block_(std::clamp<std::size_t>(
          std::min(block_links, kBlockWords / static_cast<std::size_t>(std::max(shape_.stride, 1))), 1, kBlockLinks)),
      ring_([this](Block& block) { return fill(block); }) {}

// On the reading thread: the next entries and their auxiliary records,
// until the block is full or the links end.
bool BinaryReadAhead::fill(Block& block) {
  const auto stride = static_cast<std::size_t>(shape_.stride);
  block.count = 0;
  block.entry_without_aux = false;
  while (block.count < links_per_block_) {
    const std::int32_t* entry = next_binary_entry(binary_, scratch_);
    if (entry == nullptr) return false;
    std::memcpy(&block.words[block.count * stride], entry, stride * sizeof(std::int32_t));
    if (aux_ != nullptr) {
      decode_binary_entry(shape_, entry, scratch_);
      block.entry_without_aux = true;
      block.aux[block.count] = read_aux_network_record(*aux_, scratch_.anode, scratch_.bnode);
      block.entry_without_aux = false;
    }
    ++block.count;
  }
  return true;
}

LinkStatus BinaryReadAhead::next(LinkRecord& link) {
  const auto stride = static_cast<std::size_t>(shape_.stride);
  std::size_t i = 0;
  if (const Block* block = ring_.next_item(i)) {
    decode_binary_entry(shape_, &block->words[i * stride], link);
    aux_record_ = aux_ != nullptr ? &block->aux[i] : nullptr;
    return LinkStatus::kLink;
  }
  aux_record_ = nullptr;
  // As on one thread, the link whose auxiliary record failed has been read
  // when the error arrives.
  const Block* last = ring_.final_block();
  if (ring_.failed() && last != nullptr && last->entry_without_aux) {
    decode_binary_entry(shape_, &last->words[last->count * stride], link);
  }
  ring_.rethrow_failure();
  return LinkStatus::kEndOfLinks;
}

}  // namespace korvo
