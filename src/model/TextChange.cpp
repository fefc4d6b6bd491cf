#include "model/TextChange.h"

#include <algorithm>

#include "model/Failure.h"

GameString StringAt(const Rom& rom, const TextTable& table, uint32_t offset, uint32_t limit) {
  GameString s;
  s.Offset = offset;
  limit = std::min(limit, rom.RomSize);
  if (offset >= limit) return s;
  const DecodedText decoded = table.Decode(rom.RomImage.data() + offset, limit - offset);
  s.Length = decoded.Length;
  s.Text = decoded.Text;
  if (decoded.Ended) {
    s.Text.resize(decoded.EndAt);
    s.EndCode.assign(rom.RomImage.begin() + offset + decoded.Length - decoded.EndLength,
                     rom.RomImage.begin() + offset + decoded.Length);
  }
  return s;
}

StringChange PlanStringChange(const Rom& rom, const TextTable& table, const GameString& old,
                              std::string_view text) {
  StringChange change;
  change.Offset = old.Offset;
  change.OldLength = old.Length;
  change.HasEndCode = !old.EndCode.empty();
  change.Bytes = table.Encode(text);
  change.Bytes.insert(change.Bytes.end(), old.EndCode.begin(), old.EndCode.end());
  if (uint64_t{old.Offset} + change.Bytes.size() > rom.RomSize) {
    throw ErrorFailure("The new text does not fit: it would reach past the end of the ROM.");
  }
  return change;
}

uint8_t PaddingByte(const TextTable& table) {
  try {
    const std::vector<uint8_t> blank = table.Encode(" ");
    if (blank.size() == 1) return blank[0];
  } catch (const std::exception&) {
    // No entry for a blank.
  }
  return 0x00;
}

void PadToOldLength(StringChange& change, uint8_t padding) {
  if (change.Bytes.size() < change.OldLength) change.Bytes.resize(change.OldLength, padding);
}

void ApplyStringChange(Rom& rom, const StringChange& change) {
  uint32_t at = change.Offset;
  for (uint8_t b : change.Bytes) rom.SetByte(at++, b);
}
