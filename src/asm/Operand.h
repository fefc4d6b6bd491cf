#pragma once
// The operand inside one line of assembler text: where its value stands, what the value is
// (a number or a label), and the bytes it becomes after the opcode.
//
// Values are read by their prefix alone: "$" hexadecimal, "%" binary, "@" label, plain decimal.
// A failure is thrown as Failure (ErrorFailure, WarningFailure); nothing is written then.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Labels.h"
#include "model/Rom.h"

// Characters that can belong to a written number.
constexpr std::string_view ValueChars = "$%0123456789ABCDEFabcdef";
// Characters that end a label name written after "@".
constexpr std::string_view LabelEndChars = " ,]";

inline bool IsValueChar(char c) {
  return ValueChars.find(c) != std::string_view::npos;
}
inline bool IsLabelEndChar(char c) {
  return LabelEndChars.find(c) != std::string_view::npos;
}

// The index of the first LabelEndChars character at or after `from`, or the text's size.
size_t LabelNameEnd(std::string_view text, size_t from);

// The text with its operand value (sign, prefix and digits, or "@" and the label name) replaced
// by `width` "#" characters, so that it can be compared with the AsmTable templates. The text
// comes back unchanged when it holds no value. Never fails.
std::string MakeOperandTemplate(std::string_view text, int width);

// The low 16 bits of the value written in the text: a label after "@" (resolved for an operand
// at file offset `position`, 0 for no bank test), else the first number found. A sign is not
// part of the value. Throws ErrorFailure with the value message when the number does not read.
uint16_t ParseOperandValue(const LabelTables& labels, std::string_view text, uint32_t position);

// "Label <name> is not defined."
std::string UnknownLabelText(std::string_view name);

// The CPU address of a RAM label, else of a ROM label, with that exact name. Throws ErrorFailure
// when neither table has it, and WarningFailure when the ROM label lies in a switchable bank
// other than the one of `position` (a position in bank 0, or 0 itself, sees every bank).
uint16_t ResolveLabel(const LabelTables& labels, std::string_view name, uint32_t position);

// The operand bytes that an AsmTable kind stores at operandOffset: 1 for a byte, a relative jump
// or a signed byte, 2 for a word (low byte first), none for any other kind.
struct OperandBytes {
  uint8_t Bytes[2] = {0, 0};
  uint8_t Count = 0;
};

// The bytes of a value already read, for `kind` at operandOffset; `negative` tells a signed
// byte written with "-".
OperandBytes OperandBytesOf(uint16_t value, bool negative, uint32_t operandOffset, uint8_t kind);

// Reads the operand of the text for `kind` without writing anything. Throws as
// ParseOperandValue does.
OperandBytes EncodeOperand(const LabelTables& labels, std::string_view text, uint32_t operandOffset,
                           uint8_t kind);

// Writes the operand bytes of the text at operandOffset; writes nothing when the value fails.
void StoreOperand(Rom& rom, const LabelTables& labels, std::string_view text,
                  uint32_t operandOffset, uint8_t kind);
