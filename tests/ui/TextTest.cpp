// Game text through a table: the table beside the ROM and File > Load Table..., Search > Text...
// with Find All and Search > Again, and the text pane.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "helpers/MainHarness.h"
#include "isa/Listing.h"
#include "ui/AppState.h"
#include "ui/FindAll.h"
#include "ui/Resources.h"
#include "ui/TextCommands.h"
#include "ui/TextPane.h"

namespace {

// A game that keeps its letters from $80 ("A") on, the blank at $7F, ends its strings with $FF
// and breaks lines with $FE.
QByteArray Encoded(const QByteArray& text) {
  QByteArray bytes;
  for (char c : text) {
    bytes += c == ' '   ? char(0x7F)
             : c == '|' ? char(0xFE)
             : c == '.' ? char(0xFF)
                        : char(0x80 + (c - 'A'));
  }
  return bytes;
}

QByteArray TableFile(const QByteArray& extraLines = {}) {
  QByteArray table = "# letters from $80\n7F= \n";
  for (char c = 'A'; c <= 'Z'; ++c)
    table += QByteArray::number(0x80 + (c - 'A'), 16).toUpper() + "=" + c + "\n";
  return table + "*FE\n/FF\n" + extraLines;
}

QByteArray TextRom() {
  QByteArray rom = MakeRomBytes(0x8000, "TEXTGAME");
  rom.replace(0x1000, 13, Encoded("HELLO WORLD|."));
  rom.replace(0x2000, 6, Encoded("HELLO."));
  return rom;
}

QString Report(const MainHarness& h) {
  return h.form->findChild<QLabel*>("ReportPanel")->text();
}

TTextCommands* Text(const MainHarness& h) {
  return h.form->findChild<TTextCommands*>("TextCommands");
}

// Search > Text... with the text typed and a button pressed; a box shown while the dialog is
// open (a text the table cannot encode) is answered and returned.
SeenBox SearchText(MainHarness& h, const QString& text, const char* button) {
  SeenBox refused;
  InspectNextModal([&] { h.Action("Text1")->trigger(); },
                   [&](QWidget* w) {
                     auto* edit = w->findChild<QLineEdit*>("DataEdit");
                     edit->setText(text);
                     refused = AnswerNextBox([&] {
                       QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
                     });
                   });
  h.Activate();
  return refused;
}

}  // namespace

class TextTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void tableBesideTheRomSearchAndPane() {
    MainHarness h;
    WriteFile(h.Folder(), "game.tbl", TableFile("80\nXY=Q\n"));
    QVERIFY(h.LoadNew("game.gb", TextRom()));
    QCOMPARE(Report(h), QString("2 lines of game.tbl skipped; first, line 31: 80"));
    QCOMPARE(h.state.table.Entries().size(), size_t{29});

    QVERIFY(!SearchText(h, "WORLD", "OKButton").seen);
    QCOMPARE(h.form->SelectedOffset(), 0x1006);
    // Again goes on after the selected line, where there is no more WORLD.
    QCOMPARE(AnswerNextBox([&] { h.Action("Again1")->trigger(); }).text,
             QString("Sorry, \"WORLD\" could not been found."));
    QCOMPARE(SearchText(h, "Hello", "OKButton").text, QString("The table has no entry for 'e'."));

    QVERIFY(!SearchText(h, "HELLO", "FindAllButton").seen);
    TFindAllForm* results = nullptr;
    for (auto* w : h.form->findChildren<TFindAllForm*>()) {
      if (w->isVisible()) results = w;
    }
    QVERIFY(results);
    QCOMPARE(results->Result().Offsets, (std::vector<int32_t>{0x1000, 0x2000}));
    // Each result shows the text it found, not the instruction at its first byte.
    const QAbstractItemModel* found = results->findChild<QAbstractItemView*>()->model();
    QCOMPARE(found->index(1, 0).data().toString(), QString("00:2000 \"HELLO\""));

    // The pane shows the strings from the selected line on, marked or not.
    h.form->ShowOffset(0x1000);
    h.Action("TextView1")->trigger();
    TTextPane* pane = Text(h)->Pane();
    QTRY_VERIFY(pane->isVisible());
    QCOMPARE(pane->Text().section('\n', 0, 0), QString("00:1000 \"HELLO WORLD\\n<$FF>\""));
    // A marked block is shown whole from its start.
    h.state.marks.Mark(0x1FFE, 8, MarkKind::Text);
    h.form->ShowOffset(0x2002);
    QCOMPARE(pane->Text(), QString("00:1FFE \"<$00><$00>HELLO<$FF>\"\n"));
  }

  void markedTextListsChangesAndUndoes() {
    MainHarness h;
    WriteFile(h.Folder(), "game.tbl", TableFile());
    QVERIFY(h.LoadNew("game.gb", TextRom()));
    QCOMPARE(h.Action("ChangeInstruction1")->text(), QString("&Change Instruction..."));
    // Edit > Mark as Text over the string and the zeros after it.
    h.form->ShowOffset(0x1000);
    h.Activate();
    InspectNextModal([&] { h.Action("MarkText1")->trigger(); },
                     [&](QWidget* w) {
                       w->findChild<QLineEdit*>("Edit1")->setText("+$14");
                       QTest::mouseClick(w->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
                     });
    h.Activate();
    QCOMPARE(h.state.marks.Blocks(), (std::vector<MarkBlock>{{0x1000, 0x14, MarkKind::Text}}));
    QCOMPARE(h.Lines().mid(0, 3),
             QStringList({"00:1000          \"HELLO WORLD\\n<$FF>\"",
                          "00:100D          \"<$00><$00><$00><$00><$00><$00><$00>\"",
                          "00:1014 00       nop"}));
    QCOMPARE(h.Action("ChangeInstruction1")->text(), QString("&Change Text..."));
    QCOMPARE(h.Action("ChangeInstruction2")->text(), QString("Change &Text..."));
    // The dialog names the place and the bytes the string has.
    QString caption;
    InspectNextModal([&] { h.Action("ChangeInstruction1")->trigger(); }, [&](QWidget* w) {
      caption = w->findChild<QLabel*>("Label1")->text();
      w->close();
    });
    h.Activate();
    QCOMPARE(caption, QString("Text at 00:1000, 13 bytes with its end code:"));

    // A character without an entry is refused by name and a longer text asks first; either
    // way the dialog stays open until the text is written.
    QString title, shown;
    SeenBox refused, declined, accepted;
    bool openAfterNo = false, plain = false;
    InspectNextModal(
        [&] { h.Action("ChangeInstruction1")->trigger(); },
        [&](QWidget* w) {
          title = w->windowTitle();
          // A plain line of text: no list of instructions to drop down.
          plain = w->findChild<QComboBox*>() == nullptr;
          auto* edit = w->findChild<QLineEdit*>("TextEdit");
          QVERIFY(edit);
          auto* ok = w->findChild<QPushButton*>("OKButton");
          shown = edit->text();
          edit->setText("Hello");
          refused = AnswerNextBox([&] { QTest::mouseClick(ok, Qt::LeftButton); });
          edit->setText("HELLO THERE WORLD");
          declined = AnswerNextBox([&] { QTest::mouseClick(ok, Qt::LeftButton); }, "No");
          openAfterNo = w->isVisible();
          accepted = AnswerNextBox([&] { QTest::mouseClick(ok, Qt::LeftButton); }, "Yes");
        });
    h.Activate();
    QCOMPARE(title, QString("Change Text"));
    QVERIFY(plain);
    QCOMPARE(shown, QString("HELLO WORLD\\n"));
    QCOMPARE(refused.text, QString("The table has no entry for 'e'."));
    QCOMPARE(declined.text, QString("The new text is 5 bytes longer than the old one: it runs over "
                                    "the old end code into the bytes after it. Write it anyway?"));
    QVERIFY(openAfterNo);
    QVERIFY(accepted.seen);
    const QByteArray changed = Encoded("HELLO THERE WORLD.");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(h.state.rom.RomImage.data()) + 0x1000, 18),
             changed);
    QCOMPARE(h.form->SelectedOffset(), 0x1000);
    QCOMPARE(h.Lines().value(0), QString("00:1000          \"HELLO THERE WORLD<$FF>\""));

    // One undo step puts every byte back.
    QCOMPARE(h.Action("Undo1")->text(), QString("&Undo Change Text at 00:1000"));
    h.Action("Undo1")->trigger();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(h.state.rom.RomImage.data()) + 0x1000, 18),
             TextRom().mid(0x1000, 18));
    // The listing shows the first byte that changed back, in the middle of its row.
    QCOMPARE(h.Lines().value(0), QString("00:1006          \"WORLD\\n<$FF>\""));
    // The ROM's bytes are as loaded; the mark is the step before, and goes with the next undo.
    QVERIFY(!h.form->RomModified());
    QCOMPARE(h.Action("Undo1")->text(), QString("&Undo Mark as Text 00:1000-00:1013"));
    h.Action("Undo1")->trigger();
    QVERIFY(h.state.marks.Empty());
    QVERIFY(!h.form->Modified());
  }

  // Rows deep in a long text block, found from the rows kept across redraws, are the rows a
  // decode from the block's start gives after every change of its bytes and of the table.
  void longTextBlockRowsFollowEditsUndoAndTable() {
    MainHarness h;
    WriteFile(h.Folder(), "game.tbl", TableFile());
    WriteFile(h.Folder(), "game.sym", "00:1000 .text:3000\n");
    QByteArray rom = MakeRomBytes(0x8000, "TEXTGAME");
    rom.replace(0x1000, 0x3000, QByteArray(0x3000, char(0x80)));
    QVERIFY(h.LoadNew("game.gb", rom));
    const auto shownAt = [&](int32_t offset) {
      h.form->ShowOffset(offset);
      const AppState& s = h.state;
      return h.form->LineOffsets() ==
             BuildListing(s.rom, s.labels, s.format, static_cast<uint32_t>(offset),
                          h.form->VisibleLines(), {&s.marks, &s.comments, &s.table})
                 .LineOffsets;
    };
    const struct {
      const char* change;
      std::function<void()> apply;
    } rows[] = {
        {"as loaded", [] {}},
        {"an end code near the start",
         [&] { h.form->RunEdit("End", [&] { h.state.rom.SetByte(0x1005, 0xFF); }); }},
        {"undone", [&] { h.Action("Undo1")->trigger(); }},
        {"redone", [&] { h.Action("Redo1")->trigger(); }},
        {"another table",
         [&] { Text(h)->LoadTableNamed(WriteFile(h.Folder(), "wide.tbl", "80=ABC\n/FF\n")); }},
        {"another ROM",
         [&] {
           h.Action("Undo1")->trigger();
           WriteFile(h.Folder(), "other.sym", "00:1000 .text:3000\n");
           rom[0x1003] = char(0xFF);
           QVERIFY(h.LoadNew("other.gb", rom));
         }},
    };
    for (const auto& row : rows) {
      row.apply();
      // Far into the block first, so that the rows on the way are kept, then nearer its start.
      for (int32_t offset : {0x3F00, 0x2345, 0x1100}) {
        QVERIFY2(shownAt(offset), row.change);
      }
    }
  }

  // The pane of a long text block shows the rows around the selected line, found through the
  // kept row starts, with the line's row highlighted; a move among the rows shown only moves the
  // highlight; a click on a row shows it in the listing.
  void paneShowsTheRowsAroundTheSelection() {
    MainHarness h;
    WriteFile(h.Folder(), "game.tbl", TableFile());
    // 0x1000-0x4FFF: "ABC." strings, four bytes a row.
    WriteFile(h.Folder(), "game.sym", "00:1000 .text:4000\n");
    QByteArray rom = MakeRomBytes(0x8000, "TEXTGAME");
    for (int at = 0x1000; at < 0x5000; at += 4) rom.replace(at, 4, Encoded("ABC."));
    QVERIFY(h.LoadNew("game.gb", rom));
    h.Action("TextView1")->trigger();
    TTextPane* pane = Text(h)->Pane();
    QTRY_VERIFY(pane->isVisible());
    auto* view = pane->findChild<QPlainTextEdit*>("TextView");
    const struct {
      int32_t offset;
      QString first;  // the first row shown
      int highlighted;
      bool decoded;  // the rows decoded anew
    } rows[] = {
        {0x4F02, "01:4E60 \"ABC<$FF>\"", 40, true},
        {0x4F10, "01:4E60 \"ABC<$FF>\"", 44, false},
        {0x1000, "00:1000 \"ABC<$FF>\"", 0, true},
        {0x1008, "00:1000 \"ABC<$FF>\"", 2, false},
        {0x2000, "00:1F60 \"ABC<$FF>\"", 40, true},
    };
    for (const auto& r : rows) {
      const int revision = view->document()->revision();
      h.form->ShowOffset(r.offset);
      QCOMPARE(pane->Text().section('\n', 0, 0), r.first);
      QCOMPARE(pane->HighlightedRow(), r.highlighted);
      QCOMPARE(view->document()->revision() != revision, r.decoded);
    }
    // A click on the row after the highlighted one.
    const QTextBlock next = view->document()->findBlockByNumber(41);
    QTRY_VERIFY(view->viewport()->rect().contains(
        view->cursorRect(QTextCursor(next)).center()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->cursorRect(QTextCursor(next)).center());
    QCOMPARE(h.form->SelectedOffset(), 0x2004);
  }

  // A shorter text in place of a string without an end code asks to fill the rest.
  void shorterTextWithoutEndCodeAsksToPad() {
    MainHarness h;
    WriteFile(h.Folder(), "game.tbl", TableFile());
    WriteFile(h.Folder(), "game.sym", "00:1000 .text:5\n");
    QVERIFY(h.LoadNew("game.gb", TextRom()));
    for (const char* answer : {"No", "Yes"}) {
      h.form->ShowOffset(0x1000);
      h.Activate();
      SeenBox asked;
      InspectNextModal([&] { h.Action("ChangeInstruction1")->trigger(); }, [&](QWidget* w) {
        w->findChild<QLineEdit*>("TextEdit")->setText("HI");
        asked = AnswerNextBox(
            [&] { QTest::mouseClick(w->findChild<QPushButton*>("OKButton"), Qt::LeftButton); },
            answer);
      });
      h.Activate();
      QCOMPARE(asked.text, QString("The new text is 3 bytes shorter than the old one, which has no "
                                   "end code: fill the 3 bytes left with $7F? (No leaves the old "
                                   "bytes there.)"));
      QCOMPARE(QByteArray(reinterpret_cast<const char*>(h.state.rom.RomImage.data()) + 0x1000, 5),
               Encoded(QByteArray("HI") + (QByteArray(answer) == "Yes" ? "   " : "LLO")));
      h.Action("Undo1")->trigger();
    }
  }

  void loadTableAndNoTable() {
    MainHarness h;
    QVERIFY(h.LoadNew("game.gb", TextRom()));
    QCOMPARE(AnswerNextBox([&] { h.Action("Text1")->trigger(); }).text,
             QString("No table is loaded. Load one with File > Load Table... first."));
    const QString charmap = WriteFile(
        h.Folder(), "game.inc", "charmap \"H\", $87\ncharmap \"E\", $84\ncharmap \"<\", $100\n");
    auto answer = AnswerNextFileDialog(charmap);
    h.Action("LoadTable1")->trigger();
    QVERIFY(answer->seen);
    QCOMPARE(Report(h), QString("1 line of game.inc skipped: line 3: charmap \"<\", $100"));
    h.Activate();
    QVERIFY(!SearchText(h, "HE", "OKButton").seen);
    QCOMPARE(h.form->SelectedOffset(), 0x1000);
    h.Action("Again1")->trigger();
    QCOMPARE(h.form->SelectedOffset(), 0x2000);
    // A table the user loaded stays when the next ROM has none beside it.
    QVERIFY(h.LoadNew("other.gb", TextRom()));
    QCOMPARE(QString::fromStdString(h.state.TableFileName), charmap);
  }
};

QTEST_MAIN(TextTest)
#include "TextTest.moc"
