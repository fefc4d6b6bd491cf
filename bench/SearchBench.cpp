// The searches against their straightforward versions and against plain memchr/memmem over the
// same buffer, in one run so that the ratios hold on whatever machine runs them.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "search/ByteSearch.h"
#include "search/FindAll.h"
#include "search/InstructionSearch.h"

namespace {

constexpr uint32_t kInstructionRomSize = 8u * 1024 * 1024;
// The random bytes leave out one value so that a memchr for it reads the whole buffer.
constexpr uint8_t kAbsentByte = 0xFD;
constexpr int32_t kSomeLabelOffset = 0x2345;

struct InstructionData {
  std::unique_ptr<Rom> rom = std::make_unique<Rom>();
  LabelTables labels;
  InstructionData() {
    std::mt19937 rng(1);
    rom->RomSize = kInstructionRomSize;
    rom->BankCount = kInstructionRomSize >> 14;
    for (uint32_t i = 0; i < kInstructionRomSize; ++i) {
      uint8_t b;
      do {
        b = static_cast<uint8_t>(rng());
      } while (b == kAbsentByte);
      rom->RomImage[i] = b;
    }
    for (int i = 0; i < 20000; ++i) {
      labels.AddRomLabel(static_cast<int32_t>(rng() % kInstructionRomSize),
                         "L" + std::to_string(i));
    }
    // A routine called from a few places.
    labels.AddRomLabel(kSomeLabelOffset, "SomeLabel");
    for (uint32_t at : {0x1000u, 0x91234u, 0x300000u, 0x512345u, 0x7FFF00u}) {
      rom->RomImage[at] = 0xCD;
      rom->RomImage[at + 1] = kSomeLabelOffset & 0xFF;
      rom->RomImage[at + 2] = kSomeLabelOffset >> 8;
    }
  }
};

const InstructionData& Data() {
  static const InstructionData data;
  return data;
}

const char* const kTexts[] = {"ld a,$3E", "call @SomeLabel", "nop", "jr nz,$4120",
                              // No operand word holds the absent byte: every 0x21 is looked at.
                              "ld hl,$FDFD"};

// Every match from offset 0 on, each search starting one byte after the last match.
template <int32_t (*Search)(const Rom&, const LabelTables&, int32_t, std::string_view)>
void EveryMatch(benchmark::State& state) {
  const InstructionData& d = Data();
  const std::string text = kTexts[state.range(0)];
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (int32_t at = Search(*d.rom, d.labels, 0, text); at >= 0;
         at = Search(*d.rom, d.labels, at + 1, text)) {
      ++matches;
    }
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = static_cast<double>(matches);
  state.SetLabel(text);
}

void BM_SearchInstruction(benchmark::State& state) {
  EveryMatch<SearchInstruction>(state);
}
void BM_SearchInstructionByDecoding(benchmark::State& state) {
  EveryMatch<SearchInstructionByDecoding>(state);
}
BENCHMARK(BM_SearchInstruction)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchInstructionByDecoding)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Find All over the same 8 MiB and 20,000 labels: one search plan for the whole pass, against
// the loop above (a new search per match, as Search > Again walks them) and against one plain
// search that crosses the whole ROM without a match (text 4).
void BM_FindAllInstructions(benchmark::State& state) {
  const InstructionData& d = Data();
  const std::string text = kTexts[state.range(0)];
  size_t matches = 0;
  for (auto _ : state) {
    const FindAllResult found = FindAllInstructions(*d.rom, d.labels, text);
    matches = found.Offsets.size();
    benchmark::DoNotOptimize(found.Offsets.data());
  }
  state.counters["matches"] = static_cast<double>(matches);
  state.SetLabel(text);
}
BENCHMARK(BM_FindAllInstructions)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void BM_SearchInstructionOnePass(benchmark::State& state) {
  const InstructionData& d = Data();
  for (auto _ : state) benchmark::DoNotOptimize(SearchInstruction(*d.rom, d.labels, 0, kTexts[4]));
  state.SetLabel(kTexts[4]);
}
BENCHMARK(BM_SearchInstructionOnePass)->Unit(benchmark::kMicrosecond);

// memchr for one byte value over the same buffer, stopping at every occurrence as the searches
// stop at every candidate opcode (one byte in 256 on this data).
void BM_MemchrEveryHit(benchmark::State& state) {
  const InstructionData& d = Data();
  const uint8_t* begin = d.rom->RomImage.data();
  const uint8_t* end = begin + d.rom->RomSize;
  int64_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const uint8_t* p = begin;; ++p) {
      p = static_cast<const uint8_t*>(std::memchr(p, 0x3E, static_cast<size_t>(end - p)));
      if (p == nullptr) break;
      ++hits;
    }
    benchmark::DoNotOptimize(hits);
  }
  state.counters["matches"] = static_cast<double>(hits);
}
BENCHMARK(BM_MemchrEveryHit)->Unit(benchmark::kMicrosecond);

// One memchr pass over the whole buffer for a byte that does not occur.
void BM_MemchrOnePass(benchmark::State& state) {
  const InstructionData& d = Data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::memchr(d.rom->RomImage.data(), kAbsentByte, d.rom->RomSize));
  }
}
BENCHMARK(BM_MemchrOnePass)->Unit(benchmark::kMicrosecond);

struct ByteData {
  std::unique_ptr<Rom> rom = std::make_unique<Rom>();
  uint8_t pattern[4] = {0x12, 0x9A, 0x3C, 0xE7};
  ByteData() {
    std::mt19937 rng(2);
    rom->RomSize = kRomCapacity;
    for (uint32_t i = 0; i < kRomCapacity; ++i) rom->RomImage[i] = static_cast<uint8_t>(rng());
    // Make sure the pattern is absent: break every chance occurrence.
    while (void* at = memmem(rom->RomImage.data(), rom->RomSize, pattern, 4)) {
      static_cast<uint8_t*>(at)[1] ^= 1;
    }
  }
};

const ByteData& Bytes() {
  static const ByteData data;
  return data;
}

void BM_SearchBytesAbsent(benchmark::State& state) {
  const ByteData& d = Bytes();
  for (auto _ : state) benchmark::DoNotOptimize(SearchBytes(*d.rom, 0, "$12 9A 3C E7"));
}
BENCHMARK(BM_SearchBytesAbsent)->Unit(benchmark::kMicrosecond);

void BM_MemmemAbsent(benchmark::State& state) {
  const ByteData& d = Bytes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(d.rom->RomImage.data(), d.rom->RomSize, d.pattern, 4));
  }
}
BENCHMARK(BM_MemmemAbsent)->Unit(benchmark::kMicrosecond);

}  // namespace
