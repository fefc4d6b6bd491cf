// Load Rom, Save and Save As through the real file dialogs, their failures, and the question
// about unsaved changes.

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <map>

#include "helpers/MainHarness.h"
#include "ui/Resources.h"

namespace {

// What the window shows, to compare before and after a command.
struct Shown {
  QString caption;
  QStringList lines;
  bool listVisible;
  bool menusEnabled;
  int maximum;
  bool operator==(const Shown&) const = default;
};

Shown Snapshot(const MainHarness& h) {
  return {h.form->windowTitle(), h.Lines(), h.List()->isVisible(), h.MenuEnabled("Search1"),
          h.Scroller()->maximum()};
}

}  // namespace

class FileCommandsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void loadShowsTheRomWithItsLabels() {
    MainHarness h;
    WriteFile(h.Folder(), "Super demo.sym", "; made by hand\n00:0000 Boot\n01:4000 Bank1\n");
    QVERIFY(h.LoadNew("demo.gbc", MakeRomBytes(0x8000, "SUPER DEMO", {{0x0, {0xC3, 0x00, 0x40}}})));
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Super demo"));
    QCOMPARE(h.Lines().mid(0, 2), (QStringList{"@Boot:", "00:0000 C3 00 40 jp @Bank1"}));
    QCOMPARE(h.List()->ItemIndex(), 0);
    QCOMPARE(h.Scroller()->maximum(), 0x8000 - 1);
    QVERIFY(!h.form->Modified());

    // The open dialog offers the name chosen last time.
    auto again = AnswerNextFileDialog(QString());
    h.Action("LoadRom1")->trigger();
    QVERIFY(again->seen);
    QCOMPARE(again->offeredName, QString("demo.gbc"));
    // The folder and the kind of file the user went to before cancelling, as a dialog kept
    // between uses would show them.
    QVERIFY(QDir(h.Folder()).mkdir("sub"));
    QVERIFY(InspectNextModal([&] { h.Action("LoadRom1")->trigger(); },
                             [&](QWidget* w) {
                               auto* dialog = qobject_cast<QFileDialog*>(w);
                               dialog->selectNameFilter("All Files [*.*] (*)");
                               dialog->setDirectory(h.Folder() + "/sub");
                               dialog->reject();
                             }));
    QString folder, filter;
    QVERIFY(InspectNextModal([&] { h.Action("LoadRom1")->trigger(); },
                             [&](QWidget* w) {
                               auto* dialog = qobject_cast<QFileDialog*>(w);
                               folder = dialog->directory().absolutePath();
                               filter = dialog->selectedNameFilter();
                               dialog->reject();
                             }));
    QCOMPARE(folder, QDir(h.Folder() + "/sub").absolutePath());
    QCOMPARE(filter, QString("All Files [*.*]"));
  }

  void failedLoadsChangeNothing() {
    MainHarness h;
    struct Row {
      const char* name;
      QByteArray contents;  // empty: the file is not written
      const char* title;
      const char* text;
    };
    const Row rows[] = {
        // A file error names the file on a line of its own.
        {"missing.gb", QByteArray(), "Velmora", "File not found.\n%1"},
        {"empty.gb", QByteArray(""), "Error", "File is empty."},
    };
    for (int loaded = 0; loaded < 2; ++loaded) {
      if (loaded) QVERIFY(h.LoadNew("good.gb", MakeRomBytes(0x4000, "GOOD")));
      for (const Row& r : rows) {
        QString path = h.Folder() + "/" + r.name;
        if (!r.contents.isNull()) WriteFile(h.Folder(), r.name, r.contents);
        const Shown before = Snapshot(h);
        bool dialogCame = false;
        const SeenBox box = AnswerNextBox([&] { dialogCame = h.Load(path); });
        QVERIFY(dialogCame);
        QVERIFY(box.seen);
        QCOMPARE(box.title, QString(r.title));
        QCOMPARE(box.text, QString(r.text).replace("%1", path));
        QVERIFY(Snapshot(h) == before);
      }
    }
    QCOMPARE(h.state.rom.RomFileName, h.Folder().toStdString() + "/good.gb");
  }

  // A line that cannot be read is skipped and said in the status bar; the other lines serve, and
  // the next load says nothing of it.
  void symbolLinesThatCannotBeReadAreSkippedAndSaid() {
    MainHarness h;
    WriteFile(h.Folder(), "Broken.sym", "00:0100 Fine\nZZ:0100 Bad\n00:0104 After\n");
    const QString rom = WriteFile(h.Folder(), "broken.gb", MakeRomBytes(0x4000, "BROKEN"));
    QVERIFY(h.form->LoadRomNamed(rom));
    auto* report = h.form->findChild<QLabel*>("ReportPanel");
    QCOMPARE(report->text(), QString("1 line of Broken.sym skipped; line 2: ZZ:0100 Bad"));
    QCOMPARE(h.state.labels.RomLabels().size(), size_t{2});
    h.form->ShowOffset(0x100);
    QCOMPARE(h.Lines().value(0), QString("@Fine:"));
    QVERIFY(h.LoadNew("first.gb", MakeRomBytes(0x8000, "FIRST")));
    QCOMPARE(report->text(), QString());
  }

  // A shorter ROM after a longer one: past its end the listing shows zeros, not the old bytes,
  // and a file shorter than the header has no title.
  void noBytesOfTheLastRomShowThrough() {
    MainHarness h;
    QVERIFY(h.LoadNew("big.gb", QByteArray(0x20000, char(0xFF))));
    QVERIFY(h.LoadNew("small.gb", MakeRomBytes(0x10000, "SMALL")));
    h.form->ShowOffset(0xFFFF);
    QCOMPARE(h.Lines().mid(0, 2),
             (QStringList{"03:7FFF 00       nop", "04:4000 00       nop"}));
    QVERIFY(h.LoadNew("tiny.gb", QByteArray(0x10, char(0x3C))));
    QCOMPARE(h.form->windowTitle(), QString("Velmora - "));
    QCOMPARE(h.Lines().mid(15, 2), (QStringList{"00:000F 3C       inc a", "00:0010 00       nop"}));
  }

  // Save As writes the ROM and its symbol files under the new name (asking before a file there
  // is replaced), and the ROM is that file from then on: Save writes there, the old files stay.
  void saveAsMovesTheRomAndItsSymbols() {
    using Files = std::map<QString, QByteArray>;
    constexpr const char* kLinker = "; File generated by rgblink\n00:0150 Main\n";
    const char* kThere = "copy.sym is there already beside copy.gb. Replace it with the labels, "
                         "comments and marks?\n\nNo saves nothing.";
    struct Row {
      const char* what;
      Files before;      // beside save.gb
      bool addLabel;     // a label added at 00:0170 before the Save As
      const char* answer;  // to the question about a file there, "" when none comes
      Files after;       // the .sym files afterwards
    };
    const Row rows[] = {
        {"no symbols", {}, false, "", {}},
        {"a new label, no symbol file", {}, true, "", {{"copy.sym", "00:0170 Tick\n"}}},
        {"the ROM's file with a new label", {{"save.sym", "00:0150 Main\n"}}, true, "",
         {{"save.sym", "00:0150 Main\n"}, {"copy.sym", "00:0150 Main\n00:0170 Tick\n"}}},
        {"the linker's file and the program's, copied without a question",
         {{"save.sym", kLinker}, {"save.velmora.sym", "00:0160 Mine\n"}}, true, "",
         {{"save.sym", kLinker},
          {"save.velmora.sym", "00:0160 Mine\n"},
          {"copy.sym", kLinker},
          {"copy.velmora.sym", "00:0160 Mine\n00:0170 Tick\n"}}},
        {"a file there, replaced", {{"save.sym", "00:0150 Main\n"}, {"copy.sym", "old\n"}}, false,
         "Yes", {{"save.sym", "00:0150 Main\n"}, {"copy.sym", "00:0150 Main\n"}}},
        {"a file there, kept: nothing saved",
         {{"save.sym", "00:0150 Main\n"}, {"copy.sym", "old\n"}}, false, "No",
         {{"save.sym", "00:0150 Main\n"}, {"copy.sym", "old\n"}}},
    };
    for (const Row& r : rows) {
      MainHarness h;
      for (const auto& [name, text] : r.before) WriteFile(h.Folder(), name, text);
      const QByteArray original = MakeRomBytes(0x4000, "SAVE");
      const QString loaded = WriteFile(h.Folder(), "save.gb", original);
      QVERIFY(h.Load(loaded));
      h.form->RunEdit("Poke", [&] { h.state.rom.SetByte(0x100, 0xAA); });
      if (r.addLabel) h.state.labels.AddRomLabel(0x170, "Tick");

      auto saveAs = AnswerNextFileDialog(h.Folder() + "/copy");  // the default suffix is added
      const SeenBox box = AnswerNextBox([&] { h.Action("SaveAs1")->trigger(); }, r.answer);
      h.Activate();
      QVERIFY(saveAs->seen);
      QCOMPARE(box.seen, *r.answer != 0);
      if (box.seen) QCOMPARE(box.text, QString(kThere));
      Files after;
      for (const QString& name : QDir(h.Folder()).entryList({"*.sym"}, QDir::Files))
        after[name] = ReadFile(h.Folder() + "/" + name);
      QVERIFY2(after == r.after, r.what);
      QCOMPARE(ReadFile(loaded), original);
      QByteArray expected = original;
      expected[0x100] = char(0xAA);
      if (QString(r.answer) == "No") {
        QVERIFY(!QFile::exists(h.Folder() + "/copy.gb"));
        QVERIFY(h.form->Modified());
        continue;
      }
      QCOMPARE(ReadFile(h.Folder() + "/copy.gb"), expected);
      QVERIFY2(!h.form->Modified(), r.what);

      // Save writes the new file now; the loaded one stays as it was.
      h.form->RunEdit("Poke", [&] { h.state.rom.SetByte(0x101, 0xBB); });
      h.Activate();
      QTest::keyClick(h.form.get(), Qt::Key_F5);
      expected[0x101] = char(0xBB);
      QCOMPARE(ReadFile(h.Folder() + "/copy.gb"), expected);
      QCOMPARE(ReadFile(loaded), original);
      QVERIFY(!h.form->Modified());
      // Loaded again, the copy has its labels.
      QVERIFY(h.Load(h.Folder() + "/copy.gb"));
      QCOMPARE(h.state.labels.RomLabels().size(),
               size_t{(r.before.empty() ? 0u : 1u) + (r.addLabel ? 1u : 0u) +
                      (r.before.count("save.velmora.sym") ? 1u : 0u)});

      // Save As remembers its last name too.
      auto second = AnswerNextFileDialog(QString());
      h.Action("SaveAs1")->trigger();
      QVERIFY(second->seen);
      QCOMPARE(second->offeredName, QString("copy.gb"));
    }
  }

  // File > Load Symbols... reads a chosen file as the ROM's symbols, as a dropped one; Save
  // Symbols As... writes all of them into a file of its own and leaves the ROM's files as they
  // are.
  void loadSymbolsAndSaveSymbolsAs() {
    MainHarness h;
    WriteFile(h.Folder(), "save.sym", "00:0150 Main\n");
    const QString other = WriteFile(h.Folder(), "other.sym", "00:0160 Other\n");
    QVERIFY(h.Load(WriteFile(h.Folder(), "save.gb", MakeRomBytes(0x4000, "SAVE"))));
    auto load = AnswerNextFileDialog(other);
    h.Action("LoadSymbols1")->trigger();
    h.Activate();
    QVERIFY(load->seen);
    QCOMPARE(h.state.labels.RomLabels().size(), size_t{1});
    QCOMPARE(h.state.labels.RomLabels()[0].Name, std::string("Other"));
    QCOMPARE(h.form->findChild<QLabel*>("ReportPanel")->text(),
             QString("Symbols read from other.sym"));

    h.state.labels.AddRomLabel(0x170, "Tick");
    auto save = AnswerNextFileDialog(h.Folder() + "/mine");  // the default suffix is added
    h.Action("SaveSymbolsAs1")->trigger();
    h.Activate();
    QVERIFY(save->seen);
    QCOMPARE(save->offeredName, QString("save copy.sym"));
    QCOMPARE(ReadFile(h.Folder() + "/mine.sym"), QByteArray("00:0160 Other\n00:0170 Tick\n"));
    QCOMPARE(ReadFile(other), QByteArray("00:0160 Other\n"));
    QCOMPARE(ReadFile(h.Folder() + "/save.sym"), QByteArray("00:0150 Main\n"));
    QCOMPARE(h.form->findChild<QLabel*>("ReportPanel")->text(),
             QString("Symbols saved as mine.sym (the ROM's own symbol files are as they were)"));
  }

  // The name field's completion list may be open when the dialog is accepted, and it would come
  // up again when the background reading of the folder ends (a name typed meanwhile found no
  // match yet), which can be after the dialog has closed. Either way it must not stay over the
  // main window and take the next key. The dialogs are made when asked for and go when they
  // close, their lists with them: no folder is watched between two uses.
  void completionListStaysWithItsDialog() {
    MainHarness h;
    QVERIFY(h.form->findChildren<QFileDialog*>().isEmpty());
    const QString rom = WriteFile(h.Folder(), "typed.gb", MakeRomBytes(0x4000, "TYPED"));
    for (const auto& row : {std::pair{"LoadRom1", rom}, {"SaveAs1", h.Folder() + "/copy.gb"}}) {
      // Named copies: clang 14 cannot capture structured bindings in a lambda.
      const char* item = row.first;
      const QString name = row.second;
      QPointer<QCompleter> completer;
      QVERIFY(InspectNextModal([&] { h.Action(item)->trigger(); },
                               [&](QWidget* w) {
                                 auto* edit = w->findChild<QLineEdit*>("fileNameEdit");
                                 completer = edit->completer();
                                 edit->setText(name);
                                 completer->setCompletionPrefix(h.Folder() + "/t");
                                 completer->complete();
                                 // Shown at once, or when the folder has been read.
                                 QTRY_VERIFY(completer->popup()->isVisible());
                                 QMetaObject::invokeMethod(w, "accept");
                               }));
      QVERIFY(QFile::exists(name));
      QVERIFY2(completer.isNull(), item);
      QVERIFY(h.form->findChildren<QFileDialog*>().isEmpty());
      h.Activate();
      QVERIFY(!QApplication::activePopupWidget());
      QString title;
      QVERIFY(InspectNextModal([&] { QTest::keyClick(h.form.get(), Qt::Key_S, Qt::ControlModifier); },
                               [&](QWidget* w) { title = w->windowTitle(); }));
      QCOMPARE(title, QString("Search Instruction"));
    }
  }

  void saveDoesNothingBeforeALoad() {
    MainHarness h;
    for (const char* item : {"Save1", "SaveAs1"}) {
      auto dialog = AnswerNextFileDialog(QString());
      h.Action(item)->trigger();
      QVERIFY2(!dialog->seen, item);
    }
    QVERIFY(QDir(h.Folder()).entryList(QDir::Files).isEmpty());
  }

  void unsavedChangesAreAskedAbout() {
    struct Row {
      const char* answer;  // to "Save changes to ...?"
      bool dialogOpens;    // the Load Rom dialog comes next
      bool savedToFile;
    };
    const Row rows[] = {
        {"Cancel", false, false},
        {"Don't Save", true, false},
        {"Save", true, true},
    };
    for (const Row& r : rows) {
      MainHarness h;
      const QByteArray original = MakeRomBytes(0x4000, "ASK");
      const QString loaded = WriteFile(h.Folder(), "ask.gb", original);
      QVERIFY(h.Load(loaded));
      h.state.rom.SetByte(0x200, 0x77);
      h.form->MarkModified();

      auto dialog = AnswerNextFileDialog(QString());
      const SeenBox question = AnswerNextBox([&] { h.Action("LoadRom1")->trigger(); }, r.answer);
      QVERIFY(question.seen);
      QCOMPARE(question.title, QString("Velmora"));
      QCOMPARE(question.text, QString("Save changes to ask.gb?"));
      QCOMPARE(dialog->seen, r.dialogOpens);
      QCOMPARE(ReadFile(loaded)[0x200] == char(0x77), r.savedToFile);
      QCOMPARE(h.form->Modified(), !r.savedToFile);
    }
  }

  void closingAsksOnlyAboutUnsavedChanges() {
    MainHarness h;
    QVERIFY(h.LoadNew("close.gb", MakeRomBytes(0x4000, "CLOSE")));
    bool closed = false;
    const SeenBox unasked = AnswerNextBox([&] { closed = h.form->close(); }, "Cancel");
    QVERIFY(closed);
    QVERIFY(!unasked.seen);

    h.form->show();
    h.Activate();
    h.form->MarkModified();
    const SeenBox cancel = AnswerNextBox(
        [&] { QTest::keyClick(h.form.get(), Qt::Key_X, Qt::ControlModifier); }, "Cancel");
    QVERIFY(cancel.seen);
    QVERIFY(h.form->isVisible());

    const SeenBox discard = AnswerNextBox([&] { closed = h.form->close(); }, "Don't Save");
    QVERIFY(closed);
    QVERIFY(discard.seen);
    QVERIFY(!h.form->isVisible());
  }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
