#include "analysis/Align.h"

#include "isa/Listing.h"

uint32_t AlignForward(const Trace& trace, uint32_t offset) {
  return trace.ClassAt(offset) == ByteClass::Operand ? trace.NextInstructionStart(offset) : offset;
}

uint32_t AlignBack(const Trace& trace, uint32_t offset) {
  return trace.InstructionStartAt(offset);
}

uint32_t InstructionsDown(const Trace& trace, const Rom& rom, uint32_t start, int count) {
  return AlignForward(trace, OffsetAfterInstructions(rom, start, count));
}

uint32_t InstructionsUp(const Trace& trace, const Rom& rom, uint32_t start, int count) {
  // Untraced bytes just before: the listing's own step, which may end in traced code.
  bool nearTraced = false;
  for (uint32_t back = 1; back <= 3u * static_cast<uint32_t>(count) && back <= start; ++back)
    nearTraced = nearTraced || trace.IsTraced(start - back);
  if (!nearTraced) return AlignBack(trace, OffsetBeforeInstructions(rom, start, count));
  uint32_t pos = start;
  for (int i = 0; i < count && pos > 0; ++i) {
    pos = trace.IsTraced(pos - 1) ? trace.InstructionStartAt(pos - 1)
                                  : AlignBack(trace, OffsetBeforeInstructions(rom, pos, 1));
  }
  return pos;
}
