#pragma once
// The operand inside one line of assembler text: where its value stands, what the value is
// (a number or a label), and the bytes it becomes after the opcode.
//
// Values are read by their prefix alone: "$" hexadecimal, "%" binary, "@" label, plain decimal.
// A failure is thrown as Failure (ErrorFailure, WarningFailure); nothing is written then.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

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

// ""<value>" is not valid value. Please use ...": the message for a value that does not read.
std::string BadValueText(std::string_view valueText);

// "Label <name> is not defined."
std::string UnknownLabelText(std::string_view name);

// The CPU address of a RAM label, else of a ROM label, with that exact name. Throws ErrorFailure
// when neither table has it, and WarningFailure when the ROM label lies in a switchable bank
// other than the one of `position` (a position in bank 0, or 0 itself, sees every bank).
uint16_t ResolveLabel(const LabelTables& labels, std::string_view name, uint32_t position);

// Where the names written after "@" are looked up.
struct LabelScope {
  LabelScope(const LabelTables& tables) : Tables(tables) {}  // NOLINT: a table set is a scope
  const LabelTables& Tables;
  // The labels of a code block being assembled, by name without "@", tried before the tables;
  // they are plain addresses of the block's own place, so no bank test applies to them.
  const std::unordered_map<std::string, uint16_t>* Block = nullptr;
  // A block's first pass, which only measures: every name reads as 0, and a value read from a
  // name is not checked against its operand (a jump's reach included).
  bool Provisional = false;
};

// A value as written, before it is fitted to its operand.
struct OperandValue {
  int64_t Value = 0;   // with its sign; a label's address
  bool Label = false;  // read from a name after "@" (or a bare name)
  std::string Text;    // as written, sign included: "-$80", "@Far"
  size_t Begin = 0;    // where Text stands in the text read
  size_t End = 0;
};

// The first value written in the text, found as ParseOperandValue finds it, with the sign that
// stands right before it and without cutting it to 16 bits ("$FFFFFFFF" is 4294967295, a binary
// number keeps every digit). Throws as ParseOperandValue does.
OperandValue ReadOperandValue(const LabelScope& scope, std::string_view text, uint32_t position);

// The operand bytes that an AsmTable kind stores at operandOffset: 1 for a byte, a relative jump
// or a signed byte, 2 for a word (low byte first), none for any other kind.
struct OperandBytes {
  uint8_t Bytes[2] = {0, 0};
  uint8_t Count = 0;
};

// The bytes of a value already read, for `kind` at operandOffset. A number must fit its operand:
// a byte takes -128 to 255 (0 to 255 after "$FF00 + " when `highPage`), a word -32768 to 65535,
// a signed byte -128 to 127, and a relative jump's target must lie within -128 to 127 bytes of
// the next instruction. A label is a word: its low byte fills a byte operand unchecked, but its
// reach is checked for a jump. Throws ErrorFailure naming the value and the operand otherwise.
OperandBytes FitOperand(const OperandValue& value, uint32_t operandOffset, uint8_t kind,
                        bool highPage, bool provisional = false);

// "Value $1FF does not fit in a byte (-128 to 255).": the message for a number too wide for a
// byte, `what` being "a byte" or the like and `range` its limits.
std::string WideValueText(std::string_view value, std::string_view what, std::string_view range);

// Reads and fits the operand of the text for `kind` without writing anything. Throws as
// ReadOperandValue and FitOperand do.
OperandBytes EncodeOperand(const LabelScope& scope, std::string_view text, uint32_t operandOffset,
                           uint8_t kind);

// Writes the operand bytes of the text at operandOffset; writes nothing when the value fails.
void StoreOperand(Rom& rom, const LabelTables& labels, std::string_view text,
                  uint32_t operandOffset, uint8_t kind);
