// The tile pane drawing a screenful, 32 x 32 = 1,024 tiles at zoom 1, against a straightforward
// drawing of the same tiles (each pixel's two bits read from its bytes and set one at a time),
// in the same run. Both paint into the same widget size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QSpinBox>
#include <random>

#include "gfx/Tiles.h"
#include "ui/AppState.h"
#include "ui/Resources.h"
#include "ui/TilePane.h"

namespace {

constexpr int kSide = 32 * 8;

struct Pane {
  AppState state;
  std::unique_ptr<TTilePane> pane;
  Pane() {
    std::mt19937 random(3);
    state.rom.RomSize = 0x10000;
    for (uint32_t i = 0; i < state.rom.RomSize; ++i) state.rom.RomImage[i] = uint8_t(random());
    pane = std::make_unique<TTilePane>(state, nullptr);
    pane->findChild<QSpinBox*>("TileWidth")->setValue(32);
    pane->findChild<QSpinBox*>("Zoom")->setValue(1);
    pane->show();
    pane->View()->setFixedSize(kSide, kSide);
    QApplication::processEvents();
    pane->ShowFrom(0x1000);
  }
};

Pane& ThePane() {
  static Pane pane;
  return pane;
}

void BM_PaneScreenful(benchmark::State& state) {
  Pane& p = ThePane();
  for (auto _ : state) {
    const QPixmap shot = p.pane->View()->grab();
    benchmark::DoNotOptimize(shot.cacheKey());
  }
  state.counters["tiles"] = p.pane->TileCount();
}
BENCHMARK(BM_PaneScreenful)->Unit(benchmark::kMillisecond);

void BM_StraightforwardScreenful(benchmark::State& state) {
  Pane& p = ThePane();
  QPixmap target(kSide, kSide);
  for (auto _ : state) {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    for (int tile = 0; tile < 1024; ++tile) {
      const uint8_t* bytes = p.state.rom.RomImage.data() + 0x1000 + tile * 16;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const int colour = ((bytes[2 * y] >> (7 - x)) & 1) | (((bytes[2 * y + 1] >> (7 - x)) & 1) << 1);
          const int grey = GreyOfShade(ShadeOf(kDefaultPalette, uint8_t(colour)));
          image.setPixel(tile % 32 * 8 + x, tile / 32 * 8 + y, qRgb(grey, grey, grey));
        }
      }
    }
    QPainter painter(&target);
    painter.drawImage(0, 0, image);
    benchmark::DoNotOptimize(target.cacheKey());
  }
}
BENCHMARK(BM_StraightforwardScreenful)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InitVelmoraResources();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
