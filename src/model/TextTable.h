#pragma once
// A game's text encoding. GameBoy games never store ASCII: each has its own byte for each glyph,
// kept by ROM hackers in table files ("HEX=text" a line) or, for the assembler, as a charmap.
// A table decodes bytes by the longest matching key and encodes text by the longest matching text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class TableCode : uint8_t { Char, End, Break };

struct TableEntry {
  std::vector<uint8_t> Bytes;  // one or more, in ROM order
  std::string Text;            // UTF-8; may be empty for an end or break code
  TableCode Code = TableCode::Char;
  bool operator==(const TableEntry&) const = default;
};

// The lines a read could not take: how many, and the first of them.
struct TableSkips {
  int Count = 0;
  int FirstLine = 0;  // 1-based
  std::string FirstText;
};

struct DecodedText {
  std::string Text;
  uint32_t Length = 0;  // bytes read
  bool Ended = false;   // stopped after an end code
  // When Ended: where the end code's text (or "<$xx>") starts in Text, and its bytes.
  size_t EndAt = 0;
  uint32_t EndLength = 0;
};

class TextTable {
 public:
  const std::vector<TableEntry>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }
  // The bytes of the longest key: how far past a character's first byte a decode may read.
  size_t LongestKey() const { return longestKey_; }

  // Adds an entry. Of two entries with the same bytes the first decodes; of two with the same
  // text the first encodes.
  void Add(TableEntry entry);

  // Decodes up to `size` bytes, stopping after an end code, or once the text holds `maxChars`
  // characters (a key is never split). A byte that starts no key reads as "<$xx>"; an end code
  // without text likewise, so that every decoded text encodes back to its bytes; a line break
  // without text reads as "\n" (a backslash and an n).
  DecodedText Decode(const uint8_t* data, size_t size, size_t maxChars = SIZE_MAX) const;

  // Encodes text: "<$xx>" is the byte xx, "\n" the first line-break code, anything else the
  // longest text of an entry. Throws an error Failure naming the first character with no entry.
  std::vector<uint8_t> Encode(std::string_view text) const;

 private:
  std::vector<TableEntry> entries_;
  std::unordered_map<std::string, size_t> byBytes_;
  std::unordered_map<std::string, size_t> byText_;
  size_t longestKey_ = 0;
  // Per byte value: the entry its one-byte key decodes to (-1: none), and whether a longer key
  // starts with it. Most bytes start no longer key and decode without a lookup.
  std::array<int32_t, 256> single_ = MakeNoSingles();
  std::array<bool, 256> startsLonger_{};
  static std::array<int32_t, 256> MakeNoSingles() {
    std::array<int32_t, 256> none;
    none.fill(-1);
    return none;
  }
  size_t longestText_ = 0;
  int breakEntry_ = -1;
};

// Reads a table file: "HEX=text" entries, "/HEX" (or "/HEX=text") end codes, "*HEX" (or
// "*HEX=text") line breaks; blank lines and lines starting with "#" or ";" are skipped without a
// word; any other line that does not read is counted in `skips`.
TextTable ReadTableText(std::string_view text, TableSkips& skips);

// Reads an assembler charmap: `charmap "text", $80[, $81...]` lines, ";" comments.
TextTable ReadCharmapText(std::string_view text, TableSkips& skips);

// Reads either form, by what the text holds: a charmap when its first entry line starts with
// "charmap".
TextTable ReadAnyTableText(std::string_view text, TableSkips& skips);

// The table as charmap lines for the assembler; entries without text are left out.
std::string CharmapText(const TextTable& table);

// The characters of a UTF-8 text (its bytes that start one).
size_t CharCount(std::string_view text);

// The table file that goes with a ROM: beside it, under its name with ".tbl" in place of its
// extension ("game.gbc" -> "game.tbl").
std::string TableFileBeside(const std::string& romFileName);

// Reads a table file, or a charmap (by what it holds; see ReadAnyTableText). Only a regular file
// of at most 16 MiB is read; throws FileError or an error Failure otherwise.
TextTable LoadTableFile(const std::string& path, TableSkips& skips);

// What a read skipped, for the status bar: "2 lines of game.tbl skipped; first, line 12: 8=Z",
// "1 line of game.tbl skipped: line 12: 8=Z"; "" when it skipped nothing.
std::string TableSkipsText(const TableSkips& skips, const std::string& fileName);
