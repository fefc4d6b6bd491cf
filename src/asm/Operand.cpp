#include "asm/Operand.h"

#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/Failure.h"
#include "model/NumberText.h"

namespace {

constexpr size_t npos = std::string_view::npos;

// The high-page forms "[$FF00 + n]" and "ld hl,sp + n" hold a fixed " + " in front of their
// value; it belongs to the template and must not be taken for a sign.
constexpr std::string_view kHighPage = "$FF00 + ";
constexpr std::string_view kStackPlus = "sp + ";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

size_t FirstDigit(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    if (IsDigit(text[i])) return i;
  }
  return npos;
}

std::string ValueMessage(std::string_view valueText) {
  return "\"" + std::string(valueText) +
         "\" is not valid value. Please use \"$\" prefix for hexadecimal value, \"%\" for binary "
         "value and decimal does not require prefix.";
}

}  // namespace

size_t LabelNameEnd(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    if (IsLabelEndChar(text[i])) return i;
  }
  return text.size();
}

std::string MakeOperandTemplate(std::string_view text, int width) {
  std::string out(text);
  size_t pos = npos;
  if (size_t at = out.find(kHighPage); at != npos) {
    pos = at + kHighPage.size();
  } else if (size_t sp = out.find(kStackPlus); sp != npos) {
    pos = sp + kStackPlus.size();
  } else {
    for (char mark : {'-', '+', '$', '%'}) {
      pos = out.find(mark);
      if (pos != npos) break;
    }
  }
  // A label reference wins over any number-like mark; its name goes with it.
  if (size_t at = out.find('@'); at != npos) {
    out.erase(at + 1, LabelNameEnd(out, at + 1) - (at + 1));
    pos = at;
  }
  if (pos == npos) {
    // A digit in the very first column is the value only when no other digit follows.
    pos = FirstDigit(out, 1);
    if (pos == npos && !out.empty() && IsDigit(out[0])) pos = 0;
  }
  if (pos == npos) return out;

  size_t end = pos + 1;
  while (end < out.size() && IsValueChar(out[end])) ++end;
  if (pos < out.size()) out.erase(pos, end - pos);
  out.insert(pos, static_cast<size_t>(width), '#');
  return out;
}

uint16_t ParseOperandValue(const LabelTables& labels, std::string_view text, uint32_t position) {
  if (size_t at = text.find('@'); at != npos) {
    return ResolveLabel(labels, text.substr(at + 1, LabelNameEnd(text, at + 1) - (at + 1)),
                        position);
  }
  size_t start = text.find(kHighPage);
  if (start != npos) {
    start += kHighPage.size();
  } else {
    start = text.find('$');
    if (start == npos) start = text.find('%');
    if (start == npos) start = FirstDigit(text, 0);
    if (start == npos) start = 0;
  }
  size_t end = start;
  while (end < text.size() && IsValueChar(text[end])) ++end;
  const std::string_view valueText = text.substr(start, end - start);

  if (!valueText.empty() && valueText[0] == '%') return BinToInt(valueText);
  try {
    return static_cast<uint16_t>(StrToInt(valueText));
  } catch (const ConversionError&) {
    throw ErrorFailure(ValueMessage(valueText));
  }
}

std::string UnknownLabelText(std::string_view name) {
  return "Label " + std::string(name) + " is not defined.";
}

uint16_t ResolveLabel(const LabelTables& labels, std::string_view name, uint32_t position) {
  if (int32_t i = labels.FirstRamLabelNamed(name); i != LabelTables::kNone) {
    return labels.RamLabels()[static_cast<size_t>(i)].Address;
  }
  const int32_t i = labels.FirstRomLabelNamed(name);
  if (i == LabelTables::kNone) {
    throw ErrorFailure(UnknownLabelText(name));
  }
  const auto v = static_cast<uint32_t>(labels.RomLabels()[static_cast<size_t>(i)].Offset);
  // Only one switchable bank is mapped at 4000-7FFF at a time: code in one switchable bank
  // cannot reach a label in another.
  if (v > 0x3FFF && position > 0x3FFF && BankOf(v) != BankOf(position)) {
    throw WarningFailure(std::string(name) + " can't be accessed here because it's in bank " +
                         IntToHex(BankOf(v), 2) + ".");
  }
  return CpuAddress(v);
}

OperandBytes OperandBytesOf(uint16_t value, bool negative, uint32_t operandOffset, uint8_t kind) {
  OperandBytes out;
  switch (kind) {
    case kAsmByte:
      out.Bytes[0] = static_cast<uint8_t>(value);
      out.Count = 1;
      break;
    case kAsmWord:
      out.Bytes[0] = static_cast<uint8_t>(value);
      out.Bytes[1] = static_cast<uint8_t>(value >> 8);
      out.Count = 2;
      break;
    case kAsmRelative:
      // The target is a CPU address; a file offset agrees with its CPU address in the low 14
      // bits, so the low byte of the difference is the jump distance from the next instruction.
      out.Bytes[0] = static_cast<uint8_t>(value - (operandOffset + 1));
      out.Count = 1;
      break;
    case kAsmSigned: {
      const auto m = static_cast<uint8_t>(value);
      out.Bytes[0] = negative ? static_cast<uint8_t>(256 - m) : m;
      out.Count = 1;
      break;
    }
    default:
      break;
  }
  return out;
}

OperandBytes EncodeOperand(const LabelTables& labels, std::string_view text, uint32_t operandOffset,
                           uint8_t kind) {
  if (kind != kAsmByte && kind != kAsmWord && kind != kAsmRelative && kind != kAsmSigned) return {};
  // Only addresses are bank-tested: a byte or a signed offset names no place.
  const bool address = kind == kAsmWord || kind == kAsmRelative;
  const uint16_t value = ParseOperandValue(labels, text, address ? operandOffset : 0);
  const bool negative = kind == kAsmSigned && text.find('-') != npos;
  return OperandBytesOf(value, negative, operandOffset, kind);
}

void StoreOperand(Rom& rom, const LabelTables& labels, std::string_view text,
                  uint32_t operandOffset, uint8_t kind) {
  const OperandBytes operand = EncodeOperand(labels, text, operandOffset, kind);
  for (uint8_t i = 0; i < operand.Count; ++i) {
    rom.SetByte(static_cast<int64_t>(operandOffset) + i, operand.Bytes[i]);
  }
}
