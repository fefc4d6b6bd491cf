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
  // Whole texts: base entry i is tried before CB entry i, so "rlc a" and "rrc a" give their
  // one-byte base opcodes.
  std::unordered_map<std::string_view, EncodedInstruction> exact;
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
        exact.emplace(AsmTable[i].Template, EncodedInstruction{{op, 0, 0}, 1});
      }
      exact.emplace(AsmTable[kCbBase + i].Template, EncodedInstruction{{0xCB, op, 0}, 2});
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

// "jp Other", "jr nz,Other", "ld [Other],a": an address operand written as a bare label name.
std::optional<EncodedInstruction> WithBareLabel(const LabelTables& labels, std::string_view text,
                                                uint32_t offset) {
  const MatchTables& tables = Tables();
  for (const MatchTables::AddressForm& form : tables.addressForms) {
    if (text.size() <= form.before.size() + form.after.size() || !text.starts_with(form.before) ||
        !text.ends_with(form.after)) {
      continue;
    }
    const std::string_view name = text.substr(
        form.before.size(), text.size() - form.before.size() - form.after.size());
    if (!CanBeBareLabel(tables, name)) continue;
    if (const auto value = BareLabelAddress(labels, name, offset)) {
      const OperandBytes operand =
          OperandBytesOf(*value, false, offset + 1, AsmTable[form.opcode].Kind);
      return EncodedInstruction{{form.opcode, operand.Bytes[0], operand.Bytes[1]},
                                static_cast<uint8_t>(1 + operand.Count)};
    }
  }
  return std::nullopt;
}

EncodedInstruction WithOperand(const LabelTables& labels, std::string_view text, uint32_t offset,
                               uint8_t opcode) {
  const OperandBytes operand = EncodeOperand(labels, text, offset + 1, AsmTable[opcode].Kind);
  EncodedInstruction out{{opcode, operand.Bytes[0], operand.Bytes[1]}, 0};
  out.Length = static_cast<uint8_t>(1 + operand.Count);
  return out;
}

}  // namespace

EncodedInstruction EncodeInstruction(const LabelTables& labels, std::string_view text,
                                     uint32_t offset) {
  // Data lines read only their first value, with no bank test.
  if (text.size() >= 2 && text[0] == 'd' && text[1] == 'b') {
    return {{static_cast<uint8_t>(ParseOperandValue(labels, text, 0)), 0, 0}, 1};
  }
  if (text.size() >= 2 && text[0] == 'd' && text[1] == 'w') {
    const uint16_t value = ParseOperandValue(labels, text, 0);
    return {{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), 0}, 2};
  }

  const MatchTables& tables = Tables();
  if (auto it = tables.exact.find(text); it != tables.exact.end()) return it->second;

  // The byte form is tried first, so the number of digits written never chooses the form:
  // "jp $12" is a word, "ld a,$1234" a byte.
  for (int width : {2, 4}) {
    const std::string form = MakeOperandTemplate(text, width);
    if (auto it = tables.firstBase.find(form); it != tables.firstBase.end()) {
      return WithOperand(labels, text, offset, it->second);
    }
  }
  const std::string form = MakeOperandTemplate(text, 3);
  if (auto it = tables.firstSigned.find(form); it != tables.firstSigned.end()) {
    return WithOperand(labels, text, offset, it->second);
  }
  // Tried last, so that no label, whatever its name, changes what a text meant without it.
  if (const auto code = WithBareLabel(labels, text, offset)) return *code;
  throw ErrorFailure("Assembling failed, syntax error: unsupported instruction \"" +
                     std::string(text) + "\".");
}

void CheckInsideRom(const Rom& rom, int64_t offset, uint8_t length) {
  if (offset + length <= rom.RomSize) return;
  const int64_t first = std::max<int64_t>(offset, rom.RomSize);
  throw ErrorFailure("Address " + OffsetToBankAddress(static_cast<uint32_t>(first)) +
                     " is past the end of the ROM.");
}

uint8_t AssembleInstruction(Rom& rom, const LabelTables& labels, std::string_view text,
                            uint32_t offset) {
  const EncodedInstruction code = EncodeInstruction(labels, text, offset);
  CheckInsideRom(rom, offset, code.Length);
  for (uint8_t i = 0; i < code.Length; ++i) {
    rom.SetByte(static_cast<int64_t>(offset) + i, code.Bytes[i]);
  }
  return code.Length;
}
