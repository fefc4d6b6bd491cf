// Tiles in the window: Edit > Mark as Image..., the tile pane in step with the listing (a click,
// the wheel, bank ends, the ROM's end) and Tools > Import Image... with its undo step.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "gfx/ImageBlock.h"
#include "gfx/TileImage.h"
#include "helpers/MainHarness.h"
#include "ui/Resources.h"
#include "ui/TileCommands.h"
#include "ui/TilePane.h"

namespace {

// 32 KiB with varied tile bytes from 00:3F00 to 01:4200.
QByteArray TileRom() {
  QByteArray rom = MakeRomBytes(0x8000, "TILES");
  for (int i = 0x3F00; i < 0x4200; ++i) rom[i] = char((i * 37) ^ (i >> 3));
  return rom;
}

TTilePane* Pane(const MainHarness& h) {
  return h.form->findChild<TTileCommands*>("TileCommands")->Pane();
}

// Edit > Mark as Image... with the two fields typed and OK pressed.
void MarkImage(MainHarness& h, const QString& to, const QString& shape) {
  h.Activate();
  InspectNextModal([&] { h.Action("MarkImage1")->trigger(); },
                   [&](QWidget* w) {
                     w->findChild<QLineEdit*>("Edit1")->setText(to);
                     w->findChild<QLineEdit*>("Edit2")->setText(shape);
                     QTest::mouseClick(w->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
                   });
  h.Activate();
}

// The middle of a tile of the pane's view.
QPoint TileCentre(const TTilePane* pane, int column, int row) {
  const int cell = 8 * pane->Zoom();
  return {column * cell + cell / 2, row * cell + cell / 2};
}

}  // namespace

class TilesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void markedImageInListingAndPane() {
    MainHarness h;
    QVERIFY(h.LoadNew("game.gb", TileRom()));
    h.form->ShowOffset(0x4000);
    MarkImage(h, "+$100", "4 1bpp");
    QCOMPARE(h.state.marks.Blocks(),
             (std::vector<MarkBlock>{{0x4000, 0x100, MarkKind::Image, {32, 1, ""}}}));
    QCOMPARE(h.Lines().mid(0, 2), QStringList({"01:4000          image 4 tiles",
                                               "01:4020          image 4 tiles"}));
    h.Action("TilesView1")->trigger();
    TTilePane* pane = Pane(h);
    QTRY_VERIFY(pane->isVisible());
    QTRY_VERIFY(pane->TileCount() > 8);

    struct Step {
      const char* what;
      std::function<void()> act;
      int32_t selected;  // the listing's selected offset after it
      uint32_t start;    // the pane's first tile
    };
    const Step steps[] = {
        // Inside the block the pane takes its shape, from the selected line's row.
        {"listing moved", [&] { h.form->ShowOffset(0x4030); }, 0x4030, 0x4020},
        {"tile clicked",
         [&] { QTest::mouseClick(pane->View(), Qt::LeftButton, {}, TileCentre(pane, 2, 1)); },
         0x4050, 0x4040},
        {"wheel down",
         [&] {
           QWheelEvent down(TileCentre(pane, 0, 0), pane->View()->mapToGlobal(QPoint(4, 4)), {},
                            {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
           QApplication::sendEvent(pane->View(), &down);
         },
         0x4060, 0x4060},
        // Outside any block the pane starts at the selected byte in its own layout.
        {"listing outside", [&] { h.form->ShowOffset(0x3FF0); }, 0x3FF0, 0x3FF0},
    };
    for (const Step& s : steps) {
      s.act();
      QVERIFY2(h.form->SelectedOffset() == s.selected, s.what);
      QVERIFY2(pane->Start() == s.start, s.what);
    }
    QCOMPARE(pane->Layout(), (TileLayout{4, 1, false}));
    // 00:3FF0, 00:3FF8, 01:4000: the third tile of the first row holds a bank's first byte.
    const QImage image = pane->Render(QSize(32, 16));
    const QRgb red = qRgb(0xFF, 0x30, 0x30);
    QCOMPARE(image.pixel(16, 0), red);
    QCOMPARE(image.pixel(16, 5), red);
    QVERIFY(image.pixel(0, 0) != red && image.pixel(8, 0) != red);

    // At the ROM's end: one whole tile of 8 bytes, nothing past it.
    h.form->ShowOffset(0x7FFC);
    QCOMPARE(pane->TileCount(), 0u);
    h.form->ShowOffset(0x7FF8);
    QCOMPARE(pane->TileCount(), 1u);
    QCOMPARE(pane->OffsetAt(TileCentre(pane, 0, 0)), std::optional<uint32_t>(0x7FF8));
    QCOMPARE(pane->OffsetAt(TileCentre(pane, 1, 0)), std::nullopt);
  }

  void importImageRefusedOrOneUndoStep() {
    MainHarness h;
    const QByteArray bytes = TileRom();
    QVERIFY(h.LoadNew("game.gb", bytes));
    const SeenBox none = AnswerNextBox([&] { h.Action("ImportImage1")->trigger(); });
    QCOMPARE(none.text, QString("The selected line lies in no image block: Edit > Mark as "
                                "Image... marks one."));
    h.form->ShowOffset(0x4000);
    MarkImage(h, "01:403F", "2");
    const MarkBlock block = h.state.marks.Blocks()[0];
    // The block's picture with its tiles in reverse order, and one of the wrong size.
    RgbImage picture = ImageBlockPicture(h.state.rom, block, kDefaultPalette);
    std::vector<uint8_t> reversed(0x40);
    for (int t = 0; t < 4; ++t) {
      std::copy(bytes.begin() + 0x4000 + (3 - t) * 16, bytes.begin() + 0x4000 + (4 - t) * 16,
                reversed.begin() + t * 16);
    }
    picture = TilesToImage(reversed.data(), reversed.size(), {2, 2, false}, kDefaultPalette);
    const QString good = h.Folder() + "/edited.png";
    WritePngFile(good.toStdString(), picture);
    const QString wide = h.Folder() + "/wide.png";
    WritePngFile(wide.toStdString(), {24, 16, std::vector<uint8_t>(24 * 16 * 3, 0xFF)});

    auto wrong = AnswerNextFileDialog(wide);
    const SeenBox refused = AnswerNextBox([&] { h.Action("ImportImage1")->trigger(); });
    QVERIFY(wrong->seen);
    QCOMPARE(refused.text, QString("The picture is 24 x 16 pixels; 4 tiles, 2 a row, take 16 x 16."));
    QCOMPARE(h.Action("Undo1")->text(), QString("&Undo Mark as Image 01:4000-01:403F"));

    auto right = AnswerNextFileDialog(good);
    h.Action("ImportImage1")->trigger();
    QVERIFY(right->seen);
    QCOMPARE(std::vector<uint8_t>(h.state.rom.RomImage.begin() + 0x4000,
                                  h.state.rom.RomImage.begin() + 0x4040),
             reversed);
    QCOMPARE(h.Action("Undo1")->text(), QString("&Undo Import Image at 01:4000"));
    h.Action("Undo1")->trigger();
    QVERIFY(std::equal(bytes.begin() + 0x4000, bytes.begin() + 0x4040,
                       reinterpret_cast<const char*>(h.state.rom.RomImage.data()) + 0x4000));
  }
};

QTEST_MAIN(TilesTest)
#include "TilesTest.moc"
