#include "isa/Listing.h"

#include "model/BankAddress.h"
#include "model/NumberText.h"

std::string RawBytesText(const Rom& rom, uint32_t offset, uint8_t length) {
  std::string text;
  for (uint32_t i = 0; i < length; ++i) text += " " + IntToHex(rom.Byte(int64_t{offset} + i), 2);
  if (text.size() < 9) text.append(9 - text.size(), ' ');
  return text;
}

Listing BuildListing(const Rom& rom, const LabelTables& labels, ValueFormat format,
                     uint32_t startOffset, int visibleLines) {
  Listing listing;
  uint32_t pos = startOffset;
  int k = 0;
  do {
    int32_t label = labels.LastRomLabelAt(static_cast<int32_t>(pos));
    if (label != LabelTables::kNone) {
      listing.Lines.push_back({"@" + labels.RomLabels()[label].Name + ":", true});
      listing.LineOffsets.push_back(static_cast<int32_t>(pos));
      if (++k == visibleLines) break;
    }
    DecodedInstruction inst = DecodeInstruction(rom, pos, format, labels);
    listing.Lines.push_back(
        {OffsetToBankAddress(pos) + RawBytesText(rom, pos, inst.Length) + " " + inst.Text, false});
    listing.LineOffsets.push_back(static_cast<int32_t>(pos));
    pos += inst.Length;
    ++k;
  } while (k < visibleLines);
  return listing;
}

uint32_t OffsetAfterInstructions(const Rom& rom, uint32_t start, int count) {
  uint32_t pos = start;
  for (int i = 0; i < count; ++i) pos += InstructionLength(rom.Byte(pos));
  return pos;
}

uint32_t OffsetBeforeInstructions(const Rom& rom, uint32_t start, int count) {
  for (int back = count; back <= 3 * count && static_cast<uint32_t>(back) <= start; ++back) {
    const uint32_t from = start - static_cast<uint32_t>(back);
    if (OffsetAfterInstructions(rom, from, count) == start) return from;
  }
  return start > static_cast<uint32_t>(count) ? start - static_cast<uint32_t>(count) : 0;
}
