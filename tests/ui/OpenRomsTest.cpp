// The ways a ROM comes in besides Load Rom: the command line, a drop, File > Recent ROMs and a
// change on disk. All of them take Load Rom's road, question and failure boxes included.

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <functional>

#include "helpers/MainHarness.h"
#include "ui/CommandLine.h"
#include "ui/Resources.h"

namespace {

QStringList RecentItems(const MainHarness& h) {
  QStringList files;
  for (QAction* item : h.form->findChild<QMenu*>("RecentRoms1")->actions())
    if (item->isVisible()) files << item->data().toString();
  return files;
}

QAction* RecentItem(const MainHarness& h, const QString& file) {
  for (QAction* item : h.form->findChild<QMenu*>("RecentRoms1")->actions())
    if (item->isVisible() && item->data().toString() == file) return item;
  return nullptr;
}

// A rebuild the way linkers do it: a new file written beside the old one, then renamed over it.
void Replace(const QString& folder, const QString& name, const QByteArray& contents) {
  const QString temporary = WriteFile(folder, name + ".new", contents);
  std::filesystem::rename(temporary.toStdString(), (folder + "/" + name).toStdString());
}

// Runs change (a file written on disk) and answers the question that the window then asks with
// the button named `button`; the box's text, or "" when no question came before `settled` (with
// no `settled`, the question is waited for).
QString QuestionAfter(const std::function<void()>& change, const char* button,
                      const std::function<bool()>& settled) {
  QString text;
  bool asked = false;
  InspectNextModal(
      [&] {
        change();
        QTRY_VERIFY(asked || (settled && settled()));
      },
      [&](QWidget* box) {
        asked = true;
        text = box->findChild<QLabel*>("Message")->text();
        QTest::mouseClick(box->findChild<QPushButton*>(button), Qt::LeftButton);
      });
  return text;
}

}  // namespace

class OpenRomsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    InitVelmoraResources();
    QApplication::setApplicationName("Velmora");
    QApplication::setApplicationVersion(VELMORA_VERSION);
  }

  void commandLineIsRead() {
    const struct {
      QStringList arguments;
      bool exit;
      int exitCode;
      QString output;  // the start of what is printed
      QString rom;
    } rows[] = {
        {{"velmora"}, false, 0, "", ""},
        {{"velmora", "game.gb"}, false, 0, "", QDir::current().absoluteFilePath("game.gb")},
        {{"velmora", "/roms/a b.gbc"}, false, 0, "", "/roms/a b.gbc"},
        {{"velmora", "--version"}, true, 0, "Velmora " VELMORA_VERSION "\n", ""},
        {{"velmora", "-v"}, true, 0, "Velmora " VELMORA_VERSION "\n", ""},
        {{"velmora", "--help"}, true, 0, "Usage: ", ""},
        {{"velmora", "--frobnicate"}, true, 1, "Unknown option 'frobnicate'.", ""},
        {{"velmora", "a.gb", "b.gb"}, true, 1, "Give one ROM file at most.", ""},
    };
    for (const auto& r : rows) {
      const StartRequest start = ReadCommandLine(r.arguments);
      QVERIFY2(start.exit == r.exit, qPrintable(r.arguments.join(' ')));
      QCOMPARE(start.exitCode, r.exitCode);
      QCOMPARE(start.output.left(r.output.size()), r.output);
      QCOMPARE(start.romFileName, r.rom);
    }
    QVERIFY(ReadCommandLine({"velmora", "--help"}).output.contains("[options] [ROM]"));
  }

  // The start with a ROM named: loaded as Load Rom does, its symbol file beside it; a missing
  // file shows its box and leaves the window empty.
  void commandLineStartLoadsTheRom() {
    MainHarness h;
    const QString rom = WriteFile(h.Folder(), "start.gbc", MakeRomBytes(0x4000, "START"));
    WriteFile(h.Folder(), "start.sym", "00:0000 Begin\n");
    QVERIFY(h.form->LoadRomNamed(ReadCommandLine({"velmora", rom}).romFileName));
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Start"));
    QCOMPARE(h.Lines().value(0), QString("@Begin:"));
    QCOMPARE(RecentItems(h), QStringList{rom});

    MainHarness empty;
    bool loaded = true;
    const SeenBox box = AnswerNextBox([&] {
      loaded = empty.form->LoadRomNamed(ReadCommandLine({"velmora", h.Folder() + "/no.gb"}).romFileName);
    });
    QVERIFY(!loaded);
    QCOMPARE(box.text, "File not found.\n" + h.Folder() + "/no.gb");
    QCOMPARE(empty.form->windowTitle(), QString("Velmora"));
    QVERIFY(!empty.List()->isVisible());
    QVERIFY(RecentItems(empty).isEmpty());
  }

  // Beside the ROM under its own name first, then the program's folder under the title.
  void symbolFileIsFoundBesideTheRomFirst() {
    const struct {
      bool beside, titled;
      const char* firstLine;
      const char* read;  // the file read, in the ROM's folder "rom/" or the program's folder
    } rows[] = {
        {true, false, "@Beside:", "rom/game.sym"},
        {false, true, "@Titled:", "Titled.sym"},
        {true, true, "@Beside:", "rom/game.sym"},
        {false, false, "00:0000 00       nop", ""},
    };
    for (const auto& r : rows) {
      MainHarness h;
      QDir(h.Folder()).mkdir("rom");
      const QString romFolder = h.Folder() + "/rom";
      if (r.beside) WriteFile(romFolder, "game.sym", "00:0000 Beside\n");
      if (r.titled) WriteFile(h.Folder(), "Titled.sym", "00:0000 Titled\n");
      QVERIFY(h.form->LoadRomNamed(WriteFile(romFolder, "game.gb", MakeRomBytes(0x4000, "TITLED"))));
      QCOMPARE(h.Lines().value(0), QString(r.firstLine));
      QCOMPARE(QString::fromStdString(h.state.SymFileName),
               *r.read ? h.Folder() + "/" + r.read : QString());
    }
  }

  void dropOfOneFileLoadsIt() {
    MainHarness h;
    const QString rom = WriteFile(h.Folder(), "drop.gb", MakeRomBytes(0x4000, "DROP"));
    const struct {
      QList<QUrl> urls;
      bool taken;
    } rows[] = {
        {{QUrl::fromLocalFile(rom), QUrl::fromLocalFile(rom)}, false},
        {{QUrl("https://example.org/drop.gb")}, false},
        {{}, false},
        {{QUrl::fromLocalFile(rom)}, true},
    };
    for (const auto& r : rows) {
      QMimeData data;
      if (!r.urls.isEmpty()) data.setUrls(r.urls);
      data.setText("drop.gb");
      const QPoint at = h.form->rect().center();
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(h.form.get(), &enter);
      QCOMPARE(enter.isAccepted(), r.taken);
      QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(h.form.get(), &drop);
      QCOMPARE(drop.isAccepted(), r.taken);
    }
    QTRY_COMPARE(h.form->windowTitle(), QString("Velmora - Drop"));
    QCOMPARE(h.state.rom.RomFileName, rom.toStdString());
  }

  void recentRomsNewestFirstEightAtMost() {
    MainHarness h;
    // Below Save As, in the File menu.
    const QList<QAction*> file = h.form->findChild<QMenu*>("File1")->actions();
    QCOMPARE(file.indexOf(h.form->findChild<QMenu*>("RecentRoms1")->menuAction()),
             file.indexOf(h.Action("SaveAs1")) + 1);
    QVERIFY(!h.form->findChild<QMenu*>("RecentRoms1")->menuAction()->isEnabled());

    QStringList roms;
    for (int i = 0; i < 10; ++i) {
      roms << WriteFile(h.Folder(), QString("r%1.gb").arg(i), MakeRomBytes(0x4000, "R"));
      QVERIFY(h.Load(roms.back()));
      QCOMPARE(QString::fromStdString(h.state.rom.RomFileName), roms.back());
    }
    const QStringList newest{roms[9], roms[8], roms[7], roms[6], roms[5], roms[4], roms[3], roms[2]};
    QCOMPARE(RecentItems(h), newest);
    QCOMPARE(h.form->findChild<QMenu*>("RecentRoms1")->actions().front()->text(),
             QString("&1 ") + roms[9]);

    // Picked again: to the top, once. A file that is gone leaves the list after its box; one
    // that fails otherwise stays.
    RecentItem(h, roms[5])->trigger();
    QCOMPARE(h.state.rom.RomFileName, roms[5].toStdString());
    const QStringList afterPick{roms[5], roms[9], roms[8], roms[7], roms[6], roms[4], roms[3], roms[2]};
    QCOMPARE(RecentItems(h), afterPick);
    QFile::remove(roms[8]);
    const SeenBox missing = AnswerNextBox([&] { RecentItem(h, roms[8])->trigger(); });
    QCOMPARE(missing.text, "File not found.\n" + roms[8]);
    QCOMPARE(h.state.rom.RomFileName, roms[5].toStdString());
    const QStringList afterMissing{roms[5], roms[9], roms[7], roms[6], roms[4], roms[3], roms[2]};
    QCOMPARE(RecentItems(h), afterMissing);
    WriteFile(h.Folder(), "r7.gb", QByteArray(""));
    const SeenBox empty = AnswerNextBox([&] { RecentItem(h, roms[7])->trigger(); });
    QCOMPARE(empty.text, QString("File is empty."));
    QCOMPARE(RecentItems(h), afterMissing);

    // Unsaved changes are asked about first; Cancel loads nothing.
    h.form->MarkModified();
    const SeenBox ask = AnswerNextBox([&] { RecentItem(h, roms[2])->trigger(); }, "Cancel");
    QCOMPARE(ask.text, QString("Save changes to r5.gb?"));
    QCOMPARE(h.state.rom.RomFileName, roms[5].toStdString());

    // The list outlives the window.
    TMainForm next(h.state);
    QCOMPARE(next.findChild<QMenu*>("RecentRoms1")->actions().value(1)->data().toString(),
             roms[9]);
    QCOMPARE(next.findChild<QMenu*>("RecentRoms1")->actions().value(2)->data().toString(),
             roms[7]);
  }

  // The rebuilt symbol file is read again without a word, written in place or renamed over.
  void changedSymbolFileIsReadAgain() {
    MainHarness h;
    WriteFile(h.Folder(), "sym.sym", "00:0000 First\n");
    QVERIFY(h.LoadNew("sym.gb", MakeRomBytes(0x4000, "SYM")));
    QCOMPARE(h.Lines().value(0), QString("@First:"));
    h.form->ShowOffset(0x10);
    h.form->MarkModified();
    const struct {
      std::function<void()> change;
      const char* firstLine;
    } rows[] = {
        {[&] { WriteFile(h.Folder(), "sym.sym", "00:0010 Second\n"); }, "@Second:"},
        {[&] { Replace(h.Folder(), "sym.sym", "00:0010 Third\n"); }, "@Third:"},
        {[&] { QFile::remove(h.Folder() + "/sym.sym"); }, "00:0010 00       nop"},
    };
    for (const auto& r : rows) {
      const QString asked =
          QuestionAfter(r.change, "No", [&] { return h.Lines().value(0) == r.firstLine; });
      QCOMPARE(asked, QString());
      QCOMPARE(h.Lines().value(0), QString(r.firstLine));
      QCOMPARE(h.form->LineOffsets().front(), 0x10);
      QVERIFY(h.form->Modified());
    }
  }

  // The rebuilt ROM is loaded again at once when nothing would be lost, else after a question.
  void changedRomIsLoadedAgain() {
    MainHarness h;
    const QString rom = WriteFile(h.Folder(), "re.gb", MakeRomBytes(0x4000, "RE"));
    QVERIFY(h.Load(rom));
    h.form->ShowOffset(0x100);
    const auto byteIs = [&](uint8_t value) { return h.state.rom.Byte(0x100) == value; };
    const struct {
      bool modified;
      std::function<void()> change;
      const char* answer;
      uint8_t after;  // the byte at 0x100 afterwards
    } rows[] = {
        {false, [&] { WriteFile(h.Folder(), "re.gb", MakeRomBytes(0x4000, "RE", {{0x100, {1}}})); },
         nullptr, 1},
        {false, [&] { Replace(h.Folder(), "re.gb", MakeRomBytes(0x8000, "RE", {{0x100, {2}}})); },
         nullptr, 2},
        {true, [&] { Replace(h.Folder(), "re.gb", MakeRomBytes(0x4000, "RE", {{0x100, {3}}})); },
         "No", 0x77},
        {true, [&] { WriteFile(h.Folder(), "re.gb", MakeRomBytes(0x4000, "RE", {{0x100, {4}}})); },
         "Yes", 4},
    };
    for (const auto& r : rows) {
      if (r.modified) {
        h.state.rom.SetByte(0x100, 0x77);
        h.form->MarkModified();
      }
      const QString asked = QuestionAfter(r.change, r.answer ? r.answer : "No",
                                          r.answer ? std::function<bool()>()
                                                   : [&] { return byteIs(r.after); });
      QCOMPARE(asked, QString(r.answer ? "The ROM file has changed on disk. Load it again and "
                                         "lose your changes?"
                                       : ""));
      QCOMPARE(h.state.rom.Byte(0x100), r.after);
      QCOMPARE(h.form->Modified(), r.after == 0x77);
      // The listing stays where it was.
      QCOMPARE(h.form->LineOffsets().front(), 0x100);
    }
    QCOMPARE(h.state.rom.RomSize, 0x4000u);
    QCOMPARE(h.Scroller()->maximum(), 0x3FFF);

    // What the program saves itself is no change on disk: a rebuilt symbol file, read after the
    // save, shows that the watch has looked since.
    h.state.rom.SetByte(0x100, 0x55);
    h.form->MarkModified();
    h.Action("Save1")->trigger();
    h.form->MarkModified();
    const QString asked = QuestionAfter([&] { WriteFile(h.Folder(), "re.sym", "00:0100 Saved\n"); },
                                        "No", [&] { return h.Lines().value(0) == "@Saved:"; });
    QCOMPARE(asked, QString());
    QCOMPARE(h.Lines().value(0), QString("@Saved:"));
    QVERIFY(h.form->Modified());
  }
};

QTEST_MAIN(OpenRomsTest)
#include "OpenRomsTest.moc"
