#pragma once
// ROM images for the core tests: a loaded size and bytes put at offsets.

#include <initializer_list>
#include <memory>

#include "model/Rom.h"

// On the heap: the image holds 16 MiB.
inline std::unique_ptr<Rom> MakeRom(uint32_t size) {
  auto rom = std::make_unique<Rom>();
  rom->RomSize = size;
  rom->BankCount = size >> 14;
  return rom;
}

inline void Put(Rom& rom, uint32_t offset, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) rom.RomImage[offset++] = b;
}
