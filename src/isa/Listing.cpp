#include "isa/Listing.h"

#include <algorithm>
#include <array>
#include <utility>

#include "model/BankAddress.h"
#include "model/NumberText.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// The two upper-case hexadecimal digits of every byte.
constexpr auto kHexPairs = [] {
  std::array<std::array<char, 2>, 256> pairs{};
  for (size_t i = 0; i < pairs.size(); ++i) pairs[i] = {kHex[i >> 4], kHex[i & 0xF]};
  return pairs;
}();

// The label line for an offset, or nothing: of several labels there, the one standing last.
bool AppendLabelLine(std::string& out, const LabelTables& labels, uint32_t offset) {
  const int32_t label = labels.LastRomLabelAt(static_cast<int32_t>(offset));
  if (label == LabelTables::kNone) return false;
  out += '@';
  out += labels.RomLabels()[label].Name;
  out += ':';
  return true;
}

// The ROM labels in offset order, one per offset: the one standing last in the table, which is
// the one LastRomLabelAt gives. A walk with rising offsets reads it with a cursor instead of a
// lookup per instruction.
std::vector<std::pair<int32_t, int32_t>> LabelsByOffset(const LabelTables& labels) {
  std::vector<std::pair<int32_t, int32_t>> byOffset;
  const auto& rom = labels.RomLabels();
  byOffset.reserve(rom.size());
  for (size_t i = 0; i < rom.size(); ++i)
    byOffset.push_back({rom[i].Offset, static_cast<int32_t>(i)});
  std::sort(byOffset.begin(), byOffset.end());
  // Of equal offsets keep the last entry, which sorts last.
  std::vector<std::pair<int32_t, int32_t>> last;
  for (size_t i = 0; i < byOffset.size(); ++i) {
    if (i + 1 == byOffset.size() || byOffset[i + 1].first != byOffset[i].first)
      last.push_back(byOffset[i]);
  }
  return last;
}

}  // namespace

std::string RawBytesText(const Rom& rom, uint32_t offset, uint8_t length) {
  std::string text;
  for (uint32_t i = 0; i < length; ++i) text += " " + IntToHex(rom.Byte(int64_t{offset} + i), 2);
  if (text.size() < 9) text.append(9 - text.size(), ' ');
  return text;
}

uint8_t AppendInstructionLine(std::string& out, const Rom& rom, const LabelTables& labels,
                              ValueFormat format, uint32_t offset, const RomLabelMap* map) {
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t length = InstructionLength(b0);
  // The bank address as OffsetToBankAddress writes it, then the raw bytes as RawBytesText
  // writes them (nine characters), from a table of digit pairs.
  char line[24];
  char* p = line;
  auto pair = [&p](uint32_t byte) {
    *p++ = kHexPairs[byte][0];
    *p++ = kHexPairs[byte][1];
  };
  if (offset < 0x4000) {
    *p++ = '0';
    *p++ = '0';
  } else {
    const uint32_t bank = offset >> 14;
    // Banks from 0x100 on take a third digit.
    if (bank > 0xFF) *p++ = kHex[bank >> 8];
    pair(bank & 0xFF);
  }
  *p++ = ':';
  const uint32_t address = offset < 0x4000 ? offset : (offset & 0x3FFF) + 0x4000;
  pair(address >> 8);
  pair(address & 0xFF);
  for (uint32_t i = 0; i < 3; ++i) {
    *p++ = ' ';
    if (i < length) {
      pair(rom.Byte(int64_t{offset} + i));
    } else {
      *p++ = ' ';
      *p++ = ' ';
    }
  }
  *p++ = ' ';
  out.append(line, static_cast<size_t>(p - line));
  AppendInstruction(out, rom, offset, format, labels, map);
  return length;
}

Listing BuildListing(const Rom& rom, const LabelTables& labels, ValueFormat format,
                     uint32_t startOffset, int visibleLines) {
  Listing listing;
  uint32_t pos = startOffset;
  int k = 0;
  do {
    std::string label;
    if (AppendLabelLine(label, labels, pos)) {
      listing.Lines.push_back({std::move(label), true});
      listing.LineOffsets.push_back(static_cast<int32_t>(pos));
      if (++k == visibleLines) break;
    }
    std::string line;
    const uint8_t length = AppendInstructionLine(line, rom, labels, format, pos);
    listing.Lines.push_back({std::move(line), false});
    listing.LineOffsets.push_back(static_cast<int32_t>(pos));
    pos += length;
    ++k;
  } while (k < visibleLines);
  return listing;
}

void StreamListing(const Rom& rom, const LabelTables& labels, ValueFormat format, uint32_t from,
                   uint32_t to, const std::function<void(std::string_view chunk)>& write) {
  constexpr size_t kChunk = 1 << 20;
  std::string out;
  out.reserve(kChunk + 256);
  const auto byOffset = LabelsByOffset(labels);
  const RomLabelMap map(labels);
  auto next = std::lower_bound(byOffset.begin(), byOffset.end(),
                               std::pair<int32_t, int32_t>{static_cast<int32_t>(from), -1});
  // Offsets in 64 bits: the last instruction may end past `to` and past 16 MiB.
  for (uint64_t pos = from; pos <= to && pos < kRomCapacity;) {
    const auto at = static_cast<uint32_t>(pos);
    while (next != byOffset.end() && next->first < static_cast<int32_t>(at)) ++next;
    if (next != byOffset.end() && next->first == static_cast<int32_t>(at)) {
      out += '@';
      out += labels.RomLabels()[next->second].Name;
      out += ":\n";
    }
    pos += AppendInstructionLine(out, rom, labels, format, at, &map);
    out += '\n';
    if (out.size() >= kChunk) {
      write(out);
      out.clear();
    }
  }
  if (!out.empty()) write(out);
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
