#pragma once
// Shared by the fuzz targets: how a broken property stops the run, one ROM image that all inputs
// of a run reuse (a Rom holds a 16 MiB buffer, far too big to build per input), the labels of a
// small game, and the decode-then-assemble round trip.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/Labels.h"
#include "model/Rom.h"

// A property that does not hold is a finding: libFuzzer keeps the input and stops.
#define FUZZ_CHECK(cond)                                                                  \
  do {                                                                                    \
    if (!(cond)) {                                                                        \
      std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The first `count` bytes as a little-endian number (missing bytes count as 0), consumed.
uint32_t TakeNumber(std::string_view& input, size_t count);

// The run's ROM image with `bytes` at `at`, RomSize at + bytes.size() and the given bank count.
// Whatever the previous input put or wrote into the first `cleared` bytes is zeroed first.
Rom& ReusedRom(std::string_view bytes, uint32_t at, uint32_t bankCount, size_t cleared);

// RAM variables, labels in bank 0 (also at its first and last bytes) and in banks 1 to 3, each
// name used once, so that every label the decoder shows reads back to its own value.
const LabelTables& GameLabels();

// Decodes the instruction at `offset` in each value format and assembles the text at the same
// offset. The bytes must come back, except for "-" (no instruction), which the program shows
// but does not read. Returns the decoded length.
uint8_t CheckRoundTrip(const Rom& rom, uint32_t offset, const LabelTables& labels);
