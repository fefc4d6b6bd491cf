#include "run/LogMarks.h"

#include <algorithm>

ExecutedMarks MarkExecutedStep(const RomMarks& marks, const CodeDataLog& log, uint32_t romSize) {
  ExecutedMarks result;
  RomMarks after = marks;
  const uint32_t size = std::min<uint32_t>(romSize, static_cast<uint32_t>(log.Flags.size()));
  uint32_t from = size, to = 0;
  for (uint32_t at = 0; at < size;) {
    if (!(log.Flags[at] & kLogCode) || marks.BlockAt(at)) {
      ++at;
      continue;
    }
    // A run of executed bytes up to the next byte not executed, or the next block.
    const MarkBlock* next = marks.BlockFrom(at);
    const uint32_t limit = next ? std::min(next->Offset, size) : size;
    uint32_t end = at;
    while (end < limit && (log.Flags[end] & kLogCode)) ++end;
    after.Mark(at, end - at, MarkKind::Code);
    result.Bytes += end - at;
    from = std::min(from, at);
    to = std::max(to, end);
    at = end;
  }
  if (result.Bytes == 0) return result;
  MarkStep step;
  step.OldBlocks = marks.BlocksIn(from, to);
  // The step puts back whole blocks: its range holds every block it touches.
  if (!step.OldBlocks.empty()) {
    from = std::min(from, step.OldBlocks.front().Offset);
    to = std::max(to, step.OldBlocks.back().End());
  }
  step.From = from;
  step.To = to;
  step.NewBlocks = after.BlocksIn(from, to);
  step.Kind = MarkKind::Code;
  step.Offset = from;
  step.Length = to - from;
  result.Step = step;
  return result;
}
