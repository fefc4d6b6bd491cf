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

// The bank address as OffsetToBankAddress writes it, into `p`; returns the end.
char* PutBankAddress(char* p, uint32_t offset) {
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
  return p;
}

void AppendBankAddress(std::string& out, uint32_t offset) {
  char text[8];
  out.append(text, static_cast<size_t>(PutBankAddress(text, offset) - text));
}

// The ROM labels in offset order, and at one offset in table order: a walk with rising offsets
// reads them with a cursor instead of a lookup per instruction.
std::vector<std::pair<int32_t, int32_t>> LabelsByOffset(const LabelTables& labels) {
  std::vector<std::pair<int32_t, int32_t>> byOffset;
  const auto& rom = labels.RomLabels();
  byOffset.reserve(rom.size());
  for (size_t i = 0; i < rom.size(); ++i)
    byOffset.push_back({rom[i].Offset, static_cast<int32_t>(i)});
  std::sort(byOffset.begin(), byOffset.end());
  return byOffset;
}

// The first data or text block that ends after the offset, or nullptr: code blocks decode as
// unmarked bytes do.
const MarkBlock* DataBlockFrom(const RomMarks* marks, uint32_t offset) {
  if (marks == nullptr) return nullptr;
  const MarkBlock* end = marks->Blocks().data() + marks->Blocks().size();
  const MarkBlock* b = marks->BlockFrom(offset);
  while (b != nullptr && b != end && b->Kind == MarkKind::Code) ++b;
  return b == end ? nullptr : b;
}

// The line at `at` (its label lines aside) with its comment, if any; returns the bytes it covers.
// `block` is DataBlockFrom(at). commentAt gets where the comment starts in the line.
uint32_t AppendLine(std::string& out, uint16_t& commentAt, const Rom& rom,
                    const LabelTables& labels, ValueFormat format, uint32_t at,
                    const MarkBlock* block, const std::string* comment,
                    const RomLabelMap* map = nullptr) {
  const size_t lineStart = out.size();
  uint32_t length = 0;
  if (block != nullptr && block->Offset <= at) {
    // Eight bytes a line, counted from the block's start.
    length = std::min(8 - (at - block->Offset) % 8, block->End() - at);
    AppendDataLine(out, rom, format, at, length);
  } else if (block != nullptr && at + InstructionLength(rom.Byte(at)) > block->Offset) {
    length = block->Offset - at;
    AppendDataLine(out, rom, format, at, length);
  } else {
    length = AppendInstructionLine(out, rom, labels, format, at, map);
  }
  if (comment != nullptr) {
    out += ' ';
    commentAt = static_cast<uint16_t>(std::min<size_t>(out.size() - lineStart, 0xFFFF));
    out += "; ";
    out += *comment;
  }
  return length;
}

const std::string* CommentAt(const ListingNotes& notes, uint32_t offset) {
  if (notes.Comments == nullptr) return nullptr;
  const auto it = notes.Comments->find(offset);
  return it == notes.Comments->end() ? nullptr : &it->second;
}

}  // namespace

std::string RawBytesText(const Rom& rom, uint32_t offset, uint8_t length) {
  std::string text;
  for (uint32_t i = 0; i < length; ++i) text += " " + IntToHex(rom.Byte(int64_t{offset} + i), 2);
  if (text.size() < 9) text.append(9 - text.size(), ' ');
  return text;
}

void AppendDataLine(std::string& out, const Rom& rom, ValueFormat format, uint32_t offset,
                    uint32_t count) {
  AppendBankAddress(out, offset);
  out += "          db ";
  for (uint32_t i = 0; i < count; ++i) {
    if (i != 0) out += ',';
    out += FormatByte(rom.Byte(int64_t{offset} + i), format);
  }
}

uint8_t AppendInstructionLine(std::string& out, const Rom& rom, const LabelTables& labels,
                              ValueFormat format, uint32_t offset, const RomLabelMap* map) {
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t length = InstructionLength(b0);
  // The bank address, then the raw bytes as RawBytesText writes them (nine characters), from a
  // table of digit pairs.
  char line[24];
  char* p = PutBankAddress(line, offset);
  auto pair = [&p](uint32_t byte) {
    *p++ = kHexPairs[byte][0];
    *p++ = kHexPairs[byte][1];
  };
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
                     uint32_t startOffset, int visibleLines, const ListingNotes& notes) {
  Listing listing;
  uint32_t pos = startOffset;
  int k = 0;
  do {
    for (int32_t e = labels.FirstRomLabelAt(static_cast<int32_t>(pos)); e != LabelTables::kNone;
         e = labels.NextRomLabelAt(e)) {
      listing.Lines.push_back({"@" + labels.RomLabels()[static_cast<size_t>(e)].Name + ":", true});
      listing.LineOffsets.push_back(static_cast<int32_t>(pos));
      if (++k == visibleLines) return listing;
    }
    ListingLine line;
    listing.LineOffsets.push_back(static_cast<int32_t>(pos));
    pos += AppendLine(line.Text, line.CommentAt, rom, labels, format, pos,
                      DataBlockFrom(notes.Marks, pos), CommentAt(notes, pos));
    listing.Lines.push_back(std::move(line));
    ++k;
  } while (k < visibleLines);
  return listing;
}

void StreamListing(const Rom& rom, const LabelTables& labels, ValueFormat format, uint32_t from,
                   uint32_t to, const std::function<void(std::string_view chunk)>& write,
                   const ListingNotes& notes) {
  constexpr size_t kChunk = 1 << 20;
  std::string out;
  out.reserve(kChunk + 256);
  const auto byOffset = LabelsByOffset(labels);
  const RomLabelMap map(labels);
  auto next = std::lower_bound(byOffset.begin(), byOffset.end(),
                               std::pair<int32_t, int32_t>{static_cast<int32_t>(from), -1});
  const MarkBlock* block = DataBlockFrom(notes.Marks, from);
  RomComments::const_iterator comment;
  if (notes.Comments != nullptr) comment = notes.Comments->lower_bound(from);
  uint16_t commentAt = 0;
  // Offsets in 64 bits: the last instruction may end past `to` and past 16 MiB.
  for (uint64_t pos = from; pos <= to && pos < kRomCapacity;) {
    const auto at = static_cast<uint32_t>(pos);
    while (next != byOffset.end() && next->first < static_cast<int32_t>(at)) ++next;
    for (; next != byOffset.end() && next->first == static_cast<int32_t>(at); ++next) {
      out += '@';
      out += labels.RomLabels()[static_cast<size_t>(next->second)].Name;
      out += ":\n";
    }
    if (block != nullptr && at >= block->End()) block = DataBlockFrom(notes.Marks, at);
    const std::string* note = nullptr;
    if (notes.Comments != nullptr) {
      while (comment != notes.Comments->end() && comment->first < at) ++comment;
      if (comment != notes.Comments->end() && comment->first == at) note = &comment->second;
    }
    pos += AppendLine(out, commentAt, rom, labels, format, at, block, note, &map);
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
