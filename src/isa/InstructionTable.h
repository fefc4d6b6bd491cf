#pragma once
// The GameBoy CPU's instruction set as text templates: 256 base opcodes, then the 256 opcodes
// that follow the prefix byte CB.
//
// DisasmTable marks the operand with "?" and codes its kind as bit flags; AsmTable marks it with
// "##" (byte), "###" (signed byte) or "####" (word, or the target of a relative jump) and codes
// the kind as a byte. "-" marks a byte that is no instruction.

#include <array>
#include <cstdint>
#include <string_view>

struct InstructionEntry {
  std::string_view Template;
  uint8_t Kind;
};

using InstructionTable = std::array<InstructionEntry, 512>;

// DisasmTable kinds (bit flags).
constexpr uint8_t kOperandNone = 0;
constexpr uint8_t kOperandByte = 1;
constexpr uint8_t kOperandWord = 2;
constexpr uint8_t kOperandRelative = 4;
constexpr uint8_t kOperandSigned = 8;
constexpr uint8_t kOperandStop = 16;

// AsmTable kinds (whole values; 255, 253, 252 are -1, -3, -4 as signed bytes).
constexpr uint8_t kAsmNone = 0;
constexpr uint8_t kAsmByte = 1;
constexpr uint8_t kAsmWord = 2;
constexpr uint8_t kAsmRelative = 255;
constexpr uint8_t kAsmStop = 253;
constexpr uint8_t kAsmSigned = 252;

constexpr size_t kCbBase = 256;

extern const InstructionTable DisasmTable;
extern const InstructionTable AsmTable;
