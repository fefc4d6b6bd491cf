#include "model/Header.h"

#include <algorithm>

#include "model/Failure.h"
#include "model/NumberText.h"

namespace {

std::string Hex2(uint8_t value) {
  return "$" + IntToHex(value, 2);
}

// A title byte that would not read as text is shown by its code.
std::string PrintableText(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    if (b >= 0x20 && b < 0x7F) {
      out += c;
    } else {
      out += "\\x" + IntToHex(b, 2);
    }
  }
  return out;
}

std::string CgbFlagText(uint8_t flag) {
  if (flag == 0x80) return "CGB enhanced, also runs on DMG";
  if (flag == 0xC0) return "CGB only";
  return "none (DMG)";
}

std::string RamSizeText(uint8_t code) {
  switch (code) {
    case 0x00:
      return "none";
    case 0x01:
      return "unused code";
    case 0x02:
      return "8 KiB";
    case 0x03:
      return "32 KiB";
    case 0x04:
      return "128 KiB";
    case 0x05:
      return "64 KiB";
    default:
      return "unknown";
  }
}

std::string DestinationText(uint8_t code) {
  if (code == 0x00) return "Japan (and possibly overseas)";
  if (code == 0x01) return "overseas only";
  return "unknown";
}

std::string StoredComputed(const std::string& stored, const std::string& computed) {
  return stored + " stored, " + computed + " computed";
}

void RequireHeader(const Rom& rom) {
  if (rom.RomSize < kHeaderEnd) {
    throw ErrorFailure("The ROM is too short for a header: it has " + ByteCountText(rom.RomSize) +
                       ", the header ends at byte 336 ($150).");
  }
}

}  // namespace

uint8_t ComputeHeaderChecksum(std::span<const uint8_t> rom) {
  uint8_t x = 0;
  for (size_t i = 0x134; i <= 0x14C && i < rom.size(); ++i)
    x = static_cast<uint8_t>(x - rom[i] - 1);
  return x;
}

uint16_t ComputeGlobalChecksum(std::span<const uint8_t> rom) {
  uint32_t sum = 0;
  for (size_t i = 0; i < rom.size(); ++i) sum += rom[i];
  if (rom.size() > 0x14E) sum -= rom[0x14E];
  if (rom.size() > 0x14F) sum -= rom[0x14F];
  return static_cast<uint16_t>(sum);
}

RomHeader ReadHeader(const Rom& rom) {
  RequireHeader(rom);
  const std::span<const uint8_t> bytes = RomBytes(rom);
  RomHeader h{};
  for (uint32_t i = 0x134; i <= 0x143 && bytes[i] != 0; ++i) h.Title += static_cast<char>(bytes[i]);
  h.CgbFlag = bytes[0x143];
  if (h.Title.size() == 16 && (h.CgbFlag == 0x80 || h.CgbFlag == 0xC0)) h.Title.pop_back();
  h.SgbFlag = bytes[0x146];
  h.CartridgeType = bytes[0x147];
  h.RomSizeCode = bytes[0x148];
  h.RamSizeCode = bytes[0x149];
  h.Destination = bytes[0x14A];
  h.Version = bytes[0x14C];
  h.HeaderChecksum = bytes[0x14D];
  h.ComputedHeaderChecksum = ComputeHeaderChecksum(bytes);
  h.GlobalChecksum = static_cast<uint16_t>(bytes[0x14E] << 8 | bytes[0x14F]);
  h.ComputedGlobalChecksum = ComputeGlobalChecksum(bytes);
  h.FileSize = rom.RomSize;
  return h;
}

uint32_t RomSizeOfCode(uint8_t code) {
  if (code <= 0x08) return 0x8000u << code;
  // Three odd sizes of 72, 80 and 96 banks.
  if (code == 0x52) return 72 * kBankSize;
  if (code == 0x53) return 80 * kBankSize;
  if (code == 0x54) return 96 * kBankSize;
  return 0;
}

std::string CartridgeTypeName(uint8_t code) {
  struct Type {
    uint8_t code;
    const char* name;
  };
  static constexpr Type kTypes[] = {
      {0x00, "ROM ONLY"},
      {0x01, "MBC1"},
      {0x02, "MBC1+RAM"},
      {0x03, "MBC1+RAM+BATTERY"},
      {0x05, "MBC2"},
      {0x06, "MBC2+BATTERY"},
      {0x08, "ROM+RAM"},
      {0x09, "ROM+RAM+BATTERY"},
      {0x0B, "MMM01"},
      {0x0C, "MMM01+RAM"},
      {0x0D, "MMM01+RAM+BATTERY"},
      {0x0F, "MBC3+TIMER+BATTERY"},
      {0x10, "MBC3+TIMER+RAM+BATTERY"},
      {0x11, "MBC3"},
      {0x12, "MBC3+RAM"},
      {0x13, "MBC3+RAM+BATTERY"},
      {0x19, "MBC5"},
      {0x1A, "MBC5+RAM"},
      {0x1B, "MBC5+RAM+BATTERY"},
      {0x1C, "MBC5+RUMBLE"},
      {0x1D, "MBC5+RUMBLE+RAM"},
      {0x1E, "MBC5+RUMBLE+RAM+BATTERY"},
      {0x20, "MBC6"},
      {0x22, "MBC7+SENSOR+RUMBLE+RAM+BATTERY"},
      {0xFC, "POCKET CAMERA"},
      {0xFD, "BANDAI TAMA5"},
      {0xFE, "HuC3"},
      {0xFF, "HuC1+RAM+BATTERY"},
  };
  for (const Type& t : kTypes) {
    if (t.code == code) return t.name;
  }
  return "unknown";
}

std::string SizeText(uint32_t bytes) {
  if (bytes != 0 && bytes % (1024 * 1024) == 0) return std::to_string(bytes >> 20) + " MiB";
  if (bytes != 0 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
  return ByteCountText(bytes);
}

std::vector<HeaderField> DescribeHeader(const RomHeader& h) {
  const uint32_t meant = RomSizeOfCode(h.RomSizeCode);
  const std::string romSize = Hex2(h.RomSizeCode) + " = " +
                              (meant == 0 ? std::string("unknown") : SizeText(meant)) + ", file " +
                              SizeText(h.FileSize);
  return {
      {"Title", PrintableText(h.Title)},
      {"CGB flag", Hex2(h.CgbFlag) + " " + CgbFlagText(h.CgbFlag)},
      {"SGB flag", Hex2(h.SgbFlag) + (h.SgbFlag == 0x03 ? " SGB functions" : " none")},
      {"Cartridge type", Hex2(h.CartridgeType) + " " + CartridgeTypeName(h.CartridgeType)},
      {"ROM size", romSize, meant != h.FileSize},
      {"RAM size", Hex2(h.RamSizeCode) + " " + RamSizeText(h.RamSizeCode)},
      {"Destination", Hex2(h.Destination) + " " + DestinationText(h.Destination)},
      {"Version", Hex2(h.Version)},
      {"Header checksum", StoredComputed(Hex2(h.HeaderChecksum), Hex2(h.ComputedHeaderChecksum)),
       h.HeaderChecksum != h.ComputedHeaderChecksum},
      {"Global checksum",
       StoredComputed("$" + IntToHex(h.GlobalChecksum, 4),
                      "$" + IntToHex(h.ComputedGlobalChecksum, 4)),
       h.GlobalChecksum != h.ComputedGlobalChecksum},
  };
}

RomChange FixChecksums(const Rom& rom) {
  RequireHeader(rom);
  std::vector<uint8_t> bytes(rom.RomImage.begin(), rom.RomImage.begin() + rom.RomSize);
  bytes[0x14D] = ComputeHeaderChecksum(bytes);
  const uint16_t global = ComputeGlobalChecksum(bytes);
  RomChange change;
  change.NewSize = rom.RomSize;
  change.Runs.push_back(
      {0x14D,
       {bytes[0x14D], static_cast<uint8_t>(global >> 8), static_cast<uint8_t>(global & 0xFF)}});
  return change;
}

bool ChecksumsRight(const Rom& rom) {
  if (rom.RomSize < kHeaderEnd) return false;
  const RomHeader h = ReadHeader(rom);
  return h.HeaderChecksum == h.ComputedHeaderChecksum && h.GlobalChecksum == h.ComputedGlobalChecksum;
}

std::string StoredChecksumsText(const Rom& rom) {
  // The two stored values alone: nothing of the ROM is summed to print them.
  RequireHeader(rom);
  return "header " + Hex2(rom.Byte(0x14D)) + ", global $" +
         IntToHex(static_cast<uint32_t>(rom.Byte(0x14E)) << 8 | rom.Byte(0x14F), 4);
}

std::vector<uint32_t> ExtenderSizes(uint32_t romSize) {
  std::vector<uint32_t> sizes;
  for (uint32_t size = 0x10000; size <= 0x800000; size *= 2) {
    if (size > romSize) sizes.push_back(size);
  }
  return sizes;
}

bool ExtensionSetsChecksums(const RomChange& extension) {
  return std::any_of(extension.Runs.begin(), extension.Runs.end(),
                     [](const ByteRun& run) { return run.Offset == 0x14D; });
}

RomChange ExtendRom(const Rom& rom, uint32_t newSize) {
  const std::vector<uint32_t> sizes = ExtenderSizes(rom.RomSize);
  if (sizes.empty()) {
    throw ErrorFailure("The ROM is already " + SizeText(rom.RomSize) +
                       "; there is no bigger standard size than 8 MiB.");
  }
  if (std::find(sizes.begin(), sizes.end(), newSize) == sizes.end()) {
    throw ErrorFailure("A ROM of " + SizeText(rom.RomSize) + " can grow to " +
                       SizeText(sizes.front()) + " up to 8 MiB, not to " + SizeText(newSize) + ".");
  }
  RomChange change;
  change.NewSize = newSize;
  change.Runs.push_back({rom.RomSize, {0xFF}, newSize - rom.RomSize});
  uint8_t code = 0;
  while ((0x8000u << code) < newSize) ++code;
  change.Runs.push_back({0x148, {code}});
  // The ROM is summed once: for whether its checksums are right, and for the new global one.
  const std::span<const uint8_t> bytes = RomBytes(rom);
  const uint16_t sum = rom.RomSize < kHeaderEnd ? 0 : ComputeGlobalChecksum(bytes);
  if (rom.RomSize >= kHeaderEnd && ComputeHeaderChecksum(bytes) == bytes[0x14D] &&
      sum == (bytes[0x14E] << 8 | bytes[0x14F])) {
    // The new size code changes the header checksum; the global one gains the new $FF bytes
    // and the two header bytes' differences, so nothing of the grown ROM needs to be summed.
    std::vector<uint8_t> header(bytes.begin(), bytes.begin() + kHeaderEnd);
    header[0x148] = code;
    header[0x14D] = ComputeHeaderChecksum(header);
    const uint32_t global = sum + 0xFFu * (newSize - rom.RomSize) + header[0x148] -
                            bytes[0x148] + header[0x14D] - bytes[0x14D];
    change.Runs.push_back({0x14D,
                           {header[0x14D], static_cast<uint8_t>(global >> 8 & 0xFF),
                            static_cast<uint8_t>(global & 0xFF)}});
  }
  return change;
}
