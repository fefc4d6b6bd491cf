#pragma once
// Encodes one line of GameBoy assembler, written as the listing shows instructions, or one
// "db"/"dw" data line, and stores its bytes in the ROM image.

#include <cstdint>
#include <string_view>
#include <vector>

#include "asm/Operand.h"
#include "model/Labels.h"
#include "model/Rom.h"

// The bytes of one instruction (1 to 3) or data line (one or two per value).
struct EncodedInstruction {
  std::vector<uint8_t> Bytes;
};

// The bytes that `text` assembles to at file offset `offset`, without writing anything.
//
// A comment from "//" on, and the blanks and tabs before it or at the end of the line, are not
// part of the text. An address operand may be written as the bare name of a ROM label that the
// listing shows so at that offset (a label of the instruction's own switchable bank: "jp Other");
// a number, a register or a condition is never read as such a name. "rst" takes any of its eight
// vectors and "bit"/"res"/"set" any bit number 0 to 7, in any number form. A "db" or "dw" line
// stores each of its comma-separated values in order, a byte or a little-endian word each.
//
// Throws ErrorFailure "Assembling failed, syntax error: unsupported instruction "<text>"." when
// no AsmTable entry matches; the failures of ReadOperandValue when the operand does not read; and
// the failures of FitOperand when it does not fit (a byte, word, page offset, signed byte or jump
// out of reach), or ErrorFailure "Value $09 is not a vector of rst ($00, $08, ... or $38)." and
// "Value 8 does not fit in a bit number (0 to 7).".
EncodedInstruction EncodeInstruction(const LabelScope& scope, std::string_view text,
                                     uint32_t offset);

// Throws ErrorFailure "Address 40:4000 is past the end of the ROM." when any of the `length`
// bytes from `offset` on would lie at or past RomSize, naming the first such byte.
void CheckInsideRom(const Rom& rom, int64_t offset, size_t length);

// Encodes `text` and stores its bytes from `offset` on; returns the length. On failure
// (CheckInsideRom included) nothing at all is stored.
size_t AssembleInstruction(Rom& rom, const LabelTables& labels, std::string_view text,
                           uint32_t offset);
