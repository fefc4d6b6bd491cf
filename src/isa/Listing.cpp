#include "isa/Listing.h"

#include <algorithm>
#include <utility>

#include "model/BankAddress.h"
#include "model/NumberText.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// `digits` upper-case hexadecimal digits, or more when the value needs them.
void AppendHex(std::string& out, uint32_t value, int digits) {
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kHex[value & 0xF];
    value >>= 4;
  } while (value != 0 || n < digits);
  while (n > 0) out += buf[--n];
}

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

uint8_t AppendInstructionLine(std::string& out, std::string& scratch, const Rom& rom,
                              const LabelTables& labels, ValueFormat format, uint32_t offset) {
  const uint8_t length = DecodeInstructionInto(scratch, rom, offset, format, labels);
  // The bank address as OffsetToBankAddress writes it.
  if (offset < 0x4000) {
    out += "00:";
    AppendHex(out, offset, 4);
  } else {
    AppendHex(out, offset >> 14, 2);
    out += ':';
    AppendHex(out, (offset & 0x3FFF) + 0x4000, 4);
  }
  // The raw bytes as RawBytesText writes them: nine characters.
  for (uint32_t i = 0; i < 3; ++i) {
    if (i < length) {
      const uint8_t b = rom.Byte(int64_t{offset} + i);
      out += ' ';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += "   ";
    }
  }
  out += ' ';
  out += scratch;
  return length;
}

Listing BuildListing(const Rom& rom, const LabelTables& labels, ValueFormat format,
                     uint32_t startOffset, int visibleLines) {
  Listing listing;
  std::string scratch;
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
    const uint8_t length = AppendInstructionLine(line, scratch, rom, labels, format, pos);
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
  std::string scratch;
  const auto byOffset = LabelsByOffset(labels);
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
    pos += AppendInstructionLine(out, scratch, rom, labels, format, at);
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
