// The ways a ROM comes in besides Load Rom: the command line, a drop, File > Recent ROMs and a
// change on disk. All of them take Load Rom's road, question and failure boxes included.

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

#include "helpers/MainHarness.h"
#include "ui/CommandLine.h"
#include "ui/FileWatch.h"
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

// Drags one local file onto the window and drops it.
void Drop(const MainHarness& h, const QString& file) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file)});
  const QPoint at = h.form->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(h.form.get(), &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(h.form.get(), &drop);
}

QString Report(const MainHarness& h) {
  return h.form->findChild<QLabel*>("ReportPanel")->text();
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
        {{"velmora", "--frobnicate"}, true, 2, "Unknown option 'frobnicate'.", ""},
        {{"velmora", "a.gb", "b.gb"}, true, 2, "Give one ROM file at most.", ""},
        {{"velmora", ""}, true, 2, "The ROM file name is empty.", ""},
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

  // The toolkit's options are taken out, with their values, as the application object does.
  void toolkitOptionsAreLeftToTheToolkit() {
    const struct {
      QStringList arguments, kept;
    } rows[] = {
        {{"velmora", "-platform", "offscreen", "game.gb"}, {"velmora", "game.gb"}},
        {{"velmora", "--style", "Fusion", "-reverse", "--bogus"}, {"velmora", "--bogus"}},
        {{"velmora", "-stylesheet=a.qss", "-display", ":1", "a.gb"}, {"velmora", "a.gb"}},
        {{"velmora", "-platform=offscreen", "--", "-reverse"}, {"velmora", "-platform=offscreen", "--"}},
        {{"velmora", "a.gb", "-style"}, {"velmora", "a.gb", "-style"}},  // no value to take
        {{"-reverse"}, {"-reverse"}},  // the program's own name
    };
    for (const auto& r : rows) QCOMPARE(WithoutToolkitOptions(r.arguments), r.kept);
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

  // A symbol file dropped on the window holds the loaded ROM's labels (and is read again when it
  // changes); a patch is applied after a question. Neither comes before a ROM.
  void droppedSymbolFilesAndPatchesBelongToTheRom() {
    MainHarness h;
    QDir(h.Folder()).mkdir("elsewhere");
    const QString elsewhere = h.Folder() + "/elsewhere";
    const QString sym = WriteFile(elsewhere, "Labels.SYM", "00:0150 Dropped\n");
    // IPS: "PATCH", one record of one byte (halt at 0x150), "EOF".
    const QString ips =
        WriteFile(elsewhere, "fix.ips", QByteArray("PATCH\x00\x01\x50\x00\x01\x76""EOF", 14));
    const auto byteIs = [&](uint8_t value) { return h.state.rom.Byte(0x150) == value; };
    QCOMPARE(QuestionAfter([&] { Drop(h, sym); }, "OK", nullptr),
             QString("Load a ROM first: Labels.SYM holds labels for a ROM."));
    QCOMPARE(QuestionAfter([&] { Drop(h, ips); }, "OK", nullptr),
             QString("Load a ROM first: fix.ips is a patch for a ROM."));
    QCOMPARE(h.form->windowTitle(), QString("Velmora"));

    QVERIFY(h.LoadNew("game.gb", MakeRomBytes(0x8000, "GAME")));
    h.form->ShowOffset(0x150);
    const struct {
      QString file;
      const char* answer;  // to the question; nullptr: none is asked
      std::function<bool()> done;
      const char* firstLine;
    } rows[] = {
        {sym, nullptr, [&] { return h.Lines().value(0) == "@Dropped:"; }, "@Dropped:"},
        {ips, "No", nullptr, "@Dropped:"},
        {ips, "Yes", nullptr, "@Dropped:"},
    };
    for (const auto& r : rows) {
      const QString asked = QuestionAfter([&] { Drop(h, r.file); }, r.answer ? r.answer : "No",
                                          r.done);
      QCOMPARE(asked, QString(r.answer ? "Apply the patch fix.ips to the ROM?" : ""));
      QCOMPARE(h.Lines().value(0), QString(r.firstLine));
      QVERIFY(byteIs(r.answer && QString(r.answer) == "Yes" ? 0x76 : 0x00));
    }
    QCOMPARE(h.Lines().value(1), QString("00:0150 76       halt"));
    QCOMPARE(h.Action("Undo1")->text(), QString("&Undo Apply Patch"));
    QCOMPARE(h.state.rom.RomFileName, (h.Folder() + "/game.gb").toStdString());

    WriteFile(elsewhere, "Labels.SYM", "00:0150 Again\n");
    QTRY_COMPARE(h.Lines().value(0), QString("@Again:"));
  }

  // A dropped symbol file over unsaved label steps asks first, as a rebuilt one does; Yes drops
  // the steps with the labels they named, and the status bar names the file now used.
  void droppedSymbolsAskBeforeUnsavedStepsGo() {
    const char* kQuestion = "Read the symbols of other.sym and lose your changes to the labels, "
                            "comments and marks?";
    const struct {
      const char* what;
      bool edited;          // a label added through the Edit menu first
      const char* answer;   // nullptr: no question
      const char* firstLine;
      bool undo;  // Undo still offered
    } rows[] = {
        {"nothing unsaved", false, nullptr, "@Other:", false},
        {"unsaved, kept", true, "No", "@Mine:", true},
        {"unsaved, dropped", true, "Yes", "@Other:", false},
    };
    for (const auto& r : rows) {
      MainHarness h;
      WriteFile(h.Folder(), "game.sym", "00:0150 Main\n");
      const QString other = WriteFile(h.Folder(), "other.sym", "00:0150 Other\n");
      QVERIFY(h.LoadNew("game.gb", MakeRomBytes(0x8000, "GAME")));
      if (r.edited) {
        h.form->ShowOffset(0x160);
        h.List()->SetItemIndex(0);
        InspectNextModal([&] { h.Action("Label1")->trigger(); },
                         [&](QWidget* w) {
                           w->findChild<QLineEdit*>("Edit1")->setText("Mine");
                           QTest::mouseClick(w->findChild<QPushButton*>("OKButton"),
                                             Qt::LeftButton);
                         });
        h.form->ShowOffset(0x150);
        QVERIFY(h.form->SymbolsModified());
        h.form->ShowOffset(0x160);
      } else {
        h.form->ShowOffset(0x150);
      }
      const QString asked = QuestionAfter([&] { Drop(h, other); }, r.answer ? r.answer : "No",
                                          [&] { return h.Lines().value(0) == "@Other:"; });
      QCOMPARE(asked, QString(r.answer ? kQuestion : ""));
      h.form->ShowOffset(r.answer && QString(r.answer) == "No" ? 0x160 : 0x150);
      QVERIFY2(h.Lines().value(0) == r.firstLine, r.what);
      QCOMPARE(h.Action("Undo1")->isEnabled(), r.undo);
      if (!r.answer || QString(r.answer) == "Yes") {
        QCOMPARE(Report(h), QString("Symbols read from other.sym"));
        QVERIFY(!h.form->SymbolsModified());
      }
    }
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

  // A ROM rewritten by a slow writer is read once it has been quiet for a moment, whole: not the
  // empty file of a truncation, not the first half of a write.
  void romWrittenWithPausesIsReadWhole() {
    MainHarness h;
    const QString rom = WriteFile(h.Folder(), "slow.gb", MakeRomBytes(0x4000, "SLOW"));
    QVERIFY(h.Load(rom));
    const struct {
      const char* what;
      int firstPart;  // bytes written before the pause
      int pauseMs;
      uint8_t value;  // at 0x100 in the finished file
    } rows[] = {
        {"truncated, then written", 0, 2 * TFileWatch::kQuietMs, 1},
        {"half written, then the rest", 0x2000, TFileWatch::kQuietMs / 2, 2},
    };
    for (const auto& r : rows) {
      const QByteArray finished = MakeRomBytes(0x4000, "SLOW", {{0x100, {r.value}}});
      // Every size the window has held meanwhile.
      QList<uint32_t> sizes;
      QTimer sample;
      QObject::connect(&sample, &QTimer::timeout, [&] {
        if (!sizes.contains(h.state.rom.RomSize)) sizes << h.state.rom.RomSize;
      });
      sample.start(5);
      const QString box = QuestionAfter(
          [&] {
            QFile file(rom);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(finished.left(r.firstPart));
            file.flush();
            QTest::qWait(r.pauseMs);  // the writer's pause
            file.write(finished.mid(r.firstPart));
          },
          "OK", [&] { return h.state.rom.Byte(0x100) == r.value; });
      QVERIFY2(box.isEmpty(), qPrintable(box));
      QCOMPARE(sizes, QList<uint32_t>{0x4000});
    }
  }

  // A reload that fails says so in a box once; while it keeps failing, the status bar says so.
  void failingReloadSaysSoOnce() {
    MainHarness h;
    const QString rom = WriteFile(h.Folder(), "big.gb", MakeRomBytes(0x4000, "BIG"));
    QVERIFY(h.Load(rom));
    const auto tooLarge = [&](uintmax_t size) {
      return [&, size] { std::filesystem::resize_file(rom.toStdString(), size); };
    };
    const struct {
      std::function<void()> change;
      const char* box;
      const char* report;
    } rows[] = {
        {tooLarge((16u << 20) + 1), "File is larger than 16 MiB.", ""},
        {tooLarge((16u << 20) + 2), nullptr, "Not loaded again: File is larger than 16 MiB."},
        {[&] { WriteFile(h.Folder(), "big.gb", MakeRomBytes(0x8000, "BIG")); }, nullptr, ""},
        {tooLarge((16u << 20) + 3), "File is larger than 16 MiB.", ""},
    };
    for (const auto& r : rows) {
      static_cast<QLabel*>(h.form->findChild<QLabel*>("ReportPanel"))->clear();
      const uint32_t size = h.state.rom.RomSize;
      const QString box = QuestionAfter(r.change, "OK", r.box ? std::function<bool()>() : [&] {
        return !Report(h).isEmpty() || h.state.rom.RomSize != size;
      });
      QCOMPARE(box, QString(r.box ? r.box : ""));
      QCOMPARE(Report(h), QString(r.report));
    }
    QCOMPARE(h.state.rom.RomSize, 0x8000u);
  }

  // A symbol file that does not read when it changes (a FIFO in its place) keeps the labels read
  // before and waits for the next change, without a box.
  void symbolFileThatFailsWaitsForTheNextChange() {
    MainHarness h;
    const QString sym = WriteFile(h.Folder(), "two.sym", "00:0000 Before\n");
    QVERIFY(h.LoadNew("two.gb", MakeRomBytes(0x4000, "TWO")));
    const QString box = QuestionAfter(
        [&] {
          QFile::remove(sym);
          QCOMPARE(::mkfifo(QFile::encodeName(sym).constData(), 0600), 0);
        },
        "OK", [&] { return !Report(h).isEmpty(); });
    QCOMPARE(box, QString());
    QCOMPARE(Report(h), "Symbols not read again: '" + sym +
                            "' is not a regular file. Waiting for the next change.");
    QCOMPARE(h.Lines().value(0), QString("@Before:"));
    QFile::remove(sym);
    WriteFile(h.Folder(), "two.sym", "00:0000 Whole\n");
    QTRY_COMPARE(h.Lines().value(0), QString("@Whole:"));
  }

  // Settings are read from a regular file only: a FIFO in its place neither holds the start nor
  // is replaced; the recent list then lasts for the run.
  void settingsOnlyFromARegularFile() {
    MainHarness h;
    QVERIFY(QDir(h.Folder()).mkpath("Velmora"));
    const QByteArray settings = QFile::encodeName(h.Folder() + "/Velmora/Velmora.conf");
    QCOMPARE(::mkfifo(settings.constData(), 0600), 0);
    TMainForm form(h.state);
    const QString rom = WriteFile(h.Folder(), "fifo.gb", MakeRomBytes(0x4000, "FIFO"));
    QVERIFY(form.LoadRomNamed(rom));
    QCOMPARE(form.findChild<QMenu*>("RecentRoms1")->actions().value(0)->data().toString(), rom);
    struct stat st {};
    QCOMPARE(::stat(settings.constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
  }
};

QTEST_MAIN(OpenRomsTest)
#include "OpenRomsTest.moc"
