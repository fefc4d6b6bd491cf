#include "asm/Operand.h"

#include <algorithm>

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

}  // namespace

std::string BadValueText(std::string_view valueText) {
  return "\"" + std::string(valueText) +
         "\" is not valid value. Please use \"$\" prefix for hexadecimal value, \"%\" for binary "
         "value and decimal does not require prefix.";
}

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

namespace {

// Where the number of a text stands: after "$FF00 + ", else at the first "$", "%" or decimal
// digit, else at the first character.
size_t ValueStart(std::string_view text) {
  size_t start = text.find(kHighPage);
  if (start != npos) return start + kHighPage.size();
  start = text.find('$');
  if (start == npos) start = text.find('%');
  if (start == npos) start = FirstDigit(text, 0);
  if (start == npos) start = 0;
  return start;
}

size_t ValueEnd(std::string_view text, size_t start) {
  size_t end = start;
  while (end < text.size() && IsValueChar(text[end])) ++end;
  return end;
}

}  // namespace

uint16_t ParseOperandValue(const LabelTables& labels, std::string_view text, uint32_t position) {
  if (size_t at = text.find('@'); at != npos) {
    return ResolveLabel(labels, text.substr(at + 1, LabelNameEnd(text, at + 1) - (at + 1)),
                        position);
  }
  const size_t start = ValueStart(text);
  const std::string_view valueText = text.substr(start, ValueEnd(text, start) - start);
  if (!valueText.empty() && valueText[0] == '%') return BinToInt(valueText);
  try {
    return static_cast<uint16_t>(StrToInt(valueText));
  } catch (const ConversionError&) {
    throw ErrorFailure(BadValueText(valueText));
  }
}

OperandValue ReadOperandValue(const LabelScope& scope, std::string_view text, uint32_t position) {
  OperandValue out;
  if (size_t at = text.find('@'); at != npos) {
    const size_t end = LabelNameEnd(text, at + 1);
    const std::string_view name = text.substr(at + 1, end - (at + 1));
    out.Label = true;
    out.Text = text.substr(at, end - at);
    out.Begin = at;
    out.End = end;
    if (scope.Provisional) return out;
    if (scope.Block) {
      if (auto it = scope.Block->find(std::string(name)); it != scope.Block->end()) {
        out.Value = it->second;
        return out;
      }
    }
    out.Value = ResolveLabel(scope.Tables, name, position);
    return out;
  }
  size_t start = ValueStart(text);
  const size_t end = ValueEnd(text, start);
  const std::string_view valueText = text.substr(start, end - start);
  int64_t magnitude = 0;
  if (!valueText.empty() && valueText[0] == '%') {
    // As BinToInt reads it ("1" sets a bit, anything else clears it), but every digit counts.
    for (char c : valueText.substr(1)) {
      magnitude = std::min<int64_t>(magnitude * 2 + (c == '1'), int64_t{1} << 40);
    }
  } else {
    try {
      const int32_t n = StrToInt(valueText);
      // "$" and eight digits is a 32-bit pattern, not a negative number.
      magnitude = valueText[0] == '$' ? int64_t{static_cast<uint32_t>(n)} : int64_t{n};
    } catch (const ConversionError&) {
      throw ErrorFailure(BadValueText(valueText));
    }
  }
  const bool negative = start > 0 && text[start - 1] == '-';
  if (start > 0 && (text[start - 1] == '-' || text[start - 1] == '+')) --start;
  out.Value = negative ? -magnitude : magnitude;
  out.Text = text.substr(start, end - start);
  out.Begin = start;
  out.End = end;
  return out;
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

std::string WideValueText(std::string_view value, std::string_view what, std::string_view range) {
  return "Value " + std::string(value) + " does not fit in " + std::string(what) + " (" +
         std::string(range) + ").";
}

OperandBytes FitOperand(const OperandValue& value, uint32_t operandOffset, uint8_t kind,
                        bool highPage, bool provisional) {
  OperandBytes out;
  const int64_t v = value.Value;
  const bool unchecked = value.Label && provisional;
  switch (kind) {
    case kAsmByte:
      if (!value.Label && highPage && (v < 0 || v > 0xFF)) {
        throw ErrorFailure(WideValueText(value.Text, "a $FF00 page offset", "0 to 255"));
      }
      if (!value.Label && (v < -0x80 || v > 0xFF)) {
        throw ErrorFailure(WideValueText(value.Text, "a byte", "-128 to 255"));
      }
      out.Bytes[0] = static_cast<uint8_t>(v);
      out.Count = 1;
      break;
    case kAsmWord:
      if (!value.Label && (v < -0x8000 || v > 0xFFFF)) {
        throw ErrorFailure(WideValueText(value.Text, "a word", "-32768 to 65535"));
      }
      out.Bytes[0] = static_cast<uint8_t>(v);
      out.Bytes[1] = static_cast<uint8_t>(v >> 8);
      out.Count = 2;
      break;
    case kAsmRelative: {
      // The target is a CPU address; the distance counts from the instruction after the jump,
      // whose address is that of the opcode plus two (the CPU's address counter wraps at 16
      // bits, as the listing's targets do).
      const auto next = static_cast<uint16_t>(CpuAddress(operandOffset - 1) + 2);
      const auto distance = static_cast<int16_t>(static_cast<uint16_t>(v - next));
      if (!unchecked && (v < 0 || v > 0xFFFF || distance < -128 || distance > 127)) {
        throw ErrorFailure("Jump target " + value.Text +
                           " is out of reach of jr (-128 to 127 bytes).");
      }
      out.Bytes[0] = static_cast<uint8_t>(distance);
      out.Count = 1;
      break;
    }
    case kAsmSigned:
      if (!value.Label && (v < -0x80 || v > 0x7F)) {
        throw ErrorFailure(WideValueText(value.Text, "a signed byte", "-128 to 127"));
      }
      out.Bytes[0] = static_cast<uint8_t>(v);
      out.Count = 1;
      break;
    default:
      break;
  }
  return out;
}

OperandBytes EncodeOperand(const LabelScope& scope, std::string_view text, uint32_t operandOffset,
                           uint8_t kind) {
  if (kind != kAsmByte && kind != kAsmWord && kind != kAsmRelative && kind != kAsmSigned) return {};
  // Only addresses are bank-tested: a byte or a signed offset names no place.
  const bool address = kind == kAsmWord || kind == kAsmRelative;
  const OperandValue value = ReadOperandValue(scope, text, address ? operandOffset : 0);
  const bool highPage = text.find(kHighPage) != npos;
  return FitOperand(value, operandOffset, kind, highPage, scope.Provisional);
}

void StoreOperand(Rom& rom, const LabelTables& labels, std::string_view text,
                  uint32_t operandOffset, uint8_t kind) {
  const OperandBytes operand = EncodeOperand(labels, text, operandOffset, kind);
  for (uint8_t i = 0; i < operand.Count; ++i) {
    rom.SetByte(static_cast<int64_t>(operandOffset) + i, operand.Bytes[i]);
  }
}
