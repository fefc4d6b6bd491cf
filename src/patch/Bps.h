#pragma once
// BPS patches: "BPS1", the source size, the target size and the metadata size as variable-length
// numbers, the metadata, the actions that build the target from front to back, and then the
// CRC32s of the source, the target and the patch itself (each little-endian 32-bit).
//
// Each action is a number whose low two bits name it and whose rest is its length - 1:
// 0 SourceRead (the source's bytes at the same offset), 1 TargetRead (bytes from the patch),
// 2 SourceCopy and 3 TargetCopy (bytes from a place in the source, or earlier in the target,
// moved by a signed distance that follows the action).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The file that the patch makes of `source`. The patch's own CRC32 is checked first, then
// whether `source` is not the patch's source but its target (an Info Failure "This patch is
// already applied."), then that it was made for this source (refused with "This patch is for another ROM
// (CRC32 1A2B3C4D, this ROM has 5E6F7A8B)."), then every action, then the result's CRC32. Throws an error
// Failure naming the fault and the byte of the patch where it was found; a target over 16 MiB
// is refused before anything is built.
std::vector<uint8_t> ApplyBps(std::span<const uint8_t> source, std::span<const uint8_t> patch);

// A patch that turns `source` into `target`: unchanged stretches as SourceRead, data moved
// within the source as SourceCopy, runs of one byte as TargetCopy, the rest as TargetRead.
// `records`, when given, receives the number of actions written.
std::vector<uint8_t> MakeBps(std::span<const uint8_t> source, std::span<const uint8_t> target,
                             size_t* records = nullptr);

// zlib's CRC32 of a buffer.
uint32_t Crc32(std::span<const uint8_t> bytes);
