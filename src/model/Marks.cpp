#include "model/Marks.h"

#include <algorithm>

namespace {

// The first block whose end lies past the offset.
std::vector<MarkBlock>::const_iterator FirstEndingAfter(const std::vector<MarkBlock>& blocks,
                                                        uint32_t offset) {
  return std::upper_bound(blocks.begin(), blocks.end(), offset,
                          [](uint32_t value, const MarkBlock& b) { return value < b.End(); });
}

}  // namespace

void RomMarks::Unmark(uint32_t offset, uint32_t length) {
  if (length == 0) return;
  const uint64_t end = uint64_t{offset} + length;
  std::vector<MarkBlock> kept;
  kept.reserve(blocks_.size() + 1);
  for (const MarkBlock& b : blocks_) {
    if (b.End() <= offset || b.Offset >= end) {
      kept.push_back(b);
      continue;
    }
    if (b.Offset < offset) {
      kept.push_back(b);
      kept.back().Length = offset - b.Offset;
    }
    if (b.End() > end) {
      kept.push_back(b);
      kept.back().Offset = static_cast<uint32_t>(end);
      kept.back().Length = static_cast<uint32_t>(b.End() - end);
    }
  }
  blocks_ = std::move(kept);
}

void RomMarks::Mark(uint32_t offset, uint32_t length, MarkKind kind, const ImageShape& image) {
  if (length == 0) return;
  Unmark(offset, length);
  const auto at = FirstEndingAfter(blocks_, offset);
  blocks_.insert(at, {offset, length, kind, kind == MarkKind::Image ? image : ImageShape{}});
}

void RomMarks::MarkPointers(uint32_t offset, uint32_t length, PointerForm form) {
  if (length == 0) return;
  Mark(offset, length, MarkKind::Pointers);
  const auto at = std::lower_bound(blocks_.begin(), blocks_.end(), offset,
                                   [](const MarkBlock& b, uint32_t o) { return b.Offset < o; });
  at->Form = form;
}

const MarkBlock* RomMarks::BlockFrom(uint32_t offset) const {
  const auto it = FirstEndingAfter(blocks_, offset);
  return it == blocks_.end() ? nullptr : &*it;
}

const MarkBlock* RomMarks::BlockAt(uint32_t offset) const {
  const MarkBlock* b = BlockFrom(offset);
  return b != nullptr && b->Offset <= offset ? b : nullptr;
}

std::vector<MarkBlock> RomMarks::BlocksIn(uint32_t from, uint32_t to) const {
  std::vector<MarkBlock> in;
  for (auto it = FirstEndingAfter(blocks_, from); it != blocks_.end() && it->Offset < to; ++it) {
    in.push_back(*it);
  }
  return in;
}

void RomMarks::Replace(uint32_t from, uint32_t to, const std::vector<MarkBlock>& blocks) {
  auto first = FirstEndingAfter(blocks_, from);
  auto last = first;
  while (last != blocks_.end() && last->Offset < to) ++last;
  blocks_.insert(blocks_.erase(first, last), blocks.begin(), blocks.end());
}
