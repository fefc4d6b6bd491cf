#include "model/TextRows.h"

#include <algorithm>

#include "model/BankAddress.h"

std::vector<TextRow> TextRows(const Rom& rom, const TextTable& table, uint32_t from, uint32_t to,
                              size_t width, size_t maxRows) {
  std::vector<TextRow> rows;
  to = std::min(to, rom.RomSize);
  for (uint32_t at = from; at < to && rows.size() < maxRows;) {
    DecodedText decoded =
        table.Decode(rom.RomImage.data() + at, to - at, std::max<size_t>(width, 1));
    rows.push_back({at, decoded.Length, std::move(decoded.Text), decoded.Ended});
    at += decoded.Length;
  }
  return rows;
}

std::string TextRowLine(const TextRow& row) {
  return OffsetToBankAddress(row.Offset) + " \"" + row.Text + "\"";
}

namespace {

// The bytes of the row at `at`, at least 1, the block cut at `end`.
uint32_t RowLength(const Rom& rom, const TextTable& table, uint32_t at, uint32_t end,
                   size_t width) {
  return table.Decode(rom.RomImage.data() + at, end - at, std::max<size_t>(width, 1)).Length;
}

uint32_t BufferEnd(const Rom& rom, uint32_t blockEnd) {
  return static_cast<uint32_t>(std::min<size_t>(blockEnd, rom.RomImage.size()));
}

}  // namespace

uint32_t TextRowEnd(const Rom& rom, const TextTable& table, uint32_t blockStart, uint32_t blockEnd,
                    uint32_t at, TextRowCursor& cursor, size_t width, TextRowStarts* starts) {
  blockEnd = BufferEnd(rom, blockEnd);
  if (at >= blockEnd) return at + 1;
  if (cursor.BlockStart != blockStart || at < cursor.RowStart) {
    cursor = {blockStart, blockStart, blockStart};
    if (starts != nullptr) {
      const auto [first, end] = starts->RowAt(rom, table, blockStart, blockEnd, at, width);
      cursor = {blockStart, first, end};
    }
  }
  while (cursor.RowEnd <= at) {
    cursor.RowStart = cursor.RowEnd;
    cursor.RowEnd += RowLength(rom, table, cursor.RowStart, blockEnd, width);
  }
  return cursor.RowEnd;
}

std::pair<uint32_t, uint32_t> TextRowStarts::RowAt(const Rom& rom, const TextTable& table,
                                                   uint32_t blockStart, uint32_t blockEnd,
                                                   uint32_t at, size_t width) {
  blockEnd = BufferEnd(rom, blockEnd);
  if (at >= blockEnd || at < blockStart) return {at, at + 1};
  Block& block = blocks_[blockStart];
  if (block.Starts.empty() || block.End != blockEnd || block.Width != width) {
    block = {blockEnd, width, std::max<size_t>(table.LongestKey(), 1), {blockStart}};
  }
  // From the last kept start at or before `at`; past the last one kept, every kStride-th start
  // found on the way is kept.
  const auto kept = std::upper_bound(block.Starts.begin(), block.Starts.end(), at) - 1;
  const bool extend = kept + 1 == block.Starts.end();
  uint32_t row = *kept;
  for (uint32_t count = 0;; ++count) {
    if (extend && count == kStride) {
      block.Starts.push_back(row);
      count = 0;
    }
    const uint32_t end = row + RowLength(rom, table, row, blockEnd, width);
    if (end > at) return {row, end};
    row = end;
  }
}

void TextRowStarts::DropFrom(uint32_t offset) {
  for (auto& entry : blocks_) {
    Block& block = entry.second;
    // A row start was found by decoding the rows before it, whose last character's lookup read
    // up to LongestKey - 1 bytes past it; the block's own start holds whatever its bytes are.
    const size_t reach = block.LongestKey - 1;
    auto valid = std::upper_bound(
        block.Starts.begin() + 1, block.Starts.end(), offset,
        [reach](uint32_t changed, uint32_t s) { return s + reach > changed; });
    block.Starts.erase(valid, block.Starts.end());
  }
}

size_t TextRowStarts::Kept() const {
  size_t kept = 0;
  for (const auto& [start, block] : blocks_) kept += block.Starts.size();
  return kept;
}
