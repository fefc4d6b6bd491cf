#pragma once
// The refusals that the patch readers share.

#include <cstddef>
#include <string>

#include "model/Failure.h"

// "The IPS patch is damaged at byte 1234: <fault>."
[[noreturn]] inline void ThrowPatchDamaged(const char* format, size_t byte,
                                           const std::string& fault) {
  throw ErrorFailure(std::string("The ") + format + " patch is damaged at byte " +
                     std::to_string(byte) + ": " + fault + ".");
}

// A patched ROM must fit the program's 16 MiB image.
[[noreturn]] inline void ThrowPatchTooLarge(const char* format, size_t byte, uint64_t size) {
  throw ErrorFailure(std::string("The ") + format + " patch would grow the ROM past 16 MiB (to " +
                     std::to_string(size) + " bytes, at byte " + std::to_string(byte) + ").");
}
