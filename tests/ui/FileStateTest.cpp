// What the status bar says about the loaded file (unsaved changes, a file that may not be
// written) and what Save does with a write-protected ROM. Run without root's rights, which
// would write any file: as root, the program drops to the unprivileged user first.

#include <QApplication>
#include <QFile>
#include <QTest>
#include <unistd.h>

#include "helpers/MainHarness.h"
#include "ui/Resources.h"

namespace {

QString PanelText(const MainHarness& h, const char* name) {
  return h.form->findChild<QLabel*>(name)->text();
}

void Edit(MainHarness& h, uint8_t value) {
  h.form->RunEdit("Poke", [&] { h.state.rom.SetByte(0x150, value); });
}

}  // namespace

class FileStateTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  // Panel 1 says "Modified" exactly while the undo stack is away from what was saved or loaded.
  void modifiedFollowsTheUndoStack() {
    MainHarness h;
    QVERIFY(h.LoadNew("game.gb", MakeRomBytes(0x8000, "GAME")));
    const struct {
      const char* what;
      std::function<void()> step;
      const char* panel;
    } rows[] = {
        {"loaded", [] {}, ""},
        {"edited", [&] { Edit(h, 0x12); }, "Modified"},
        {"undone", [&] { h.Action("Undo1")->trigger(); }, ""},
        {"redone", [&] { h.Action("Redo1")->trigger(); }, "Modified"},
        {"saved", [&] { h.Action("Save1")->trigger(); }, ""},
        {"undone after the save", [&] { h.Action("Undo1")->trigger(); }, "Modified"},
        {"loaded again",
         [&] {
           AnswerNextBox([&] { h.LoadNew("other.gb", MakeRomBytes(0x4000, "O")); },
                         "Don't Save");
         },
         ""},
    };
    for (const auto& r : rows) {
      r.step();
      QCOMPARE(PanelText(h, "Panel1"), QString(r.panel));
      QCOMPARE(h.form->Modified(), *r.panel != '\0');
    }
    // The caption stays as it was.
    QCOMPARE(h.form->windowTitle(), QString("Velmora - O"));
  }

  // A write-protected ROM is opened read-only and said to be so; Save is refused with a hint,
  // the file left as it is, while Save As writes another file, the one loaded from then on.
  void writeProtectedRomOpensReadOnly() {
    MainHarness h;
    const QByteArray original = MakeRomBytes(0x8000, "BASE");
    const QString base = WriteFile(h.Folder(), "base.gb", original);
    QVERIFY(QFile::setPermissions(base, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ReadOther));
    QVERIFY(h.Load(base));
    QCOMPARE(h.form->windowTitle(), QString("Velmora - Base"));
    QCOMPARE(PanelText(h, "Panel2"), QString("Read-only"));
    Edit(h, 0x76);

    const SeenBox refused = AnswerNextBox([&] { h.Action("Save1")->trigger(); });
    QCOMPARE(refused.title, QString("Velmora"));
    QCOMPARE(refused.text, "File access denied.\n" + base +
                               "\nUse File > Save As... (F6) to save the ROM under another name.");
    QCOMPARE(ReadFile(base), original);
    QCOMPARE(PanelText(h, "Panel1"), QString("Modified"));

    const QString hack = h.Folder() + "/hack.gb";
    auto answer = AnswerNextFileDialog(hack);
    h.Action("SaveAs1")->trigger();
    QVERIFY(answer->seen);
    QCOMPARE(ReadFile(hack).at(0x150), '\x76');
    // The ROM is the new file from now on, and that one may be written.
    QCOMPARE(PanelText(h, "Panel1"), QString());
    QCOMPARE(PanelText(h, "Panel2"), QString());
    QCOMPARE(ReadFile(base), original);
  }
};

int main(int argc, char** argv) {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 90;
  QApplication app(argc, argv);
  FileStateTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "FileStateTest.moc"
