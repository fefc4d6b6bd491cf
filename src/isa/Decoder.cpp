#include "isa/Decoder.h"

#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/NumberText.h"

std::string FormatByte(uint8_t value, ValueFormat format) {
  switch (format) {
    case ValueFormat::Dec:
      return std::to_string(value);
    case ValueFormat::Bin:
      return IntToBin(value);
    case ValueFormat::Hex:
    default:
      return "$" + IntToHex(value, 2);
  }
}

std::string FormatWord(uint16_t value, ValueFormat format) {
  switch (format) {
    case ValueFormat::Dec:
      return std::to_string(value);
    case ValueFormat::Bin:
      return IntToBin(value);
    case ValueFormat::Hex:
    default:
      return "$" + IntToHex(value, 4);
  }
}

std::string LabelForValue(uint16_t value, uint32_t offset, const LabelTables& labels) {
  if (value >= 0x8000) {
    int32_t i = labels.FirstRamLabelAt(value);
    return i == LabelTables::kNone ? std::string() : "@" + labels.RamLabels()[i].Name;
  }
  if (offset < 0x4000 || value < 0x4000) {
    // From bank 0 any bank may be switched in: the first label of any bank at that address.
    int32_t i = value < 0x4000 ? labels.FirstRomLabelAt(value) : labels.FirstBankedRomLabelAt(value);
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
      bool match = value < 0x4000 ? l.Offset == value
                                  : l.Offset >= 0x4000 &&
                                        CpuAddress(static_cast<uint32_t>(l.Offset)) == value;
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
  const uint8_t b0 = rom.Byte(offset);
  const uint8_t b1 = rom.Byte(static_cast<int64_t>(offset) + 1);
  if (b0 == 0xCB) return {std::string(DisasmTable[kCbBase + b1].Template), 2};

  const InstructionEntry& entry = DisasmTable[b0];
  std::string text(entry.Template);
  std::string operand;
  uint8_t length = 1;
  switch (entry.Kind) {
    case kOperandByte:
      operand = FormatByte(b1, format);
      length = 2;
      break;
    case kOperandWord: {
      const uint16_t value =
          static_cast<uint16_t>(b1 | (rom.Byte(static_cast<int64_t>(offset) + 2) << 8));
      operand = LabelForValue(value, offset, labels);
      if (operand.empty()) operand = FormatWord(value, format);
      length = 3;
      break;
    }
    case kOperandRelative: {
      // The displacement counts from the end of the two-byte instruction.
      const uint16_t target =
          static_cast<uint16_t>(CpuAddress(offset) + 2 + static_cast<int8_t>(b1));
      operand = LabelForValue(target, offset, labels);
      if (operand.empty()) operand = FormatWord(target, format);
      length = 2;
      break;
    }
    case kOperandSigned: {
      const int8_t d = static_cast<int8_t>(b1);
      const uint8_t magnitude = static_cast<uint8_t>(d < 0 ? -d : d);
      operand = (d < 0 ? "-" : "+") + FormatByte(magnitude, format);
      length = 2;
      break;
    }
    default:
      return {std::move(text), 1};
  }
  text.replace(text.find('?'), 1, operand);
  return {std::move(text), length};
}
