// The code editor's OK on blocks of 7,500 and 10,000 lines against the core's AssembleBlock on the
// same lines, in one run: the window's share (reading the editor's text, the progress it shows,
// the undo step, closing and the events that leaves) must stay small next to the assembling.
// BM_MainCodeEditorOk goes the user's way, from the main window's command: its time is the main
// thread's CPU time from the click on OK until the window is closed, the step is on the undo
// stack and the listing is shown again; compare it with the core's CPU column.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "BenchWindow.h"
#include "asm/BlockAssembler.h"
#include "model/BankAddress.h"
#include "ui/AppState.h"
#include "ui/CodeEditor.h"
#include "ui/Resources.h"

namespace {

// Twelve-line groups of typical code: a label, a loop, a forward call, high-page, stack and data
// lines, a comment.
std::vector<std::string> MakeBlock(size_t lineCount) {
  std::vector<std::string> lines = {"org 01:4000"};
  size_t k = 0;
  for (; lines.size() + 12 <= lineCount; ++k) {
    const std::string here = "@L" + std::to_string(k);
    const std::string next = "@L" + std::to_string(k + 1);
    lines.insert(lines.end(), {here + ":", "ld a,$10", "dec a// count down", "jr nz," + here,
                               "call " + next, "ld [$FF00 + $44],a", "ld hl,sp + $05",
                               "add sp,-$08", "dw " + here, "// the next group", "jp " + here});
  }
  lines.push_back("@L" + std::to_string(k));
  while (lines.size() < lineCount) lines.push_back("nop");
  return lines;
}

std::unique_ptr<AppState> BenchState() {
  auto state = std::make_unique<AppState>();
  state->rom.BankCount = 8;
  state->rom.RomSize = 8 * kBankSize;
  return state;
}

void BM_CoreAssembleBlock(benchmark::State& bench) {
  auto state = BenchState();
  const std::vector<std::string> block = MakeBlock(static_cast<size_t>(bench.range(0)));
  for (auto _ : bench) {
    benchmark::DoNotOptimize(AssembleBlock(state->rom, state->labels, block, [](size_t) {}));
  }
  bench.SetItemsProcessed(bench.iterations() * static_cast<int64_t>(block.size()));
}
BENCHMARK(BM_CoreAssembleBlock)->Arg(7500)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CodeEditorOk(benchmark::State& bench) {
  auto state = BenchState();
  const std::vector<std::string> block = MakeBlock(static_cast<size_t>(bench.range(0)));
  QString text;
  for (const std::string& line : block) text += QString::fromLatin1(line.c_str()) + '\n';
  for (auto _ : bench) {
    bench.PauseTiming();
    auto form = std::make_unique<TCodeEditorForm>(*state, 0x4000);
    form->findChild<QPlainTextEdit*>("Editor")->setPlainText(text);
    form->show();
    QApplication::processEvents();
    QPushButton* ok = form->findChild<QPushButton*>("OKButton");
    bench.ResumeTiming();
    ok->click();
    QApplication::processEvents();
    bench.PauseTiming();
    if (form->result() != QDialog::Accepted) bench.SkipWithError("the block did not assemble");
    form.reset();
    bench.ResumeTiming();
  }
  bench.SetItemsProcessed(bench.iterations() * static_cast<int64_t>(block.size()));
}
BENCHMARK(BM_CodeEditorOk)->Arg(7500)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MainCodeEditorOk(benchmark::State& bench) {
  // Eight banks, as BenchState has them.
  BenchWindow w(std::vector<uint8_t>(8 * kBankSize, 0));
  const std::vector<std::string> block = MakeBlock(static_cast<size_t>(bench.range(0)));
  QString text;
  for (const std::string& line : block) text += QString::fromLatin1(line.c_str()) + '\n';
  for (auto _ : bench) {
    double clicked = 0;
    QTimer::singleShot(0, [&] {
      auto* form = qobject_cast<TCodeEditorForm*>(QApplication::activeModalWidget());
      if (!form) return;
      form->findChild<QPlainTextEdit*>("Editor")->setPlainText(text);
      QApplication::processEvents();
      clicked = ThreadCpuSeconds();
      form->findChild<QPushButton*>("OKButton")->click();
    });
    w.form->findChild<QAction*>("CodeEditor1")->trigger();
    QApplication::processEvents();
    bench.SetIterationTime(ThreadCpuSeconds() - clicked);
    if (clicked == 0 || !w.form->findChild<QAction*>("Undo1")->isEnabled()) {
      bench.SkipWithError("the block was not assembled");
    }
    w.form->findChild<QAction*>("Undo1")->trigger();
    w.form->ClearUndo();
    QApplication::processEvents();
  }
  bench.SetItemsProcessed(bench.iterations() * static_cast<int64_t>(block.size()));
}
BENCHMARK(BM_MainCodeEditorOk)
    ->Arg(7500)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  return RunWindowBenchmarks(argc, argv);
}
