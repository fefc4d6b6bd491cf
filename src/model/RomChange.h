#pragma once
// A change to the loaded ROM worked out before anything is written: the new size and the runs
// of bytes to store. The commands that rewrite much of a ROM (checksums, extender, patches)
// produce one, so that the caller can keep the old bytes of exactly those runs for undo, and so
// that a refused command has changed nothing.

#include <cstdint>
#include <span>
#include <vector>

#include "model/Rom.h"

struct ByteRun {
  uint32_t Offset;
  std::vector<uint8_t> Bytes;
  // When not 0, the run is this many copies of its one byte, Bytes[0]: a ROM grown by megabytes
  // of $FF holds them nowhere but in the image.
  uint32_t Repeat = 0;
  size_t Length() const { return Repeat != 0 ? Repeat : Bytes.size(); }
};

struct RomChange {
  uint32_t NewSize = 0;
  std::vector<ByteRun> Runs;  // stored in this order; every run ends within NewSize
};

// The first RomSize bytes of the image.
inline std::span<const uint8_t> RomBytes(const Rom& rom) {
  return {rom.RomImage.data(), rom.RomSize};
}

// The runs where `target` differs from the ROM, with NewSize = target's size (at most
// kRomCapacity). Bytes past RomSize count as differing whatever the buffer holds there. Each run
// begins and ends with a differing byte; fewer than 256 equal bytes between two differences do not
// split a run, so that a patch that changes every tenth byte is not a run per byte.
RomChange DiffRom(const Rom& rom, std::span<const uint8_t> target);

// Stores the runs (through the ROM's journal, when RecordEdit runs) and sets RomSize and
// BankCount to the new size. A shrink clears the bytes past the new end, as a load of a shorter
// ROM does, so that the bytes past the end are zeros whatever the change (an undo step puts them
// back). Bytes written past the old end are journalled as the zeros they were, without being read.
void ApplyRomChange(Rom& rom, const RomChange& change);
