#pragma once
// Rewriting a string of game text in place: the text the user types is encoded through the
// table and written over the old string, whose end code closes the new one too.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Rom.h"
#include "model/TextTable.h"

// A string as it stands in the ROM.
struct GameString {
  uint32_t Offset = 0;
  uint32_t Length = 0;           // bytes, its end code included
  std::string Text;              // decoded as the listing shows it, the end code left out
  std::vector<uint8_t> EndCode;  // the end code's bytes; empty when none came before the limit
};

// The string from `offset` on: decoded up to `limit` (the end of its text block, cut at the end
// of the ROM), stopping after the first end code.
GameString StringAt(const Rom& rom, const TextTable& table, uint32_t offset, uint32_t limit);

// What a new text writes over a string: the text encoded by the longest matches, followed by
// the old string's end code.
struct StringChange {
  uint32_t Offset = 0;
  std::vector<uint8_t> Bytes;
  uint32_t OldLength = 0;
  bool HasEndCode = false;
  // The new string is longer than the old one: it runs over the old end code (or, without
  // one, past the end of its text).
  bool RunsOver() const { return Bytes.size() > OldLength; }
  // The new string is shorter than an old one without an end code: the old one's last bytes
  // would stay behind it, read as part of the text.
  bool LeavesOldTail() const { return !HasEndCode && Bytes.size() < OldLength; }
};

// Plans the change. Throws an error Failure naming the first character the table has no entry
// for, or when the new string would reach past the end of the ROM.
StringChange PlanStringChange(const Rom& rom, const TextTable& table, const GameString& old,
                              std::string_view text);

// What fills the rest of a shorter string without an end code: the table's one-byte code of a
// blank, else $00.
uint8_t PaddingByte(const TextTable& table);
// Fills the change up to the old string's length with that byte.
void PadToOldLength(StringChange& change, uint8_t padding);

// Writes the new string through Rom::SetByte; the bytes after it stay as they are.
void ApplyStringChange(Rom& rom, const StringChange& change);
