#pragma once
// The main window of the window benchmarks: offscreen, with a ROM loaded from a file in a
// folder of its own, as the user has it; and the main thread's CPU time, which a busy machine
// does not inflate the way it does wall time.

#include <time.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/FileWrite.h"
#include "ui/AppState.h"
#include "ui/Main.h"
#include "ui/Resources.h"
#include "ui/TraceRunner.h"

struct BenchWindow {
  QTemporaryDir dir;
  AppState state;
  std::unique_ptr<TMainForm> form;

  explicit BenchWindow(const std::vector<uint8_t>& rom) {
    state.ProgramFolder = Folder() + "/";
    form = std::make_unique<TMainForm>(state);
    form->show();
    const std::string romFile = Folder() + "/game.gb";
    SaveFileSafely(romFile, rom.data(), rom.size());
    form->LoadRomNamed(QString::fromStdString(romFile));
    QApplication::processEvents();
  }
  std::string Folder() const { return dir.path().toStdString(); }
  // Waits until the window is quiet, as it is when the user gives the next command: the events
  // handled and the trace of the ROM as it is now come in from its thread.
  void Settle() {
    QApplication::processEvents();
    const TTraceRunner* trace = form->Tracer();
    if (!QTest::qWaitFor([trace] { return trace->Fresh(); }, 60'000)) {
      throw std::runtime_error("the trace did not come in");
    }
  }
};

// The main of a window benchmark: the windows offscreen (as in the tests) unless a platform is
// asked for, the program's resources loaded, then the benchmarks.
inline int RunWindowBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InitVelmoraResources();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

inline double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
