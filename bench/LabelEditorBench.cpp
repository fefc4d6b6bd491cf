// The label browser with 50,500 rgblink-style ROM labels (500 routines, 100 local labels each),
// offscreen: opening the window against filling a plain QTreeWidget with the same nodes in the
// same run, the growth of the process while it is open, and the cost of a keystroke in the
// filter box against the core's filter. Run it alone or with --benchmark_filter: the memory rows read /proc/self/status.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "model/LabelTree.h"
#include "ui/LabelEditor.h"

namespace {

constexpr int kRoutines = 500;
constexpr int kLocals = 100;

// "Routine123" followed by its locals "Routine123.local_45", as rgblink lists a routine and
// its local labels.
const LabelTables& Labels() {
  static const LabelTables labels = [] {
    LabelTables t;
    int32_t offset = 0x150;
    for (int r = 0; r < kRoutines; ++r) {
      const std::string routine = "Routine" + std::to_string(r);
      t.AddRomLabel(offset, routine);
      for (int l = 0; l < kLocals; ++l) {
        offset += 160;
        t.AddRomLabel(offset, routine + ".local_" + std::to_string(l));
      }
    }
    return t;
  }();
  return labels;
}

// The process's resident size or its peak, in MiB ("VmRSS" or "VmHWM").
double StatusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string key;
  for (std::string line; std::getline(status, line);) {
    long kib = 0;
    if (line.rfind(field, 0) == 0 &&
        std::sscanf(line.c_str() + std::strlen(field) + 1, "%ld", &kib) == 1) {
      return kib / 1024.0;
    }
  }
  return 0;
}

// Lets the window lay itself out and paint, as it does before the user sees it.
void Settle(QWidget& window) {
  QCoreApplication::processEvents();
  window.repaint();
}

// The same nodes as plain items, the straightforward way.
void AddItems(const LabelTree& tree, int32_t node, QTreeWidget* widget, QTreeWidgetItem* parent) {
  for (int32_t child : tree.Children(node)) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(widget);
    const std::string& text = tree.Text(child);
    item->setText(0, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    AddItems(tree, child, widget, item);
  }
}

void OpenWindow(benchmark::State& state) {
  for (auto _ : state) {
    auto form = std::make_unique<TLabelEditorForm>(Labels(), "game.sym");
    form->show();
    Settle(*form);
    state.PauseTiming();
    form.reset();
    state.ResumeTiming();
  }
}

// expandAll: opened as the label browser opens its branches.
void PlainTreeWidget(benchmark::State& state) {
  const LabelTree tree = BuildRomLabelTree(Labels());
  for (auto _ : state) {
    auto widget = std::make_unique<QTreeWidget>();
    widget->resize(254, 192);
    widget->setHeaderHidden(true);
    AddItems(tree, LabelTree::kRoot, widget.get(), nullptr);
    if (state.range(0)) widget->expandAll();
    widget->show();
    Settle(*widget);
    state.PauseTiming();
    widget.reset();
    state.ResumeTiming();
  }
}

// Once, before anything else has used the heap: the resident size and its peak from before the
// window is created until it is shown, and what stays after it is closed.
// The plain widget runs after the label browser has given its memory back to the heap, so its
// figures come out low unless it runs alone.
template <bool kPlain>
void Memory(benchmark::State& state) {
  const LabelTree tree = BuildRomLabelTree(Labels());
  for (auto _ : state) {
    const double rss = StatusMiB("VmRSS:");
    const double peak = StatusMiB("VmHWM:");
    std::unique_ptr<QWidget> window;
    if constexpr (kPlain) {
      auto* widget = new QTreeWidget();
      window.reset(widget);
      AddItems(tree, LabelTree::kRoot, widget, nullptr);
      widget->expandAll();
    } else {
      window = std::make_unique<TLabelEditorForm>(Labels(), "game.sym");
    }
    window->show();
    Settle(*window);
    state.counters["open_MiB"] = StatusMiB("VmRSS:") - rss;
    state.counters["peak_MiB"] = StatusMiB("VmHWM:") - peak;
    window.reset();
    state.counters["closed_MiB"] = StatusMiB("VmRSS:") - rss;
  }
}

// Runs what a change in the window has set going (a delayed layout, then the paint of what it
// changed) until nothing is left: the user sees the result. Objects given up with deleteLater
// (the filter box's fading clear button) go as the program's event loop lets them go; without a
// loop they would pile up among the posted events, and every later keystroke would wade through
// them.
void Quiet() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// One keystroke: the text goes from the first to the second, and the window shows the result.
struct Keystroke {
  const char* from;
  const char* to;
};
const Keystroke kKeystrokes[] = {
    {"", "o"},                                      // every label still shown
    {"routine12", "routine123"},                    // one routine and its locals
    {"routine123.local_4", "routine123.local_45"},  // one label
    {"z", "zz"},                                    // nothing
    {"o", ""},                                      // cleared: everything back
    {"", "1"},                                      // 18,500 of 50,500 labels go
    {"1", ""},                                      // and come back
};

void FilterKeystroke(benchmark::State& state) {
  const Keystroke& key = kKeystrokes[state.range(0)];
  TLabelEditorForm form(Labels(), "game.sym");
  form.show();
  Settle(form);
  auto* edit = form.findChild<QLineEdit*>("FilterEdit");
  for (auto _ : state) {
    state.PauseTiming();
    edit->setText(key.from);
    Quiet();
    state.ResumeTiming();
    edit->setText(key.to);
    Quiet();
  }
  state.SetLabel(std::string("\"") + key.from + "\" -> \"" + key.to + "\"");
}

// Typing a name letter by letter into the filter box and taking it back, each key until the
// window is quiet; against the core filtering the same texts, in the same run. The slowest key's
// wall time is the longest the window stays unanswered.
const char kTyped[] = "routine123.local_45";

void TypeAndErase(benchmark::State& state) {
  TLabelEditorForm form(Labels(), "game.sym");
  form.show();
  Settle(form);
  auto* edit = form.findChild<QLineEdit*>("FilterEdit");
  edit->setFocus();
  double slowest = 0;
  for (auto _ : state) {
    for (int key = 0; key < 2 * static_cast<int>(std::strlen(kTyped)); ++key) {
      const auto start = std::chrono::steady_clock::now();
      if (key < static_cast<int>(std::strlen(kTyped))) {
        QTest::keyClick(edit, kTyped[key]);
      } else {
        QTest::keyClick(edit, Qt::Key_Backspace);
      }
      Quiet();
      slowest = std::max(
          slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                             start).count());
    }
  }
  state.counters["slowest_key_ms"] = slowest;
}

void CoreTypeAndErase(benchmark::State& state) {
  LabelTree tree = BuildRomLabelTree(Labels());
  const std::string typed = kTyped;
  for (auto _ : state) {
    for (size_t n = 1; n <= typed.size(); ++n) tree.Filter(typed.substr(0, n));
    for (size_t n = typed.size(); n-- > 0;) tree.Filter(typed.substr(0, n));
    benchmark::DoNotOptimize(tree.ShownChildren(LabelTree::kRoot).size());
  }
}

// The core alone: building the tree and filtering it.
void CoreBuild(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BuildRomLabelTree(Labels()));
}

void CoreFilter(benchmark::State& state) {
  LabelTree tree = BuildRomLabelTree(Labels());
  for (auto _ : state) {
    tree.Filter(kKeystrokes[state.range(0)].to);
    benchmark::DoNotOptimize(tree.ShownChildren(LabelTree::kRoot).size());
  }
}

}  // namespace

BENCHMARK(Memory<false>)->Name("Memory/LabelBrowser")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Memory<true>)
    ->Name("Memory/PlainTreeWidget")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(OpenWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainTreeWidget)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FilterKeystroke)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TypeAndErase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CoreTypeAndErase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CoreBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(CoreFilter)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Fonts and styles load with the first window; the program has them from its main window.
  {
    LabelTables few;
    few.AddRomLabel(0x150, "Main");
    TLabelEditorForm warm(few, "");
    warm.show();
    Settle(warm);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
