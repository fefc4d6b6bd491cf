#pragma once
// Searching the ROM for the offset whose decoded instruction reads exactly like a given text.

#include <cstdint>
#include <string_view>
#include <vector>

#include "isa/Decoder.h"
#include "model/Labels.h"
#include "model/Rom.h"

// The format a search text is decoded in: Hex if it holds a "$" (the "$" of its first
// "$FF00 + " does not count, that one is part of the high-page templates), else Bin if it
// holds a "%", else Dec.
ValueFormat SearchFormatFor(std::string_view text);

// The first offset from start to RomSize - 1 whose instruction, decoded in
// SearchFormatFor(text) with the label names the listing shows, equals text; or -1. Every byte
// offset counts, also those inside another instruction; the last offsets decode with the
// bytes that stand in the buffer after RomSize. A negative start counts as 0.
//
// Only offsets holding an opcode whose template can produce the text (and, where the text
// pins it, the right operand) are decoded, so the result is that of
// SearchInstructionByDecoding at a small part of the cost.
int32_t SearchInstruction(const Rom& rom, const LabelTables& labels, int32_t start,
                          std::string_view text);

// Every offset from 0 on that SearchInstruction finds for the text, in order, until `limit` of
// them are found: one plan for the whole pass.
std::vector<int32_t> SearchInstructionAll(const Rom& rom, const LabelTables& labels,
                                          std::string_view text, size_t limit);

// The same answer by decoding every offset and comparing; the reference that tests and
// benchmarks hold SearchInstruction to.
int32_t SearchInstructionByDecoding(const Rom& rom, const LabelTables& labels, int32_t start,
                                    std::string_view text);
