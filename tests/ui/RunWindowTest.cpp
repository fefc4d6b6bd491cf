// Tools > Run: the image as edited is what runs, F9 pauses it, a paused game shows its place in
// the listing, and Stop offers to mark what ran as code in one undo step, kept in the log beside
// the ROM on save.

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include "helpers/MainHarness.h"
#include "helpers/ModalAnswer.h"
#include "run/Emulator.h"
#include "ui/TraceRunner.h"
#include "ui/Resources.h"
#include "ui/CoolMsg.h"
#include "ui/RunKeys.h"
#include "ui/RunWindow.h"

class RunWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void runPauseShowAndStop() {
#ifndef VELMORA_HAVE_EMULATOR
    QSKIP("built without mGBA's core library");
#else
    MainHarness h;
    // 0100 jp $0150; 0150 ld a,$00 / ldh [$47],a / jr $0154: the background's colour 0 takes the
    // shade of the byte at 0151, and the CPU stays at 0154.
    QVERIFY(h.LoadNew("game.gb", MakeRomBytes(0x8000, "RUN",
                                              {{0x100, {0x00, 0xC3, 0x50, 0x01}},
                                               {0x150, {0x3E, 0x00, 0xE0, 0x47, 0x18, 0xFE}}})));
    // Black in place of white, not saved; the run shows it, and its log is not wanted.
    QVERIFY(h.form->RunEdit("shade", [&] { h.state.rom.SetByte(0x151, 0x03); }));
    h.Action("Run1")->trigger();
    TRunWindow* run = h.form->findChild<TRunWindow*>();
    QVERIFY(run != nullptr);
    QTRY_VERIFY(run->Machine().FrameCount() > 4);
    QVERIFY(run->Machine().ScreenRgb()[0] < 0x40);
    AnswerNextBox([&] { run->close(); }, "No");
    QTRY_VERIFY(h.form->findChild<TRunWindow*>() == nullptr);
    QVERIFY(h.state.marks.Empty());

    // The ROM as saved, white again.
    h.Action("Undo1")->trigger();
    h.Action("Run1")->trigger();
    run = h.form->findChild<TRunWindow*>();
    QTRY_VERIFY(run->Machine().FrameCount() > 4);
    QVERIFY(run->Machine().ScreenRgb()[0] > 0xC0);

    // F9 again pauses; the place and the registers show, and lead to the listing.
    h.Action("Run1")->trigger();
    QVERIFY(run->Paused());
    const QString status = run->findChild<QLabel*>("RunStatus")->text();
    QVERIFY2(status.startsWith("Paused at 00:0154 (bank 01)  AF=00"), qPrintable(status));
    run->findChild<QPushButton*>("ShowButton")->click();
    QCOMPARE(h.form->SelectedOffset(), 0x154);

    // Stop: the jump at 0100 and the code at 0150 ran.
    const SeenBox box =
        AnswerNextBox([&] { run->findChild<QPushButton*>("StopButton")->click(); }, "Yes");
    QCOMPARE(box.text, "The game executed 10 bytes that are not marked as code; mark them?");
    QTRY_VERIFY(h.form->findChild<TRunWindow*>() == nullptr);
    const std::vector<MarkBlock> marked = {{0x100, 4, MarkKind::Code}, {0x150, 6, MarkKind::Code}};
    QCOMPARE(h.state.marks.Blocks(), marked);
    h.Action("Undo1")->trigger();
    QVERIFY(h.state.marks.Empty());
    h.Action("Redo1")->trigger();
    QCOMPARE(h.state.marks.Blocks(), marked);

    // Saving the marks alone writes the log beside the ROM too.
    h.Action("Save1")->trigger();
    QTRY_VERIFY(QFile::exists(h.Folder() + "/game.sym"));
    const QByteArray log = ReadFile(h.Folder() + "/game.cdl");
    QCOMPARE(log.size(), 9 + 0x8000);
    QCOMPARE(log.left(5), QByteArray("CDLv2"));
    QCOMPARE(static_cast<uint8_t>(log[9 + 0x150]), kLogCode | kLogJumpTarget);
#endif
  }

  // What ran counts in the trace as soon as the game stops, marked or not.
  void stopRetracesWithTheLogWhenNotMarked() {
#ifndef VELMORA_HAVE_EMULATOR
    QSKIP("built without mGBA's core library");
#else
    MainHarness h;
    // 0150 reaches 0200 through a byte in RAM, which the trace does not follow; D3 after the
    // jp hl keeps it from guessing on.
    QVERIFY(h.LoadNew("game.gb",
                      MakeRomBytes(0x8000, "RUN",
                                   {{0x100, {0x00, 0xC3, 0x50, 0x01}},
                                    {0x150, {0x3E, 0x00, 0xEA, 0x00, 0xC0, 0xFA, 0x00, 0xC0, 0x6F,
                                             0x26, 0x02, 0xE9, 0xD3}},
                                    {0x200, {0x18, 0xFE}}})));
    QCOMPARE(h.form->Tracer()->Current().ClassAt(0x200), ByteClass::Unknown);
    h.Action("Run1")->trigger();
    TRunWindow* run = h.form->findChild<TRunWindow*>();
    QVERIFY(run != nullptr);
    QTRY_VERIFY(run->Machine().FrameCount() > 4);
    AnswerNextBox([&] { run->findChild<QPushButton*>("StopButton")->click(); }, "No");
    QTRY_VERIFY(h.form->findChild<TRunWindow*>() == nullptr);
    QVERIFY(h.state.marks.Empty());
    QVERIFY(h.form->Tracer()->Fresh());
    QCOMPARE(h.form->Tracer()->Latest()->ClassAt(0x200), ByteClass::Code);
#endif
  }

  // The keys as the Keys... dialog shows and reads them.
  void keysReadAsTheyAreShown() {
    const TRunWindow::KeyMap keys = TRunWindow::DefaultKeys();
    QCOMPARE(RunKeysText(keys), "Up Down Left Right X Z Return Backspace");
    QVERIFY(ReadRunKeys(" Up  Down Left Right X Z Return Backspace ") == keys);
    const std::pair<const char*, const char*> refused[] = {
        {"Up Down", "Name eight keys: Up, Down, Left, Right, A, B, Start and Select."},
        {"Up Down Left Right X Z Return Nothing", "'Nothing' is no key."},
        {"Up Down Left Right X Z Return Ctrl+A", "'Ctrl+A' is no key."},
    };
    for (const auto& row : refused) {
      QCOMPARE(QString::fromStdString(*FailureText([&] { ReadRunKeys(row.first); })),
               QString(row.second));
    }
  }
};

QTEST_MAIN(RunWindowTest)
#include "RunWindowTest.moc"
