// Labels, comments and marks made in the window: Edit > Label... (Ctrl+N), Comment... (";"),
// Mark as Code / Data / Text, the label browser's F2, Del and new RAM labels; each one undo step
// and an unsaved change, and refusals that change nothing.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "helpers/MainHarness.h"
#include "ui/LabelTreeView.h"
#include "ui/Resources.h"

namespace {

// jp $0150 at 0150, jr $0160 at 0160 (Loop, with a local Loop.end at 0168), eight bytes of
// ld a,n at 0170, marked as data; a RAM label wOld at C000.
struct AnnotatedRom {
  MainHarness h;
  AnnotatedRom() {
    WriteFile(h.Folder(), "annotate.sym", "00:0160 Loop\n00:0168 Loop.end\n00:0170 .data:8\n00:c000 wOld\n");
    h.LoadNew("annotate.gb",
              MakeRomBytes(0x8000, "ANNOTATE",
                           {{0x150, {0xC3, 0x50, 0x01}},
                            {0x160, {0x18, 0xFE}},
                            {0x170, {0x3E, 0x01, 0x3E, 0x02, 0x3E, 0x03, 0x3E, 0x04}}}));
  }
  // The listing from an offset with one of its lines selected.
  void Select(int32_t offset, int line) {
    h.form->ShowOffset(offset);
    h.List()->SetItemIndex(line);
    h.Activate();
  }
  QStringList Top(int count) const { return h.Lines().mid(0, count); }
  QString Modified() const { return h.form->findChild<QLabel*>("Panel1")->text(); }
};

// Runs a command that asks through the small dialog, types the texts and presses OK. Returns
// the text of the box that OK brought up ("" for none); the dialog is then cancelled.
QString Answer(const std::function<void()>& trigger, const QStringList& texts) {
  QString refusal;
  const bool seen = InspectNextModal(trigger, [&](QWidget* w) {
    for (int i = 0; i < texts.size(); ++i) {
      w->findChild<QLineEdit*>(QString("Edit%1").arg(i + 1))->setText(texts[i]);
    }
    refusal = AnswerNextBox([&] {
                QTest::mouseClick(w->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
              }).text;
  });
  if (!seen) return "no dialog";
  return refusal;
}

// The label tables as "Loop 0160, | wOld 00:C000, ".
QString LabelsText(const LabelTables& labels) {
  QString out;
  for (const RomLabel& l : labels.RomLabels()) {
    out += QString::fromStdString(l.Name) + QString(" %1, ").arg(l.Offset, 4, 16, QChar('0'));
  }
  out += "| ";
  for (const RamLabel& l : labels.RamLabels()) {
    out += QString::fromStdString(l.Name) +
           QString(" %1:%2, ").arg(l.Bank, 2, 16, QChar('0')).arg(l.Address, 4, 16, QChar('0'));
  }
  return out;
}

// Picks the label of that name in a tree of the label browser, as the keyboard does.
void Pick(QWidget* browser, const char* tree, const QString& name) {
  auto* view = browser->findChild<LabelTreeView*>(tree);
  const QModelIndex at =
      view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly)
          .value(0);
  QVERIFY(at.isValid());
  view->setFocus();
  view->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
}

void KeyOnList(MainHarness& h, int key, Qt::KeyboardModifiers modifiers = {}) {
  h.List()->setFocus();
  QTest::keyClick(h.List(), static_cast<Qt::Key>(key), modifiers);
}

}  // namespace

class AnnotateTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  // Each command changes the listing, is one step named after it, and makes the ROM modified;
  // undo shows the line as before and leaves nothing to save, redo puts the change back.
  void eachChangeIsOneStep() {
    const struct {
      int32_t offset;
      int line;
      std::function<void(MainHarness&)> trigger;
      QStringList typed;
      const char* caption;
      QStringList before;
      QStringList after;
    } rows[] = {
        {0x150, 0, [](MainHarness& h) { KeyOnList(h, Qt::Key_N, Qt::ControlModifier); }, {"Main"},
         "Label Main at 00:0150", {"00:0150 C3 50 01 jp $0150", "00:0153 00       nop"},
         {"@Main:", "00:0150 C3 50 01 jp @Main"}},
        // On the label line, or the instruction line under it: the label's name to change.
        {0x160, 0, [](MainHarness& h) { h.Action("Label1")->trigger(); }, {"Loop.wait"},
         "Rename Loop to Loop.wait", {"@Loop:", "00:0160 18 FE    jr @Loop"},
         {"@Loop.wait:", "00:0160 18 FE    jr @Loop.wait"}},
        {0x160, 1, [](MainHarness& h) { h.Action("Label1")->trigger(); }, {""},
         "Delete Label Loop", {"@Loop:", "00:0160 18 FE    jr @Loop"},
         {"00:0160 18 FE    jr $0160", "00:0162 00       nop"}},
        {0x150, 0, [](MainHarness& h) { KeyOnList(h, Qt::Key_Semicolon); }, {"spins"},
         "Comment at 00:0150", {"00:0150 C3 50 01 jp $0150", "00:0153 00       nop"},
         {"00:0150 C3 50 01 jp $0150 ; spins", "00:0153 00       nop"}},
        {0x150, 0, [](MainHarness& h) { KeyOnList(h, Qt::Key_D, Qt::ShiftModifier); }, {"00:0154"},
         "Mark as Data 00:0150-00:0154", {"00:0150 C3 50 01 jp $0150", "00:0153 00       nop"},
         {"00:0150          db $C3,$50,$01,$00,$00", "00:0155 00       nop"}},
        {0x170, 0, [](MainHarness& h) { h.Action("MarkCode1")->trigger(); }, {"+$4"},
         "Mark as Code 00:0170-00:0173",
         {"00:0170          db $3E,$01,$3E,$02,$3E,$03,$3E,$04", "00:0178 00       nop"},
         {"00:0170 3E 01    ld a,$01", "00:0172 3E 02    ld a,$02"}},
        // Two words: each shown by its target's name, a label made for it in the same step.
        {0x170, 0, [](MainHarness& h) { h.Action("MarkPointers1")->trigger(); }, {"words", "2"},
         "Mark as Pointer Table 00:0170-00:0173",
         {"00:0170          db $3E,$01,$3E,$02,$3E,$03,$3E,$04", "00:0178 00       nop"},
         {"00:0170          dw @Ptr_00_013E", "00:0172          dw @Ptr_00_023E"}},
    };
    for (const auto& r : rows) {
      AnnotatedRom rom;
      MainHarness& h = rom.h;
      rom.Select(r.offset, r.line);
      QCOMPARE(rom.Top(2), r.before);
      QCOMPARE(Answer([&] { r.trigger(h); }, r.typed), QString());
      h.Activate();
      QCOMPARE(rom.Top(2), r.after);
      QCOMPARE(h.Action("Undo1")->text(), "&Undo " + QString(r.caption));
      QCOMPARE(rom.Modified(), QString("Modified"));

      h.form->ShowOffset(0x1000);
      QTest::keyClick(h.form.get(), Qt::Key_Z, Qt::ControlModifier);
      QCOMPARE(h.form->StartOffset(), r.offset);
      QCOMPARE(rom.Top(2), r.before);
      QCOMPARE(rom.Modified(), QString());
      QTest::keyClick(h.form.get(), Qt::Key_Y, Qt::ControlModifier);
      QCOMPARE(rom.Top(2), r.after);
      QCOMPARE(rom.Modified(), QString("Modified"));
    }
  }

  // A GBDK bank number at 0001 has no line of its own: Ctrl+N on the instruction there makes a
  // new label rather than renaming the number's name.
  void numbersAreNotRenamedFromTheirPlace() {
    MainHarness h;
    WriteFile(h.Folder(), "gbdk.sym", "00:0001 b_actor\n");
    h.LoadNew("gbdk.gb", MakeRomBytes(0x8000, "GBDK", {}));
    h.form->ShowOffset(1);
    h.List()->SetItemIndex(0);
    h.Activate();
    QCOMPARE(Answer([&] { KeyOnList(h, Qt::Key_N, Qt::ControlModifier); }, {"Mine"}), QString());
    QCOMPARE(h.Action("Undo1")->text(), QString("&Undo Label Mine at 00:0001"));
    QCOMPARE(LabelsText(h.form->State().labels), QString("b_actor 0001, Mine 0001, | "));
  }

  // A name the format does not allow, a name the bank has, a range that is none: the box says
  // why, the dialog stays for a correction, and nothing changes.
  void refusalsChangeNothing() {
    const struct {
      const char* action;
      int32_t offset;
      QStringList typed;
      QString box;
    } rows[] = {
        {"Label1", 0x150, {"2nd"},
         "\"2nd\" is not a label name: it starts with a letter or \"_\" and holds only letters, "
         "digits and _ @ # $ ."},
        {"Label1", 0x150, {"Loop"}, "Bank 00 has a label Loop already, at 00:0160."},
        {"MarkText1", 0x7FF0, {"+$20"}, "\"+$20\": the range runs past the end of the ROM, at 01:7FFF."},
        {"MarkData1", 0x150, {"0x10"},
         "\"0x10\" is no place: type the last byte's bank address (01:4FFF), file offset ($4FFF "
         "or 20479) or label (@Name), or the length (+$200)."},
        {"MarkPointers1", 0x170, {"bw", "00:0171"},
         "00:0170-00:0171 is 2 bytes: no whole number of entries of 3."},
    };
    for (const auto& r : rows) {
      AnnotatedRom rom;
      MainHarness& h = rom.h;
      rom.Select(r.offset, 0);
      const QStringList before = rom.Top(3);
      QCOMPARE(Answer([&] { h.Action(r.action)->trigger(); }, r.typed), r.box);
      h.Activate();
      QCOMPARE(rom.Top(3), before);
      QVERIFY(!h.Action("Undo1")->isEnabled());
      QCOMPARE(rom.Modified(), QString());
    }
  }

  // In the label browser F2 renames the picked label, Del deletes it, Insert in the RAM tree
  // adds one by its place; the trees follow at once with the label picked (a filter that would
  // hide it gives way), and the change is one undo step of the main window. A renamed label's
  // locals follow it in the same step.
  void labelBrowserEdits() {
    const QString before = "Loop 0160, Loop.end 0168, | wOld 00:c000, ";
    const struct {
      const char* tree;
      const char* pick;  // "": the filter "Loop" instead
      Qt::Key key;
      QStringList typed;  // empty: no dialog
      QString box;        // a refusal, when there is one
      QString picked;     // the Info box's name afterwards
      QString after;      // the tables
      const char* caption;
    } rows[] = {
        {"ProcTree", "Loop", Qt::Key_F2, {"Spin"}, "", "Spin",
         "Spin 0160, Spin.end 0168, | wOld 00:c000, ",
         "Rename Loop to Spin"},
        {"ProcTree", "Loop", Qt::Key_Delete, {}, "", "", "Loop.end 0168, | wOld 00:c000, ",
         "Delete Label Loop"},
        {"VarTree", "wOld", Qt::Key_F2, {"wNew"}, "", "wNew",
         "Loop 0160, Loop.end 0168, | wNew 00:c000, ",
         "Rename wOld to wNew"},
        {"VarTree", "", Qt::Key_Insert, {"01:d010", "wBank"}, "", "wBank",
         "Loop 0160, Loop.end 0168, | wOld 00:c000, wBank 01:d010, ", "Label wBank at 01:D010"},
        {"VarTree", "wOld", Qt::Key_Insert, {"d010", "wBank"},
         "WRAMX (D000-DFFF) is banked: type the bank too, as in 00:D010.", "wOld", before, ""},
        {"VarTree", "wOld", Qt::Key_Insert, {"c010", ""}, "Type a name for the label.", "wOld",
         before, ""},
    };
    for (const auto& r : rows) {
      AnnotatedRom rom;
      MainHarness& h = rom.h;
      QString picked;
      QVERIFY(InspectNextModal([&] { h.Action("Labels1")->trigger(); }, [&](QWidget* browser) {
        if (*r.pick) {
          Pick(browser, r.tree, r.pick);
        } else {
          browser->findChild<QLineEdit*>("FilterEdit")->setText("Loop");
        }
        auto* tree = browser->findChild<LabelTreeView*>(r.tree);
        if (r.typed.isEmpty()) {
          QTest::keyClick(tree, r.key);
        } else {
          QCOMPARE(Answer([&] { QTest::keyClick(tree, r.key); }, r.typed), r.box);
        }
        picked = browser->findChild<QLabel*>("NameLabel")->text();
      }));
      h.Activate();
      QCOMPARE(picked, r.picked);
      QCOMPARE(LabelsText(h.state.labels), r.after);
      if (r.box.isEmpty()) {
        QCOMPARE(h.Action("Undo1")->text(), "&Undo " + QString(r.caption));
        QCOMPARE(rom.Modified(), QString("Modified"));
        h.Action("Undo1")->trigger();
        QCOMPARE(LabelsText(h.state.labels), before);
      } else {
        QVERIFY(!h.Action("Undo1")->isEnabled());
      }
    }
  }

  // Of two labels with one name, each node of the browser renames or deletes its own label, and
  // Ctrl+Z and Ctrl+Y work inside the browser, its tree following each step.
  void labelBrowserTwinsAndUndo() {
    const struct {
      int node;  // which of the two "Same" nodes
      Qt::Key key;
      QString typed;
      QString after;
    } rows[] = {
        {0, Qt::Key_F2, "First", "First 0150, Same 4010, | "},
        {1, Qt::Key_F2, "Second", "Same 0150, Second 4010, | "},
        {0, Qt::Key_Delete, "", "Same 4010, | "},
        {1, Qt::Key_Delete, "", "Same 0150, | "},
    };
    const QString before = "Same 0150, Same 4010, | ";
    for (const auto& r : rows) {
      MainHarness h;
      WriteFile(h.Folder(), "twins.sym", "00:0150 Same\n01:4010 Same\n");
      h.LoadNew("twins.gb", MakeRomBytes(0x8000, "TWINS", {}));
      QString undone, redone, shownAfterUndo;
      QVERIFY(InspectNextModal([&] { h.Action("Labels1")->trigger(); }, [&](QWidget* browser) {
        auto* tree = browser->findChild<LabelTreeView*>("ProcTree");
        const QModelIndexList twins = tree->model()->match(
            tree->model()->index(0, 0), Qt::DisplayRole, "Same", 2, Qt::MatchExactly);
        QCOMPARE(twins.size(), 2);
        tree->setFocus();
        tree->selectionModel()->setCurrentIndex(twins[r.node],
                                                QItemSelectionModel::ClearAndSelect);
        if (r.typed.isEmpty()) {
          QTest::keyClick(tree, r.key);
        } else {
          QCOMPARE(Answer([&] { QTest::keyClick(tree, r.key); }, {r.typed}), QString());
        }
        QCOMPARE(LabelsText(h.state.labels), r.after);
        // The browser active again, as after the rename dialog closed.
        browser->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(browser));
        QTest::keyClick(tree, Qt::Key_Z, Qt::ControlModifier);
        undone = LabelsText(h.state.labels);
        shownAfterUndo = tree->model()->index(1, 0).data().toString();
        QTest::keyClick(tree, Qt::Key_Y, Qt::ControlModifier);
        redone = LabelsText(h.state.labels);
        browser->close();
      }));
      QCOMPARE(undone, before);
      QCOMPARE(shownAfterUndo, QString("Same"));
      QCOMPARE(redone, r.after);
    }
  }

  // The mark dialog starts empty and shows the range that the text gives as it is typed.
  void markDialogShowsItsRange() {
    AnnotatedRom rom;
    MainHarness& h = rom.h;
    rom.Select(0x150, 0);
    const struct {
      QString typed;
      QString shown;
    } rows[] = {
        {"", ""},
        {"00:015F", "00:0150-00:015F, 16 bytes"},
        {"$150", "00:0150-00:0150, 1 byte"},
        {"+$1000", "00:0150-00:114F, 4,096 bytes"},
        {"@Loop.end", "00:0150-00:0168, 25 bytes"},
        {"00:4070", ""},
        {"$10", ""},
    };
    QString initial;
    QStringList shown;
    QVERIFY(InspectNextModal([&] { h.Action("MarkData1")->trigger(); }, [&](QWidget* w) {
      auto* edit = w->findChild<QLineEdit*>("Edit1");
      initial = edit->text();
      for (const auto& r : rows) {
        edit->setText(r.typed);
        shown << w->findChild<QLabel*>("PreviewLabel")->text();
      }
      w->close();
    }));
    QCOMPARE(initial, QString());
    for (size_t i = 0; i < std::size(rows); ++i) QCOMPARE(shown[static_cast<int>(i)], rows[i].shown);
  }

  // Comments and names are UTF-8 in the symbol file and in the dialogs: one read from the file
  // shows as written, one typed is kept as UTF-8 (no "?" and no Latin-1 byte E9).
  void humanTextIsUtf8BothWays() {
    const QString typed = QString::fromUtf8("café → ok ✓");
    const struct {
      std::function<void(MainHarness&)> trigger;
      QString shown;  // the dialog's text as it opens
    } rows[] = {
        {[](MainHarness& h) { KeyOnList(h, Qt::Key_Semicolon); }, QString::fromUtf8("déjà vu")},
        {[](MainHarness& h) { KeyOnList(h, Qt::Key_N, Qt::ControlModifier); },
         QString::fromUtf8("Ünï")},
    };
    for (const auto& r : rows) {
      MainHarness h;
      WriteFile(h.Folder(), "utf.sym", "00:0150 Ünï\n;@comment 00:0150 déjà vu\n");
      h.LoadNew("utf.gb", MakeRomBytes(0x8000, "UTF", {{0x150, {0xC3, 0x50, 0x01}}}));
      h.form->ShowOffset(0x150);
      h.List()->SetItemIndex(1);
      h.Activate();
      QString shown;
      QVERIFY(InspectNextModal([&] { r.trigger(h); }, [&](QWidget* w) {
        shown = w->findChild<QLineEdit*>("Edit1")->text();
        w->close();
      }));
      QCOMPARE(shown, r.shown);
    }
    MainHarness h;
    h.LoadNew("utf.gb", MakeRomBytes(0x8000, "UTF", {}));
    h.form->ShowOffset(0x150);
    h.Activate();
    QCOMPARE(Answer([&] { KeyOnList(h, Qt::Key_Semicolon); }, {typed}), QString());
    QCOMPARE(QByteArray::fromStdString(h.state.comments.at(0x150)), typed.toUtf8());
    // The label browser shows a name of the file as written.
    MainHarness b;
    WriteFile(b.Folder(), "utf.sym", "00:0160 Ünï\n");
    b.LoadNew("utf.gb", MakeRomBytes(0x8000, "UTF", {}));
    QVERIFY(InspectNextModal([&] { b.Action("Labels1")->trigger(); }, [&](QWidget* browser) {
      Pick(browser, "ProcTree", QString::fromUtf8("Ünï"));
      QCOMPARE(browser->findChild<QLabel*>("NameLabel")->text(), QString::fromUtf8("Ünï"));
      browser->close();
    }));
  }
};

QTEST_MAIN(AnnotateTest)
#include "AnnotateTest.moc"
