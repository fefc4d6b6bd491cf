// The whole-ROM listing that velmora-cli prints: StreamListing, which walks the ROM labels with a
// cursor, against the straightforward loop of one label lookup and one decoded line per
// instruction (BuildListing's way), on an 8 MiB ROM with 50,000 labels, in the same run.
#include <benchmark/benchmark.h>

#include <random>

#include "BenchRom.h"
#include "isa/Listing.h"
#include "model/BankAddress.h"

namespace {

constexpr uint32_t kRomBytes = kBigRomBytes;

LabelledRom& TheWorld() {
  static LabelledRom world(99, 50000);
  return world;
}

void BM_StreamListing(benchmark::State& state) {
  LabelledRom& w = TheWorld();
  for (auto _ : state) benchmark::DoNotOptimize(StreamedListingBytes(w.rom, w.labels));
}
BENCHMARK(BM_StreamListing)->Unit(benchmark::kMillisecond);

void BM_LineByLineListing(benchmark::State& state) {
  LabelledRom& w = TheWorld();
  for (auto _ : state) {
    size_t bytes = 0;
    for (uint32_t pos = 0; pos < kRomBytes;) {
      const int32_t label = w.labels.LastRomLabelAt(static_cast<int32_t>(pos));
      if (label != LabelTables::kNone) bytes += w.labels.RomLabels()[label].Name.size() + 3;
      const DecodedInstruction inst = DecodeInstruction(w.rom, pos, ValueFormat::Hex, w.labels);
      const std::string line =
          OffsetToBankAddress(pos) + RawBytesText(w.rom, pos, inst.Length) + " " + inst.Text;
      bytes += line.size() + 1;
      pos += inst.Length;
    }
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_LineByLineListing)->Unit(benchmark::kMillisecond);

}  // namespace
