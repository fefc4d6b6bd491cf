#pragma once
// IPS and BPS patches as the commands use them: the format chosen by a file name, a patch made
// between two ROMs, a patch file read and applied to the loaded ROM as one change.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Rom.h"
#include "model/RomChange.h"

enum class PatchFormat { Ips, Bps };

// ".ips" or ".bps" at the end of the name, in any case. Throws an error Failure for any other.
PatchFormat PatchFormatOfName(const std::string& fileName);

// A patch in the given format that turns `source` into `target`.
std::vector<uint8_t> MakePatch(PatchFormat format, std::span<const uint8_t> source,
                               std::span<const uint8_t> target);

// The file that an IPS or a BPS patch (told apart by its first bytes) makes of `source`.
// Throws the refusals of ApplyIps and ApplyBps, and an error Failure for a file that is neither.
std::vector<uint8_t> ApplyPatch(std::span<const uint8_t> source, std::span<const uint8_t> patch);

// The whole content of a patch file (regular files only, at most 64 MiB). Throws FileError or
// an error Failure.
std::vector<uint8_t> ReadPatchFile(const std::string& fileName);

// The loaded ROM's change under a patch; the ROM itself is not touched.
RomChange PatchRom(const Rom& rom, std::span<const uint8_t> patch);
