#include "isa/Listing.h"

#include <algorithm>
#include <array>
#include <optional>
#include <type_traits>
#include <utility>

#include "model/BankAddress.h"
#include "model/NumberText.h"
#include "model/PointerTable.h"
#include "model/TextRows.h"

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

// The ROM labels in offset order, and at one offset in table order: a walk with rising offsets
// reads them with a cursor instead of a lookup per instruction.
std::vector<std::pair<int32_t, int32_t>> LabelsByOffset(const LabelTables& labels) {
  std::vector<std::pair<int32_t, int32_t>> byOffset;
  const auto& rom = labels.RomLabels();
  byOffset.reserve(rom.size());
  for (size_t i = 0; i < rom.size(); ++i)
    if (!IsConstantLabel(rom[i].Offset, rom[i].Name))  // a number, not a place: no label line
      byOffset.push_back({rom[i].Offset, static_cast<int32_t>(i)});
  std::sort(byOffset.begin(), byOffset.end());
  return byOffset;
}

// The room a data line takes: bank address, blank byte field, "db" and eight values of up to
// nine characters with their commas.
constexpr size_t kDataLineRoom = 8 + 13 + 8 * 10;

template <typename Out>
void PutDataLine(Out& out, const Rom& rom, ValueFormat format, uint32_t offset, uint32_t count) {
  char address[8];
  out.append(address, static_cast<size_t>(PutBankAddress(address, offset) - address));
  out.append("          db ", 13);
  for (uint32_t i = 0; i < count; ++i) {
    if (i != 0) out.push_back(',');
    const std::string value = FormatByte(rom.Byte(int64_t{offset} + i), format);
    out.append(value.data(), value.size());
  }
}

// A line of an image block: "01:6000          image 16 tiles", or bytes where it starts inside
// a tile.
template <typename Out>
void PutImageLine(Out& out, uint32_t offset, uint32_t count, uint32_t tileBytes) {
  char address[8];
  out.append(address, static_cast<size_t>(PutBankAddress(address, offset) - address));
  const bool whole = count % tileBytes == 0;
  const uint32_t n = whole ? count / tileBytes : count;
  const std::string text = "          image " + std::to_string(n) +
                           (whole ? (n == 1 ? " tile" : " tiles") : (n == 1 ? " byte" : " bytes"));
  out.append(text.data(), text.size());
}

// The room of an instruction line's bank address and bytes.
constexpr size_t kLineHeadRoom = 24;

template <typename Out>
uint8_t PutInstructionLine(Out& out, const Rom& rom, const LabelTables& labels,
                           ValueFormat format, uint32_t offset, const RomLabelMap* map) {
  const uint8_t length = InstructionLength(rom.Byte(offset));
  // The bank address, then the raw bytes as RawBytesText writes them (nine characters), from a
  // table of digit pairs.
  char line[kLineHeadRoom];
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
  out.template Padded<sizeof line>(line, static_cast<size_t>(p - line));
  if constexpr (std::is_same_v<Out, StringCursor>) {
    AppendInstruction(out.s, rom, offset, format, labels, map);
  } else {
    AppendInstruction(out, rom, offset, format, labels, map);
  }
  return length;
}

template <typename Out>
uint32_t PutTextLine(Out& out, const Rom& rom, const TextTable& table, uint32_t offset,
                     uint32_t maxLength) {
  const size_t room = rom.RomImage.size() - std::min<size_t>(offset, rom.RomImage.size());
  const DecodedText decoded =
      table.Decode(rom.RomImage.data() + offset, std::min<size_t>(maxLength, room));
  // A text line's length is known only now: the whole-ROM walk makes room for it here.
  if constexpr (requires { out.Reserve(size_t{}); }) out.Reserve(decoded.Text.size() + 24);
  char address[8];
  out.append(address, static_cast<size_t>(PutBankAddress(address, offset) - address));
  out.append("          \"", 11);
  out.append(decoded.Text.data(), decoded.Text.size());
  out.push_back('"');
  return std::max<uint32_t>(decoded.Length, 1);
}

// A pointer table's line at `at`: "dw" and the target's name (its first label, else the word's
// value) on an entry's word; "db" on its bank byte, on the second byte of a word the listing
// starts at, and on the bytes after the last whole entry. Returns the bytes it covers.
template <typename Out>
uint32_t PutPointerLine(Out& out, const Rom& rom, const LabelTables& labels, ValueFormat format,
                        const MarkBlock& table, uint32_t at) {
  const std::optional<PointerEntry> entry =
      PointerEntryAt(rom.RomImage.data(), rom.RomSize, table, at);
  if (!entry || at != entry->WordAt) {
    const uint32_t length = entry ? 1 : std::min<uint32_t>(table.End() - at, 8);
    PutDataLine(out, rom, format, at, length);
    return length;
  }
  int32_t label = LabelTables::kNone;
  std::string_view name;
  if (entry->Target >= 0) {
    label = labels.FirstRomLabelAt(static_cast<int32_t>(entry->Target));
    if (label != LabelTables::kNone) name = labels.RomLabels()[static_cast<size_t>(label)].Name;
  } else if (entry->Address >= 0x8000) {
    label = labels.FirstRamLabelAt(entry->Address);
    if (label != LabelTables::kNone) name = labels.RamLabels()[static_cast<size_t>(label)].Name;
  } else if (entry->Address >= 0x4000) {
    label = labels.FirstBankedRomLabelAt(entry->Address);
    if (label != LabelTables::kNone) name = labels.RomLabels()[static_cast<size_t>(label)].Name;
  }
  char address[8];
  out.append(address, static_cast<size_t>(PutBankAddress(address, at) - address));
  out.append("          dw ", 13);
  if (name.empty()) {
    const std::string value = FormatWord(entry->Address, format);
    out.append(value.data(), value.size());
  } else {
    out.push_back('@');
    out.append(name.data(), name.size());
  }
  return 2;
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

// The line at `at` (its label lines and comment aside); returns the bytes it covers. `block` is
// DataBlockFrom(at); `rows` keeps the text rows of the block walked through. `nextBreak(at, end)`
// gives the first place in (at, end) that has a label or a comment, else `end`: a row of a block
// stops there, so that every label and comment of the block starts a line of its own.
template <typename Out, typename NextBreak>
uint32_t PutLine(Out& out, const Rom& rom, const LabelTables& labels, ValueFormat format,
                 uint32_t at, const MarkBlock* block, const ListingNotes& notes,
                 TextRowCursor& rows, const NextBreak& nextBreak,
                 const RomLabelMap* map = nullptr) {
  const TextTable* table = notes.Table;
  uint32_t length = 0;
  if (block != nullptr && block->Offset <= at && block->Kind == MarkKind::Text &&
      table != nullptr && !table->Empty()) {
    const uint32_t rowEnd = TextRowEnd(rom, *table, block->Offset, block->End(), at, rows,
                                         kTextRowWidth, notes.Rows);
    length = PutTextLine(out, rom, *table, at, nextBreak(at, rowEnd) - at);
  } else if (block != nullptr && block->Offset <= at && block->Kind == MarkKind::Pointers) {
    length = PutPointerLine(out, rom, labels, format, *block, at);
  } else if (block != nullptr && block->Offset <= at && block->Kind == MarkKind::Image &&
             at < ImageTilesEnd(*block)) {
    length = ImageRowLength(*block, at);
    PutImageLine(out, at, length, block->Image.TileBytes());
  } else if (block != nullptr && block->Offset <= at) {
    // Eight bytes a line, counted from the block's start (tiles are whole lines of eight).
    length = std::min(8 - (at - block->Offset) % 8, block->End() - at);
    length = nextBreak(at, at + length) - at;
    PutDataLine(out, rom, format, at, length);
  } else if (block != nullptr && at + InstructionLength(rom.Byte(at)) > block->Offset) {
    length = block->Offset - at;
    PutDataLine(out, rom, format, at, length);
  } else {
    length = PutInstructionLine(out, rom, labels, format, at, map);
  }
  return length;
}

// The listing's text in a buffer of its own, handed out a chunk at a time. A line is written
// through a cursor after one check that its room is there.
class ChunkWriter;

// The whole-ROM walk's cursor: a line that needs more room than was made for it asks for more.
struct StreamCursor : TextCursor {
  ChunkWriter* writer;
  void Reserve(size_t room);
};

class ChunkWriter {
 public:
  static constexpr size_t kChunk = size_t{1} << 20;
  explicit ChunkWriter(const std::function<void(std::string_view chunk)>& write)
      : write_(write), buffer_(kChunk * 2) {}
  // A cursor with at least `room` bytes free; what is written goes out once it passes a chunk.
  StreamCursor Room(size_t room) {
    if (buffer_.size() - used_ < room) {
      Flush();
      // A name or comment longer than a chunk: room for it and a chunk after it.
      if (buffer_.size() < room) buffer_.resize(room + kChunk);
    }
    promised_ = room;
    return {{buffer_.data() + used_}, this};
  }
  // `room` more after what the cursor has written of its line, the room asked for the line kept.
  void Grow(StreamCursor& cursor, size_t room) {
    const auto written = static_cast<size_t>(cursor.p - buffer_.data());
    if (buffer_.size() - written < room + promised_) {
      buffer_.resize(written + room + promised_ + kChunk);
      cursor.p = buffer_.data() + written;
    }
  }
  void Done(const TextCursor& cursor) {
    used_ = static_cast<size_t>(cursor.p - buffer_.data());
    if (used_ >= kChunk) Flush();
  }
  void Flush() {
    if (used_ != 0) write_(std::string_view(buffer_.data(), used_));
    used_ = 0;
  }

 private:
  const std::function<void(std::string_view chunk)>& write_;
  std::vector<char> buffer_;
  size_t used_ = 0;
  size_t promised_ = 0;
};

void StreamCursor::Reserve(size_t room) { writer->Grow(*this, room); }

const std::string* CommentAt(const ListingNotes& notes, uint32_t offset) {
  if (notes.Comments == nullptr) return nullptr;
  const auto it = notes.Comments->find(offset);
  return it == notes.Comments->end() ? nullptr : &it->second;
}

// The comments of the places inside the line [at, at + length) (an instruction's operand bytes),
// after the line's own: " ; at 01:4034: text". Nothing else would show them.
template <typename Out>
void PutInnerComments(Out& out, const RomComments* comments, uint32_t at, uint32_t length) {
  if (comments == nullptr || length < 2) return;
  for (auto it = comments->upper_bound(at); it != comments->end() && it->first < at + length;
       ++it) {
    if constexpr (requires { out.Reserve(size_t{}); }) out.Reserve(it->second.size() + 20);
    char address[8];
    out.append(" ; at ", 6);
    out.append(address, static_cast<size_t>(PutBankAddress(address, it->first) - address));
    out.append(": ", 2);
    out.append(it->second.data(), it->second.size());
  }
}

// The first place in (at, end) with a label or a comment, else `end`. A row of a block is at
// most a text row of long keys: a lookup per byte of it is cheap.
uint32_t NextBreak(const LabelTables& labels, const ListingNotes& notes, uint32_t at,
                   uint32_t end) {
  uint32_t stop = end;
  if (notes.Comments != nullptr) {
    const auto it = notes.Comments->upper_bound(at);
    if (it != notes.Comments->end() && it->first < stop) stop = it->first;
  }
  for (uint32_t o = at + 1; o < stop; ++o)
    if (labels.FirstRomLabelAt(static_cast<int32_t>(o)) != LabelTables::kNone) return o;
  return stop;
}

// The data or text block that holds the offset, or nullptr.
const MarkBlock* DataBlockAt(const RomMarks* marks, uint32_t offset) {
  const MarkBlock* b = DataBlockFrom(marks, offset);
  return b != nullptr && b->Offset <= offset ? b : nullptr;
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
  StringCursor text{out};
  PutDataLine(text, rom, format, offset, count);
}

uint32_t AppendTextLine(std::string& out, const Rom& rom, const TextTable& table, uint32_t offset,
                        uint32_t maxLength) {
  StringCursor text{out};
  return PutTextLine(text, rom, table, offset, maxLength);
}

uint32_t AppendPointerLine(std::string& out, const Rom& rom, const LabelTables& labels,
                           ValueFormat format, const MarkBlock& table, uint32_t at) {
  StringCursor text{out};
  return PutPointerLine(text, rom, labels, format, table, at);
}

uint8_t AppendInstructionLine(std::string& out, const Rom& rom, const LabelTables& labels,
                              ValueFormat format, uint32_t offset, const RomLabelMap* map) {
  StringCursor text{out};
  return PutInstructionLine(text, rom, labels, format, offset, map);
}

Listing BuildListing(const Rom& rom, const LabelTables& labels, ValueFormat format,
                     uint32_t startOffset, int visibleLines, const ListingNotes& notes) {
  Listing listing;
  TextRowCursor rows;
  const auto nextBreak = [&](uint32_t at, uint32_t end) { return NextBreak(labels, notes, at, end); };
  uint32_t pos = startOffset;
  int k = 0;
  do {
    for (int32_t e = labels.FirstRomLabelAt(static_cast<int32_t>(pos)); e != LabelTables::kNone;
         e = labels.NextRomLabelAt(e)) {
      const RomLabel& label = labels.RomLabels()[static_cast<size_t>(e)];
      if (IsConstantLabel(label.Offset, label.Name)) continue;  // a number, not a place
      listing.Lines.push_back({"@" + label.Name + ":", true});
      listing.LineOffsets.push_back(static_cast<int32_t>(pos));
      if (++k == visibleLines) return listing;
    }
    ListingLine line;
    listing.LineOffsets.push_back(static_cast<int32_t>(pos));
    StringCursor text{line.Text};
    const std::string* comment = CommentAt(notes, pos);
    const uint32_t at = pos;
    pos += PutLine(text, rom, labels, format, pos, DataBlockFrom(notes.Marks, pos), notes, rows,
                   nextBreak);
    const size_t bare = line.Text.size();
    if (comment != nullptr) {
      line.Text += " ; ";
      line.Text += *comment;
    }
    PutInnerComments(text, notes.Comments, at, pos - at);
    if (line.Text.size() != bare)
      line.CommentAt = static_cast<uint16_t>(std::min<size_t>(bare + 1, 0xFFFF));
    listing.Lines.push_back(std::move(line));
    ++k;
  } while (k < visibleLines);
  return listing;
}

void StreamListing(const Rom& rom, const LabelTables& labels, ValueFormat format, uint32_t from,
                   uint32_t to, const std::function<void(std::string_view chunk)>& write,
                   const ListingNotes& notes) {
  ChunkWriter out(write);
  const auto byOffset = LabelsByOffset(labels);
  const RomLabelMap map(labels);
  // A line's room: its longest fixed part and the longest name an operand may show.
  size_t longestName = 0;
  for (const RomLabel& l : labels.RomLabels()) longestName = std::max(longestName, l.Name.size());
  for (const RamLabel& l : labels.RamLabels()) longestName = std::max(longestName, l.Name.size());
  const size_t lineRoom =
      std::max(kDataLineRoom, kLineHeadRoom + kInstructionRoom + longestName) + 1;
  auto next = std::lower_bound(byOffset.begin(), byOffset.end(),
                               std::pair<int32_t, int32_t>{static_cast<int32_t>(from), -1});
  const MarkBlock* block = DataBlockFrom(notes.Marks, from);
  RomComments::const_iterator comment;
  if (notes.Comments != nullptr) comment = notes.Comments->lower_bound(from);
  TextRowCursor rows;
  // Offsets in 64 bits: the last instruction may end past `to` and past 16 MiB.
  for (uint64_t pos = from; pos <= to && pos < kRomCapacity;) {
    const auto at = static_cast<uint32_t>(pos);
    while (next != byOffset.end() && next->first < static_cast<int32_t>(at)) ++next;
    for (; next != byOffset.end() && next->first == static_cast<int32_t>(at); ++next) {
      const std::string& name = labels.RomLabels()[static_cast<size_t>(next->second)].Name;
      StreamCursor line = out.Room(name.size() + 3);
      line.push_back('@');
      line.append(name.data(), name.size());
      line.append(":\n", 2);
      out.Done(line);
    }
    if (block != nullptr && at >= block->End()) block = DataBlockFrom(notes.Marks, at);
    const std::string* note = nullptr;
    if (notes.Comments != nullptr) {
      while (comment != notes.Comments->end() && comment->first < at) ++comment;
      if (comment != notes.Comments->end() && comment->first == at) note = &comment->second;
    }
    // Past the labels and the comment at `at`: the next of each, where this line's row stops.
    const auto nextBreak = [&](uint32_t from, uint32_t end) {
      uint32_t stop = end;
      if (next != byOffset.end() && static_cast<uint32_t>(next->first) < stop)
        stop = static_cast<uint32_t>(next->first);
      if (notes.Comments != nullptr) {
        auto c = comment;
        if (c != notes.Comments->end() && c->first <= from) ++c;
        if (c != notes.Comments->end() && c->first < stop) stop = c->first;
      }
      return stop;
    };
    StreamCursor line = out.Room(lineRoom + (note != nullptr ? note->size() + 3 : 0));
    const uint32_t length = PutLine(line, rom, labels, format, at, block, notes, rows, nextBreak,
                                    &map);
    pos += length;
    if (note != nullptr) {
      line.append(" ; ", 3);
      line.append(note->data(), note->size());
    }
    PutInnerComments(line, notes.Comments, at, length);
    line.push_back('\n');
    out.Done(line);
  }
  out.Flush();
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

bool HasBlockRows(const ListingNotes& notes, uint32_t from, uint32_t to) {
  const MarkBlock* block = DataBlockFrom(notes.Marks, from);
  return block != nullptr && block->Offset < to;
}

uint32_t LineDown(const Rom& rom, const LabelTables& labels, uint32_t start,
                  uint32_t instructionEnd, const ListingNotes& notes) {
  const MarkBlock* block = DataBlockFrom(notes.Marks, start);
  if (block == nullptr || instructionEnd <= block->Offset) return instructionEnd;
  if (start < block->Offset) return block->Offset;
  // The row as the listing writes it, its text thrown away.
  std::string text;
  StringCursor out{text};
  TextRowCursor rows;
  const auto nextBreak = [&](uint32_t at, uint32_t end) { return NextBreak(labels, notes, at, end); };
  return start + PutLine(out, rom, labels, ValueFormat::Hex, start, block, notes, rows, nextBreak);
}

uint32_t LineUp(const Rom& rom, const LabelTables& labels, uint32_t start,
                uint32_t instructionStart, const ListingNotes& notes) {
  if (start == 0) return 0;
  const uint32_t last = start - 1;
  const MarkBlock* block = DataBlockAt(notes.Marks, last);
  if (block == nullptr) {
    // Back into a block that ends before `start`: the line after its last row.
    const MarkBlock* into = DataBlockAt(notes.Marks, instructionStart);
    return into != nullptr ? into->End() : instructionStart;
  }
  // The row that holds the byte before `start`: rows counted from the block's start, each
  // stopping at a label or comment.
  uint32_t rowStart = block->Offset + (last - block->Offset) / 8 * 8;
  const TextTable* table = notes.Table;
  if (block->Kind == MarkKind::Text && table != nullptr && !table->Empty()) {
    TextRowStarts kept;
    TextRowStarts& starts = notes.Rows != nullptr ? *notes.Rows : kept;
    rowStart = starts.RowAt(rom, *table, block->Offset, block->End(), last).first;
  }
  for (uint32_t o = rowStart + 1; o <= last; ++o) {
    const bool comment = notes.Comments != nullptr && notes.Comments->count(o) != 0;
    if (comment || labels.FirstRomLabelAt(static_cast<int32_t>(o)) != LabelTables::kNone)
      rowStart = o;
  }
  return rowStart;
}
