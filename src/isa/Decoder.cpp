#include "isa/Decoder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/NumberText.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Appends a number in the given format; `hexDigits` is 2 for bytes and 4 for words.
template <typename Out>
void AppendNumber(Out& out, uint16_t value, ValueFormat format, int hexDigits) {
  if (format == ValueFormat::Hex) {
    char text[8] = {'$'};
    for (int i = hexDigits; i > 0; --i, value >>= 4) text[i] = kHexDigits[value & 0xF];
    out.template Padded<sizeof text>(text, static_cast<size_t>(hexDigits) + 1);
    return;
  }
  char buf[20];
  char* end = buf + sizeof buf;
  char* p = end;
  if (format == ValueFormat::Dec) {
    do {
      *--p = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
  } else {
    do {
      *--p = static_cast<char>('0' + (value & 1));
      value >>= 1;
    } while (value != 0);
    *--p = '%';
  }
  out.append(p, static_cast<size_t>(end - p));
}

// Each opcode's template cut at its "?" (kCbBase on: the CB opcodes), with the instruction's
// length, found once rather than per line. The pieces are padded so that they copy at a fixed
// size.
struct OpText {
  char pre[16];  // up to the "?", or the whole template
  char post[8];  // after the "?"
  uint8_t preLength = 0;
  uint8_t postLength = 0;
  uint8_t length = 1;
  uint8_t kind = 0;
  bool operand = false;
};

const std::array<OpText, 512>& OpTexts() {
  static const std::array<OpText, 512> texts = [] {
    std::array<OpText, 512> t{};
    for (size_t i = 0; i < t.size(); ++i) {
      const std::string_view tmpl = DisasmTable[i].Template;
      const size_t mark = tmpl.find('?');
      const std::string_view pre = tmpl.substr(0, mark);
      const std::string_view post =
          mark == std::string_view::npos ? std::string_view() : tmpl.substr(mark + 1);
      // An empty view may hold no pointer at all, which memcpy must not be given.
      std::copy_n(pre.begin(), std::min(pre.size(), sizeof t[i].pre), t[i].pre);
      std::copy_n(post.begin(), std::min(post.size(), sizeof t[i].post), t[i].post);
      t[i].preLength = static_cast<uint8_t>(std::min(pre.size(), sizeof t[i].pre));
      t[i].postLength = static_cast<uint8_t>(std::min(post.size(), sizeof t[i].post));
      t[i].length = i >= kCbBase ? 2 : InstructionLength(static_cast<uint8_t>(i));
      t[i].kind = DisasmTable[i].Kind;
      t[i].operand = mark != std::string_view::npos;
    }
    return t;
  }();
  return texts;
}

}  // namespace

std::string FormatByte(uint8_t value, ValueFormat format) {
  std::string text;
  StringCursor out{text};
  AppendNumber(out, value, format, 2);
  return text;
}

std::string FormatWord(uint16_t value, ValueFormat format) {
  std::string text;
  StringCursor out{text};
  AppendNumber(out, value, format, 4);
  return text;
}

namespace {

// Appends the label LabelForValue gives, "@" included where it shows one; false when there is
// none. With a map, an offset that no ROM label names is not looked up.
template <typename Out>
bool AppendLabelForValue(Out& out, uint16_t value, uint32_t offset, const LabelTables& labels,
                         const RomLabelMap* map) {
  int32_t i = LabelTables::kNone;
  bool at = true;
  if (value >= 0x8000) {
    if (map && !map->HasRam(value)) return false;
    i = labels.FirstRamLabelAt(value);
    if (i == LabelTables::kNone) return false;
    const std::string& name = labels.RamLabels()[i].Name;
    out.push_back('@');
    out.append(name.data(), name.size());
    return true;
  }
  if (offset < 0x4000 || value < 0x4000) {
    // From bank 0 any bank may be switched in: the first label of any bank at that address.
    if (value >= 0x4000) {
      i = labels.FirstBankedRomLabelAt(value);
    } else if (!map || map->Has(value)) {
      i = labels.FirstRomLabelAt(value);
    }
  } else {
    // A banked instruction sees its own bank at 4000-7FFF.
    const int32_t target = static_cast<int32_t>((offset >> 14) * 0x4000 + (value & 0x3FFF));
    if (!map || map->Has(target)) i = labels.FirstRomLabelAt(target);
    at = false;
  }
  if (i == LabelTables::kNone) return false;
  const std::string& name = labels.RomLabels()[i].Name;
  // A bare name that is empty shows as no label: the value is written instead.
  if (!at && name.empty()) return false;
  if (at) out.push_back('@');
  out.append(name.data(), name.size());
  return true;
}

// The instruction's text: its template with the operand in place of the "?".
template <typename Out>
uint8_t PutInstruction(Out& out, const Rom& rom, uint32_t offset, ValueFormat format,
                       const LabelTables& labels, const RomLabelMap* map) {
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t b1 = rom.Byte(static_cast<int64_t>(offset) + 1);
  const OpText& op = OpTexts()[b0 == 0xCB ? kCbBase + b1 : b0];
  out.template Padded<sizeof op.pre>(op.pre, op.preLength);
  if (!op.operand) return op.length;
  uint16_t word = 0;
  switch (op.kind) {
    case kOperandByte:
      AppendNumber(out, b1, format, 2);
      break;
    case kOperandSigned: {
      // Shown with its sign and magnitude: E8 F0 is "add sp,-$10".
      const int8_t d = static_cast<int8_t>(b1);
      out.push_back(d < 0 ? '-' : '+');
      AppendNumber(out, static_cast<uint16_t>(d < 0 ? -d : d), format, 2);
      break;
    }
    case kOperandWord:
      word = static_cast<uint16_t>(b1 | (rom.Byte(static_cast<int64_t>(offset) + 2) << 8));
      break;
    case kOperandRelative:
      // The displacement counts from the end of the two-byte instruction.
      word = static_cast<uint16_t>(CpuAddress(offset) + 2 + static_cast<int8_t>(b1));
      break;
  }
  if (op.kind == kOperandWord || op.kind == kOperandRelative) {
    if (!AppendLabelForValue(out, word, offset, labels, map)) AppendNumber(out, word, format, 4);
  }
  out.template Padded<sizeof op.post>(op.post, op.postLength);
  return op.length;
}

}  // namespace

RomLabelMap::RomLabelMap(const LabelTables& labels) {
  int32_t end = 0;
  for (const RomLabel& l : labels.RomLabels()) end = std::max(end, l.Offset + 1);
  bits_.assign((std::min<uint32_t>(static_cast<uint32_t>(end), kRomCapacity) + 63) / 64, 0);
  for (const RomLabel& l : labels.RomLabels()) {
    const auto at = static_cast<uint32_t>(l.Offset);
    if (l.Offset >= 0 && at < kRomCapacity) bits_[at >> 6] |= uint64_t{1} << (at & 63);
  }
  for (const RamLabel& l : labels.RamLabels()) {
    if (l.Address >= 0x8000) ramBits_[(l.Address - 0x8000) >> 6] |= uint64_t{1} << (l.Address & 63);
  }
}

std::string LabelForValue(uint16_t value, uint32_t offset, const LabelTables& labels) {
  std::string label;
  StringCursor out{label};
  AppendLabelForValue(out, value, offset, labels, nullptr);
  return label;
}

std::string LabelForValueByScan(uint16_t value, uint32_t offset, const LabelTables& labels) {
  if (value >= 0x8000) {
    for (const RamLabel& l : labels.RamLabels()) {
      if (l.Address == value) return "@" + l.Name;
    }
    return {};
  }
  if (offset < 0x4000 || value < 0x4000) {
    for (const RomLabel& l : labels.RomLabels()) {
      bool match = value < 0x4000
                       ? l.Offset == value
                       : l.Offset >= 0x4000 && CpuAddress(static_cast<uint32_t>(l.Offset)) == value;
      if (match) return "@" + l.Name;
    }
    return {};
  }
  int32_t target = static_cast<int32_t>((offset >> 14) * 0x4000 + (value & 0x3FFF));
  for (const RomLabel& l : labels.RomLabels()) {
    if (l.Offset == target) return l.Name;
  }
  return {};
}

uint8_t InstructionLength(uint8_t b0) {
  if (b0 == 0xCB) return 2;
  switch (DisasmTable[b0].Kind) {
    case kOperandByte:
    case kOperandRelative:
    case kOperandSigned:
      return 2;
    case kOperandWord:
      return 3;
    default:
      return 1;
  }
}

DecodedInstruction DecodeInstruction(const Rom& rom, uint32_t offset, ValueFormat format,
                                     const LabelTables& labels) {
  DecodedInstruction d;
  d.Length = DecodeInstructionInto(d.Text, rom, offset, format, labels);
  return d;
}

uint8_t DecodeInstructionInto(std::string& text, const Rom& rom, uint32_t offset,
                              ValueFormat format, const LabelTables& labels,
                              const RomLabelMap* map) {
  text.clear();
  return AppendInstruction(text, rom, offset, format, labels, map);
}

uint8_t AppendInstruction(std::string& text, const Rom& rom, uint32_t offset, ValueFormat format,
                          const LabelTables& labels, const RomLabelMap* map) {
  StringCursor out{text};
  return PutInstruction(out, rom, offset, format, labels, map);
}

uint8_t AppendInstruction(TextCursor& text, const Rom& rom, uint32_t offset, ValueFormat format,
                          const LabelTables& labels, const RomLabelMap* map) {
  return PutInstruction(text, rom, offset, format, labels, map);
}
