#pragma once
// The benchmarks' ROMs: pseudo-random bytes from a seed, loaded as a whole ROM of that size, and
// the 8 MiB ROM with its labels that most benchmarks share.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "isa/Listing.h"
#include "model/Labels.h"
#include "model/Rom.h"

inline void FillRandomRom(Rom& rom, uint32_t size, std::mt19937& rng) {
  for (uint32_t i = 0; i < size; ++i) rom.RomImage[i] = static_cast<uint8_t>(rng());
  rom.RomSize = size;
  rom.BankCount = size >> 14;
}

// Leaves the processor as a command finds it when the user gives it: idle for a moment (20 ms,
// far less than any user's pause between two commands), its caches swept with twice the largest
// of them (32 MiB here). Without it a core operation timed in a tight loop finds the bytes of its
// last round still in cache and the processor busy, which no command given in the window ever
// does; and a window's command would meet an idle processor that the core's loop never meets.
// On this machine a fill of 6 MiB takes three times as long after the pause as in a busy loop.
// Call it with the timing paused, for the core operation and the window alike.
inline void UserPause() {
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  static std::vector<uint8_t> sweep(64u << 20);
  for (size_t i = 0; i < sweep.size(); i += 64) ++sweep[i];
  benchmark::DoNotOptimize(sweep.data());
  benchmark::ClobberMemory();
}

constexpr uint32_t kBigRomBytes = 8u * 1024u * 1024u;

// An 8 MiB ROM of random bytes with `labelCount` ROM labels, "L_0", "L_1", ...: spread evenly
// over the ROM, or at random places when `scattered` (then named "Rom0", "Rom1", ...).
struct LabelledRom {
  Rom rom;
  LabelTables labels;
  std::mt19937 rng;
  LabelledRom(uint32_t seed, int labelCount, bool scattered = false) : rng(seed) {
    FillRandomRom(rom, kBigRomBytes, rng);
    for (int i = 0; i < labelCount; ++i) {
      if (scattered) {
        labels.AddRomLabel(static_cast<int32_t>(rng() % kBigRomBytes), "Rom" + std::to_string(i));
      } else {
        labels.AddRomLabel(static_cast<int32_t>(int64_t{i} * kBigRomBytes / labelCount),
                           "L_" + std::to_string(i));
      }
    }
  }
};

// One pass of the whole-ROM listing that velmora-cli disasm writes; the bytes it made.
inline size_t StreamedListingBytes(const Rom& rom, const LabelTables& labels) {
  size_t bytes = 0;
  StreamListing(rom, labels, ValueFormat::Hex, 0, rom.RomSize - 1,
                [&](std::string_view chunk) { bytes += chunk.size(); });
  return bytes;
}
