#pragma once
// One undoable change to the ROM: the bytes it changed, as they were before and after, and
// RomSize before and after. A step keeps only the bytes whose values changed, gathered in runs,
// so a block of ten thousand lines costs what it changed, never a copy of the 16 MiB image.

#include <cstdint>
#include <functional>
#include <vector>

#include "model/Rom.h"

// Length changed bytes from Offset on. A long run whose bytes before (or after) the change all
// hold one value keeps that value as its one byte in OldBytes (NewBytes): a ROM grown by 6 MiB
// of $FF over zeros costs two bytes.
struct EditRun {
  uint32_t Offset = 0;
  uint32_t Length : 30 = 0;
  uint32_t OldFill : 1 = 0;
  uint32_t NewFill : 1 = 0;
  bool operator==(const EditRun&) const = default;
};

struct EditStep {
  std::vector<EditRun> Runs;      // ascending; two runs never overlap nor touch
  std::vector<uint8_t> OldBytes;  // the runs' bytes before the change, run after run
  std::vector<uint8_t> NewBytes;  // and after it
  uint32_t OldSize = 0;           // RomSize before and after
  uint32_t NewSize = 0;

  bool Empty() const { return Runs.empty() && OldSize == NewSize; }
  // The lowest offset the step changed: its first run, else the end of the shorter image.
  uint32_t FirstOffset() const;
};

// Runs a command that writes the image through Rom::SetByte or ApplyRomChange (and may set RomSize
// and BankCount) and returns what it changed; bytes written back to their old value are not part of
// the step. When the command throws, every byte it wrote, RomSize and BankCount are put back and
// the exception leaves unchanged: a failed command changes nothing. A recording inside another one
// hands its writes on to the outer one as well.
EditStep RecordEdit(Rom& rom, const std::function<void()>& command);

// Puts the step's new bytes in place (redo) or its old ones (undo). Where the step changed the
// size, RomSize and BankCount (its whole banks) follow.
void ApplyEdit(Rom& rom, const EditStep& step);
void RevertEdit(Rom& rom, const EditStep& step);
