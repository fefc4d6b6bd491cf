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

// Change Instruction (the text typed at the listing's first line) or the code editor (the whole
// block), then OK. `refusal`: the text of the box that OK brings up; the dialog is then left.
void Run(MainHarness& h, const char* action, const QString& text, const QString& refusal = {}) {
  const bool seen = InspectNextModal(
      [&] { h.Action(action)->trigger(); },
      [&](QWidget* w) {
        if (auto* combo = w->findChild<QComboBox*>("CodeCombo")) combo->setEditText(text);
        if (auto* editor = w->findChild<QPlainTextEdit*>("Editor")) editor->setPlainText(text);
        const SeenBox box = AnswerNextBox(
            [&] { QTest::mouseClick(w->findChild<QPushButton*>("OKButton"), Qt::LeftButton); });
        QCOMPARE(box.text, refusal);
        // A refused block stays in the editor, and closing it then asks before dropping the text.
        if (!refusal.isEmpty() && w->findChild<QPlainTextEdit*>("Editor")) {
          AnswerNextBox([&] { w->close(); }, "Yes");
        }
      });
  h.Activate();
  QVERIFY(seen);
}

void ChangeAt(MainHarness& h, int32_t offset, const QString& text, const QString& refusal = {}) {
  h.form->ShowOffset(offset);
  Run(h, "ChangeInstruction2", text, refusal);
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

  // Each command is one step: undo puts its bytes (and size) back and shows the first of them,
  // redo puts them in again, with every key of each; the items name the step.
  void undoAndRedoEachCommand() {
    const struct {
      std::function<void(MainHarness&)> command;
      const char* caption;
      const char* undoneLine;  // the listing's first line after undo and after redo
      const char* doneLine;
    } rows[] = {
        {[](MainHarness& h) { ChangeAt(h, 0x150, "halt"); }, "Change Instruction at 00:0150",
         "00:0150 C3 50 01 jp $0150", "00:0150 76       halt"},
        {[](MainHarness& h) { ChangeAt(h, 0x4100, "jp $4150"); }, "Change Instruction at 01:4100",
         "01:4100 00       nop", "01:4100 C3 50 41 jp $4150"},
        {[](MainHarness& h) {
           Run(h, "CodeEditor2", "org 01:4200\nld a,$05\norg 00:0200\n@Here\njr @Here");
         },
         "Code Editor block at 00:0200", "00:0200 00       nop", "00:0200 18 FE    jr $0200"},
        // 64 KiB: the size code at 0x148 is 1, the new bytes 0xFF.
        {[](MainHarness& h) {
           Rom& rom = h.state.rom;
           QVERIFY(h.form->RunEdit("Rom Extender",
                                   [&] { ApplyRomChange(rom, ExtendRom(rom, 0x10000)); }));
         },
         "Rom Extender", "00:0148 00       nop", "00:0148 01 00 00 ld bc,$0000"},
    };
    for (const auto& r : rows) {
      MainHarness h;
      QVERIFY(h.LoadNew("undo.gb", UndoRom()));
      QCOMPARE(EditItems(h), (QStringList{"", ""}));
      const Rom before = h.state.rom;
      r.command(h);
      const Rom after = h.state.rom;
      const QString caption(r.caption);
      QCOMPARE(EditItems(h), (QStringList{"&Undo " + caption, ""}));

      const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool undone;
      } presses[] = {{Qt::Key_Z, Qt::ControlModifier, true},
                     {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, false},
                     {Qt::Key_Z, Qt::ControlModifier, true},
                     {Qt::Key_Y, Qt::ControlModifier, false}};
      for (const auto& p : presses) {
        h.form->ShowOffset(0x1000);
        h.Activate();
        QTest::keyClick(h.form.get(), p.key, p.modifiers);
        const Rom& expected = p.undone ? before : after;
        QVERIFY2(h.state.rom.RomImage == expected.RomImage, r.caption);
        QCOMPARE(h.state.rom.RomSize, expected.RomSize);
        QCOMPARE(h.Scroller()->maximum(), int(expected.RomSize) - 1);
        QCOMPARE(h.Lines().front(), QString(p.undone ? r.undoneLine : r.doneLine));
        QCOMPARE(h.List()->ItemIndex(), 0);
        QCOMPARE(EditItems(h), p.undone ? QStringList({"", "&Redo " + caption})
                                        : QStringList({"&Undo " + caption, ""}));
        // Back returns to where the listing stood before.
        h.Action("Back1")->trigger();
        QCOMPARE(h.form->StartOffset(), 0x1000);
      }
    }
  }

  // The question follows the stack: none at the state last saved or loaded, asked anywhere else;
  // once a new change has dropped the saved state, no state is saved any more.
  void theQuestionFollowsTheStack() {
    MainHarness h;
    const QString file = WriteFile(h.Folder(), "ask.gb", UndoRom());
    QVERIFY(h.Load(file));
    auto undo = [&] { h.Action("Undo1")->trigger(); };
    auto redo = [&] { h.Action("Redo1")->trigger(); };
    auto save = [&] { h.Action("Save1")->trigger(); };
    const struct {
      const char* what;
      std::function<void()> step;
      bool asked;
    } rows[] = {
        {"loaded", [] {}, false},
        {"a change", [&] { ChangeAt(h, 0x300, "ld b,$10"); }, true},
        {"undone to the loaded state", undo, false},
        {"redone", redo, true},
        {"saved", save, false},
        {"undone past the save", undo, true},
        {"redone to the save", redo, false},
        {"undone again", undo, true},
        {"a new change instead", [&] { ChangeAt(h, 0x400, "ld c,$20"); }, true},
        {"undone to where nothing was saved", undo, true},
        {"a change that no step records", [&] { h.form->MarkModified(); }, true},
        {"saved again", save, false},
    };
    for (const auto& r : rows) {
      r.step();
      QVERIFY2(h.form->Modified() == r.asked, r.what);
      QVERIFY2(LoadAsks(h) == std::make_pair(r.asked, !r.asked), r.what);
    }
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), UndoRom());
  }

  // Edit is enabled from the first load on. A new change drops what could have been redone; a
  // failed load keeps the steps, a load empties them.
  void newChangesAndLoadsDropSteps() {
    MainHarness h;
    QVERIFY(!h.MenuEnabled("Edit1"));
    QVERIFY(h.LoadNew("first.gb", UndoRom()));
    QVERIFY(h.MenuEnabled("Edit1"));
    ChangeAt(h, 0x300, "ld b,$10");
    ChangeAt(h, 0x400, "ld c,$20");
    h.Action("Undo1")->trigger();
    QCOMPARE(EditItems(h), (QStringList{"&Undo Change Instruction at 00:0300",
                                        "&Redo Change Instruction at 00:0400"}));
    ChangeAt(h, 0x500, "ld d,$30");
    QCOMPARE(EditItems(h), (QStringList{"&Undo Change Instruction at 00:0500", ""}));
    // Back to the loaded bytes, so that Load asks nothing.
    h.Action("Undo1")->trigger();
    h.Action("Undo1")->trigger();
    QCOMPARE(EditItems(h), (QStringList{"", "&Redo Change Instruction at 00:0300"}));

    const SeenBox failed = AnswerNextBox([&] { h.Load(h.Folder() + "/missing.gb"); });
    QCOMPARE(failed.text, "File not found.\n" + h.Folder() + "/missing.gb");
    QCOMPARE(EditItems(h), (QStringList{"", "&Redo Change Instruction at 00:0300"}));
    QVERIFY(h.LoadNew("second.gb", UndoRom()));
    QCOMPARE(EditItems(h), (QStringList{"", ""}));
    QVERIFY(!h.form->Modified());
  }

  // A refused or failed command, and one that stores the bytes already there, make no step and
  // leave the image and the stack, redo included, as they were.
  void failedCommandsMakeNoStep() {
    MainHarness h;
    QVERIFY(h.LoadNew("undo.gb", UndoRom()));
    ChangeAt(h, 0x300, "ld b,$10");
    ChangeAt(h, 0x400, "ld c,$20");
    h.Action("Undo1")->trigger();
    const QStringList items = EditItems(h);
    const std::vector<uint8_t> image = h.state.rom.RomImage;
    const std::function<void()> commands[] = {
        [&] { ChangeAt(h, 0x300, "ld b,??", "Please replace question marks with a value."); },
        [&] {
          Run(h, "CodeEditor2", "org 00:0600\nld a,$05\njp @Nowhere",
              "Label Nowhere is not defined.");
        },
        [&] { ChangeAt(h, 0x150, "jp $0150"); },
        [&] { Run(h, "CodeEditor2", "org 00:0300\nld b,$10"); },
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
};

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
