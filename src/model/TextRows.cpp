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

uint32_t TextRowEnd(const Rom& rom, const TextTable& table, uint32_t blockStart, uint32_t blockEnd,
                    uint32_t at, TextRowCursor& cursor, size_t width) {
  blockEnd = static_cast<uint32_t>(std::min<size_t>(blockEnd, rom.RomImage.size()));
  if (at >= blockEnd) return at + 1;
  if (cursor.BlockStart != blockStart || at < cursor.RowStart) {
    cursor = {blockStart, blockStart, blockStart};
  }
  while (cursor.RowEnd <= at) {
    cursor.RowStart = cursor.RowEnd;
    cursor.RowEnd += table
                         .Decode(rom.RomImage.data() + cursor.RowStart, blockEnd - cursor.RowStart,
                                 std::max<size_t>(width, 1))
                         .Length;
  }
  return cursor.RowEnd;
}
