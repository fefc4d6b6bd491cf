// The headless run: a second of play (60 frames) of a busy game with the code/data log on and
// off; the counter `x_real_time` is how many seconds of play a second of this machine's time
// runs (the target: 20 with the log, 100 without). And loading the log of an 8 MiB ROM (read,
// CRC32 of the ROM, checked) against reading the same file a byte at a time through a stream
// (the target: under 50 ms).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "BenchRom.h"
#include "run/LogFile.h"
#ifdef VELMORA_HAVE_EMULATOR
#include "run/Emulator.h"
#endif

namespace {

#ifdef VELMORA_HAVE_EMULATOR
// A game that never rests: it copies a 256-byte table from ROM to RAM over and over (a read of
// ROM every five instructions), with the LCD on and its VBlank interrupt taken every frame.
std::vector<uint8_t> BusyGame() {
  std::vector<uint8_t> rom(0x8000, 0);
  const std::pair<uint32_t, std::vector<uint8_t>> code[] = {
      {0x40, {0xD9}},                                     // reti
      {0x100, {0x00, 0xC3, 0x50, 0x01}},                  // jp $0150
      {0x150, {0x3E, 0x01, 0xE0, 0xFF, 0xFB,              // IE = VBlank, ei
               0x21, 0x00, 0x02, 0x11, 0x00, 0xC0, 0x06, 0x00,  // hl, de, b = 0
               0x2A, 0x12, 0x13, 0x05, 0x20, 0xFA,        // copy 256 bytes
               0x18, 0xF0}},                              // and again
  };
  for (const auto& [at, bytes] : code) std::copy(bytes.begin(), bytes.end(), rom.begin() + at);
  std::mt19937 rng(5);
  for (uint32_t i = 0x200; i < 0x300; ++i) rom[i] = static_cast<uint8_t>(rng());
  return rom;
}

void RunSecond(benchmark::State& state, bool log) {
  const std::vector<uint8_t> rom = BusyGame();
  Emulator emulator;
  emulator.SetLogging(log);
  emulator.Load(rom.data(), static_cast<uint32_t>(rom.size()));
  for (auto _ : state) {
    for (int frame = 0; frame < 60; ++frame) emulator.RunFrame();
  }
  benchmark::DoNotOptimize(emulator.Log().Flags.data());
  state.counters["x_real_time"] =
      benchmark::Counter(60.0 / kFramesPerSecond, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RunWithLog(benchmark::State& state) { RunSecond(state, true); }
void BM_RunWithoutLog(benchmark::State& state) { RunSecond(state, false); }
BENCHMARK(BM_RunWithLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunWithoutLog)->Unit(benchmark::kMillisecond);
#endif

// An 8 MiB ROM with its log beside it, in the temporary folder.
struct LoggedRom {
  Rom rom;
  std::string logName;
  LoggedRom() {
    std::mt19937 rng(8);
    FillRandomRom(rom, kBigRomBytes, rng);
    rom.RomFileName = (std::filesystem::temp_directory_path() / "velmora-runbench.gb").string();
    logName = LogFileName(rom.RomFileName);
    CodeDataLog log;
    log.Flags.resize(kBigRomBytes);
    for (uint8_t& f : log.Flags) f = static_cast<uint8_t>(rng() & kLogFileFlags);
    std::ofstream(logName, std::ios::binary)
        << WriteMesenLog(log, RomCrc32(rom.RomImage.data(), rom.RomSize));
  }
  ~LoggedRom() { std::filesystem::remove(logName); }
};

LoggedRom& TheRom() {
  static LoggedRom rom;
  return rom;
}

void BM_LoadLog8MiB(benchmark::State& state) {
  const Rom& rom = TheRom().rom;
  for (auto _ : state) {
    state.PauseTiming();
    UserPause();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ReadRomLog(rom).Flags.data());
  }
}
BENCHMARK(BM_LoadLog8MiB)->Unit(benchmark::kMillisecond);

// The straightforward way: the file a byte at a time from a stream, no check.
void BM_LoadLog8MiBByStream(benchmark::State& state) {
  const std::string& name = TheRom().logName;
  for (auto _ : state) {
    state.PauseTiming();
    UserPause();
    state.ResumeTiming();
    std::ifstream in(name, std::ios::binary);
    in.ignore(9);
    CodeDataLog log;
    for (int c; (c = in.get()) != EOF;) log.Flags.push_back(static_cast<uint8_t>(c));
    benchmark::DoNotOptimize(log.Flags.data());
  }
}
BENCHMARK(BM_LoadLog8MiBByStream)->Unit(benchmark::kMillisecond);

}  // namespace
