// The Search, View > Labels and Tools commands driven through the main window: each opens its
// window, and what the user types there reaches the ROM, the listing and LastSearch.

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "helpers/MainHarness.h"
#include "ui/LabelTreeView.h"
#include "ui/Resources.h"

namespace {

// 128 KiB, eight banks. The bytes AB CD stand at 0x400, 0x410 and 0x14200, the high-page store
// ld [$FF00 + $80],a at 0x300 and 0x310, ld b,$20 at 0x4150 and ld a,$01 under the label
// Bank5.Entry at 0x14100 (05:4100). Everything else is nop.
QByteArray CommandsRom() {
  return MakeRomBytes(0x20000, "FLOWS",
                      {{0x200, {0xC3, 0x50, 0x01}},
                       {0x300, {0xE0, 0x80}},
                       {0x310, {0xE0, 0x80}},
                       {0x400, {0xAB, 0xCD}},
                       {0x410, {0xAB, 0xCD}},
                       {0x4150, {0x06, 0x20}},
                       {0x14100, {0x3E, 0x01}},
                       {0x14200, {0xAB, 0xCD}}});
}

// Loads the ROM with its symbol file: Main at 01:4150, Bank5.Entry at 05:4100.
bool LoadCommandsRom(MainHarness& h) {
  WriteFile(h.Folder(), "Flows.sym", "01:4150 Main\n05:4100 Bank5.Entry\n");
  return h.LoadNew("flows.gb", CommandsRom());
}

// What a command may change: the image, the listing, the selection, the unsaved mark and the
// record of the last search.
struct Shown {
  std::vector<uint8_t> image;
  QStringList lines;
  std::vector<int32_t> offsets;
  int selected;
  bool modified;
  SearchKind kind;
  std::string text;
  bool operator==(const Shown&) const = default;
};

Shown Snapshot(const MainHarness& h) {
  return {h.state.rom.RomImage,
          h.Lines(),
          h.form->LineOffsets(),
          h.List()->ItemIndex(),
          h.form->Modified(),
          h.state.lastSearch.LastSearchKind,
          h.state.lastSearch.LastSearchText};
}

QByteArray Bytes(const MainHarness& h, uint32_t offset, int count) {
  return QByteArray(reinterpret_cast<const char*>(h.state.rom.RomImage.data() + offset), count);
}

void SelectLine(const MainHarness& h, int line) {
  QTest::mouseClick(h.List(), Qt::LeftButton, {}, QPoint(20, line * 16 + 8));
}

void Press(QWidget* window, const char* button) {
  auto* found = window->findChild<QPushButton*>(button);
  QVERIFY2(found, button);
  QTest::mouseClick(found, Qt::LeftButton);
}

// Replaces the text of a one-line edit, or of the edit of an editable combo box, key by key.
void TypeInto(QWidget* window, const char* control, const QString& text) {
  QLineEdit* edit = window->findChild<QLineEdit*>(control);
  if (!edit) {
    auto* combo = window->findChild<QComboBox*>(control);
    QVERIFY2(combo, control);
    edit = combo->lineEdit();
  }
  QVERIFY2(edit, control);
  edit->setFocus();
  edit->selectAll();
  if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Types lines at the end of the code editor's text, each ended with Enter.
void AppendLines(QWidget* editor, const QStringList& lines) {
  auto* memo = editor->findChild<QPlainTextEdit*>("Editor");
  QVERIFY(memo);
  memo->setFocus();
  memo->moveCursor(QTextCursor::End);
  for (const QString& line : lines) {
    QTest::keyClicks(memo, line);
    QTest::keyClick(memo, Qt::Key_Return);
  }
}

QString EditorText(QWidget* editor) {
  return editor->findChild<QPlainTextEdit*>("Editor")->toPlainText();
}

// A dialog answered with `answer`, then the box that the main window shows after it.
SeenBox DialogThenBox(MainHarness& h, const char* action,
                      const std::function<void(QWidget*)>& answer) {
  const SeenBox box = AnswerBoxAfterModal([&] { h.Action(action)->trigger(); }, answer);
  h.Activate();
  return box;
}

// Types into the dialog's edit and presses Enter there.
std::function<void(QWidget*)> EnterText(const char* control, const QString& text) {
  return [control, text](QWidget* dialog) {
    TypeInto(dialog, control, text);
    QWidget* edit = dialog->findChild<QLineEdit*>(control);
    if (!edit) edit = dialog->findChild<QComboBox*>(control)->lineEdit();
    // A box while the dialog is still open means that its OK failed.
    const SeenBox refused = AnswerNextBox([&] { QTest::keyClick(edit, Qt::Key_Return); });
    QVERIFY2(!refused.seen, qPrintable(refused.text));
  };
}

// Presses the access key in the popup menu as soon as one shows, looking every 5 ms for 2 s.
void PressInNextPopup(Qt::Key accessKey, int triesLeft) {
  if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    QTest::keyClick(menu, accessKey);
  } else if (triesLeft > 0) {
    QTimer::singleShot(5, [accessKey, triesLeft] { PressInNextPopup(accessKey, triesLeft - 1); });
  }
}

// A right click on a listing line, then the access key of a popup item, once the popup shows.
void PopupItem(const MainHarness& h, int line, Qt::Key accessKey) {
  QTimer::singleShot(0, [accessKey] { PressInNextPopup(accessKey, 400); });
  // The window system follows a right press with a context menu event; QTest sends only the
  // press, so the event is sent here as the platform would.
  const QPoint at(20, line * 16 + 8);
  QTest::mouseClick(h.List(), Qt::RightButton, {}, at);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, h.List()->mapToGlobal(at));
  QApplication::sendEvent(h.List(), &menuEvent);
}

SeenBox Again(MainHarness& h) {
  const SeenBox box = AnswerNextBox([&] { h.Action("Again1")->trigger(); });
  h.Activate();
  return box;
}

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  // Every window opens with its title; leaving it without its OK changes nothing, also after
  // the user has typed a valid entry into it.
  void everyWindowOpensAndCancelChangesNothing() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    h.form->ShowOffset(0x200);
    SelectLine(h, 2);
    QCOMPARE(h.form->SelectedOffset(), 0x204);

    auto type = [](const char* control, const char* text) {
      return [control, text](QWidget* w) { TypeInto(w, control, text); };
    };
    auto pickMain = [](QWidget* w) {
      auto* tree = w->findChild<LabelTreeView*>("ProcTree");
      const QModelIndex main =
          tree->model()
              ->match(tree->model()->index(0, 0), Qt::DisplayRole, "Main", 1, Qt::MatchExactly)
              .value(0);
      QVERIFY(main.isValid());
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(main).center());
      QVERIFY(w->findChild<QPushButton*>("ShowButton")->isEnabled());
    };
    auto block = [](QWidget* w) { AppendLines(w, {"ld b,$10", "nop"}); };
    const struct {
      const char* action;
      const char* title;
      std::function<void(QWidget*)> fill;
      const char* leave;  // the button pressed; none: the window is closed by its title bar
    } rows[] = {
        {"Goto1", "Goto", type("AddrEdit", "01:4150"), "CancelButton"},
        {"Goto1", "Goto", type("AddrEdit", "01:4150"), "CloseButton"},
        {"Bytes1", "Search Bytes", type("DataEdit", "$AB CD"), "CancelButton"},
        {"Bytes1", "Search Bytes", type("DataEdit", "$AB CD"), "CloseButton"},
        {"Instruction1", "Search Instruction", type("CodeCombo", "halt"), "CancelButton"},
        {"Instruction1", "Search Instruction", type("CodeCombo", "halt"), "CloseButton"},
        // The label browser names the symbol file it shows.
        {"Labels1", "Labels - Flows.sym", pickMain, "FlatButton1"},
        {"Labels1", "Labels - Flows.sym", pickMain, "CloseButton"},
        {"ChangeInstruction2", "Change Instruction", type("CodeCombo", "ld b,$10"), "CancelButton"},
        {"ChangeInstruction1", "Change Instruction", type("CodeCombo", "ld b,$10"), "CloseButton"},
        {"CodeEditor2", "Code Editor", block, nullptr},
        {"CodeEditor1", "Code Editor", block, nullptr},
        {"Label1", "Label", type("Edit1", "Here"), "CancelButton"},
        {"Comment1", "Comment", type("Edit1", "here"), "CloseButton"},
        {"MarkData1", "Mark as Data", type("Edit1", "$10"), "CancelButton"},
    };
    for (const auto& r : rows) {
      const QByteArray tag = QByteArray(r.action) + " " + (r.leave ? r.leave : "close");
      const Shown before = Snapshot(h);
      QString title;
      bool closed = false;
      const bool seen = InspectNextModal([&] { h.Action(r.action)->trigger(); },
                                         [&](QWidget* w) {
                                           title = w->windowTitle();
                                           r.fill(w);
                                           // The code editor asks before its typed block
                                           // is thrown away.
                                           if (r.leave)
                                             Press(w, r.leave);
                                           else
                                             AnswerNextBox([&] { w->close(); }, "Yes");
                                           closed = !w->isVisible();
                                         });
      h.Activate();
      QVERIFY2(seen, tag);
      QCOMPARE(title, QString(r.title));
      QVERIFY2(closed, tag);
      QVERIFY2(Snapshot(h) == before, tag);
    }
    // The popup holds the two items that the Tools menu runs under other names, and the Edit
    // menu's Label, Comment and, after a line, its four Mark items.
    auto* pop = h.form->findChild<QMenu*>("Pop");
    const QList<QAction*> items = pop->actions();
    QCOMPARE(items.size(), 9);
    QCOMPARE(items.mid(0, 4), (QList<QAction*>{h.Action("ChangeInstruction1"), h.Action("CodeEditor1"),
                                               h.Action("Label1"), h.Action("Comment1")}));
    QVERIFY(items[4]->isSeparator());
    QCOMPARE(items.mid(5), (QList<QAction*>{h.Action("MarkCode1"), h.Action("MarkData1"),
                                            h.Action("MarkText1"), h.Action("MarkPointers1")}));
  }

  // An OK that is refused shows its box over the dialog, which stays open; Cancel after it
  // leaves the image, the listing, the unsaved mark and LastSearch as they were.
  void refusedEntriesThenCancelChangeNothing() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    h.form->ShowOffset(0x200);
    SelectLine(h, 1);
    const struct {
      const char* action;
      const char* control;
      const char* text;
      const char* title;
      const char* message;  // the start of the box's text
    } rows[] = {
        {"ChangeInstruction2", "CodeCombo", "ld b,??", "Info",
         "Please replace question marks with a value."},
        {"ChangeInstruction2", "CodeCombo", "ld a,[@Nowhere]", "Error",
         "Label Nowhere is not defined."},
        {"ChangeInstruction1", "CodeCombo", "", "Error",
         "Assembling failed, syntax error: unsupported instruction \"\"."},
        {"Instruction1", "CodeCombo", "ld b,??", "Info",
         "Please replace question marks with a value."},
        {"Goto1", "AddrEdit", "20:4000", "Error", "Address conversion error. This rom has $08"},
        {"Goto1", "AddrEdit", "12x", "Velmora", "'12x' is not a valid integer value."},
    };
    for (const auto& r : rows) {
      const Shown before = Snapshot(h);
      SeenBox box;
      bool stayedOpen = false;
      QVERIFY(InspectNextModal([&] { h.Action(r.action)->trigger(); },
                               [&](QWidget* w) {
                                 TypeInto(w, r.control, r.text);
                                 box = AnswerNextBox([&] { Press(w, "OKButton"); });
                                 stayedOpen = w->isVisible();
                                 Press(w, "CancelButton");
                               }));
      h.Activate();
      QVERIFY2(stayedOpen, r.text);
      QCOMPARE(box.title, QString(r.title));
      QVERIFY2(box.text.startsWith(r.message), qPrintable(box.text));
      QVERIFY2(Snapshot(h) == before, r.text);
    }
  }

  // Change Instruction writes at the selected line's offset; a label line stands for the
  // instruction under it.
  void changeInstructionWritesAtTheSelectedLine() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    const struct {
      int32_t show;
      int line;
      const char* action;
      uint32_t offset;       // where the bytes go
      int changedLine;       // the listing line that shows them
      const char* expected;  // its text afterwards
    } rows[] = {
        {0x200, 1, "ChangeInstruction2", 0x203, 1, "00:0203 06 10    ld b,$10"},
        {0x14100, 0, "ChangeInstruction1", 0x14100, 1, "05:4100 06 10    ld b,$10"},
    };
    for (const auto& r : rows) {
      // A save clears the unsaved mark, so each row shows that its own change sets it.
      if (h.form->Modified()) h.Action("Save1")->trigger();
      QVERIFY(!h.form->Modified());
      h.form->ShowOffset(r.show);
      SelectLine(h, r.line);
      const QByteArray after = Bytes(h, r.offset + 2, 16);
      const SeenBox box = DialogThenBox(h, r.action, EnterText("CodeCombo", "ld b,$10"));
      QVERIFY(!box.seen);
      QCOMPARE(Bytes(h, r.offset, 2), QByteArray("\x06\x10", 2));
      QCOMPARE(Bytes(h, r.offset + 2, 16), after);
      QCOMPARE(h.Lines().value(r.changedLine), QString(r.expected));
      QCOMPARE(h.List()->ItemIndex(), r.line);
      QVERIFY(h.form->Modified());
    }
    QCOMPARE(h.Lines().value(0), QString("@Bank5.Entry:"));
  }

  // A right click on a line selects it (the status panel follows), then offers the two commands,
  // which act on that line.
  void popupMenuActsOnTheClickedLine() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    h.form->ShowOffset(0x200);
    SelectLine(h, 1);

    QString org;
    QVERIFY(InspectNextModal([&] { PopupItem(h, 3, Qt::Key_E); },
                             [&](QWidget* w) { org = EditorText(w); }));
    h.Activate();
    QCOMPARE(org, QString("org 00:0205\n"));
    QCOMPARE(h.List()->ItemIndex(), 3);
    QCOMPARE(h.Panel0(), QString("000205"));

    const SeenBox box = AnswerBoxAfterModal([&] { PopupItem(h, 2, Qt::Key_C); },
                                            EnterText("CodeCombo", "ld b,$10"));
    h.Activate();
    QVERIFY(!box.seen);
    QCOMPARE(Bytes(h, 0x204, 2), QByteArray("\x06\x10", 2));
    QCOMPARE(h.Lines().value(2), QString("00:0204 06 10    ld b,$10"));
    QCOMPARE(h.Panel0(), QString("000204"));
    QVERIFY(h.form->Modified());
  }

  // The code editor opens with an org line for the selected instruction; a label line gives the
  // instruction under the label.
  void codeEditorStartsAtTheSelectedInstruction() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    h.form->ShowOffset(0x14100);
    const struct {
      int line;
      const char* action;
      const char* text;
    } rows[] = {
        {0, "CodeEditor1", "org 05:4100\n"},  // @Bank5.Entry:
        {0, "CodeEditor2", "org 05:4100\n"},
        {1, "CodeEditor2", "org 05:4100\n"},  // ld a,$01
        {2, "CodeEditor1", "org 05:4102\n"},
    };
    for (const auto& r : rows) {
      SelectLine(h, r.line);
      QString text;
      QVERIFY(InspectNextModal([&] { h.Action(r.action)->trigger(); },
                               [&](QWidget* w) { text = EditorText(w); }));
      h.Activate();
      QCOMPARE(text, QString(r.text));
    }
  }

  // A block with a forward label assembles and refills the listing; a failing block, stopped in
  // either pass, and a block that stores nothing leave the image and the unsaved mark as they
  // were.
  void codeEditorAssemblesFromTheToolsMenu() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    h.form->ShowOffset(0x4100);

    const struct {
      QStringList lines;  // typed after the editor's own org line; "" clears the editor first
      const char* title;
      const char* text;
    } failures[] = {
        {{"ld a,$05", "jp @Nowhere", "nop"}, "Error", "Label Nowhere is not defined."},
        {{"", "nop"},
         "Warning",
         "Compiling error: no orgion declared, you must set the address where compiled code "
         "will be placed e.g. \"org 01:4100\"."},
        {{"ld a,$05", "LD A,B"},
         "Error",
         "Assembling failed, syntax error: unsupported instruction \"LD A,B\"."},
    };
    for (const auto& f : failures) {
      const Shown before = Snapshot(h);
      SeenBox box;
      bool stayedOpen = false;
      QVERIFY(InspectNextModal([&] { h.Action("CodeEditor2")->trigger(); },
                               [&](QWidget* w) {
                                 QStringList lines = f.lines;
                                 if (lines.value(0).isEmpty() && !lines.isEmpty()) {
                                   Press(w, "ClearButton");
                                   lines.removeFirst();
                                 }
                                 AppendLines(w, lines);
                                 box = AnswerNextBox([&] { Press(w, "OKButton"); });
                                 stayedOpen = w->isVisible();
                                 AnswerNextBox([&] { w->close(); }, "Yes");
                               }));
      h.Activate();
      QVERIFY2(box.seen, f.text);
      QCOMPARE(box.title, QString(f.title));
      QCOMPARE(box.text, QString(f.text));
      QVERIFY(stayedOpen);
      QVERIFY2(Snapshot(h) == before, f.text);
    }

    // OK on the editor's start text, or on an emptied editor, closes the window and stores
    // nothing: the ROM is not marked as changed.
    for (bool clear : {false, true}) {
      const Shown before = Snapshot(h);
      bool closed = false;
      SeenBox none;
      QVERIFY(InspectNextModal([&] { h.Action("CodeEditor2")->trigger(); },
                               [&](QWidget* w) {
                                 if (clear) Press(w, "ClearButton");
                                 none = AnswerNextBox([&] { Press(w, "OKButton"); });
                                 closed = !w->isVisible();
                               }));
      h.Activate();
      QVERIFY(!none.seen);
      QVERIFY(closed);
      QVERIFY(Snapshot(h) == before);
    }

    bool closed = false;
    SeenBox none;
    QVERIFY(InspectNextModal([&] { h.Action("CodeEditor2")->trigger(); },
                             [&](QWidget* w) {
                               AppendLines(w, {"jr @Skip", "nop", "@Skip", "ret"});
                               none = AnswerNextBox([&] { Press(w, "OKButton"); });
                               closed = !w->isVisible();
                             }));
    h.Activate();
    QVERIFY(!none.seen);
    QVERIFY(closed);
    QCOMPARE(Bytes(h, 0x4100, 4), QByteArray("\x18\x01\x00\xC9", 4));
    QCOMPARE(h.Lines().mid(0, 3), (QStringList{"01:4100 18 01    jr $4103", "01:4102 00       nop",
                                               "01:4103 C9       ret"}));
    QVERIFY(h.form->Modified());
  }

  // A byte search starts at the selected line; Again goes on one byte after it.
  void byteSearchAndAgain() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    h.form->ShowOffset(0x3F0);
    SelectLine(h, 16);
    QCOMPARE(h.form->SelectedOffset(), 0x400);

    const struct {
      const char* text;  // typed into the dialog; none: Search > Again
      int32_t top;       // the listing's first line afterwards
      int selected;
      const char* info;  // the box after a miss
    } steps[] = {
        {"$AB CD", 0x400, 0, nullptr},  // found at the selected line itself
        {nullptr, 0x410, 0, nullptr},
        {nullptr, 0x14200, 0, nullptr},
        {nullptr, 0x14200, 0, "Sorry, bytes did not sound."},
        {"171 205 1", 0x14200, 0, "Sorry, bytes did not found."},
    };
    for (const auto& s : steps) {
      const SeenBox box =
          s.text ? DialogThenBox(h, "Bytes1", EnterText("DataEdit", s.text)) : Again(h);
      QCOMPARE(box.seen, s.info != nullptr);
      if (s.info) {
        QCOMPARE(box.title, QString("Info"));
        QCOMPARE(box.text, QString(s.info));
      }
      QCOMPARE(h.form->LineOffsets().front(), s.top);
      QCOMPARE(h.List()->ItemIndex(), s.selected);
    }
    QCOMPARE(h.state.lastSearch.LastSearchKind, SearchKind::Bytes);
    QCOMPARE(h.state.lastSearch.LastSearchText, std::string("171 205 1"));

    // A miss keeps the listing where it was, selection included.
    h.form->ShowOffset(0x3F0);
    SelectLine(h, 5);
    const Shown before = Snapshot(h);
    const SeenBox miss = DialogThenBox(h, "Bytes1", EnterText("DataEdit", "$AB CD EF"));
    QCOMPARE(miss.text, QString("Sorry, bytes did not found."));
    Shown after = Snapshot(h);
    after.text = before.text;
    QVERIFY(after == before);
  }

  // The text chooses the format the search decodes in; the listing keeps the user's format.
  void instructionSearchKeepsTheUsersFormat() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    const struct {
      const char* format;  // the user's choice, by its menu item
      const char* text;
      const char* line;  // the listing's first line, at the hit at 0x300
    } rows[] = {
        {"Hex1", "ld [$FF00 + 128],a", "00:0300 E0 80    ld [$FF00 + $80],a"},
        {"Dec1", "ld [$FF00 + $80],a", "00:0300 E0 80    ld [$FF00 + 128],a"},
        {"Bin1", "ld [$FF00 + 128],a", "00:0300 E0 80    ld [$FF00 + %10000000],a"},
    };
    for (const auto& r : rows) {
      h.Action(r.format)->trigger();
      const ValueFormat chosen = h.state.format;
      h.form->ShowOffset(0x100);
      const SeenBox box = DialogThenBox(h, "Instruction1", EnterText("CodeCombo", r.text));
      QVERIFY2(!box.seen, r.text);
      QCOMPARE(h.form->LineOffsets().front(), 0x300);
      QCOMPARE(h.Lines().value(0), QString(r.line));
      QCOMPARE(h.state.format, chosen);
      QVERIFY(h.Action(r.format)->isChecked());
    }

    // Again continues after the hit, and says so when there is nothing further.
    const QString missText = "Sorry, \"ld [$FF00 + 128],a\" could not been found.";
    QVERIFY(!Again(h).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x310);
    const SeenBox last = Again(h);
    QCOMPARE(last.title, QString("Info"));
    QCOMPARE(last.text, missText);
    QCOMPARE(h.form->LineOffsets().front(), 0x310);

    const SeenBox miss = DialogThenBox(h, "Instruction1", EnterText("CodeCombo", "halt"));
    QCOMPARE(miss.title, QString("Info"));
    QCOMPARE(miss.text, QString("Sorry, \"halt\" could not been found."));
    QCOMPARE(h.form->LineOffsets().front(), 0x310);
    QCOMPARE(h.state.lastSearch.LastSearchText, std::string("halt"));
  }

  // Again with nothing recorded, after a goto, and after a byte search that did not convert.
  void againRepeatsWhatWasRecorded() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    h.form->ShowOffset(0x100);
    const Shown start = Snapshot(h);
    const SeenBox nothing = Again(h);
    QCOMPARE(nothing.title, QString("Error"));
    QCOMPARE(nothing.text, QString("Nothing search again."));
    QVERIFY(Snapshot(h) == start);

    const SeenBox gone = DialogThenBox(h, "Goto1", EnterText("AddrEdit", "00:0150"));
    QVERIFY(!gone.seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x150);
    QCOMPARE(h.state.lastSearch.LastSearchText, std::string("336"));
    h.form->ShowOffset(0x1000);
    SelectLine(h, 3);
    QVERIFY(!Again(h).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x150);
    QCOMPARE(h.List()->ItemIndex(), 0);

    // The text is recorded before it fails to convert; the dialog stays open with its box.
    SeenBox failed;
    bool stayedOpen = false;
    QVERIFY(InspectNextModal([&] { h.Action("Bytes1")->trigger(); },
                             [&](QWidget* w) {
                               TypeInto(w, "DataEdit", "$AB GG");
                               failed = AnswerNextBox([&] { Press(w, "OKButton"); });
                               stayedOpen = w->isVisible();
                             }));
    h.Activate();
    QVERIFY(stayedOpen);
    QCOMPARE(failed.title, QString("Velmora"));
    QCOMPARE(failed.text, QString("'$GG' is not a valid integer value."));
    const Shown before = Snapshot(h);
    const SeenBox again = Again(h);
    QCOMPARE(again.title, failed.title);
    QCOMPARE(again.text, failed.text);
    QVERIFY(Snapshot(h) == before);
  }

  // Every byte can stand at the top of the listing: the last ones can be shown, selected and
  // changed, and Again after a match among them says that there is nothing further.
  void theLastBytesCanBeReached() {
    const struct {
      uint32_t size;
      int maximum;
    } sizes[] = {{1, 0}, {2, 1}, {31, 30}, {0x4000, 0x3FFF}};
    for (const auto& r : sizes) {
      MainHarness h;
      QVERIFY(h.LoadNew("end.gb", MakeRomBytes(r.size, "END")));
      QCOMPARE(h.Scroller()->maximum(), r.maximum);
      h.form->ShowOffset(0x7FFFFFFF);
      QCOMPARE(h.form->LineOffsets().front(), r.maximum);
    }

    MainHarness h;
    QVERIFY(h.LoadNew("end.gb", MakeRomBytes(0x4000, "END", {{0x100, {0xAB, 0xCD}},
                                                             {0x3FFE, {0xAB, 0xCD}}})));
    QVERIFY(!DialogThenBox(h, "Bytes1", EnterText("DataEdit", "$AB CD")).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x100);
    QVERIFY(!Again(h).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x3FFE);
    QCOMPARE(Again(h).text, QString("Sorry, bytes did not sound."));

    h.form->ShowOffset(0x3FF0);
    SelectLine(h, 15);
    QCOMPARE(h.form->SelectedOffset(), 0x3FFF);
    QCOMPARE(h.Panel0(), QString("003FFF"));
    QVERIFY(!DialogThenBox(h, "ChangeInstruction2", EnterText("CodeCombo", "halt")).seen);
    QCOMPARE(h.state.rom.Byte(0x3FFF), uint8_t{0x76});
    QCOMPARE(h.Lines().value(15), QString("00:3FFF 76       halt"));
  }

  // A goto moves the listing; one that fails leaves LastSearch to the search before it.
  void gotoAndAFailedGoto() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    QVERIFY(!DialogThenBox(h, "Goto1", EnterText("AddrEdit", "01:4150")).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x4150);
    QCOMPARE(h.Lines().mid(0, 2), (QStringList{"@Main:", "01:4150 06 20    ld b,$20"}));
    QCOMPARE(h.List()->ItemIndex(), 0);
    QCOMPARE(h.state.lastSearch.LastSearchText, std::string("16720"));

    h.form->ShowOffset(0x100);
    QVERIFY(!DialogThenBox(h, "Bytes1", EnterText("DataEdit", "$AB CD")).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x400);

    const Shown before = Snapshot(h);
    SeenBox refused;
    bool stayedOpen = false;
    QVERIFY(InspectNextModal([&] { h.Action("Goto1")->trigger(); },
                             [&](QWidget* w) {
                               TypeInto(w, "AddrEdit", "20:4000");
                               refused = AnswerNextBox([&] { Press(w, "OKButton"); });
                               stayedOpen = w->isVisible();
                             }));
    h.Activate();
    QVERIFY(stayedOpen);
    QCOMPARE(refused.title, QString("Error"));
    QVERIFY2(refused.text.startsWith("Address conversion error. This rom has $08 banks"),
             qPrintable(refused.text));
    QVERIFY(Snapshot(h) == before);

    QVERIFY(!Again(h).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x410);
  }

  // Show... moves the listing to the picked ROM label and records nothing: Again goes on with
  // the byte search from the label's place.
  void labelShowMovesTheListingOnly() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    QVERIFY(!DialogThenBox(h, "Bytes1", EnterText("DataEdit", "$AB CD")).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x400);
    SelectLine(h, 4);

    const LastSearch recorded = h.state.lastSearch;
    bool closed = false;
    QVERIFY(InspectNextModal(
        [&] { h.Action("Labels1")->trigger(); },
        [&](QWidget* w) {
          auto* tree = w->findChild<LabelTreeView*>("ProcTree");
          const QModelIndex entry = tree->model()
                                        ->match(tree->model()->index(0, 0), Qt::DisplayRole,
                                                "Entry", 1, Qt::MatchExactly | Qt::MatchRecursive)
                                        .value(0);
          QVERIFY(entry.isValid());
          QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(entry).center());
          Press(w, "ShowButton");
          closed = !w->isVisible();
        }));
    h.Activate();
    QVERIFY(closed);
    QCOMPARE(h.form->LineOffsets().front(), 0x14100);
    QCOMPARE(h.Lines().value(0), QString("@Bank5.Entry:"));
    QCOMPARE(h.List()->ItemIndex(), 0);
    QCOMPARE(h.state.lastSearch.LastSearchKind, recorded.LastSearchKind);
    QCOMPARE(h.state.lastSearch.LastSearchText, recorded.LastSearchText);

    QVERIFY(!Again(h).seen);
    QCOMPARE(h.form->LineOffsets().front(), 0x14200);
  }

  // Every jump of the listing leaves the status panel on the line now selected: a goto, the
  // searches and Again, the label browser's Show... and a load, each started with another line
  // selected.
  void statusPanelFollowsEveryJump() {
    MainHarness h;
    QVERIFY(LoadCommandsRom(h));
    auto showLabel = [&] {
      QVERIFY(InspectNextModal([&] { h.Action("Labels1")->trigger(); },
                               [&](QWidget* w) {
                                 auto* tree = w->findChild<LabelTreeView*>("ProcTree");
                                 tree->setCurrentIndex(
                                     tree->model()
                                         ->match(tree->model()->index(0, 0), Qt::DisplayRole,
                                                 "Entry", 1,
                                                 Qt::MatchExactly | Qt::MatchRecursive)
                                         .value(0));
                                 Press(w, "ShowButton");
                               }));
      h.Activate();
    };
    const struct {
      const char* what;
      std::function<void()> jump;
      const char* panel;
    } rows[] = {
        {"goto", [&] { DialogThenBox(h, "Goto1", EnterText("AddrEdit", "01:4150")); }, "004150"},
        {"bytes", [&] { DialogThenBox(h, "Bytes1", EnterText("DataEdit", "$AB CD")); }, "000400"},
        {"again", [&] { Again(h); }, "000400"},
        {"instruction",
         [&] { DialogThenBox(h, "Instruction1", EnterText("CodeCombo", "ld b,$20")); },
         "004150"},
        {"label", showLabel, "014100"},
        {"load", [&] { QVERIFY(h.LoadNew("flows.gb", CommandsRom())); }, "000000"},
    };
    for (const auto& r : rows) {
      h.form->ShowOffset(0x3F0);
      SelectLine(h, 5);
      QCOMPARE(h.Panel0(), QString("0003F5"));
      r.jump();
      QCOMPARE(h.List()->ItemIndex(), 0);
      QVERIFY2(h.Panel0() == r.panel, r.what);
    }
  }

  // The shortcuts reach their commands once a ROM is loaded, and nothing before.
  void shortcutsReachTheirCommands() {
    MainHarness h;
    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      const char* title;  // of the window that opens
    } rows[] = {
        {Qt::Key_G, Qt::ControlModifier, "Goto"},
        {Qt::Key_B, Qt::ControlModifier, "Search Bytes"},
        {Qt::Key_S, Qt::ControlModifier, "Search Instruction"},
        {Qt::Key_F3, Qt::NoModifier, "Error"},  // nothing to search again yet
        {Qt::Key_N, Qt::ControlModifier, "Label"},
    };
    for (bool loaded : {false, true}) {
      if (loaded) QVERIFY(LoadCommandsRom(h));
      for (const auto& r : rows) {
        QString title;
        const bool seen =
            InspectNextModal([&] { QTest::keyClick(h.form.get(), r.key, r.modifiers); },
                             [&](QWidget* w) { title = w->windowTitle(); });
        h.Activate();
        QCOMPARE(seen, loaded);
        if (loaded) QCOMPARE(title, QString(r.title));
      }
    }
  }
};

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
