#pragma once
// Turns the bytes at a file offset into one instruction's text and length, with operand values
// in the chosen format and label names in place of known addresses.

#include <cstdint>
#include <string>

#include "model/Labels.h"
#include "model/Rom.h"

enum class ValueFormat : uint8_t { Dec = 0, Hex = 1, Bin = 2 };

struct DecodedInstruction {
  std::string Text;
  uint8_t Length;  // 1 to 3
};

// "62", "$3E", "%111110" for a byte; "$0150" (four digits) for a word.
std::string FormatByte(uint8_t value, ValueFormat format);
std::string FormatWord(uint16_t value, ValueFormat format);

// The label to show for a 16-bit operand of the instruction at `offset`, or empty text:
// "@Name" for a RAM label or a ROM label seen from bank 0 (or in bank 0), the bare name for a
// label in the instruction's own switchable bank.
std::string LabelForValue(uint16_t value, uint32_t offset, const LabelTables& labels);

// The same answer by scanning the tables in order; the reference that tests and benchmarks
// compare the indexed lookup with.
std::string LabelForValueByScan(uint16_t value, uint32_t offset, const LabelTables& labels);

// Reads the byte at the offset and the one or two after it (bytes past RomSize as they stand in
// the buffer). Never fails.
DecodedInstruction DecodeInstruction(const Rom& rom, uint32_t offset, ValueFormat format,
                                     const LabelTables& labels);

// The same into a caller's string (which keeps its capacity between calls); returns the length.
uint8_t DecodeInstructionInto(std::string& text, const Rom& rom, uint32_t offset,
                              ValueFormat format, const LabelTables& labels);

// The length of the instruction whose first byte is b0 (1 to 3), without decoding its text.
uint8_t InstructionLength(uint8_t b0);
