#pragma once
// How the GameBoy's instructions, numbers and names are written for rgbasm (RGBDS), so that the
// assembler gives back exactly the bytes they came from.

#include <cstdint>
#include <string>
#include <string_view>

// What follows the opcode, as rgbasm writes it.
enum class RgbdsOperand : uint8_t {
  None,
  Byte,      // n8: "$3E"
  Word,      // n16 or an address: "$0150", or a name
  Relative,  // jr: the target's CPU address, "$0150" or a name
  Signed,    // add sp,e8: "$05" or "-$05"
  SpOffset,  // ld hl,sp+e8: "+$05" or "-$05" right after "sp"
  HighPage,  // ldh [n],a / ldh a,[n]: the address $FF00 + n, "$FF44" or a name
};

// How control leaves through an instruction's operand.
enum class RgbdsFlow : uint8_t { None, Call, Jump, Branch };

struct RgbdsForm {
  // The instruction with "?" where the operand goes. Empty where no rgbasm instruction gives
  // these bytes (undefined opcodes; stop, which rgbasm writes as two bytes): such bytes are db.
  std::string_view Text;
  RgbdsOperand Operand = RgbdsOperand::None;
  RgbdsFlow Flow = RgbdsFlow::None;
  uint8_t Length = 1;  // 1 to 3
};

// The form of the instruction whose first byte is b0 (and whose second is b1 after 0xCB).
const RgbdsForm& RgbdsFormOf(uint8_t b0, uint8_t b1);

// "$3E"; "$0150" (four digits); appended without allocating.
void AppendHexByte(std::string& out, uint8_t value);
void AppendHexWord(std::string& out, uint16_t value);

// True for a name rgbasm reserves: its keywords (directives, mnemonics, registers, conditions,
// functions: any letter case) and its built-in symbols (_NARG, __LINE__ and the like).
bool IsRgbdsKeyword(std::string_view name);
bool IsRgbdsBuiltin(std::string_view name);

// A character that may stand in a symbol name after its first one.
inline bool IsRgbdsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '#' || c == '$' || c == '@';
}
