// The RGBDS source export of an 8 MiB ROM with 50,000 labels, against one pass of the listing
// that velmora-cli disasm prints (StreamListing), in the same run. The export is timed for the
// two ends of what it meets: every byte marked code (instructions, operand names and a
// generated name for each jump target) and no code at all (db and ds lines); and as velmora-cli
// runs it, after tracing the ROM; and with 200 image blocks of 16 KiB (PNG pictures and
// INCBIN lines) against the same bytes as plain data (BM_ExportNoCode).
#include <benchmark/benchmark.h>

#include <random>

#include "BenchRom.h"
#include "export/SourceExport.h"
#include "isa/Listing.h"

namespace {

constexpr uint32_t kRomBytes = kBigRomBytes;

struct World : LabelledRom {
  RomMarks allCode, none, images;
  RomComments comments;
  ExportCode code;
  World() : LabelledRom(99, 50000) {
    allCode.Mark(0, kRomBytes, MarkKind::Code);
    // One block of 16 KiB in every other 40 KiB, 16 or 32 tiles a row, some 1 bit a pixel.
    for (uint32_t i = 0; i < 200; ++i) {
      images.Mark(i * 0xA000, 0x4000, MarkKind::Image,
                  {static_cast<uint16_t>(i % 2 ? 256 : 128), static_cast<uint8_t>(i % 5 ? 2 : 1), ""});
    }
  }
};

World& TheWorld() {
  static World world;
  return world;
}

void Export(benchmark::State& state, const RomMarks& marks) {
  World& w = TheWorld();
  for (auto _ : state) {
    const ExportedSource source =
        ExportSource({w.rom, w.labels, marks, w.comments, w.code, "bench.gb"});
    size_t bytes = 0;
    for (const ExportFile& f : source.Files) bytes += f.Text.size();
    state.counters["MiB written"] = static_cast<double>(bytes) / (1 << 20);
    benchmark::DoNotOptimize(bytes);
  }
}

void BM_ExportAllCode(benchmark::State& state) {
  Export(state, TheWorld().allCode);
}
BENCHMARK(BM_ExportAllCode)->Unit(benchmark::kMillisecond);

void BM_ExportNoCode(benchmark::State& state) {
  Export(state, TheWorld().none);
}
BENCHMARK(BM_ExportNoCode)->Unit(benchmark::kMillisecond);

void BM_ExportImages(benchmark::State& state) {
  Export(state, TheWorld().images);
}
BENCHMARK(BM_ExportImages)->Unit(benchmark::kMillisecond);

// What velmora-cli export does: the trace from the entry points and the 50,000 labels, then the
// export of what it found.
void BM_TraceAndExport(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) {
    const ExportCode code = ExportCodeOf(TraceRom(w.rom, w.labels, w.none));
    const ExportedSource source =
        ExportSource({w.rom, w.labels, w.none, w.comments, code, "bench.gb"});
    state.counters["code %"] = 100.0 * source.Summary.InstructionBytes / kRomBytes;
    benchmark::DoNotOptimize(source.Files.size());
  }
}
BENCHMARK(BM_TraceAndExport)->Unit(benchmark::kMillisecond);

void BM_DisasmPass(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) benchmark::DoNotOptimize(StreamedListingBytes(w.rom, w.labels));
}
BENCHMARK(BM_DisasmPass)->Unit(benchmark::kMillisecond);

}  // namespace
