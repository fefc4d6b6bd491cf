#pragma once
// The benchmarks' ROMs: pseudo-random bytes from a seed, loaded as a whole ROM of that size.

#include <cstdint>
#include <random>

#include "model/Rom.h"

inline void FillRandomRom(Rom& rom, uint32_t size, std::mt19937& rng) {
  for (uint32_t i = 0; i < size; ++i) rom.RomImage[i] = static_cast<uint8_t>(rng());
  rom.RomSize = size;
  rom.BankCount = size >> 14;
}
