// File > Export Source...: the folder dialog, the question before replacing an earlier export,
// and the files, which are the core's export of what the window holds.

#include <QDir>
#include <QFile>
#include <QTest>

#include "export/SourceExport.h"
#include "helpers/MainHarness.h"

class ExportSourceTest : public QObject {
  Q_OBJECT

 private slots:
  void writesTheCoresProjectAndAsksBeforeReplacing() {
    MainHarness h;
    QVERIFY(h.LoadNew("demo.gb", MakeRomBytes(0x8000, "DEMO", {{0x150, {0x3E, 0x12, 0xC9}}})));
    h.state.marks.Mark(0x150, 3, MarkKind::Code);
    h.state.comments[0x150] = "the answer";
    const QString out = h.Folder() + "/src";
    QVERIFY(QDir().mkdir(out));
    const ExportCode code = ExportCodeOf(TraceRom(h.state.rom, h.state.labels, h.state.marks));
    const ExportedSource expected = ExportSource(
        {h.state.rom, h.state.labels, h.state.marks, h.state.comments, code, "demo.gb"});
    QVERIFY(expected.Files[0].Name == "demo.asm");
    const QString bank0 = out + "/bank_00.asm";

    struct Row {
      const char* what;
      QString folder;         // "" cancels the folder dialog
      const char* question;   // the answer to the replace question, "" when none comes
      const char* info;       // how the closing box begins, "" when none comes
      QByteArray bank0After;  // bank_00.asm afterwards
    };
    QByteArray exported;
    for (const ExportFile& f : expected.Files) {
      if (f.Name == "bank_00.asm") exported = QByteArray::fromStdString(f.Text);
    }
    const Row rows[] = {
        {"cancel", "", "", "", "<missing>"},
        {"new", out, "", "Exported 9 files to '", exported},
        {"keep the edited one", out, "No", "", "edited"},
        {"replace it", out, "Yes", "Exported 9 files to '", exported},
    };
    for (const Row& r : rows) {
      auto dialog = AnswerNextFileDialog(r.folder);
      SeenBox question, info;
      if (*r.question) {
        question = AnswerNextBox(
            [&] { info = AnswerNextBox([&] { h.Action("ExportSource1")->trigger(); }); },
            r.question);
      } else {
        info = AnswerNextBox([&] { h.Action("ExportSource1")->trigger(); });
      }
      h.Activate();
      QVERIFY2(dialog->seen, r.what);
      QCOMPARE(question.seen, *r.question != 0);
      if (question.seen) {
        QCOMPARE(question.text, "'" + out + "' already holds an exported source. Replace its files?");
      }
      QCOMPARE(info.seen, *r.info != 0);
      if (info.seen) QVERIFY2(info.text.startsWith(r.info), qPrintable(info.text));
      QCOMPARE(ReadFile(bank0), r.bank0After);
      if (QFile::exists(bank0)) {
        QFile edit(bank0);
        QVERIFY(edit.open(QIODevice::WriteOnly | QIODevice::Truncate));
        edit.write("edited");
      }
    }
    for (const ExportFile& f : expected.Files) {
      if (f.Name != "bank_00.asm") {
        QCOMPARE(ReadFile(out + "/" + QString::fromStdString(f.Name)),
                 QByteArray::fromStdString(f.Text));
      }
    }
    // Another project's folder: no question, a refusal, and its Makefile as it was.
    const QString other = h.Folder() + "/other";
    QVERIFY(QDir().mkdir(other));
    {
      QFile makefile(other + "/Makefile");
      QVERIFY(makefile.open(QIODevice::WriteOnly));
      makefile.write("all:\n");
    }
    {
      auto dialog = AnswerNextFileDialog(other);
      const SeenBox refusal = AnswerNextBox([&] { h.Action("ExportSource1")->trigger(); });
      QVERIFY(dialog->seen);
      QCOMPARE(refusal.text, "'" + other + "' holds Makefile, which no export wrote; choose an empty folder.");
      QCOMPARE(ReadFile(other + "/Makefile"), QByteArray("all:\n"));
    }
    // A folder that is not there yet is made, with its parents.
    const QString made = h.Folder() + "/new/src";
    auto dialog = AnswerNextFileDialog(made);
    const SeenBox info = AnswerNextBox([&] { h.Action("ExportSource1")->trigger(); });
    QVERIFY(dialog->seen);
    QVERIFY2(info.text.startsWith("Exported 9 files to '" + made + "'"), qPrintable(info.text));
    QVERIFY(QFile::exists(made + "/demo.asm"));
    // The marks and comment set above are unsaved symbols; the export changes no byte.
    QVERIFY(!h.form->RomModified());
  }
};

QTEST_MAIN(ExportSourceTest)
#include "ExportSourceTest.moc"
