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
