#pragma once
// File offsets and the BB:AAAA bank-address texts of the GameBoy's two ROM windows:
// bank 0 at 0000-3FFF, one switchable bank at a time at 4000-7FFF.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The CPU address at which the byte at a file offset is seen.
inline uint16_t CpuAddress(uint32_t offset) {
  return offset < 0x4000 ? static_cast<uint16_t>(offset)
                         : static_cast<uint16_t>((offset & 0x3FFF) + 0x4000);
}

inline uint32_t BankOf(uint32_t offset) {
  return offset >> 14;
}

// 3 when the text starts with three hexadecimal digits and ":" (banks from 100 up, in ROMs of
// 4 MiB and more), else 2.
size_t BankDigitsOf(std::string_view text);

// "00:0150", "7D:4ABC", "100:4000". Never fails.
std::string OffsetToBankAddress(uint32_t offset);

// The file offset of a bank-address text; the bank must not exceed bankCount and the address
// must lie in the ROM area (below 8000). Two bank digits and any separator, or three bank
// digits and ":". Throws ConversionError for fields that are not hexadecimal, and an error
// Failure for a bank beyond the ROM or a RAM address.
uint32_t BankAddressToOffset(std::string_view text, uint32_t bankCount);
