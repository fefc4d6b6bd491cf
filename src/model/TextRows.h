#pragma once
// Game text read out of the ROM through a table, a row at a time: what the text pane, the
// listing's text lines and velmora-cli text show.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
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

class TextRowStarts;

// The end of the row that holds `at` (blockStart <= at < blockEnd), the rows of [blockStart,
// blockEnd) decoded as TextRows does (cut at the end of the ROM's buffer). With `starts` a jump
// into the block finds its row there instead of decoding the block from its start.
uint32_t TextRowEnd(const Rom& rom, const TextTable& table, uint32_t blockStart, uint32_t blockEnd,
                    uint32_t at, TextRowCursor& cursor, size_t width = kTextRowWidth,
                    TextRowStarts* starts = nullptr);

// The row starts of text blocks, kept once found: the row that holds an offset deep in an 8 MiB
// block is found from a kept start a few rows before it, not from the block's start. Every
// kStride-th row start of a block is kept, found as far as a lookup has reached. A block is known
// by its bounds, so a block whose mark changed starts anew; the owner drops what changed bytes
// and a changed table make wrong.
class TextRowStarts {
 public:
  static constexpr uint32_t kStride = 16;

  // The row [first, second) that holds `at`, as TextRowEnd finds it from the block's start.
  std::pair<uint32_t, uint32_t> RowAt(const Rom& rom, const TextTable& table, uint32_t blockStart,
                                      uint32_t blockEnd, uint32_t at,
                                      size_t width = kTextRowWidth);
  // The bytes from `offset` on changed: the starts found through them go.
  void DropFrom(uint32_t offset);
  // The table changed (or another ROM came): every start goes.
  void Drop() { blocks_.clear(); }
  // The starts kept, all blocks together.
  size_t Kept() const;

 private:
  struct Block {
    uint32_t End = 0;
    size_t Width = 0;
    // The decode at a row's last character reads up to this many bytes from there.
    size_t LongestKey = 1;
    std::vector<uint32_t> Starts;  // of rows 0, kStride, 2 * kStride, ...
  };
  std::map<uint32_t, Block> blocks_;  // by the block's start
};
