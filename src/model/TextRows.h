#pragma once
// Game text read out of the ROM through a table, a row at a time: what the text pane, the
// listing's text lines and velmora-cli text show.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Rom.h"
#include "model/TextTable.h"

// Characters a text row holds at most before the next row starts.
constexpr size_t kTextRowWidth = 32;

struct TextRow {
  uint32_t Offset = 0;
  uint32_t Length = 0;  // bytes, at least 1
  std::string Text;     // as TextTable::Decode gives it
  bool Ended = false;   // the row ends with an end code
};

// The bytes [from, to) of the ROM (to cut at RomSize) as rows: a row ends after an end code or
// once it holds `width` characters; at most `maxRows` rows.
std::vector<TextRow> TextRows(const Rom& rom, const TextTable& table, uint32_t from, uint32_t to,
                              size_t width = kTextRowWidth, size_t maxRows = SIZE_MAX);

// One row as the listing and velmora-cli show it: 01:4000 "HELLO<$FE>".
std::string TextRowLine(const TextRow& row);

// How far the rows of a text block have been decoded. Rows are counted from the block's start,
// so a block splits into the same rows wherever a listing starts in it; a walk down the block
// keeps the cursor and decodes each row once.
struct TextRowCursor {
  uint32_t BlockStart = UINT32_MAX;
  uint32_t RowStart = 0;
  uint32_t RowEnd = 0;
};

// The end of the row that holds `at` (blockStart <= at < blockEnd), the rows of [blockStart,
// blockEnd) decoded as TextRows does (cut at the end of the ROM's buffer).
uint32_t TextRowEnd(const Rom& rom, const TextTable& table, uint32_t blockStart, uint32_t blockEnd,
                    uint32_t at, TextRowCursor& cursor, size_t width = kTextRowWidth);
