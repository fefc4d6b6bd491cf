#include "asm/Assembler.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "asm/Operand.h"
#include "isa/Decoder.h"
#include "isa/InstructionTable.h"
#include "model/BankAddress.h"
#include "model/Failure.h"

namespace {

// Lookups into AsmTable, built once: each gives the entry that a scan of the table in the
// assembler's order would find first.
struct MatchTables {
  // Whole texts, each of one entry: "rlca" is base 07, "rlc a" is CB 07.
  std::unordered_map<std::string_view, std::vector<uint8_t>> exact;
  // Templates with an operand run, base half only.
  std::unordered_map<std::string_view, uint8_t> firstBase;
  std::unordered_map<std::string_view, uint8_t> firstSigned;
  // Base entries with an address operand, split around it, for texts that name a label bare.
  struct AddressForm {
    std::string_view before;
    std::string_view after;
    uint8_t opcode;
  };
  std::vector<AddressForm> addressForms;
  // Every word that stands in an operand of the table (registers, conditions): never a label.
  std::set<std::string, std::less<>> operandWords;

  MatchTables() {
    for (size_t i = 0; i < 256; ++i) {
      const auto op = static_cast<uint8_t>(i);
      // "-" marks a byte that is no instruction: typing it assembles nothing.
      if (AsmTable[i].Template != "-") {
        exact.emplace(AsmTable[i].Template, std::vector<uint8_t>{op});
      }
      exact.emplace(AsmTable[kCbBase + i].Template, std::vector<uint8_t>{0xCB, op});
      firstBase.emplace(AsmTable[i].Template, op);
      if (AsmTable[i].Kind == kAsmSigned) firstSigned.emplace(AsmTable[i].Template, op);
      const std::string_view t = AsmTable[i].Template;
      if (AsmTable[i].Kind == kAsmWord || AsmTable[i].Kind == kAsmRelative) {
        const size_t mark = t.find("####");
        addressForms.push_back({t.substr(0, mark), t.substr(mark + 4), op});
      }
    }
    for (const InstructionEntry& entry : AsmTable) {
      const std::string_view t = entry.Template;
      size_t i = t.find(' ');
      while (i < t.size()) {
        while (i < t.size() && !std::isalnum(static_cast<unsigned char>(t[i]))) ++i;
        const size_t start = i;
        while (i < t.size() && std::isalnum(static_cast<unsigned char>(t[i]))) ++i;
        if (start < i) operandWords.emplace(t.substr(start, i - start));
      }
    }
  }
};

const MatchTables& Tables() {
  static const MatchTables tables;
  return tables;
}

// A bare word is a label only where it cannot be read as anything else: not a number, not a
// label written with "@", not a register or condition.
bool CanBeBareLabel(const MatchTables& tables, std::string_view name) {
  if (name.empty()) return false;
  const char c = name[0];
  if ((c >= '0' && c <= '9') || c == '$' || c == '%' || c == '@' || c == '-' || c == '+') {
    return false;
  }
  return tables.operandWords.find(name) == tables.operandWords.end();
}

// The CPU address of the ROM label that the listing shows by its bare name in an instruction at
// `offset`: the decoder's own rule decides, so what is shown can be typed back.
std::optional<uint16_t> BareLabelAddress(const LabelTables& labels, std::string_view name,
                                         uint32_t offset) {
  for (int32_t i = labels.FirstRomLabelNamed(name); i != LabelTables::kNone;
       i = labels.NextRomLabelNamed(i)) {
    const int32_t at = labels.RomLabels()[static_cast<size_t>(i)].Offset;
    if (at < 0x4000) continue;
    const uint16_t value = CpuAddress(static_cast<uint32_t>(at));
    if (LabelForValue(value, offset, labels) == name) return value;
  }
  return std::nullopt;
}

EncodedInstruction WithOperandBytes(uint8_t opcode, const OperandBytes& operand) {
  EncodedInstruction out;
  out.Bytes.reserve(3);
  out.Bytes.push_back(opcode);
  for (uint8_t i = 0; i < operand.Count; ++i) out.Bytes.push_back(operand.Bytes[i]);
  return out;
}

// "jp Other", "jr nz,Other", "ld [Other],a": an address operand written as a bare label name.
std::optional<EncodedInstruction> WithBareLabel(const LabelScope& scope, std::string_view text,
                                                uint32_t offset) {
  const MatchTables& tables = Tables();
  for (const MatchTables::AddressForm& form : tables.addressForms) {
    if (text.size() <= form.before.size() + form.after.size() || !text.starts_with(form.before) ||
        !text.ends_with(form.after)) {
      continue;
    }
    const std::string_view name =
        text.substr(form.before.size(), text.size() - form.before.size() - form.after.size());
    if (!CanBeBareLabel(tables, name)) continue;
    if (const auto address = BareLabelAddress(scope.Tables, name, offset)) {
      OperandValue value;
      value.Value = *address;
      value.Label = true;
      value.Text = name;
      return WithOperandBytes(form.opcode, FitOperand(value, offset + 1, AsmTable[form.opcode].Kind,
                                                      false, scope.Provisional));
    }
  }
  return std::nullopt;
}

EncodedInstruction WithOperand(const LabelScope& scope, std::string_view text, uint32_t offset,
                               uint8_t opcode) {
  return WithOperandBytes(opcode, EncodeOperand(scope, text, offset + 1, AsmTable[opcode].Kind));
}

// The text without its comment and without the blanks and tabs that end it.
std::string_view CodeOf(std::string_view text) {
  if (const size_t comment = text.find("//"); comment != std::string_view::npos) {
    text = text.substr(0, comment);
  }
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// A value that makes up the whole of `item` (a number or "@" and a name, after an optional
// sign), or nullopt when the item is something else.
std::optional<OperandValue> WholeValue(const LabelScope& scope, std::string_view item) {
  const std::string_view body =
      item.starts_with('-') || item.starts_with('+') ? item.substr(1) : item;
  if (body.empty() || std::string_view("@$%0123456789").find(body[0]) == std::string_view::npos) {
    return std::nullopt;
  }
  OperandValue value = ReadOperandValue(scope, item, 0);
  if (value.Begin != 0 || value.End != item.size()) return std::nullopt;
  return value;
}

// "db 1,$20,@Name" or "dw $1234,-1": every value in order, each read on its own, with no bank
// test; a byte, or a word stored low byte first.
EncodedInstruction DataLine(const LabelScope& scope, std::string_view values, bool words) {
  EncodedInstruction out;
  size_t from = 0;
  while (true) {
    const size_t comma = std::min(values.find(',', from), values.size());
    const std::string_view item = Trimmed(values.substr(from, comma - from));
    const auto value = WholeValue(scope, item);
    if (!value) throw ErrorFailure(BadValueText(item));
    const OperandBytes bytes = FitOperand(*value, 0, words ? kAsmWord : kAsmByte, false);
    for (uint8_t i = 0; i < bytes.Count; ++i) out.Bytes.push_back(bytes.Bytes[i]);
    if (comma == values.size()) return out;
    from = comma + 1;
  }
}

// "rst $08" and "bit 3,[hl]" with the number in any form: the table names each vector and bit
// number in one form only. Nullopt when the text is none of these.
std::optional<EncodedInstruction> WithNumberedForm(const LabelScope& scope, std::string_view text) {
  if (text.starts_with("rst ")) {
    const auto value = WholeValue(scope, text.substr(4));
    if (!value) return std::nullopt;
    if (value->Value < 0 || value->Value > 0x38 || value->Value % 8 != 0) {
      throw ErrorFailure("Value " + value->Text +
                         " is not a vector of rst ($00, $08, $10, $18, $20, $28, $30 or $38).");
    }
    return EncodedInstruction{{static_cast<uint8_t>(0xC7 + value->Value)}};
  }
  if (text.starts_with("bit ") || text.starts_with("res ") || text.starts_with("set ")) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string first =
        std::string(text.substr(0, 4)) + "0" + std::string(text.substr(comma));
    const auto entry = Tables().exact.find(first);
    if (entry == Tables().exact.end()) return std::nullopt;
    const auto value = WholeValue(scope, text.substr(4, comma - 4));
    if (!value) return std::nullopt;
    if (value->Value < 0 || value->Value > 7) {
      throw ErrorFailure(WideValueText(value->Text, "a bit number", "0 to 7"));
    }
    return EncodedInstruction{{0xCB, static_cast<uint8_t>(entry->second[1] + 8 * value->Value)}};
  }
  return std::nullopt;
}

}  // namespace

EncodedInstruction EncodeInstruction(const LabelScope& scope, std::string_view text,
                                     uint32_t offset) {
  text = CodeOf(text);
  if (text.starts_with("db")) return DataLine(scope, text.substr(2), false);
  if (text.starts_with("dw")) return DataLine(scope, text.substr(2), true);

  const MatchTables& tables = Tables();
  if (auto it = tables.exact.find(text); it != tables.exact.end()) return {it->second};
  if (auto code = WithNumberedForm(scope, text)) return *code;

  // The byte form is tried first, so the number of digits written never chooses the form:
  // "jp $12" is a word, and "ld a,$1234" a byte, refused as too wide.
  for (int width : {2, 4}) {
    const std::string form = MakeOperandTemplate(text, width);
    if (auto it = tables.firstBase.find(form); it != tables.firstBase.end()) {
      return WithOperand(scope, text, offset, it->second);
    }
  }
  const std::string form = MakeOperandTemplate(text, 3);
  if (auto it = tables.firstSigned.find(form); it != tables.firstSigned.end()) {
    return WithOperand(scope, text, offset, it->second);
  }
  // Tried last, so that no label, whatever its name, changes what a text meant without it.
  if (const auto code = WithBareLabel(scope, text, offset)) return *code;
  throw ErrorFailure("Assembling failed, syntax error: unsupported instruction \"" +
                     std::string(text) + "\".");
}

void CheckInsideRom(const Rom& rom, int64_t offset, size_t length) {
  if (offset + static_cast<int64_t>(length) <= rom.RomSize) return;
  const int64_t first = std::max<int64_t>(offset, rom.RomSize);
  throw ErrorFailure("Address " + OffsetToBankAddress(static_cast<uint32_t>(first)) +
                     " is past the end of the ROM.");
}

size_t AssembleInstruction(Rom& rom, const LabelTables& labels, std::string_view text,
                           uint32_t offset) {
  const EncodedInstruction code = EncodeInstruction(labels, text, offset);
  CheckInsideRom(rom, offset, code.Bytes.size());
  for (size_t i = 0; i < code.Bytes.size(); ++i) {
    rom.SetByte(static_cast<int64_t>(offset) + static_cast<int64_t>(i), code.Bytes[i]);
  }
  return code.Bytes.size();
}
