#pragma once
// Game text in an exported source: the loaded table as an rgbasm charmap, and text as db
// strings through it. rgbasm encodes a string by the longest charmap text that matches at each
// place, which is not always how the table decodes the bytes (by the longest byte key), and a
// later charmap line for the same text replaces the earlier one. So the charmap keeps only what
// it can write safely, and a string is written only where encoding it as rgbasm does gives back
// exactly its bytes; the rest stays numbers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/TextTable.h"

class RgbdsCharmap {
 public:
  // The entries of the table that can stand in a charmap: a text that rgbasm reads back as it
  // is (UTF-8 without control characters; a line break without text becomes "\n"), each text
  // once, the first entry that has it. Without a table the charmap is empty.
  explicit RgbdsCharmap(const TextTable* table);

  bool Empty() const { return lines_.empty(); }
  // The charmap file: a comment, then `charmap "A", $80` a line.
  std::string FileText() const;

  // The db operands of one row of text from `data` (at most `size` bytes): strings where the
  // charmap gives back their bytes, numbers elsewhere ("\"HELLO\", $FE, \"WORLD\", $FF"). A row
  // ends after an end code or at 32 characters, as the listing's rows do. `used` gets its bytes.
  std::string RowOperands(const uint8_t* data, size_t size, size_t& used) const;

  // Whether rgbasm, with this charmap, encodes the (unescaped) string into exactly `bytes`:
  // every character taken by an entry, the longest text first.
  bool Encodes(std::string_view text, const std::vector<uint8_t>& bytes) const;

 private:
  const TextTable* table_ = nullptr;
  std::string lines_;
  std::unordered_map<std::string, std::vector<uint8_t>> byText_;
  std::unordered_map<std::string, std::string> textOfBytes_;
  size_t longestText_ = 0;
};
