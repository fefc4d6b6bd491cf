// The ROM-wide commands through the main window's menus: Rom Info, Fix Checksums, the Rom
// Extender, and exporting and applying IPS and BPS patches.

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "helpers/MainHarness.h"
#include "model/Failure.h"
#include "model/Header.h"
#include "model/RomChange.h"
#include "patch/Patch.h"
#include "search/Goto.h"
#include "ui/Resources.h"

namespace {

QByteArray Image(const MainHarness& h) {
  const auto bytes = RomBytes(h.state.rom);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

// 32 KiB, MBC1, title DEMO, a jump at 0: header checksum $C1 (stored right), global checksum
// $02FB (stored wrong as $1234).
QByteArray DemoRom() {
  return MakeRomBytes(0x8000, "DEMO",
                      {{0x0, {0xC3, 0x50, 0x01}}, {0x147, {0x01}}, {0x14D, {0xC1, 0x12, 0x34}}});
}

// DemoRom after Fix Checksums.
QByteArray FixedDemoRom() {
  QByteArray fixed = DemoRom();
  fixed[0x14E] = char(0x02);
  fixed[0x14F] = char(0xFB);
  return fixed;
}

// An IPS patch that only cuts a ROM to 16 KiB.
const QByteArray kCutTo16K("PATCHEOF\x00\x40\x00", 11);
// An IPS patch that writes the title EUROPA.
const QByteArray kRetitle("PATCH\x00\x01\x34\x00\x06" "EUROPAEOF", 19);

QByteArray Bytes(const std::vector<uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}
std::vector<uint8_t> Bytes(const QByteArray& a) {
  return std::vector<uint8_t>(a.begin(), a.end());
}

QString Report(const MainHarness& h) {
  return h.form->findChild<QLabel*>("ReportPanel")->text();
}

// Rom Info's rows as "name|value", a "!" after a value shown in red.
QStringList InfoRows(MainHarness& h) {
  QStringList rows;
  const bool seen =
      InspectNextModal([&] { h.Action("RomInfo1")->trigger(); },
                       [&](QWidget* w) {
                         auto* list = w->findChild<QTreeWidget*>("FieldList");
                         for (int i = 0; i < list->topLevelItemCount(); ++i) {
                           const QTreeWidgetItem* item = list->topLevelItem(i);
                           const bool red = item->foreground(1).color() == QColor(Qt::red);
                           rows << item->text(0) + "|" + item->text(1) + (red ? "!" : "");
                         }
                         w->findChild<QPushButton*>("OKButton")->click();
                       });
  h.Activate();
  if (!seen) rows << "<no dialog>";
  return rows;
}

// Picks a size in the Rom Extender and presses a button; the box OK brought up, if any.
SeenBox Extend(MainHarness& h, const QString& size, const char* button,
               QStringList* offered = nullptr) {
  SeenBox box;
  InspectNextModal([&] { h.Action("RomExtender1")->trigger(); },
                   [&](QWidget* w) {
                     auto* combo = w->findChild<QComboBox*>("SizeCombo");
                     for (int i = 0; offered && i < combo->count(); ++i)
                       *offered << combo->itemText(i);
                     combo->setCurrentText(size);
                     box = AnswerNextBox([&] { w->findChild<QPushButton*>(button)->click(); });
                   });
  h.Activate();
  return box;
}

// File > Apply Patch... with the given file; the box it showed, if any.
SeenBox ApplyPatchFile(MainHarness& h, const QString& file) {
  auto dialog = AnswerNextFileDialog(file);
  const SeenBox box = AnswerNextBox([&] { h.Action("ApplyPatch1")->trigger(); });
  h.Activate();
  return box;
}

}  // namespace

class RomToolsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void romInfoShowsTheHeaderAndFixChecksumsMendsIt() {
    MainHarness h;
    QVERIFY(h.LoadNew("demo.gb", DemoRom()));
    const QStringList before = InfoRows(h);
    QCOMPARE(before, (QStringList{
                         "Title|DEMO",
                         "CGB flag|$00 none (DMG)",
                         "SGB flag|$00 none",
                         "Cartridge type|$01 MBC1",
                         "ROM size|$00 = 32 KiB, file 32 KiB",
                         "RAM size|$00 none",
                         "Destination|$00 Japan (and possibly overseas)",
                         "Version|$00",
                         "Header checksum|$C1 stored, $C1 computed",
                         "Global checksum|$1234 stored, $02FB computed!",
                     }));
    QVERIFY(!h.form->Modified());

    h.Action("FixChecksums1")->trigger();
    QCOMPARE(Image(h), FixedDemoRom());
    QVERIFY(h.form->Modified());
    QCOMPARE(InfoRows(h).last(), QString("Global checksum|$02FB stored, $02FB computed"));

    // A header byte changed by hand: both sums go wrong, and one Fix Checksums mends both.
    h.state.rom.SetByte(0x134, 'F');
    QCOMPARE(InfoRows(h).mid(8), (QStringList{"Header checksum|$C1 stored, $BF computed!",
                                              "Global checksum|$02FB stored, $02FD computed!"}));
    h.Action("FixChecksums1")->trigger();
    QCOMPARE(Image(h).mid(0x14D, 3), QByteArray("\xBF\x02\xFB", 3));
  }

  void extenderGrowsA32KiBRom() {
    MainHarness h;
    QVERIFY(h.LoadNew("demo.gb", DemoRom()));
    QVERIFY_THROWS_EXCEPTION(Failure,
                             GotoTargetFor("03:4000", true, h.state.rom.BankCount, h.state.labels));

    QStringList offered;
    QVERIFY(!Extend(h, "128 KiB", "CancelButton", &offered).seen);
    QCOMPARE(offered, (QStringList{"64 KiB", "128 KiB", "256 KiB", "512 KiB", "1 MiB", "2 MiB",
                                   "4 MiB", "8 MiB"}));
    QCOMPARE(Image(h), DemoRom());

    QVERIFY(!Extend(h, "128 KiB", "OKButton").seen);
    QByteArray expected = DemoRom() + QByteArray(0x18000, char(0xFF));
    expected[0x148] = char(0x02);
    QCOMPARE(Image(h), expected);
    QCOMPARE(h.state.rom.BankCount, 8u);
    QCOMPARE(h.Scroller()->maximum(), 0x20000 - 1);
    QVERIFY(h.form->Modified());
    QCOMPARE(GotoTargetFor("07:4000", true, h.state.rom.BankCount, h.state.labels).Offset, 0x1C000);
    h.form->ShowOffset(0x1C000);
    QCOMPARE(h.Lines().value(0), QString("07:4000 FF       rst $38"));
    QCOMPARE(InfoRows(h).value(4), QString("ROM size|$02 = 128 KiB, file 128 KiB"));
  }

  void exportedPatchesTurnTheLoadedRomIntoTheEditedOne() {
    struct Row {
      const char* name;
      bool grow;  // through the extender to 64 KiB, else cut to 16 KiB by a patch
    };
    for (const Row& r : {Row{"hack.ips", true}, Row{"hack.bps", true}, Row{"cut.ips", false},
                         Row{"cut.bps", false}}) {
      MainHarness edited;
      QVERIFY(edited.LoadNew("demo.gb", DemoRom()));
      // A byte, the checksums, and a size change: everything since the load is in the patch.
      edited.state.rom.SetByte(0x150, 0x76);
      edited.Action("FixChecksums1")->trigger();
      if (r.grow) {
        Extend(edited, "64 KiB", "OKButton");
      } else {
        QVERIFY(!ApplyPatchFile(edited, WriteFile(edited.Folder(), "to16k.ips", kCutTo16K)).seen);
      }
      const uint32_t size = r.grow ? 0x10000 : 0x4000;
      QCOMPARE(edited.state.rom.RomSize, size);
      const QString patch = edited.Folder() + "/" + r.name;
      auto saved = AnswerNextFileDialog(patch);
      edited.Action("ExportPatch1")->trigger();
      QVERIFY2(saved->seen, r.name);
      QCOMPARE(ReadFile(patch).left(4), QByteArray(patch.endsWith("ips") ? "PATC" : "BPS1"));

      MainHarness fresh;
      QVERIFY(fresh.LoadNew("demo.gb", DemoRom()));
      const SeenBox box = ApplyPatchFile(fresh, patch);
      QVERIFY2(!box.seen, qPrintable(box.text));
      QCOMPARE(Image(fresh), Image(edited));
      QCOMPARE(fresh.Scroller()->maximum(), int(size) - 1);
      QVERIFY(fresh.form->Modified());
      QTest::keyClick(fresh.form.get(), Qt::Key_F5);
      QCOMPARE(ReadFile(fresh.Folder() + "/demo.gb"), Image(edited));
    }
  }

  void eachCommandIsOneUndoStep() {
    struct Row {
      const char* what;
      std::function<void(MainHarness&)> run;
      QByteArray after;
    };
    QByteArray extended = DemoRom() + QByteArray(0x8000, char(0xFF));
    extended[0x148] = char(0x01);
    const Row rows[] = {
        {"Fix Checksums", [](MainHarness& h) { h.Action("FixChecksums1")->trigger(); },
         FixedDemoRom()},
        {"Rom Extender", [](MainHarness& h) { Extend(h, "64 KiB", "OKButton"); }, extended},
        {"Apply Patch",
         [](MainHarness& h) { ApplyPatchFile(h, WriteFile(h.Folder(), "cut.ips", kCutTo16K)); },
         DemoRom().left(0x4000)},
    };
    for (const Row& r : rows) {
      MainHarness h;
      QVERIFY(h.LoadNew("demo.gb", DemoRom()));
      r.run(h);
      QCOMPARE(Image(h), r.after);
      QCOMPARE(h.Action("Undo1")->text(), "&Undo " + QString(r.what));
      h.Action("Undo1")->trigger();
      QCOMPARE(Image(h), DemoRom());
      QCOMPARE(h.Scroller()->maximum(), 0x8000 - 1);
      QVERIFY2(!h.form->Modified(), r.what);
      QVERIFY(!h.Action("Undo1")->isEnabled());
      h.Action("Redo1")->trigger();
      QCOMPARE(Image(h), r.after);
      QCOMPARE(h.Scroller()->maximum(), r.after.size() - 1);
      QVERIFY(h.form->Modified());
    }
  }

  void refusalsChangeNothing() {
    const auto bytes = [](const QByteArray& a) { return std::vector<uint8_t>(a.begin(), a.end()); };
    QByteArray other = DemoRom();
    other[0x200] = 1;
    QByteArray otherTarget = other;
    otherTarget[0x300] = 2;
    const std::vector<uint8_t> bps = MakePatch(PatchFormat::Bps, bytes(other), bytes(otherTarget));
    const QByteArray foreign(reinterpret_cast<const char*>(bps.data()),
                             static_cast<qsizetype>(bps.size()));
    const auto patch = [](const char* name, QByteArray contents) {
      return
          [=](MainHarness& h) { return ApplyPatchFile(h, WriteFile(h.Folder(), name, contents)); };
    };
    const auto item = [](const char* name) {
      return [=](MainHarness& h) { return AnswerNextBox([&] { h.Action(name)->trigger(); }); };
    };
    const QByteArray shortRom = MakeRomBytes(0x14F, "SHORT");
    const char* const tooShort =
        "The ROM is too short for a header: it has 335 bytes, the header ends at byte 336 ($150).";
    struct Row {
      QByteArray rom;
      std::function<SeenBox(MainHarness&)> run;
      const char* text;  // the box's text, or how it begins
    };
    const Row rows[] = {
        {shortRom, item("RomInfo1"), tooShort},
        {shortRom, item("FixChecksums1"), tooShort},
        {MakeRomBytes(0x800000, "BIG"),
         [](MainHarness& h) { return Extend(h, QString(), "OKButton"); },
         "The ROM is already 8 MiB; there is no bigger standard size than 8 MiB."},
        {DemoRom(), patch("junk.ips", "JUNK"), "This is neither an IPS nor a BPS patch"},
        {DemoRom(), patch("cut.ips", QByteArray("PATCH\x00\x01\x00\x00\x05\x01", 10)),
         "The IPS patch is damaged at byte "},
        {DemoRom(), patch("other.bps", foreign), "This patch is for another ROM (CRC32 "},
        {DemoRom(),
         [item](MainHarness& h) {
           // A change to export, taken back by hand once the box has been seen.
           h.state.rom.SetByte(0x150, 0x76);
           auto dialog = AnswerNextFileDialog(h.Folder() + "/hack.txt");
           const SeenBox box = item("ExportPatch1")(h);
           h.state.rom.SetByte(0x150, 0x00);
           return box;
         },
         "'hack.txt' names no patch format: the name must end in .ips or .bps."},
    };
    for (const Row& r : rows) {
      MainHarness h;
      QVERIFY(h.LoadNew("rom.gb", r.rom));
      const QStringList lines = h.Lines();
      const SeenBox box = r.run(h);
      h.Activate();
      QCOMPARE(box.title, QString("Error"));
      QVERIFY2(box.text.startsWith(r.text), qPrintable(box.text));
      QVERIFY(Image(h) == r.rom);
      QCOMPARE(h.Lines(), lines);
      QVERIFY(!h.form->Modified());
      QCOMPARE(QDir(h.Folder()).entryList({"hack.*"}), QStringList());
    }
  }

  // What each command did stands in the status bar; the extender mends the checksums in its own
  // undo step only where they were right.
  void reportsSayWhatTheCommandsDid() {
    const auto item = [](const char* name) {
      return [=](MainHarness& h) { h.Action(name)->trigger(); };
    };
    const auto patch = [](const char* name, QByteArray contents) {
      return [=](MainHarness& h) { ApplyPatchFile(h, WriteFile(h.Folder(), name, contents)); };
    };
    const struct {
      const char* what;
      QByteArray rom;
      std::function<void(MainHarness&)> run;
      QString report;
      bool changed;  // one undo step that takes the ROM back
    } rows[] = {
        {"fix", DemoRom(), item("FixChecksums1"), "Checksums fixed: header $C1, global $02FB",
         true},
        {"fix when right", FixedDemoRom(), item("FixChecksums1"), "Checksums were already right",
         false},
        {"extend when right", FixedDemoRom(), [](MainHarness& h) { Extend(h, "64 KiB", "OKButton"); },
         "Extended to 64 KiB; checksums fixed: header $C0, global $82FB", true},
        {"extend when wrong", DemoRom(), [](MainHarness& h) { Extend(h, "64 KiB", "OKButton"); },
         "Extended to 64 KiB; the checksums stay wrong", true},
        {"apply", DemoRom(), patch("cut.ips", kCutTo16K),
         "Patch applied: the ROM was cut from 32 KiB to 16 KiB", true},
        {"apply a change", DemoRom(), patch("title.ips", kRetitle),
         "Patch applied: 5 bytes changed in 2 places", true},  // the O of DEMO stays
        {"export nothing", DemoRom(), item("ExportPatch1"),
         "No changes since the ROM was loaded: no patch written", false},
    };
    for (const auto& r : rows) {
      MainHarness h;
      QVERIFY(h.LoadNew("demo.gb", r.rom));
      const int width = h.form->width();
      // No file dialog may come where there is nothing to export.
      const bool exports = r.what == QString("export nothing");
      auto unasked = AnswerNextFileDialog(exports ? h.Folder() + "/unasked.ips" : QString());
      if (!exports) unasked.reset();
      r.run(h);
      QVERIFY(!unasked || !unasked->seen);
      QCOMPARE(Report(h), r.report);
      // A long report does not make the window wider.
      QVERIFY(h.form->minimumSizeHint().width() <= width);
      QCOMPARE(h.form->Modified(), r.changed);
      if (r.what == QString("extend when right")) QVERIFY(ChecksumsRight(h.state.rom));
      if (r.what == QString("extend when wrong")) QCOMPARE(Image(h).mid(0x14D, 3), r.rom.mid(0x14D, 3));
      if (!r.changed) continue;
      h.Action("Undo1")->trigger();
      QVERIFY2(Image(h) == r.rom, r.what);
      QCOMPARE(Report(h), QString());
    }
  }

  // Export Patch reports what it wrote and asks before it replaces a file.
  void exportAsksBeforeReplacingAFile() {
    MainHarness h;
    QVERIFY(h.LoadNew("demo.gb", DemoRom()));
    h.state.rom.SetByte(0x150, 0x76);
    const QString file = WriteFile(h.Folder(), "hack.ips", "old");
    const struct {
      const char* answer;
      QByteArray contents;
      QString report;
    } rows[] = {
        {"No", "old", ""},
        // One data record of one byte: "PATCH", 5 + 1 bytes, "EOF".
        {"Yes", QByteArray("PATCH\x00\x01\x50\x00\x01\x76" "EOF", 14),
         "Patch written: 1 record, 14 bytes"},
    };
    for (const auto& r : rows) {
      auto dialog = AnswerNextFileDialog(file);
      const SeenBox box = AnswerNextBox([&] { h.Action("ExportPatch1")->trigger(); }, r.answer);
      h.Activate();
      QCOMPARE(box.text, QString("hack.ips exists already. Replace it?"));
      QCOMPARE(ReadFile(file), r.contents);
      QCOMPARE(Report(h), r.report);
    }
  }

  // A BPS patch of the ROM as it is already changes nothing; a patch that changes the title
  // changes the caption, and undo changes it back.
  void appliedPatchesAndTheCaption() {
    MainHarness h;
    QVERIFY(h.LoadNew("demo.gb", FixedDemoRom()));
    const QString bps = h.Folder() + "/same.bps";
    WriteFile(h.Folder(), "same.bps",
              Bytes(MakePatch(PatchFormat::Bps, Bytes(DemoRom()), Bytes(FixedDemoRom()))));
    const SeenBox box = ApplyPatchFile(h, bps);
    QCOMPARE(box.title, QString("Info"));
    QCOMPARE(box.text, QString("This patch is already applied."));
    QVERIFY(!h.form->Modified());

    QCOMPARE(h.form->windowTitle(), QString("Velmora - Demo"));
    ApplyPatchFile(h, WriteFile(h.Folder(), "title.ips", kRetitle));
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Europa"));
    h.Action("Undo1")->trigger();
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Demo"));
    h.Action("Redo1")->trigger();
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Europa"));
  }

  // A patch's whole path typed key by key and Enter applies it, though the folder holds a folder
  // whose name the path passes through on the way ("t" of "title.ips"): the dialog's list picks
  // that folder while the name is typed, and must not go into it.
  void aPatchNameTypedKeyByKeyIsApplied() {
    MainHarness h;
    QVERIFY(h.LoadNew("demo.gb", DemoRom()));
    QVERIFY(QDir(h.Folder()).mkdir("t"));
    const QString ips = WriteFile(h.Folder(), "title.ips", kRetitle);
    bool typed = false;
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog || !dialog->isActiveWindow()) return;
      // Once the list shows the folder's entries, as a user sees them before typing.
      const auto* list = dialog->findChild<QAbstractItemView*>("listView");
      if (!list || !list->model() || list->model()->rowCount(list->rootIndex()) < 2) return;
      timer->stop();
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      name->clear();
      QTest::keyClicks(name, ips);
      QTest::keyClick(name, Qt::Key_Return);
      typed = true;
      if (dialog->isVisible()) dialog->reject();
    });
    timer->start(5);
    h.Action("ApplyPatch1")->trigger();
    delete timer;
    QVERIFY(typed);
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Europa"));
  }
};

QTEST_MAIN(RomToolsTest)
#include "RomToolsTest.moc"
