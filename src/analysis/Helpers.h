#pragma once
// Routines that the trace recognises by their code, so that a call to one can be followed
// further: a `jp hl` stub, a bank-switching routine that writes a register to the bank register
// and then jumps through hl (or reads the bank and address from the bytes after its call), and a
// routine that jumps through a table of words (at hl, or right after its call).

#include <cstdint>

#include "analysis/Values.h"

struct Helper {
  enum Kind : uint8_t {
    None,
    JpHl,      // jumps to hl
    FarCall,   // selects the bank Bank and jumps to Address
    HlTable,   // jumps to an entry of the table of words at hl (indexed by a)
    RetTable,  // jumps to an entry of the table of words after its call
    BankSet,   // writes Bank to the bank register and returns
  };
  Kind kind = None;
  Val bank;      // Entry(r): the caller's register r; Inline(k): the byte k after the call
  Word address;  // EntryPair: the caller's pair; InlineWord(k): the word k after the call
  uint8_t inlineSize = 0;  // bytes after the call that the routine reads and steps over
};

// What the routine at `offset` of the image does, looking at up to a few dozen instructions of
// it (following its unconditional jumps within bank 0 and its own bank).
// A routine it calls that sets the bank and returns counts as a bank write (`depth` limits
// how deep that looks).
Helper AnalyseHelper(const uint8_t* image, uint32_t size, uint32_t offset, int depth = 0);

// Whether the bytes before the `jp hl` at `pos` are `ld a,[hli]; ld h,[hl]; ld l,a` (or
// `ld e,[hl]; inc hl; ld d,[hl]; ld h,d; ld l,e`): the jump reads the word that hl points at.
bool JumpsThroughWordAtHl(const uint8_t* image, uint32_t pos, uint32_t start);
