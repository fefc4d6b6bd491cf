#include "isa/Decoder.h"

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

std::string LabelForValue(uint16_t value, uint32_t offset, const LabelTables& labels) {
  if (value >= 0x8000) {
    int32_t i = labels.FirstRamLabelAt(value);
    return i == LabelTables::kNone ? std::string() : "@" + labels.RamLabels()[i].Name;
  }
  if (offset < 0x4000 || value < 0x4000) {
    // From bank 0 any bank may be switched in: the first label of any bank at that address.
    int32_t i =
        value < 0x4000 ? labels.FirstRomLabelAt(value) : labels.FirstBankedRomLabelAt(value);
    return i == LabelTables::kNone ? std::string() : "@" + labels.RomLabels()[i].Name;
  }
  // A banked instruction sees its own bank at 4000-7FFF.
  int32_t target = static_cast<int32_t>((offset >> 14) * 0x4000 + (value & 0x3FFF));
  int32_t i = labels.FirstRomLabelAt(target);
  return i == LabelTables::kNone ? std::string() : labels.RomLabels()[i].Name;
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
                              ValueFormat format, const LabelTables& labels) {
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t b1 = rom.Byte(static_cast<int64_t>(offset) + 1);
  if (b0 == 0xCB) {
    text.assign(DisasmTable[kCbBase + b1].Template);
    return 2;
  }
  const InstructionEntry& entry = DisasmTable[b0];
  const std::string_view tmpl = entry.Template;
  const size_t mark = tmpl.find('?');
  if (mark == std::string_view::npos) {
    text.assign(tmpl);
    return 1;
  }
  text.assign(tmpl.substr(0, mark));
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
    std::string label = LabelForValue(word, offset, labels);
    if (label.empty()) {
      AppendNumber(text, word, format, 4);
    } else {
      text += label;
    }
  }
  text.append(tmpl.substr(mark + 1));
  return InstructionLength(b0);
}
