#pragma once
// Where an instruction leads: the file offset that Search > Follow shows for the instruction at
// an offset.

#include <cstdint>
#include <optional>

#include "model/Labels.h"
#include "model/Rom.h"

// The target of jp, jr, call and rst, and of any other instruction whose word operand lies in
// the ROM area (below 8000), as a file offset; nothing for every other instruction. 0000-3FFF is
// bank 0. 4000-7FFF is the instruction's own bank when the instruction is banked; from bank 0 it
// is the bank of the label the listing shows for that operand, else bank 1.
std::optional<uint32_t> FollowTarget(const Rom& rom, const LabelTables& labels, uint32_t offset);
