#pragma once
// What the user's pointer tables tell the trace: every entry refers to the place it points to,
// and the entries of a table whose targets look like routines are where code starts. A table of
// routines (a state machine's handlers, a menu's actions) and a table of data (strings, maps)
// look alike; what tells them apart is what the bytes at their targets decode to.

#include <cstdint>
#include <vector>

#include "analysis/References.h"
#include "model/Marks.h"

struct CodeEntry {
  uint32_t Target = 0;  // where code starts
  uint32_t Table = 0;   // the table that says so
};

struct TableTargets {
  // One per entry, from the entry's first byte: Pointer references to the ROM (or to an unknown
  // bank, or to RAM).
  std::vector<Reference> Refs;
  // The ROM targets that start code.
  std::vector<CodeEntry> Entries;
};

// The targets of every Pointers block of `marks`. A table's targets start code when more than
// half of its ROM targets decode as a routine (PlausibleRoutine), else they are data only.
TableTargets PointerTableTargets(const std::vector<uint8_t>& image, const RomMarks& marks);

// Whether the bytes from `offset` decode, straight on, as a routine: no undefined opcode and no
// byte of a block marked other than code before a ret, reti, jp, jr or jp hl, within 1 KiB and
// the offset's bank.
bool PlausibleRoutine(const std::vector<uint8_t>& image, const RomMarks& marks, uint32_t offset);
