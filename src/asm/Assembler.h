#pragma once
// Encodes one line of GameBoy assembler, written as the listing shows instructions, or one
// "db"/"dw" data line, and stores its bytes in the ROM image.

#include <cstdint>
#include <string_view>

#include "model/Labels.h"
#include "model/Rom.h"

// The bytes of one instruction or data line; Length (1 to 3) bytes of Bytes are meant.
struct EncodedInstruction {
  uint8_t Bytes[3] = {0, 0, 0};
  uint8_t Length = 0;
};

// The bytes that `text` assembles to at file offset `offset`, without writing anything. An
// address operand may be written as the bare name of a ROM label that the listing shows so at
// that offset (a label of the instruction's own switchable bank: "jp Other"); a number, a
// register or a condition is never read as such a name. Throws
// ErrorFailure "Assembling failed, syntax error: unsupported instruction "<text>"." when no
// AsmTable entry matches, and the failures of ParseOperandValue when the operand does not read.
EncodedInstruction EncodeInstruction(const LabelTables& labels, std::string_view text,
                                     uint32_t offset);

// Throws ErrorFailure "Address 40:4000 is past the end of the ROM." when any of the `length`
// bytes from `offset` on would lie at or past RomSize, naming the first such byte.
void CheckInsideRom(const Rom& rom, int64_t offset, uint8_t length);

// Encodes `text` and stores its bytes from `offset` on; returns the length. On failure
// (CheckInsideRom included) nothing at all is stored.
uint8_t AssembleInstruction(Rom& rom, const LabelTables& labels, std::string_view text,
                            uint32_t offset);
