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

// The bytes that `text` assembles to at file offset `offset`, without writing anything. Throws
// ErrorFailure "Assembling failed, syntax error: unsupported instruction "<text>"." when no
// AsmTable entry matches, and the failures of ParseOperandValue when the operand does not read.
EncodedInstruction EncodeInstruction(const LabelTables& labels, std::string_view text,
                                     uint32_t offset);

// Encodes `text` and stores its bytes from `offset` on; returns the length. On failure nothing
// at all is stored. Writes outside the image buffer are dropped.
uint8_t AssembleInstruction(Rom& rom, const LabelTables& labels, std::string_view text,
                            uint32_t offset);
