#pragma once
// ROM images for the core tests: a loaded size and bytes put at offsets; the text of a Failure.

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "model/Failure.h"
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

// The text of the Failure that f throws, or "no failure".
inline std::string FailureText(const std::function<void()>& f) {
  try {
    f();
  } catch (const Failure& e) {
    return e.text;
  }
  return "no failure";
}
