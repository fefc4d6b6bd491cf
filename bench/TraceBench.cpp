// Tracing an 8 MiB ROM from 50,000 labels against one linear decode of the same ROM (each
// instruction's text, as velmora-cli disasm writes it), in the same run.
#include <benchmark/benchmark.h>

#include <random>

#include "BenchRom.h"
#include "analysis/Trace.h"
#include "isa/Decoder.h"

namespace {

constexpr uint32_t kRomBytes = kBigRomBytes;

struct World : LabelledRom {
  RomMarks marks;
  World() : LabelledRom(1234, 50000, true) {
    // A few hundred data blocks, as a worked-on ROM has.
    for (int i = 0; i < 500; ++i) marks.Mark(rng() % kRomBytes, 256 + rng() % 4096, MarkKind::Data);
  }
};

World& TheWorld() {
  static World world;
  return world;
}

void BM_TraceRom(benchmark::State& state) {
  World& w = TheWorld();
  size_t code = 0;
  for (auto _ : state) {
    const Trace trace = TraceRom(w.rom, w.labels, w.marks);
    code = trace.Refs.Size();
    benchmark::DoNotOptimize(code);
  }
  state.counters["refs"] = static_cast<double>(code);
}
BENCHMARK(BM_TraceRom)->Unit(benchmark::kMillisecond);

void BM_LinearDecode(benchmark::State& state) {
  World& w = TheWorld();
  std::string text;
  for (auto _ : state) {
    size_t chars = 0;
    for (uint32_t pos = 0; pos < kRomBytes;) {
      pos += DecodeInstructionInto(text, w.rom, pos, ValueFormat::Hex, w.labels);
      chars += text.size();
    }
    benchmark::DoNotOptimize(chars);
  }
}
BENCHMARK(BM_LinearDecode)->Unit(benchmark::kMillisecond);

}  // namespace
