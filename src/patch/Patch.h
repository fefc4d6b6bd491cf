#pragma once
// IPS and BPS patches as the commands use them: the format chosen by a file name, a patch made
// between two ROMs, a patch file read and applied to the loaded ROM as one change.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Edit.h"
#include "model/Rom.h"
#include "model/RomChange.h"

enum class PatchFormat { Ips, Bps };

// ".ips" or ".bps" at the end of the name, in any case. Throws an error Failure for any other.
PatchFormat PatchFormatOfName(const std::string& fileName);

// A patch in the given format that turns `source` into `target`; `records`, when given,
// receives the number of its records (IPS) or actions (BPS).
std::vector<uint8_t> MakePatch(PatchFormat format, std::span<const uint8_t> source,
                               std::span<const uint8_t> target, size_t* records = nullptr);

// What a written patch holds: "Patch written: 17 records, 1,204 bytes".
std::string PatchWrittenText(size_t records, size_t bytes);
// What applying a patch did, from the step it made: "Patch applied: 1,204 bytes changed in 17
// places" (the bytes within the old size whose values changed, and the stretches they form),
// with how the size changed, or that it changed nothing.
std::string PatchAppliedText(const EditStep& step);

// The file that an IPS or a BPS patch (told apart by its first bytes) makes of `source`.
// Throws the refusals of ApplyIps and ApplyBps, and an error Failure for a file that is neither.
std::vector<uint8_t> ApplyPatch(std::span<const uint8_t> source, std::span<const uint8_t> patch);

// The whole content of a patch file (regular files only, at most 64 MiB). Throws FileError or
// an error Failure.
std::vector<uint8_t> ReadPatchFile(const std::string& fileName);

// Applies a patch to the loaded ROM: the file it makes of the ROM's bytes is written over them
// whole (RomSize and BankCount follow). Under RecordEdit the step keeps only the bytes that
// differ, found once. Throws like ApplyPatch, before anything is written.
void ApplyPatchToRom(Rom& rom, std::span<const uint8_t> patch);
