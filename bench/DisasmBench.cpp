// velmora-cli disasm of a whole 8 MiB ROM with 50,000 labels into a file, against the floor:
// one plain write of the same text into the same file, in one run.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "BenchRom.h"
#include "cli/Commands.h"
#include "model/BankAddress.h"
#include "model/FileWrite.h"

namespace {

constexpr uint32_t kRomBytes = 8u << 20;

// The ROM and its symbol file (50,000 labels spread evenly) in a folder of their own, and the
// file the listing goes to.
struct World {
  std::string folder;
  std::string rom;
  std::string sym;
  std::FILE* out = nullptr;
  std::string text;  // the listing, as disasm wrote it once

  World() {
    char name[] = "/tmp/velmora-disasm-XXXXXX";
    folder = mkdtemp(name);
    rom = folder + "/rom.gb";
    sym = folder + "/rom.sym";
    std::mt19937 rng(99);
    Rom image;
    FillRandomRom(image, kRomBytes, rng);
    SaveFileSafely(rom, image.RomImage.data(), kRomBytes);
    std::string labels;
    for (int i = 0; i < 50000; ++i) {
      const uint32_t offset = static_cast<uint32_t>(static_cast<uint64_t>(i) * kRomBytes / 50000);
      labels += OffsetToBankAddress(offset) + " L_" + std::to_string(i) + "\n";
    }
    SaveFileSafely(sym, labels.data(), labels.size());
    out = std::fopen((folder + "/out.txt").c_str(), "w+");
    Disasm(Io(), Options());
    text.resize(static_cast<size_t>(std::ftell(out)));
    std::rewind(out);
    if (std::fread(text.data(), 1, text.size(), out) != text.size()) text.clear();
  }
  ~World() {
    std::fclose(out);
    std::remove((folder + "/out.txt").c_str());
    std::remove(rom.c_str());
    std::remove(sym.c_str());
    rmdir(folder.c_str());
  }
  CliIo Io() const {
    CliIo io;
    io.out = out;
    io.programFolder = folder + "/";
    return io;
  }
  DisasmOptions Options() const {
    DisasmOptions o;
    o.rom = rom;
    o.sym = sym;
    return o;
  }
  // Empties the output file, so that every round writes the same bytes afresh.
  void Truncate() const {
    std::fflush(out);
    std::rewind(out);
    if (ftruncate(fileno(out), 0) != 0) std::perror("ftruncate");
  }
};

World& TheWorld() {
  static World world;
  return world;
}

void BM_CliDisasm(benchmark::State& bench) {
  World& w = TheWorld();
  for (auto _ : bench) {
    bench.PauseTiming();
    w.Truncate();
    bench.ResumeTiming();
    if (Disasm(w.Io(), w.Options()) != 0) bench.SkipWithError("disasm failed");
  }
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(w.text.size()));
}
BENCHMARK(BM_CliDisasm)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainWrite(benchmark::State& bench) {
  World& w = TheWorld();
  for (auto _ : bench) {
    bench.PauseTiming();
    w.Truncate();
    bench.ResumeTiming();
    std::fwrite(w.text.data(), 1, w.text.size(), w.out);
    std::fflush(w.out);
  }
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(w.text.size()));
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
