#pragma once
// What a run of the game teaches the user's marks: the bytes it executed become code blocks, in
// one undo step. A byte inside any block the user marked keeps that mark.

#include <cstdint>
#include <optional>

#include "model/CodeDataLog.h"
#include "model/Marks.h"
#include "model/SymbolEdit.h"

struct ExecutedMarks {
  uint32_t Bytes = 0;  // executed bytes in no block
  std::optional<SymbolStep> Step;  // marks them as code; nullopt when there are none
};

// The step that marks as code each run of executed bytes outside every marked block.
ExecutedMarks MarkExecutedStep(const RomMarks& marks, const CodeDataLog& log, uint32_t romSize);
