#pragma once
// The cartridge header at 0x100-0x14F: its fields as the boot ROM and the cartridge hardware read
// them, the two checksums, and growing a ROM to a bigger standard size.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Rom.h"
#include "model/RomChange.h"

// The header ends before 0x150; a shorter file has none.
constexpr uint32_t kHeaderEnd = 0x150;

struct RomHeader {
  std::string Title;       // 0x134-0x143 up to the first zero, without a CGB flag in its last place
  uint8_t CgbFlag;         // 0x143
  uint8_t SgbFlag;         // 0x146
  uint8_t CartridgeType;   // 0x147
  uint8_t RomSizeCode;     // 0x148
  uint8_t RamSizeCode;     // 0x149
  uint8_t Destination;     // 0x14A
  uint8_t Version;         // 0x14C
  uint8_t HeaderChecksum;  // 0x14D as stored
  uint8_t ComputedHeaderChecksum;
  uint16_t GlobalChecksum;  // 0x14E-0x14F as stored, big-endian
  uint16_t ComputedGlobalChecksum;
  uint32_t FileSize;
};

// The header of the loaded ROM. Throws an error Failure for a ROM shorter than 0x150 bytes.
RomHeader ReadHeader(const Rom& rom);

// What the boot ROM checks: starting from 0, x = x - byte - 1 over 0x134-0x14C.
uint8_t ComputeHeaderChecksum(std::span<const uint8_t> rom);
// The 16-bit sum of every byte of the file but the two at 0x14E-0x14F.
uint16_t ComputeGlobalChecksum(std::span<const uint8_t> rom);

// The ROM size that a header code stands for, or 0 for an unknown code.
uint32_t RomSizeOfCode(uint8_t code);
// The name of a cartridge type ("MBC5+RAM+BATTERY"), "unknown" for a code not in use.
std::string CartridgeTypeName(uint8_t code);
// "32 KiB", "1 MiB", "1152 KiB", "40000 bytes".
std::string SizeText(uint32_t bytes);

// One line of the header as shown to the user; Wrong marks a checksum that does not match, or
// a ROM size code that does not match the file's size.
struct HeaderField {
  std::string Name;
  std::string Value;
  bool Wrong = false;
};
std::vector<HeaderField> DescribeHeader(const RomHeader& header);

// The header checksum at 0x14D and then the global checksum at 0x14E-0x14F (which counts the new
// header checksum), as one run of three bytes. Throws like ReadHeader.
RomChange FixChecksums(const Rom& rom);

// Whether both stored checksums match the bytes; false for a ROM without a whole header.
bool ChecksumsRight(const Rom& rom);
// The checksums as stored: "header $3B, global $A1C2". Throws like ReadHeader.
std::string StoredChecksumsText(const Rom& rom);

// The standard sizes above the ROM's own, from 64 KiB up to 8 MiB, each double the last.
std::vector<uint32_t> ExtenderSizes(uint32_t romSize);
// The ROM grown to one of ExtenderSizes: the new bytes are 0xFF and the ROM size code at 0x148
// says the new size. When both checksums were right, the change sets them for the grown ROM
// too, so that it still passes the boot check; wrong ones are left as they are. Throws an error
// Failure for any other size.
RomChange ExtendRom(const Rom& rom, uint32_t newSize);
// Whether an extension from ExtendRom sets the checksums (they were right before it).
bool ExtensionSetsChecksums(const RomChange& extension);
