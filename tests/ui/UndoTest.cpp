// Undo and redo through the Edit menu and its keys: the steps that Change Instruction, the code
// editor and RunEdit make, the listing afterwards, and the unsaved-changes question.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <utility>
#include <vector>

#include "helpers/MainHarness.h"
#include "model/Failure.h"
#include "model/Header.h"
#include "ui/Resources.h"

namespace {

// 32 KiB of zeros with jp $0150 at 0x150.
QByteArray UndoRom() {
  return MakeRomBytes(0x8000, "UNDO", {{0x150, {0xC3, 0x50, 0x01}}});
}

QByteArray Bytes(const MainHarness& h, uint32_t offset, int count) {
  return QByteArray(reinterpret_cast<const char*>(h.state.rom.RomImage.data() + offset), count);
}

void Click(QWidget* window, const char* button) {
  QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton);
}

// Change Instruction on the line at `offset`. With `refusal`, OK is expected to show a box with
// that text; the dialog is then cancelled.
void ChangeInstruction(MainHarness& h, uint32_t offset, const QString& text,
                       const QString& refusal = {}) {
  h.form->ShowOffset(static_cast<int32_t>(offset));
  const bool seen = InspectNextModal([&] { h.Action("ChangeInstruction2")->trigger(); },
                                     [&](QWidget* w) {
                                       w->findChild<QComboBox*>("CodeCombo")->setEditText(text);
                                       const SeenBox box =
                                           AnswerNextBox([&] { Click(w, "OKButton"); });
                                       QCOMPARE(box.text, refusal);
                                       if (box.seen) Click(w, "CancelButton");
                                     });
  h.Activate();
  QVERIFY(seen);
}

// The code editor with these lines; a failing block is closed after its box.
void AssembleBlock(MainHarness& h, const QStringList& lines, const QString& refusal = {}) {
  const bool seen =
      InspectNextModal([&] { h.Action("CodeEditor2")->trigger(); },
                       [&](QWidget* w) {
                         w->findChild<QPlainTextEdit*>("Editor")->setPlainText(lines.join('\n'));
                         const SeenBox box = AnswerNextBox([&] { Click(w, "OKButton"); });
                         QCOMPARE(box.text, refusal);
                         if (box.seen) w->close();
                       });
  h.Activate();
  QVERIFY(seen);
}

// The Edit menu's two items as the user sees them: caption, or "" when disabled.
QStringList EditItems(const MainHarness& h) {
  QStringList items;
  for (const char* name : {"Undo1", "Redo1"}) {
    QAction* item = h.Action(name);
    items << (item->isEnabled() ? item->text() : QString());
  }
  return items;
}

void Key(MainHarness& h, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  h.Activate();
  QTest::keyClick(h.form.get(), key, modifiers);
}

// Load Rom, with its question about unsaved changes and its file dialog both cancelled: which
// of the two came.
std::pair<bool, bool> LoadAsks(MainHarness& h) {
  auto dialog = AnswerNextFileDialog(QString());
  const SeenBox question = AnswerNextBox([&] { h.Action("LoadRom1")->trigger(); }, "Cancel");
  h.Activate();
  return {question.seen, dialog->seen};
}

}  // namespace

class UndoTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  // Each command is one step: undo puts its bytes back and shows the first of them, redo puts
  // them in again, with either key of each; the items name the step.
  void undoAndRedoEachCommand() {
    const struct {
      const char* what;
      std::function<void(MainHarness&)> command;
      std::vector<std::pair<uint32_t, QByteArray>> after;
      int32_t shown;  // the first changed byte
      const char* caption;
      const char* undoneLine;  // the listing's first line after undo and after redo
      const char* line;
    } rows[] = {
        {"one byte",
         [](MainHarness& h) { ChangeInstruction(h, 0x150, "halt"); },
         {{0x150, QByteArray("\x76\x50\x01", 3)}},
         0x150,
         "Change Instruction at 00:0150",
         "00:0150 C3 50 01 jp $0150",
         "00:0150 76       halt"},
        {"three bytes",
         [](MainHarness& h) { ChangeInstruction(h, 0x4100, "jp $4150"); },
         {{0x4100, QByteArray("\xC3\x50\x41", 3)}},
         0x4100,
         "Change Instruction at 01:4100",
         "01:4100 00       nop",
         "01:4100 C3 50 41 jp $4150"},
        {"a block with two orgs",
         [](MainHarness& h) {
           AssembleBlock(h, {"org 01:4200", "ld a,$05", "org 00:0200", "@Here", "jr @Here"});
         },
         {{0x200, QByteArray("\x18\xFE", 2)}, {0x4200, QByteArray("\x3E\x05", 2)}},
         0x200,
         "Code Editor block at 00:0200",
         "00:0200 00       nop",
         "00:0200 18 FE    jr $0200"},
    };
    for (const auto& r : rows) {
      MainHarness h;
      QVERIFY(h.LoadNew("undo.gb", UndoRom()));
      QCOMPARE(EditItems(h), (QStringList{"", ""}));
      const std::vector<uint8_t> before = h.state.rom.RomImage;
      r.command(h);
      for (const auto& [offset, bytes] : r.after) QCOMPARE(Bytes(h, offset, bytes.size()), bytes);
      const std::vector<uint8_t> after = h.state.rom.RomImage;
      const QString caption(r.caption);
      QCOMPARE(EditItems(h), (QStringList{"&Undo " + caption, ""}));
      QVERIFY2(h.form->Modified(), r.what);

      const struct {
        Qt::KeyboardModifiers keys;
        bool undone;
      } presses[] = {{Qt::ControlModifier, true},
                     {Qt::ControlModifier | Qt::ShiftModifier, false},
                     {Qt::ControlModifier, true}};
      for (const auto& p : presses) {
        h.form->ShowOffset(0x1000);
        Key(h, Qt::Key_Z, p.keys);
        QVERIFY2(h.state.rom.RomImage == (p.undone ? before : after), r.what);
        QCOMPARE(h.form->StartOffset(), r.shown);
        QCOMPARE(h.List()->ItemIndex(), 0);
        QCOMPARE(h.Lines().front(), QString(p.undone ? r.undoneLine : r.line));
        QCOMPARE(EditItems(h), p.undone ? QStringList({"", "&Redo " + caption})
                                        : QStringList({"&Undo " + caption, ""}));
        QCOMPARE(h.form->Modified(), !p.undone);
      }
      Key(h, Qt::Key_Y, Qt::ControlModifier);
      QVERIFY2(h.state.rom.RomImage == after, r.what);
      QCOMPARE(h.Lines().front(), QString(r.line));
    }
  }

  // A new change after an undo drops what could have been redone; the steps before it stay.
  void aNewChangeDropsRedo() {
    MainHarness h;
    QVERIFY(h.LoadNew("undo.gb", UndoRom()));
    ChangeInstruction(h, 0x300, "ld b,$10");
    ChangeInstruction(h, 0x400, "ld c,$20");
    h.Action("Undo1")->trigger();
    QCOMPARE(EditItems(h), (QStringList{"&Undo Change Instruction at 00:0300",
                                        "&Redo Change Instruction at 00:0400"}));
    ChangeInstruction(h, 0x500, "ld d,$30");
    QCOMPARE(EditItems(h), (QStringList{"&Undo Change Instruction at 00:0500", ""}));
    h.Action("Undo1")->trigger();
    h.Action("Undo1")->trigger();
    QCOMPARE(EditItems(h), (QStringList{"", "&Redo Change Instruction at 00:0300"}));
    QCOMPARE(Bytes(h, 0x300, 0x201), QByteArray(0x201, '\0'));
  }

  // The question follows the stack: none at the state last saved or loaded, asked anywhere else;
  // once the saved state has been dropped by a new change, no state is saved any more.
  void theQuestionFollowsTheStack() {
    MainHarness h;
    const QString file = WriteFile(h.Folder(), "ask.gb", UndoRom());
    QVERIFY(h.Load(file));
    const struct {
      const char* what;
      std::function<void()> step;
      bool asked;
    } rows[] = {
        {"loaded", [] {}, false},
        {"a change", [&] { ChangeInstruction(h, 0x300, "ld b,$10"); }, true},
        {"undone to the loaded state", [&] { h.Action("Undo1")->trigger(); }, false},
        {"redone", [&] { h.Action("Redo1")->trigger(); }, true},
        {"saved", [&] { h.Action("Save1")->trigger(); }, false},
        {"undone past the save", [&] { h.Action("Undo1")->trigger(); }, true},
        {"redone to the save", [&] { h.Action("Redo1")->trigger(); }, false},
        {"undone again", [&] { h.Action("Undo1")->trigger(); }, true},
        {"a new change instead", [&] { ChangeInstruction(h, 0x400, "ld c,$20"); }, true},
        {"undone to where nothing was saved", [&] { h.Action("Undo1")->trigger(); }, true},
        {"a change that no step records", [&] { h.form->MarkModified(); }, true},
        {"saved again", [&] { h.Action("Save1")->trigger(); }, false},
    };
    for (const auto& r : rows) {
      r.step();
      QCOMPARE(h.form->Modified(), r.asked);
      QVERIFY2(LoadAsks(h) == std::make_pair(r.asked, !r.asked), r.what);
    }
    // Both changes were undone before the last save.
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), UndoRom());
  }

  // Edit is enabled from the first load on; a failed load keeps the steps, a load empties them.
  void aLoadEmptiesTheStack() {
    MainHarness h;
    QVERIFY(!h.MenuEnabled("Edit1"));
    QVERIFY(h.LoadNew("first.gb", UndoRom()));
    QVERIFY(h.MenuEnabled("Edit1"));
    ChangeInstruction(h, 0x300, "ld b,$10");
    ChangeInstruction(h, 0x400, "ld c,$20");
    // Undone back to the loaded bytes, so that Load asks nothing: the steps stay for redo.
    h.Action("Undo1")->trigger();
    h.Action("Undo1")->trigger();
    const QStringList items = EditItems(h);
    QCOMPARE(items, (QStringList{"", "&Redo Change Instruction at 00:0300"}));
    const SeenBox failed = AnswerNextBox([&] { h.Load(h.Folder() + "/missing.gb"); });
    QCOMPARE(failed.text, QString("File not found."));
    QCOMPARE(EditItems(h), items);

    const QString second = WriteFile(h.Folder(), "second.gb", UndoRom());
    QVERIFY(h.Load(second));
    QCOMPARE(h.state.rom.RomFileName, second.toStdString());
    QCOMPARE(EditItems(h), (QStringList{"", ""}));
    QVERIFY(!h.form->Modified());
  }

  // A refused or failed command, and one that writes the bytes already there, make no step and
  // leave the stack, redo included, as it was.
  void failedCommandsMakeNoStep() {
    MainHarness h;
    QVERIFY(h.LoadNew("undo.gb", UndoRom()));
    ChangeInstruction(h, 0x300, "ld b,$10");
    ChangeInstruction(h, 0x400, "ld c,$20");
    h.Action("Undo1")->trigger();
    const QStringList items = EditItems(h);
    const std::vector<uint8_t> image = h.state.rom.RomImage;
    const std::function<void()> commands[] = {
        [&] {
          ChangeInstruction(h, 0x300, "ld b,??", "Please replace question marks with a value.");
        },
        [&] { ChangeInstruction(h, 0x300, "ld a,[@Nowhere]", "Label Nowhere is not defined."); },
        [&] {
          AssembleBlock(h, {"org 00:0600", "ld a,$05", "jp @Nowhere"},
                        "Label Nowhere is not defined.");
        },
        [&] { ChangeInstruction(h, 0x150, "jp $0150"); },
        [&] {
          AssembleBlock(h, {"org 00:0300", "ld b,$10"});
        },
        [&] {
          const SeenBox box = AnswerNextBox([&] {
            QVERIFY(!h.form->RunEdit("Fail", [&] {
              h.state.rom.SetByte(0x700, 1);
              throw ErrorFailure("Nothing done.");
            }));
          });
          QCOMPARE(box.text, QString("Nothing done."));
        },
    };
    for (const auto& command : commands) {
      command();
      QCOMPARE(EditItems(h), items);
      QVERIFY(h.state.rom.RomImage == image);
    }
  }

  // RunEdit makes any core operation a step, one that changes the size too: the scroll range
  // follows the size both ways.
  void runEditRecordsAResize() {
    MainHarness h;
    QVERIFY(h.LoadNew("undo.gb", UndoRom()));
    Rom& rom = h.state.rom;
    QVERIFY(h.form->RunEdit("Rom Extender", [&] { ApplyRomChange(rom, ExtendRom(rom, 0x10000)); }));
    QCOMPARE(EditItems(h), (QStringList{"&Undo Rom Extender", ""}));
    QCOMPARE(h.Scroller()->maximum(), 0x10000 - 30);
    h.Action("Undo1")->trigger();
    QCOMPARE(rom.RomSize, 0x8000u);
    QCOMPARE(rom.BankCount, 2u);
    QCOMPARE(h.Scroller()->maximum(), 0x8000 - 30);
    QCOMPARE(Bytes(h, 0x8000, 4), QByteArray(4, '\0'));
    QCOMPARE(h.form->StartOffset(), 0x148);
    h.Action("Redo1")->trigger();
    QCOMPARE(rom.RomSize, 0x10000u);
    QCOMPARE(Bytes(h, 0xFFFC, 4), QByteArray(4, '\xFF'));
    QCOMPARE(h.Scroller()->maximum(), 0x10000 - 30);
  }
};

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
