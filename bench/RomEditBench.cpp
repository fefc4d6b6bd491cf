// The two whole-ROM commands through the main window's path, from the dialog's result to the
// status report (the command, its undo step, the listing refilled and marked for drawing), each from a quiet window after the user's
// pause (UserPause: a moment idle, then cold caches), against the core operation alone after the
// same pause, in one run: the Rom Extender from 2 to 8 MiB against ExtendRom, and Apply Patch of
// a BPS patch that changes every tenth byte of an 8 MiB ROM against ApplyBps. The counters give
// the main thread's time for the events the command leaves (drawing the window, the status bar
// laid out anew), and the size of the undo step against the bytes it changed.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <functional>
#include <memory>
#include <random>

#include "BenchRom.h"
#include "BenchWindow.h"
#include "model/Edit.h"
#include "model/FileWrite.h"
#include "model/Header.h"
#include "patch/Bps.h"
#include "patch/Patch.h"
#include "ui/AppState.h"
#include "ui/Main.h"
#include "ui/Resources.h"

namespace {

constexpr uint32_t kSmall = 2u << 20;
constexpr uint32_t kBig = 8u << 20;

// The patch's source and target: random bytes, every tenth byte (at random places) changed.
struct PatchWorld {
  std::vector<uint8_t> source;
  std::vector<uint8_t> patch;
  PatchWorld() {
    std::mt19937 rng(20);
    Rom rom;
    FillRandomRom(rom, kBig, rng);
    source.assign(rom.RomImage.begin(), rom.RomImage.begin() + kBig);
    std::vector<uint8_t> target = source;
    for (uint32_t i = 0; i < kBig / 10; ++i) {
      uint8_t& b = target[rng() % kBig];
      b = static_cast<uint8_t>(b + 1 + rng() % 255);
    }
    patch = MakeBps(source, target);
  }
};

const PatchWorld& Patch() {
  static const PatchWorld world;
  return world;
}

std::vector<uint8_t> SmallRom() {
  std::mt19937 rng(2);
  Rom rom;
  FillRandomRom(rom, kSmall, rng);
  return {rom.RomImage.begin(), rom.RomImage.begin() + kSmall};
}

// The step's bytes (runs and both copies of the changed bytes) per changed byte.
void CountStep(benchmark::State& bench, Rom& rom, const std::function<void()>& command) {
  const EditStep step = RecordEdit(rom, command);
  RevertEdit(rom, step);
  size_t changed = 0;
  for (const EditRun& run : step.Runs) changed += run.Length;
  const double held = static_cast<double>(step.Runs.capacity() * sizeof(EditRun) +
                                          step.OldBytes.capacity() + step.NewBytes.capacity());
  bench.counters["changed_MiB"] = static_cast<double>(changed) / (1 << 20);
  bench.counters["step_per_byte"] = held / static_cast<double>(changed);
}

// The core operations once in a tight loop (/0, on bytes the last round left in cache) and once
// after the user's pause (/1), as the window's commands run: the ratios are taken against /1. The
// extender works on the ROM of a window (not through it), so that it meets the same memory.
void BM_CoreExtendRom(benchmark::State& bench) {
  BenchWindow w(SmallRom());
  Rom& rom = w.state.rom;
  w.Settle();
  for (auto _ : bench) {
    ApplyRomChange(rom, ExtendRom(rom, kBig));
    bench.PauseTiming();
    std::fill(rom.RomImage.begin() + kSmall, rom.RomImage.end(), 0);
    rom.RomSize = kSmall;
    rom.BankCount = kSmall / kBankSize;
    if (bench.range(0) != 0) UserPause();
    bench.ResumeTiming();
  }
}
BENCHMARK(BM_CoreExtendRom)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Handles the events a command left, with the timing paused; their CPU time goes to `events`.
void HandleEvents(benchmark::State& bench, double& events) {
  bench.PauseTiming();
  const double start = ThreadCpuSeconds();
  QApplication::processEvents();
  events += ThreadCpuSeconds() - start;
}

void CountEvents(benchmark::State& bench, double events) {
  bench.counters["events_ms"] = events * 1e3 / static_cast<double>(bench.iterations());
}

// The whole command as the menu runs it: from the dialog's OK (ExtendRom, which the dialog calls)
// to the status report with the checksums.
void BM_WindowRomExtender(benchmark::State& bench) {
  BenchWindow w(SmallRom());
  Rom& rom = w.state.rom;
  const auto command = [&] { ApplyRomChange(rom, ExtendRom(rom, kBig)); };
  CountStep(bench, rom, command);
  w.Settle();
  double events = 0;
  for (auto _ : bench) {
    w.form->ExtendRomBy(ExtendRom(rom, kBig));
    HandleEvents(bench, events);
    if (rom.RomSize != kBig) bench.SkipWithError("the ROM was not extended");
    w.form->findChild<QAction*>("Undo1")->trigger();
    w.form->ClearUndo();
    w.Settle();
    UserPause();
    bench.ResumeTiming();
  }
  CountEvents(bench, events);
}
BENCHMARK(BM_WindowRomExtender)->Unit(benchmark::kMillisecond);

void BM_CoreApplyBps(benchmark::State& bench) {
  for (auto _ : bench) {
    benchmark::DoNotOptimize(ApplyBps(Patch().source, Patch().patch));
    if (bench.range(0) == 0) continue;
    bench.PauseTiming();
    UserPause();
    bench.ResumeTiming();
  }
}
BENCHMARK(BM_CoreApplyBps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WindowApplyPatch(benchmark::State& bench) {
  BenchWindow w(Patch().source);
  Rom& rom = w.state.rom;
  const std::string patchFile = w.Folder() + "/hack.bps";
  SaveFileSafely(patchFile, Patch().patch.data(), Patch().patch.size());
  CountStep(bench, rom, [&] { ApplyPatchToRom(rom, ReadPatchFile(patchFile)); });
  w.Settle();
  double events = 0;
  for (auto _ : bench) {
    w.form->ApplyPatchFile(patchFile);
    HandleEvents(bench, events);
    w.form->findChild<QAction*>("Undo1")->trigger();
    w.form->ClearUndo();
    if (!std::equal(Patch().source.begin(), Patch().source.end(), rom.RomImage.begin()))
      bench.SkipWithError("undo did not give the ROM back");
    w.Settle();
    UserPause();
    bench.ResumeTiming();
  }
  CountEvents(bench, events);
}
BENCHMARK(BM_WindowApplyPatch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWindowBenchmarks(argc, argv);
}
