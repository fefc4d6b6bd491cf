#pragma once
// The listing's scroll steps with the trace: inside traced code they land on instruction starts,
// never on an operand byte; outside it they are the byte and instruction steps of a listing
// decoded from any byte.

#include <cstdint>

#include "analysis/Trace.h"
#include "model/Rom.h"

// An operand byte moves on to the next instruction start; any other offset stays.
uint32_t AlignForward(const Trace& trace, uint32_t offset);
// An operand byte moves back to the start of its instruction; any other offset stays.
uint32_t AlignBack(const Trace& trace, uint32_t offset);

// The start `count` instructions further down (decoded, as the listing shows them).
uint32_t InstructionsDown(const Trace& trace, const Rom& rom, uint32_t start, int count);
// The start `count` instructions further up: traced instructions one by one where the bytes
// before are traced, else the nearest offset from which `count` decoded instructions end at
// `start` (OffsetBeforeInstructions). Never below 0.
uint32_t InstructionsUp(const Trace& trace, const Rom& rom, uint32_t start, int count);
