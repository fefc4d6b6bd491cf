// The listing in the main window: lines, keys at the edges, the status panel, the scroll bar and
// the colours of a drawn line.

#include <QImage>
#include <QMenu>
#include <QTest>

#include "helpers/MainHarness.h"
#include "helpers/ScrollBarSlider.h"
#include "ui/Resources.h"

namespace {

constexpr uint32_t kRomSize = 0x10000;

// 0x150: nop, jp $0150; 0x200: ld a,$10; everything else nop.
QByteArray ListingRom() {
  return MakeRomBytes(kRomSize, "TEST", {{0x150, {0x00, 0xC3, 0x50, 0x01}}, {0x200, {0x3E, 0x10}}});
}

enum class Ink { None, White, Cyan, Magenta, Green };

// The colour of the brightest pixel in one 8 x 16 character cell, by which channels are lit.
Ink CellInk(const QImage& image, int column, int line) {
  QRgb brightest = 0;
  int best = -1;
  for (int y = line * 16; y < line * 16 + 16; ++y) {
    for (int x = (column - 1) * 8; x < column * 8; ++x) {
      const QRgb p = image.pixel(x, y);
      const int sum = qRed(p) + qGreen(p) + qBlue(p);
      if (sum > best) best = sum, brightest = p;
    }
  }
  const int top = std::max({qRed(brightest), qGreen(brightest), qBlue(brightest)});
  if (top < 128) return Ink::None;
  const bool r = qRed(brightest) > top / 2, g = qGreen(brightest) > top / 2,
             b = qBlue(brightest) > top / 2;
  if (r && g && b) return Ink::White;
  if (!r && g && b) return Ink::Cyan;
  if (r && !g && b) return Ink::Magenta;
  if (!r && g && !b) return Ink::Green;
  return Ink::None;
}

// The colour that the column table gives to a drawn character.
Ink ColumnInk(int column) {
  if (column == 3) return Ink::Cyan;
  if (column >= 9 && column <= 16) return Ink::Magenta;
  if (column >= 18) return Ink::Green;
  return Ink::White;
}

}  // namespace

class ListingTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void defaultWindowHoldsNineteenLines() {
    MainHarness h;
    QCOMPARE(h.List()->height(), 313);
    QVERIFY(h.LoadNew("test.gb", ListingRom()));
    QCOMPARE(h.form->VisibleLines(), 19);
    QCOMPARE(h.Lines().size(), 19);
    QCOMPARE(h.Lines().first(), QString("00:0000 00       nop"));
    QCOMPARE(h.List()->ItemIndex(), 0);

    // A taller window lists more lines, beyond any fixed table.
    h.form->resize(h.form->width(), h.form->height() + 16 * 90);
    QTRY_COMPARE(h.form->VisibleLines(), 109);
    QCOMPARE(h.form->LineOffsets().size(), size_t{109});
  }

  void menusAndShortcutsWorkOnlyAfterTheFirstLoad() {
    MainHarness h;
    for (const char* menu : {"Search1", "View1", "Tools1"}) QVERIFY(!h.MenuEnabled(menu));
    for (const char* menu : {"File1", "Help1"}) QVERIFY(h.MenuEnabled(menu));
    QVERIFY(!h.List()->isVisible());
    QCOMPARE(h.form->windowTitle(), QString("Velmora"));
    QTest::keyClick(h.form.get(), Qt::Key_F11);
    QCOMPARE(h.state.format, ValueFormat::Hex);

    QVERIFY(h.LoadNew("test.gb", ListingRom()));
    for (const char* menu : {"Search1", "View1", "Tools1"}) QVERIFY(h.MenuEnabled(menu));
    QVERIFY(h.List()->isVisible());
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Test"));
    h.form->ShowOffset(0x151);

    struct Row {
      Qt::Key key;
      ValueFormat format;
      const char* item;
      const char* line0;
    };
    const Row rows[] = {
        {Qt::Key_F11, ValueFormat::Bin, "Bin1", "00:0151 C3 50 01 jp %101010000"},
        {Qt::Key_F8, ValueFormat::Dec, "Dec1", "00:0151 C3 50 01 jp 336"},
        {Qt::Key_F10, ValueFormat::Hex, "Hex1", "00:0151 C3 50 01 jp $0150"},
    };
    for (const Row& r : rows) {
      QTest::keyClick(h.form.get(), r.key);
      QCOMPARE(h.state.format, r.format);
      for (const char* item : {"Dec1", "Hex1", "Bin1"}) {
        QCOMPARE(h.Action(item)->isChecked(), qstrcmp(item, r.item) == 0);
      }
      QCOMPARE(h.Lines().first(), QString(r.line0));
    }
  }

  void edgeKeysMoveTheListingByOneByte() {
    MainHarness h;
    QVERIFY(h.LoadNew("zero.gb", MakeRomBytes(kRomSize, "ZERO")));
    const int max = kRomSize - 1;
    QCOMPARE(h.Scroller()->maximum(), max);
    struct Row {
      int start;
      int selected;
      Qt::Key key;
      int wantStart;
      int wantSelected;
      const char* wantPanel;
    };
    // Every line is a one-byte nop, so a line's offset is the start plus its index.
    const Row rows[] = {
        {0, 18, Qt::Key_Down, 1, 18, "000013"},  // bottom edge scrolls
        {5, -1, Qt::Key_Down, 6, 18, "000018"},  // no selection counts as an edge
        {5, 0, Qt::Key_Up, 4, 0, "000004"},      // top edge scrolls
        {5, -1, Qt::Key_Up, 4, 0, "000004"},
        {0, 0, Qt::Key_Up, 0, 0, "000000"},          // nothing above offset 0
        {max, 18, Qt::Key_Down, max, 18, "010011"},  // nothing below the maximum
        {5, 3, Qt::Key_Down, 5, 4, "000009"},        // within the lines only the selection moves
        {5, 3, Qt::Key_Up, 5, 2, "000007"},
        {5, 3, Qt::Key_End, 5, 18, "000017"},
        {5, 3, Qt::Key_Home, 5, 0, "000005"},
    };
    for (const Row& r : rows) {
      h.form->ShowOffset(r.start);
      h.List()->SetItemIndex(r.selected);
      QTest::keyClick(h.List(), r.key);
      QCOMPARE(h.form->StartOffset(), r.wantStart);
      QCOMPARE(h.form->LineOffsets().front(), r.wantStart);
      QCOMPARE(h.List()->ItemIndex(), r.wantSelected);
      QCOMPARE(h.Panel0(), QString(r.wantPanel));
    }
  }

  void statusPanelShowsTheSelectedLine() {
    MainHarness h;
    WriteFile(h.Folder(), "Test.sym", "00:0150 First\n00:0150 Start\n00:0200 Other\n");
    QVERIFY(h.LoadNew("test.gb", ListingRom()));
    QCOMPARE(h.Panel0(), QString("000000"));

    h.form->ShowOffset(0x150);
    QCOMPARE(h.Lines().mid(0, 4), (QStringList{"@First:", "@Start:", "00:0150 00       nop",
                                               "00:0151 C3 50 01 jp @First"}));
    QCOMPARE(h.Panel0(), QString("000150"));  // the operand names the first label
    // The label lines and their instruction carry the same offset.
    QTest::mouseClick(h.List(), Qt::LeftButton, {}, QPoint(40, 8));
    QCOMPARE(h.Panel0(), QString("000150"));
    QTest::mouseClick(h.List(), Qt::LeftButton, {}, QPoint(40, 2 * 16 + 8));
    QCOMPARE(h.Panel0(), QString("000150"));
    QTest::mouseClick(h.List(), Qt::LeftButton, {}, QPoint(40, 3 * 16 + 8));
    QCOMPARE(h.Panel0(), QString("000151"));
    QCOMPARE(h.form->SelectedOffset(), 0x151);

    // Beyond the maximum the listing stands at the maximum, with line 0 selected.
    h.form->ShowOffset(0x7FFFFFFF);
    QCOMPARE(h.form->StartOffset(), int(kRomSize - 1));
    QCOMPARE(h.List()->ItemIndex(), 0);
    QCOMPARE(h.Panel0(), QString::number(h.form->StartOffset(), 16).toUpper().rightJustified(6, '0'));
    h.form->ShowOffset(-5);
    QCOMPARE(h.form->StartOffset(), 0);

    // With no line selected, commands use line 0 and the panel keeps its text.
    h.form->ShowOffset(0x200);
    h.List()->SetItemIndex(-1);
    QCOMPARE(h.form->SelectedOffset(), 0x200);
    QTest::keyClick(h.List(), Qt::Key_A);
    QCOMPARE(h.Panel0(), QString("000200"));
  }

  void scrollBarArrowsRepeatAndTheTrackDoesNothing() {
    MainHarness h;
    QVERIFY(h.LoadNew("zero.gb", MakeRomBytes(kRomSize, "ZERO")));
    TScroller* bar = h.Scroller();
    const QRect thumb = ScrollBarSlider(bar);
    QCOMPARE(thumb.height(), 17);
    QCOMPARE(thumb.top(), 17);

    const QPoint downArrow(8, bar->height() - 8);
    QTest::mouseClick(bar, Qt::LeftButton, {}, downArrow);
    QCOMPARE(bar->value(), 1);
    QCOMPARE(h.form->LineOffsets().front(), 1);

    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, bar->height() / 2));
    QCOMPARE(bar->value(), 1);

    // Held down, the arrow steps every 10 ms: well past ten steps within half a second.
    QTest::mousePress(bar, Qt::LeftButton, {}, downArrow);
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 12, 500);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, downArrow);
    QCOMPARE(h.form->LineOffsets().front(), bar->value());

    // Dragging the thumb to the track's end reaches the maximum.
    h.form->ShowOffset(0);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 17 + 8));
    QTest::mouseMove(bar, QPoint(8, bar->height() - 17 - 8));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, bar->height() - 17 - 8));
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(h.form->LineOffsets().front(), bar->maximum());
  }

  // A ROM shorter than the listing still scrolls, up to its last byte.
  void tinyRomScrollsToItsLastByte() {
    MainHarness h;
    QVERIFY(h.LoadNew("tiny.gb", MakeRomBytes(20, "")));
    QCOMPARE(h.form->windowTitle(), QString("Velmora - "));
    QCOMPARE(h.Scroller()->maximum(), 19);
    h.form->ShowOffset(19);
    h.List()->SetItemIndex(18);
    QTest::keyClick(h.List(), Qt::Key_Down);
    QCOMPARE(h.form->StartOffset(), 19);
  }

  void drawnLineIsColouredByColumn() {
    MainHarness h;
    WriteFile(h.Folder(), "Big.sym", "100:4000 Far\n");
    // 4 MiB and more: bank 100 has three digits and shifts its text one column right.
    QVERIFY(h.LoadNew("big.gb", MakeRomBytes(0x404000, "BIG",
                                             {{0x150, {0x00, 0xC3, 0x50, 0x01}},
                                              {0x400000, {0x00, 0x3E, 0x10}}})));
    struct Row {
      int offset;
      const char* line1;
    };
    const Row rows[] = {{0x150, "00:0151 C3 50 01 jp $0150"},
                        {0x400000, "100:4001 3E 10    ld a,$10"}};
    for (const Row& r : rows) {
      h.form->ShowOffset(r.offset);
      const QString text = h.Lines().at(1 + (r.offset == 0x400000 ? 1 : 0));
      QCOMPARE(text, QString(r.line1));
      const int line = 1 + (r.offset == 0x400000 ? 1 : 0);
      const QImage image = h.List()->grab().toImage();
      for (int c = 1; c <= text.size(); ++c) {
        const Ink want = text[c - 1] == ' ' ? Ink::None : ColumnInk(c);
        QVERIFY2(CellInk(image, c, line) == want,
                 qPrintable(QString("column %1 of %2").arg(c).arg(text)));
      }
      // The rest of an unselected line is black.
      QCOMPARE(image.pixel(h.List()->width() - 4, line * 16 + 8), qRgb(0, 0, 0));
    }
    // The selected line (a label line here) lies on the highlight colour, its text as one string.
    QCOMPARE(h.Lines().first(), QString("@Far:"));
    const QImage image = h.List()->grab().toImage();
    QCOMPARE(QColor(image.pixel(h.List()->width() - 4, 8)),
             h.List()->palette().highlight().color());
    QVERIFY(CellInk(image, 2, 0) != Ink::None);
  }
};

QTEST_MAIN(ListingTest)
#include "ListingTest.moc"
