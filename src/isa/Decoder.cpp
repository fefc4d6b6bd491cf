#include "isa/Decoder.h"

#include <algorithm>
#include <array>

#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/NumberText.h"

namespace {

// Appends a number in the given format; `hexDigits` is 2 for bytes and 4 for words.
void AppendNumber(std::string& out, uint16_t value, ValueFormat format, int hexDigits) {
  char buf[20];
  char* end = buf + sizeof buf;
  char* p = end;
  switch (format) {
    case ValueFormat::Dec:
      do {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
      } while (value != 0);
      break;
    case ValueFormat::Bin:
      do {
        *--p = static_cast<char>('0' + (value & 1));
        value >>= 1;
      } while (value != 0);
      *--p = '%';
      break;
    case ValueFormat::Hex:
    default:
      for (int i = 0; i < hexDigits; ++i, value >>= 4) *--p = "0123456789ABCDEF"[value & 0xF];
      *--p = '$';
      break;
  }
  out.append(p, static_cast<size_t>(end - p));
}

// Where the one-byte opcodes' templates hold their "?", found once rather than per line.
size_t MarkOf(uint8_t b0) {
  static const std::array<size_t, 256> marks = [] {
    std::array<size_t, 256> m{};
    for (size_t i = 0; i < m.size(); ++i) m[i] = DisasmTable[i].Template.find('?');
    return m;
  }();
  return marks[b0];
}

}  // namespace

std::string FormatByte(uint8_t value, ValueFormat format) {
  std::string out;
  AppendNumber(out, value, format, 2);
  return out;
}

std::string FormatWord(uint16_t value, ValueFormat format) {
  std::string out;
  AppendNumber(out, value, format, 4);
  return out;
}

namespace {

// Appends the label LabelForValue gives, "@" included where it shows one; false when there is
// none. With a map, an offset that no ROM label names is not looked up.
bool AppendLabelForValue(std::string& out, uint16_t value, uint32_t offset,
                         const LabelTables& labels, const RomLabelMap* map) {
  int32_t i = LabelTables::kNone;
  bool at = true;
  if (value >= 0x8000) {
    if (map && !map->HasRam(value)) return false;
    i = labels.FirstRamLabelAt(value);
    if (i == LabelTables::kNone) return false;
    out += '@';
    out += labels.RamLabels()[i].Name;
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
  if (at) out += '@';
  out += name;
  return true;
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
  AppendLabelForValue(label, value, offset, labels, nullptr);
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
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t b1 = rom.Byte(static_cast<int64_t>(offset) + 1);
  if (b0 == 0xCB) {
    text.append(DisasmTable[kCbBase + b1].Template);
    return 2;
  }
  const InstructionEntry& entry = DisasmTable[b0];
  const std::string_view tmpl = entry.Template;
  const size_t mark = MarkOf(b0);
  if (mark == std::string_view::npos) {
    text.append(tmpl);
    return 1;
  }
  text.append(tmpl.substr(0, mark));
  uint16_t word = 0;
  switch (entry.Kind) {
    case kOperandByte:
      AppendNumber(text, b1, format, 2);
      break;
    case kOperandSigned: {
      // Shown with its sign and magnitude: E8 F0 is "add sp,-$10".
      const int8_t d = static_cast<int8_t>(b1);
      text += d < 0 ? '-' : '+';
      AppendNumber(text, static_cast<uint16_t>(d < 0 ? -d : d), format, 2);
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
  if (entry.Kind == kOperandWord || entry.Kind == kOperandRelative) {
    if (!AppendLabelForValue(text, word, offset, labels, map)) AppendNumber(text, word, format, 4);
  }
  text.append(tmpl.substr(mark + 1));
  return InstructionLength(b0);
}
