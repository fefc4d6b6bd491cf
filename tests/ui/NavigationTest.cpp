// Getting around the listing: the wheel, Follow, Back and Forward, goto a label, Find All and the
// keys of the two editing commands, driven through the main window.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>
#include <functional>

#include "helpers/MainHarness.h"
#include "ui/FindAll.h"
#include "ui/Resources.h"

namespace {

// 128 KiB, eight banks. A chain of calls: 0x150 call $0300 (Sub), 0x300 call $4100 (Far in
// bank 3 at 0xC100), 0xC100 jr to 0xC112, 0xC112 rst $38. More calls to Sub at 0x160 and at
// 05:4000. Three jp $0150 at 0x1000 for the wheel. Everything else is nop.
QByteArray NavigationRom() {
  return MakeRomBytes(0x20000, "NAVI",
                      {{0x150, {0xCD, 0x00, 0x03}},
                       {0x160, {0xCD, 0x00, 0x03}},
                       {0x300, {0xCD, 0x00, 0x41}},
                       {0x1000, {0xC3, 0x50, 0x01, 0xC3, 0x50, 0x01, 0xC3, 0x50, 0x01}},
                       {0xC100, {0x18, 0x10}},
                       {0xC112, {0xFF}},
                       {0x14000, {0xCD, 0x00, 0x03}}});
}

bool LoadNavigationRom(MainHarness& h) {
  WriteFile(h.Folder(), "Navi.sym", "00:0300 Sub\n03:4100 Far\n00:C0A0 wTransferRows\n");
  return h.LoadNew("navi.gb", NavigationRom());
}

QPoint LinePoint(int line) {
  return {20, line * 16 + 8};
}

void Wheel(QWidget* list, int delta) {
  const QPointF at(20, 20);
  QWheelEvent event(at, list->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(list, &event);
}

void Press(QWidget* window, const char* button) {
  auto* found = window->findChild<QPushButton*>(button);
  QVERIFY2(found, button);
  QTest::mouseClick(found, Qt::LeftButton);
}

void TypeInto(QWidget* window, const char* control, const QString& text) {
  QLineEdit* edit = window->findChild<QLineEdit*>(control);
  if (!edit) edit = window->findChild<QComboBox*>(control)->lineEdit();
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

// Opens a dialog with its menu item, types the text and presses a button; the box that the
// button shows while the dialog is open (a refused entry) is answered and returned.
SeenBox InDialog(MainHarness& h, const char* action, const char* control, const QString& text,
                 const char* button) {
  SeenBox refused;
  InspectNextModal([&] { h.Action(action)->trigger(); },
                   [&](QWidget* w) {
                     TypeInto(w, control, text);
                     refused = AnswerNextBox([&] { Press(w, button); });
                   });
  h.Activate();
  return refused;
}

// The results window shown now (one closed before may wait for its deletion).
TFindAllForm* FindAllWindow(const MainHarness& h) {
  for (auto* window : h.form->findChildren<TFindAllForm*>()) {
    if (window->isVisible()) return window;
  }
  return nullptr;
}

}  // namespace

class NavigationTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  // A notch (120 units, or smaller steps adding up to it) scrolls three instructions; the
  // selection keeps its line index.
  void wheelScrollsThreeInstructions() {
    MainHarness h;
    QVERIFY(LoadNavigationRom(h));
    const struct {
      int start;
      std::vector<int> deltas;
      int wantStart;
    } rows[] = {
        {0x1000, {-120}, 0x1009},      // down past the three jp
        {0x1009, {120}, 0x1000},       // up: only nine bytes back do three instructions end here
        {0x1001, {120}, 0x0FFE},       // no start ends exactly here: three bytes back
        {0x1000, {-60, -60}, 0x1009},  // a smooth wheel's half steps add up
        {0x1000, {-60}, 0x1000},
        {0x1000, {-240}, 0x100C},  // two notches
        {1, {120}, 0},             // not above the start of the ROM
    };
    for (const auto& r : rows) {
      h.form->ShowOffset(r.start);
      h.List()->SetItemIndex(4);
      for (int delta : r.deltas) Wheel(h.List(), delta);
      QCOMPARE(h.form->StartOffset(), r.wantStart);
      QCOMPARE(h.form->LineOffsets().front(), r.wantStart);
      QCOMPARE(h.List()->ItemIndex(), 4);
      // The half notch left over goes with the next row's first step.
      if (r.deltas == std::vector<int>{-60}) Wheel(h.List(), 60);
    }
  }

  // Follow three calls deep by F12 and Ctrl+click, a search and a goto among them; Back and
  // Forward by keys and mouse buttons retrace them, a new jump drops the forward places, and a
  // load forgets them all.
  void backAndForwardRetraceTheJumps() {
    MainHarness h;
    QVERIFY(LoadNavigationRom(h));
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) {
      return [&h, k, m] { QTest::keyClick(h.form.get(), k, m); };
    };
    auto mouse = [&](Qt::MouseButton button, int line, Qt::KeyboardModifiers m = {}) {
      return [&h, button, line, m] { QTest::mouseClick(h.List(), button, m, LinePoint(line)); };
    };
    auto dialog = [&](const char* action, const char* control, const char* text) {
      return [&h, action, control, text] {
        QVERIFY(!InDialog(h, action, control, text, "OKButton").seen);
      };
    };
    const struct {
      const char* step;
      std::function<void()> act;
      int wantStart;
      int wantLine;
    } rows[] = {
        {"goto", dialog("Goto1", "AddrEdit", "00:0150"), 0x150, 0},
        {"F12 on call Sub", key(Qt::Key_F12), 0x300, 0},  // line 0 is @Sub:
        {"select the call", mouse(Qt::LeftButton, 1), 0x300, 1},
        {"Ctrl+click on call Far", mouse(Qt::LeftButton, 1, Qt::ControlModifier), 0xC100, 0},
        {"select jr", mouse(Qt::LeftButton, 1), 0xC100, 1},
        {"F12 on jr", key(Qt::Key_F12), 0xC112, 0},
        {"F12 on rst", key(Qt::Key_F12), 0x38, 0},
        {"search", dialog("Instruction1", "CodeCombo", "call @Sub"), 0x150, 0},
        {"back", key(Qt::Key_Left, Qt::AltModifier), 0x38, 0},
        {"back", key(Qt::Key_Left, Qt::AltModifier), 0xC112, 0},
        {"back", key(Qt::Key_Left, Qt::AltModifier), 0xC100, 1},
        {"back", key(Qt::Key_Left, Qt::AltModifier), 0x300, 1},
        {"mouse back", mouse(Qt::BackButton, 5), 0x150, 0},
        {"back", key(Qt::Key_Left, Qt::AltModifier), 0, 0},
        {"nothing further back", key(Qt::Key_Left, Qt::AltModifier), 0, 0},
        {"forward", key(Qt::Key_Right, Qt::AltModifier), 0x150, 0},
        {"mouse forward", mouse(Qt::ForwardButton, 5), 0x300, 1},
        {"F3 after the search", key(Qt::Key_F3), 0x14000, 0},
        {"nothing forward after a jump", key(Qt::Key_Right, Qt::AltModifier), 0x14000, 0},
        {"back", key(Qt::Key_Left, Qt::AltModifier), 0x300, 1},
        {"F12 on a line without a target",
         [&] {
           h.form->ShowOffset(0x400);
           key(Qt::Key_F12)();
         },
         0x400, 0},
        {"back", key(Qt::Key_Left, Qt::AltModifier), 0x150, 0},
    };
    for (const auto& r : rows) {
      r.act();
      QVERIFY2(h.form->StartOffset() == r.wantStart,
               qPrintable(QString("%1: %2").arg(r.step).arg(h.form->StartOffset(), 0, 16)));
      QVERIFY2(h.List()->ItemIndex() == r.wantLine, r.step);
    }
    QVERIFY(h.Load(h.Folder() + "/navi.gb"));
    h.form->ShowOffset(0x200);
    key(Qt::Key_Left, Qt::AltModifier)();
    QCOMPARE(h.form->StartOffset(), 0x200);
  }

  // "@Name" in the goto dialog names a ROM label; the mode buttons leave it alone.
  void gotoALabel() {
    MainHarness h;
    QVERIFY(LoadNavigationRom(h));
    InspectNextModal([&] { h.Action("Goto1")->trigger(); },
                     [&](QWidget* w) {
                       auto* byOffset = w->findChild<QRadioButton*>("FileAddrCheck");
                       TypeInto(w, "AddrEdit", "@Far");
                       QVERIFY(w->findChild<QRadioButton*>("GBCheck")->isChecked());
                       byOffset->click();
                       QCOMPARE(w->findChild<QLineEdit*>("AddrEdit")->text(), QString("@Far"));
                       Press(w, "OKButton");
                     });
    h.Activate();
    QCOMPARE(h.form->StartOffset(), 0xC100);
    QCOMPARE(h.Lines().first(), QString("@Far:"));
    QCOMPARE(h.state.lastSearch.LastSearchText, std::string("49408"));

    const struct {
      const char* text;
      const char* title;
      const char* message;
    } refused[] = {
        {"@Nowhere", "Error", "Label Nowhere is not defined."},
        {"@wTransferRows", "Info",
         "Label wTransferRows is in RAM, at 00:C0A0: only ROM can be shown."},
    };
    for (const auto& r : refused) {
      const SeenBox box = InDialog(h, "Goto1", "AddrEdit", r.text, "OKButton");
      QCOMPARE(box.title, QString(r.title));
      QCOMPARE(box.text, QString(r.message));
      QCOMPARE(h.form->StartOffset(), 0xC100);
    }
  }

  // Find All lists every match in a window beside the main one; a click, a double-click or
  // Enter on a line shows it in the listing, and Back returns.
  void findAllListsEveryMatch() {
    MainHarness h;
    QVERIFY(LoadNavigationRom(h));
    h.form->ShowOffset(0x200);  // Find All starts at the start of the ROM all the same
    QVERIFY(!InDialog(h, "Instruction1", "CodeCombo", "call @Sub", "FindAllButton").seen);
    QPointer<TFindAllForm> found = FindAllWindow(h);
    QVERIFY(found);
    QVERIFY(!found->isModal());
    QCOMPARE(found->windowTitle(), QString::fromUtf8("Find All: call @Sub — 3 matches"));
    QVERIFY(!found->findChild<QLabel*>("StopLabel")->isVisible());
    auto* results = found->findChild<QListView*>("Results");
    QStringList lines;
    for (int i = 0; i < results->model()->rowCount(); ++i) {
      lines << results->model()->index(i, 0).data().toString();
    }
    QCOMPARE(lines, (QStringList{"00:0150 call @Sub", "00:0160 call @Sub", "05:4000 call @Sub"}));
    QCOMPARE(h.form->StartOffset(), 0x200);

    // The first match is current and drawn as selected; nothing is shown in the listing yet.
    const QModelIndex first = results->model()->index(0, 0);
    QCOMPARE(results->currentIndex(), first);
    QVERIFY(results->selectionModel()->isSelected(first));
    QVERIFY(QTest::qWaitForWindowExposed(found));
    const QRect row = results->visualRect(first);
    const QColor drawn =
        results->viewport()->grab().toImage().pixelColor(row.right() - 2, row.center().y());
    QVERIFY2(drawn == results->palette().color(QPalette::Active, QPalette::Highlight) ||
                 drawn == results->palette().color(QPalette::Inactive, QPalette::Highlight),
             qPrintable(drawn.name()));

    auto rowPoint = [&](int row) {
      return results->visualRect(results->model()->index(row, 0)).center();
    };
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, rowPoint(2));
    QCOMPARE(h.form->StartOffset(), 0x14000);
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, rowPoint(0));
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, rowPoint(0));
    QCOMPARE(h.form->StartOffset(), 0x150);
    results->setCurrentIndex(results->model()->index(1, 0));
    QTest::keyClick(results, Qt::Key_Return);
    QCOMPARE(h.form->StartOffset(), 0x160);
    for (int want : {0x150, 0x14000, 0x200}) {
      h.Activate();
      QTest::keyClick(h.form.get(), Qt::Key_Left, Qt::AltModifier);
      QCOMPARE(h.form->StartOffset(), want);
    }

    // A byte Find All over the whole ROM of zeros stops at 100000 and says so; it takes the
    // place of the window before.
    QVERIFY(!InDialog(h, "Bytes1", "DataEdit", "$00", "FindAllButton").seen);
    QTRY_VERIFY(found.isNull());
    QPointer<TFindAllForm> many = FindAllWindow(h);
    QVERIFY(many);
    QCOMPARE(many->windowTitle(), QString::fromUtf8("Find All: $00 — 100,000 matches (stopped)"));
    QVERIFY(many->findChild<QLabel*>("StopLabel")->isVisible());
    QCOMPARE(many->findChild<QLabel*>("StopLabel")->text(),
             QString("Stopped at 100,000 matches: the rest of the ROM was not searched."));
    QCOMPARE(h.state.lastSearch.LastSearchText, std::string("$00"));

    // A load closes it.
    QVERIFY(h.Load(h.Folder() + "/navi.gb"));
    QTRY_VERIFY(many.isNull());
  }

  // The open results run again after every change of the ROM or its labels, the selected match
  // staying selected while it is one; a Find All that finds nothing says so and leaves them open.
  void findAllFollowsEdits() {
    MainHarness h;
    QVERIFY(LoadNavigationRom(h));
    QVERIFY(!InDialog(h, "Instruction1", "CodeCombo", "call @Sub", "FindAllButton").seen);
    QPointer<TFindAllForm> found = FindAllWindow(h);
    QVERIFY(found);
    auto* results = found->findChild<QListView*>("Results");
    results->setCurrentIndex(results->model()->index(1, 0));  // 00:0160
    const auto change = [&](int32_t offset, const char* text) {
      return [&h, offset, text] {
        h.form->ShowOffset(offset);
        QVERIFY(!InDialog(h, "ChangeInstruction1", "CodeCombo", text, "OKButton").seen);
      };
    };
    const auto item = [&](const char* name) { return [&h, name] { h.Action(name)->trigger(); }; };
    // Edit > Label... on the label line of Sub: a new name, or none.
    const auto label = [&](const char* name) {
      return [&h, name] {
        h.form->ShowOffset(0x300);
        InspectNextModal([&h] { h.Action("Label1")->trigger(); },
                         [name](QWidget* w) {
                           w->findChild<QLineEdit*>("Edit1")->setText(name);
                           Press(w, "OKButton");
                         });
        h.Activate();
      };
    };
    const struct {
      const char* step;
      std::function<void()> act;
      QStringList lines;
      QString current;  // "" for none
    } rows[] = {
        {"the first call becomes a jump", change(0x150, "jp $4039"),
         {"00:0160 call @Sub", "05:4000 call @Sub"}, "00:0160 call @Sub"},
        {"undo", item("Undo1"), {"00:0150 call @Sub", "00:0160 call @Sub", "05:4000 call @Sub"},
         "00:0160 call @Sub"},
        {"redo", item("Redo1"), {"00:0160 call @Sub", "05:4000 call @Sub"}, "00:0160 call @Sub"},
        {"the selected call goes", change(0x160, "nop"), {"05:4000 call @Sub"}, ""},
        {"a new call", change(0x400, "call $0300"), {"00:0400 call @Sub", "05:4000 call @Sub"},
         ""},
        // The lines name the label as the listing does, and "@Sub" is no longer there to find.
        {"Sub renamed", label("Helper"), {}, ""},
        {"undo", item("Undo1"), {"00:0400 call @Sub", "05:4000 call @Sub"}, ""},
        {"Sub deleted", label(""), {}, ""},
        {"undo", item("Undo1"), {"00:0400 call @Sub", "05:4000 call @Sub"}, ""},
    };
    for (const auto& r : rows) {
      r.act();
      QVERIFY2(found, r.step);
      QStringList lines;
      for (int i = 0; i < results->model()->rowCount(); ++i) {
        lines << results->model()->index(i, 0).data().toString();
      }
      QCOMPARE(lines, r.lines);
      QCOMPARE(results->currentIndex().data().toString(), r.current);
      QCOMPARE(found->windowTitle(),
               QString::fromUtf8("Find All: call @Sub — %1 %2")
                   .arg(r.lines.size())
                   .arg(r.lines.size() == 1 ? "match" : "matches"));
    }

    const SeenBox miss = AnswerBoxAfterModal([&] { h.Action("Instruction1")->trigger(); },
                                             [&](QWidget* w) {
                                               TypeInto(w, "CodeCombo", "call $1234");
                                               Press(w, "FindAllButton");
                                             });
    QCOMPARE(miss.title, QString("Info"));
    QCOMPARE(miss.text, QString("Sorry, \"call $1234\" could not been found."));
    QVERIFY(found && found->isVisible());
    QCOMPARE(FindAllWindow(h), found.data());
  }

  // Enter and a double-click on a line open Change Instruction for it, Ctrl+E the code editor;
  // the Tools menu shows the keys.
  void keysOfTheEditingCommands() {
    MainHarness h;
    QVERIFY(LoadNavigationRom(h));
    QCOMPARE(h.Action("ChangeInstruction2")->shortcut(), QKeySequence(Qt::Key_Enter));
    QCOMPARE(h.Action("CodeEditor2")->shortcut(), QKeySequence("Ctrl+E"));
    h.form->ShowOffset(0x150);
    const struct {
      const char* what;
      std::function<void()> act;
      const char* title;
      QString text;  // the code editor's text
    } rows[] = {
        {"Return", [&] { QTest::keyClick(h.List(), Qt::Key_Return); }, "Change Instruction", ""},
        {"Enter", [&] { QTest::keyClick(h.List(), Qt::Key_Enter); }, "Change Instruction", ""},
        {"double-click",
         [&] {
           QTest::mouseClick(h.List(), Qt::LeftButton, {}, LinePoint(2));
           QTest::mouseDClick(h.List(), Qt::LeftButton, {}, LinePoint(2));
         },
         "Change Instruction", ""},
        {"Ctrl+E", [&] { QTest::keyClick(h.List(), Qt::Key_E, Qt::ControlModifier); },
         "Code Editor", "org 00:0154\n"},
    };
    for (const auto& r : rows) {
      QString title, text;
      const bool seen = InspectNextModal(r.act, [&](QWidget* w) {
        title = w->windowTitle();
        if (auto* editor = w->findChild<QPlainTextEdit*>("Editor")) text = editor->toPlainText();
      });
      h.Activate();
      QVERIFY2(seen, r.what);
      QCOMPARE(title, QString(r.title));
      QCOMPARE(text, r.text);
      // The double-click selected its line, which the next rows act on.
      QCOMPARE(h.form->SelectedOffset(),
               r.what == QString("Return") || r.what == QString("Enter") ? 0x150 : 0x154);
    }
  }
};

QTEST_MAIN(NavigationTest)
#include "NavigationTest.moc"
