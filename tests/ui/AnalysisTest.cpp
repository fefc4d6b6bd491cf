// The trace in the main window: the listing's steps inside traced code, Search > References with
// its counts on the label lines, View > Rom Map, and the background run of a large ROM.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "helpers/MainHarness.h"
#include "helpers/ModalAnswer.h"
#include "ui/LabelTreeView.h"
#include "ui/References.h"
#include "ui/Resources.h"
#include "ui/RomMapView.h"
#include "ui/TraceRunner.h"

namespace {

// Eight banks (or more) of D3, which is no instruction, so that only this code is traced:
//   0100 jp $0150
//   0150 call Sub / ld a,$03 / ld [$2000],a / call $4100 (03:4100) / jr $015B
//   0300 Sub: ld a,[wVar] / ret
//   03:4100 call Sub / ret;  05:4000 Five: jp Sub
QByteArray TracedRom(uint32_t size = 0x20000) {
  QByteArray rom = MakeRomBytes(size, "TRACE");
  for (uint32_t i = 0; i < size; ++i)
    if (i < 0x100 || i >= 0x150) rom[i] = static_cast<char>(0xD3);
  rom[0x147] = 0x01;  // MBC1: the bank written before a call is the bank it reaches
  const std::pair<uint32_t, std::vector<uint8_t>> code[] = {
      {0x100, {0xC3, 0x50, 0x01}},
      {0x150, {0xCD, 0x00, 0x03, 0x3E, 0x03, 0xEA, 0x00, 0x20, 0xCD, 0x00, 0x41, 0x18, 0xFE}},
      {0x300, {0xFA, 0x00, 0xC0, 0xC9}},
      {0xC100, {0xCD, 0x00, 0x03, 0xC9}},
      {0x14000, {0xC3, 0x00, 0x03}}};
  for (const auto& [at, bytes] : code)
    for (size_t i = 0; i < bytes.size(); ++i) rom[static_cast<int>(at + i)] = static_cast<char>(bytes[i]);
  return rom;
}

bool LoadTracedRom(MainHarness& h, uint32_t size = 0x20000) {
  // 4100 of banks 3 and 4 both named: a call there from bank 0 with no bank written is `call?`.
  WriteFile(h.Folder(), "Trace.sym",
            "00:0300 Sub\n05:4000 Five\nC0:C000 wVar\n03:4100 Three\n04:4100 Four\n");
  return h.LoadNew("trace.gb", TracedRom(size));
}

void Wheel(QWidget* list, int delta) {
  const QPointF at(20, 20);
  QWheelEvent event(at, list->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(list, &event);
}

template <typename W>
W* ShownWindow(const MainHarness& h) {
  for (auto* window : h.form->findChildren<W*>())
    if (window->isVisible()) return window;
  return nullptr;
}

QStringList Rows(QListView* view) {
  QStringList rows;
  for (int i = 0; i < view->model()->rowCount(); ++i)
    rows << view->model()->index(i, 0).data().toString();
  return rows;
}

}  // namespace

class AnalysisTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  // Up, Down at the edges, the wheel, the scroll bar and Back never start the listing on an
  // operand byte of traced code.
  void stepsLandOnInstructionStarts() {
    MainHarness h;
    QVERIFY(LoadTracedRom(h));
    const int last = h.form->VisibleLines() - 1;
    const struct {
      const char* what;
      int start;
      std::function<void()> step;
      int wantStart;
    } rows[] = {
        {"Up", 0x158, [&] { h.List()->SetItemIndex(0); QTest::keyClick(h.List(), Qt::Key_Up); },
         0x155},
        {"Down", 0x150,
         [&] { h.List()->SetItemIndex(last); QTest::keyClick(h.List(), Qt::Key_Down); }, 0x153},
        {"Up outside traced code", 0x200,
         [&] { h.List()->SetItemIndex(0); QTest::keyClick(h.List(), Qt::Key_Up); }, 0x1FF},
        {"wheel down", 0x150, [&] { Wheel(h.List(), -120); }, 0x158},
        {"wheel up", 0x15B, [&] { Wheel(h.List(), 120); }, 0x153},
        {"scroll bar down a byte", 0x150, [&] { h.Scroller()->setValue(0x151); }, 0x153},
        {"scroll bar up a byte", 0x155, [&] { h.Scroller()->setValue(0x154); }, 0x153},
    };
    for (const auto& r : rows) {
      h.form->ShowOffset(r.start);
      r.step();
      QVERIFY2(h.form->StartOffset() == r.wantStart, r.what);
      QCOMPARE(h.form->LineOffsets().front(), r.wantStart);
    }
    // A place left inside an instruction comes back at the instruction's start.
    h.form->ShowOffset(0x151);
    h.form->JumpTo(0x300);
    h.Action("Back1")->trigger();
    QCOMPARE(h.form->StartOffset(), 0x150);
  }

  // Shift+F12 on a label lists its callers by kind, bank address and instruction; a click shows
  // one and Back returns. The label line carries the count.
  void referencesListShowAndCount() {
    MainHarness h;
    QVERIFY(LoadTracedRom(h));
    h.form->ShowOffset(0x300);
    QCOMPARE(h.Lines().front(), QString("@Sub:"));
    QCOMPARE(h.form->LabelReferenceCount(0), (LabelRefCount{3, 0}));
    QCOMPARE(h.form->LabelReferenceCount(1), LabelRefCount{});
    QTest::keyClick(h.form.get(), Qt::Key_F12, Qt::ShiftModifier);
    TReferencesForm* refs = nullptr;
    QTRY_VERIFY((refs = ShownWindow<TReferencesForm>(h)) != nullptr);
    QVERIFY(refs->windowTitle().startsWith("References: @Sub"));
    QVERIFY(refs->windowTitle().endsWith("3 places"));
    auto* view = refs->findChild<QListView*>("Results");
    QCOMPARE(Rows(view), (QStringList{"call    00:0150 call @Sub", "call    03:4100 call @Sub",
                                      "jump    05:4000 jp @Sub"}));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(1, 0)).center());
    QCOMPARE(h.form->StartOffset(), 0xC100);
    h.Activate();
    h.Action("Back1")->trigger();
    QCOMPARE(h.form->StartOffset(), 0x300);

    // A place nobody refers to says so.
    h.form->ShowOffset(0x153);
    h.Action("References1")->trigger();
    QTRY_VERIFY((refs = ShownWindow<TReferencesForm>(h)) != nullptr);
    QCOMPARE(refs->findChild<QListView*>("Results")->model()->rowCount(), 0);
    QCOMPARE(refs->findChild<QLabel*>("NoteLabel")->text(),
             QString("No traced code refers to 00:0153."));
  }

  // The References window follows every change as Find All does: an edit that adds a call whose
  // bank is unknown, its undo, a rename of the label. The label line counts the `call?` apart.
  // The label browser lists the references of a RAM label too.
  void referencesFollowEditsAndRamLabels() {
    MainHarness h;
    QVERIFY(LoadTracedRom(h));
    QVERIFY(InspectNextModal([&] { h.Action("Labels1")->trigger(); }, [&](QWidget* w) {
      auto* tree = w->findChild<LabelTreeView*>("VarTree");
      tree->setCurrentIndex(tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole,
                                                 "wVar", 1, Qt::MatchExactly | Qt::MatchRecursive)
                                .value(0));
      QTest::mouseClick(w->findChild<QPushButton*>("ReferencesButton"), Qt::LeftButton);
    }));
    TReferencesForm* refs = nullptr;
    QTRY_VERIFY((refs = ShownWindow<TReferencesForm>(h)) != nullptr);
    QVERIFY(refs->windowTitle().startsWith("References: @wVar"));
    QCOMPARE(Rows(refs->findChild<QListView*>("Results")),
             QStringList{"read    00:0300 ld a,[@wVar]"});

    h.form->ShowOffset(0xC100);
    QCOMPARE(h.Lines().front(), QString("@Three:"));
    h.Action("References1")->trigger();
    QTRY_VERIFY((refs = ShownWindow<TReferencesForm>(h)) != nullptr);
    auto* view = refs->findChild<QListView*>("Results");
    QCOMPARE(Rows(view), QStringList{"call    00:0158 call @Three"});
    // Sub becomes call $4100 / ret: from bank 0 with no bank written.
    Rom& rom = h.state.rom;
    QVERIFY(h.form->RunEdit("call", [&] {
      const uint8_t bytes[] = {0xCD, 0x00, 0x41, 0xC9};
      for (int i = 0; i < 4; ++i) rom.SetByte(0x300 + i, bytes[i]);
    }));
    QTRY_COMPARE(Rows(view), (QStringList{"call    00:0158 call @Three",
                                          "call?   00:0300 call @Three"}));
    QVERIFY(refs->windowTitle().endsWith("2 places"));
    h.form->ShowOffset(0xC100);
    QCOMPARE(h.form->LabelReferenceCount(0), (LabelRefCount{1, 1}));
    h.Action("Undo1")->trigger();
    QTRY_COMPARE(Rows(view), QStringList{"call    00:0158 call @Three"});
    // A rename is a change too: the title and the lines name the label as it is now.
    h.form->ShowOffset(0xC100);
    QVERIFY(InspectNextModal([&] { h.Action("Label1")->trigger(); }, [&](QWidget* w) {
      w->findChild<QLineEdit*>("Edit1")->setText("Third");
      QTest::mouseClick(w->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    }));
    QTRY_VERIFY(refs->windowTitle().startsWith("References: @Third"));
    QCOMPARE(Rows(view), QStringList{"call    00:0158 call @Third"});
  }

  // The status bar says why the selected line is what it is; the label browser says it of each
  // ROM label after its address.
  void whyALineIsCode() {
    MainHarness h;
    QVERIFY(LoadTracedRom(h));
    const struct {
      int32_t offset;
      QString why;
    } rows[] = {
        {0x150, "code, traced from 00:0100"},
        {0xC100, "code, traced from 00:0158"},
        {0x200, "unknown"},
    };
    auto* why = h.form->findChild<QLabel*>("PanelWhy");
    for (const auto& r : rows) {
      h.form->ShowOffset(r.offset);
      QCOMPARE(why->text(), r.why);
    }
    QString address;
    QVERIFY(InspectNextModal([&] { h.Action("Labels1")->trigger(); }, [&](QWidget* w) {
      auto* tree = w->findChild<LabelTreeView*>("ProcTree");
      tree->setCurrentIndex(tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole,
                                                 "Three", 1, Qt::MatchExactly | Qt::MatchRecursive)
                                .value(0));
      address = w->findChild<QLabel*>("AddressLabel")->text();
    }));
    QCOMPARE(address, QString("03:4100 ($00C100)  code, traced from 00:0158"));
  }

  // One bar per bank; a click on bank 3's bar shows that part of the bank.
  void romMapShowsBanksAndGoesThere() {
    MainHarness h;
    QVERIFY(LoadTracedRom(h));
    h.Action("RomMap1")->trigger();
    TRomMapForm* map = nullptr;
    QTRY_VERIFY((map = ShownWindow<TRomMapForm>(h)) != nullptr);
    TRomMapBars* bars = map->Bars();
    QCOMPARE(bars->BankCount(), 8);
    QTest::mouseClick(bars, Qt::LeftButton, {},
                      QPoint(TRomMapBars::kBarLeft + 4, 3 * TRomMapBars::kRowHeight + 8));
    QCOMPARE(h.form->StartOffset(), 0xC000 + 4 * 64);
    QVERIFY(map->findChild<QLabel*>("Legend")->text().endsWith(
        "Whole ROM: 0.0% code, 0.0% data, 0.0% text, 100.0% unknown"));

    // ld a,$01 / ret at 03:413F, marked code: 03:4140, where the bar's sixth pixel starts, is
    // its operand. The click shows the instruction, and the tooltip says whose operand it is.
    QVERIFY(h.form->RunEdit("code", [&] {
      const uint8_t bytes[] = {0x3E, 0x01, 0xC9};
      for (int i = 0; i < 3; ++i) h.state.rom.SetByte(0xC13F + i, bytes[i]);
    }));
    h.state.marks.Mark(0xC13F, 3, MarkKind::Code);
    h.form->Retrace();
    const auto at = [](int bank, int x) {
      return QPoint(TRomMapBars::kBarLeft + x, bank * TRomMapBars::kRowHeight + 8);
    };
    const struct {
      QPoint point;
      QString tip;
    } tips[] = {
        {at(3, 5), "03:4140 code, your mark (in the instruction at 03:413F)"},
        {at(3, 4), "03:4100 code, traced from 00:0158"},
        {at(0, 0), "00:0000 unknown"},
        {QPoint(4, 8), ""},  // the bank's number
    };
    for (const auto& t : tips) QCOMPARE(bars->ToolTipAt(t.point), t.tip);
    QTest::mouseClick(bars, Qt::LeftButton, {}, at(3, 5));
    QCOMPARE(h.form->StartOffset(), 0xC13F);
  }

  // A ROM too large to trace at once is traced in the background; edits made while a run is
  // under way make its result stale, and the trace that counts is the one of the last edit.
  void largeRomIsTracedInTheBackground() {
    MainHarness h;
    QVERIFY(LoadTracedRom(h, 2 * 1024 * 1024));
    TTraceRunner* runner = h.form->Tracer();
    QTRY_VERIFY(runner->Fresh());
    QCOMPARE(runner->Latest()->Refs.CountTo(0x300), size_t{3});
    Rom& rom = h.state.rom;
    // Two edits in a row: the call at 0150 goes, then the jp at 05:4000.
    QVERIFY(h.form->RunEdit("one", [&] { for (int i = 0; i < 3; ++i) rom.SetByte(0x150 + i, 0); }));
    QVERIFY(!runner->Fresh());
    QVERIFY(h.form->RunEdit("two", [&] { for (int i = 0; i < 3; ++i) rom.SetByte(0x14000 + i, 0xC9); }));
    QTRY_VERIFY(runner->Fresh());
    QCOMPARE(runner->Latest()->Refs.CountTo(0x300), size_t{1});
    // Undo is a change of the bytes too.
    h.form->findChild<QAction*>("Undo1")->trigger();
    QTRY_VERIFY(runner->Fresh());
    QCOMPARE(runner->Latest()->Refs.CountTo(0x300), size_t{2});
  }
};

QTEST_MAIN(AnalysisTest)
#include "AnalysisTest.moc"
