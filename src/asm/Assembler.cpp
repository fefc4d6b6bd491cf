#include "asm/Assembler.h"

#include <string>
#include <unordered_map>

#include "asm/Operand.h"
#include "isa/InstructionTable.h"
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
    }
  }
};

const MatchTables& Tables() {
  static const MatchTables tables;
  return tables;
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
  throw ErrorFailure("Assembling failed, syntax error: unsupported instruction \"" +
                     std::string(text) + "\".");
}

uint8_t AssembleInstruction(Rom& rom, const LabelTables& labels, std::string_view text,
                            uint32_t offset) {
  const EncodedInstruction code = EncodeInstruction(labels, text, offset);
  for (uint8_t i = 0; i < code.Length; ++i) {
    rom.SetByte(static_cast<int64_t>(offset) + i, code.Bytes[i]);
  }
  return code.Length;
}
