// The code editor driven through its real buttons and file dialogs.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <functional>
#include <memory>
#include <numeric>

#include "helpers/ModalAnswer.h"
#include "ui/AppState.h"
#include "ui/CodeEditor.h"
#include "ui/HighlightedMemo.h"

namespace {

// Closes the first box that opens once the modal window now active has gone, and tells what it
// showed. For a box that comes after a file dialog closes, which AnswerNextBox cannot wait for
// from inside the file dialog's answer.
std::shared_ptr<SeenBox> AnswerBoxAfterThisOne() {
  auto seen = std::make_shared<SeenBox>();
  auto poll = std::make_shared<std::function<void(int)>>();
  *poll = [seen, poll, before = QPointer<QWidget>(QApplication::activeModalWidget())](int tries) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != before.data() && modal->isVisible()) {
      seen->seen = true;
      seen->title = modal->windowTitle();
      if (auto* message = modal->findChild<QLabel*>("Message")) seen->text = message->text();
      modal->close();
      *poll = nullptr;
      return;
    }
    if (tries > 0) {
      QTimer::singleShot(5, [poll, tries] { (*poll)(tries - 1); });
    } else {
      *poll = nullptr;
    }
  };
  QTimer::singleShot(0, [poll] { (*poll)(2000); });
  return seen;
}

// Chooses a file in a (non-native) file dialog by typing its name, as a user would.
std::function<void(QWidget*)> ChooseFile(const QString& path) {
  return [path](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    QVERIFY(dialog);
    auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(nameEdit);
    nameEdit->setText(path);
    QTest::keyClick(nameEdit, Qt::Key_Return);
  };
}

// A ROM of eight banks whose bytes are all 0xAA.
std::unique_ptr<AppState> MakeState() {
  auto state = std::make_unique<AppState>();
  state->rom.RomSize = 8 * kBankSize;
  state->rom.BankCount = 8;
  std::fill_n(state->rom.RomImage.begin(), state->rom.RomSize, 0xAA);
  return state;
}

// What the pixels of one area of an image hold: anti-aliased code text is a shade of pure green,
// a comment a shade of grey.
struct Ink {
  int green = 0;
  int grey = 0;
};

Ink InkIn(const QImage& image, const QRect& area) {
  Ink ink;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.green() >= 0x40 && c.red() < 0x20 && c.blue() < 0x20) ++ink.green;
      if (c.red() >= 0x40 && c.red() == c.green() && c.green() == c.blue()) ++ink.grey;
    }
  }
  return ink;
}

QByteArray Bytes(const AppState& state, uint32_t offset, int count) {
  return QByteArray(reinterpret_cast<const char*>(&state.rom.RomImage[offset]), count);
}

}  // namespace

class CodeEditorTest : public QObject {
  Q_OBJECT

 private:
  static THighlightedMemo* Editor(TCodeEditorForm& form) {
    return form.findChild<THighlightedMemo*>("Editor");
  }
  static void Click(TCodeEditorForm& form, const char* button) {
    auto* b = form.findChild<QPushButton*>(button);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
  }

 private slots:
  void StartsWithTheOrgLineOfTheStartOffset() {
    auto state = MakeState();
    const struct {
      uint32_t offset;
      QString text;
    } rows[] = {
        {0x14100, "org 05:4100\n"},
        {0x0150, "org 00:0150\n"},
        {0x3FFF, "org 00:3FFF\n"},
        {0x4000, "org 01:4000\n"},
    };
    for (const auto& row : rows) {
      TCodeEditorForm form(*state, row.offset, nullptr);
      QCOMPARE(Editor(form)->toPlainText(), row.text);
      QCOMPARE(form.windowTitle(), QString("Code Editor"));
    }
  }

  void OkAssemblesTheBlockAndAccepts() {
    auto state = MakeState();
    const struct {
      QString source;
      uint32_t offset;
      QByteArray bytes;
    } rows[] = {
        {"org 01:4100\n@Loop\ndec a\njr nz,@Loop\nret", 0x4100, QByteArray("\x3D\x20\xFD\xC9", 4)},
        {"org 00:0150\njp @Main\nnop\n@Main\nhalt\n", 0x0150,
         QByteArray("\xC3\x54\x01\x00\x76", 5)},
        {"org 00:0300\nld a,b// load\n\n", 0x0300, QByteArray("\x78\xAA", 2)},
        {"org 00:0300 // here\nld a,b // load\ndb $12,$34\t// two\n", 0x0300,
         QByteArray("\x78\x12\x34\xAA", 4)},
    };
    for (const auto& row : rows) {
      TCodeEditorForm form(*state, 0, nullptr);
      form.show();
      Editor(form)->setPlainText(row.source);
      Click(form, "OKButton");
      QCOMPARE(form.result(), int(QDialog::Accepted));
      QVERIFY(!form.isVisible());
      QCOMPARE(Bytes(*state, row.offset, row.bytes.size()), row.bytes);
      QCOMPARE(Editor(form)->toPlainText(), row.source);
    }
  }

  void AFailedBlockStaysOpenWithItsLineSelected() {
    auto state = MakeState();
    const struct {
      QString source;
      QString title;
      QString text;
      QString selected;
    } rows[] = {
        {"org 00:0150\nld a,$10\ncall @X// far away\n@L\njr @L\nret\n", "Error",
         "Label X is not defined.", "call @X// far away"},
        {"nop\norg 00:0150\n", "Warning",
         "Compiling error: no orgion declared, you must set the address where compiled code will "
         "be placed e.g. \"org 01:4100\".",
         "nop"},
        {"// only a comment\norg 00:0150 x // start\nnop\n", "Velmora",
         "'$0150 x' is not a valid integer value.", "org 00:0150 x // start"},
        {"org 01:4003\njr $5000\n", "Error",
         "Jump target $5000 is out of reach of jr (-128 to 127 bytes).", "jr $5000"},
        {"org 00:0150\n@Here\nnop\nfoo bar\n", "Error",
         "Assembling failed, syntax error: unsupported instruction \"foo bar\".", "foo bar"},
        {"org 07:7FFE\nnop\n\tld hl,$1234// too long\nnop\n", "Error",
         "Address 08:4000 is past the end of the ROM.", "\tld hl,$1234// too long"},
    };
    for (const auto& row : rows) {
      TCodeEditorForm form(*state, 0, nullptr);
      form.show();
      Editor(form)->setPlainText(row.source);
      const SeenBox box = AnswerNextBox([&] { Click(form, "OKButton"); });
      QCOMPARE(box.title, row.title);
      QCOMPARE(box.text, row.text);
      QVERIFY(form.isVisible());
      QCOMPARE(form.result(), int(QDialog::Rejected));
      QCOMPARE(Editor(form)->textCursor().selectedText(), row.selected);
      QCOMPARE(Editor(form)->toPlainText(), row.source);
      QVERIFY(!Editor(form)->isReadOnly());
      QCOMPARE(Bytes(*state, 0x0150, 6), QByteArray(6, '\xAA'));
    }
  }

  void ClearEmptiesUndoablyAndAnEmptyBlockIsAccepted() {
    auto state = MakeState();
    TCodeEditorForm form(*state, 0x4100, nullptr);
    form.show();
    QTest::keyClicks(Editor(form), "nop");
    const QString typed = Editor(form)->toPlainText();
    Click(form, "ClearButton");
    QCOMPARE(Editor(form)->toPlainText(), QString());
    // Ctrl+Z in the text brings the block back, and Ctrl+Y clears it again.
    QTest::keyClick(Editor(form), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Editor(form)->toPlainText(), typed);
    QTest::keyClick(Editor(form), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(Editor(form)->toPlainText(), QString());
    Click(form, "OKButton");
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(Bytes(*state, 0x4100, 2), QByteArray(2, '\xAA'));
  }

  // Escape never closes the window. Its close button asks before a text changed since it was
  // opened, loaded or saved is thrown away; No (the default) keeps the window open. An
  // assembled block closes it without a question. Closing changes nothing in the ROM.
  void ClosingAsksOnlyForAChangedText() {
    auto state = MakeState();
    QTemporaryDir dir;
    const QString saved = dir.filePath("kept.asm");
    const struct {
      const char* what;
      std::function<void(TCodeEditorForm&)> before;  // what the user does first
      Qt::Key key;     // Escape, or none: the close button
      QString answer;  // to the question; empty: Enter
      bool asked;
      bool closed;
    } rows[] = {
        {"unchanged", nullptr, Qt::Key_unknown, {}, false, true},
        {"typed, Escape", [](TCodeEditorForm& f) { QTest::keyClicks(Editor(f), "nop"); },
         Qt::Key_Escape, {}, false, false},
        {"untouched, Escape", nullptr, Qt::Key_Escape, {}, false, false},
        {"typed, No", [](TCodeEditorForm& f) { QTest::keyClicks(Editor(f), "nop"); },
         Qt::Key_unknown, "No", true, false},
        {"typed, Enter", [](TCodeEditorForm& f) { QTest::keyClicks(Editor(f), "nop"); },
         Qt::Key_unknown, {}, true, false},
        {"cleared, Yes", [](TCodeEditorForm& f) { Click(f, "ClearButton"); }, Qt::Key_unknown,
         "Yes", true, true},
        {"typed, saved",
         [&](TCodeEditorForm& f) {
           QTest::keyClicks(Editor(f), "nop");
           QVERIFY(InspectNextModal([&] { Click(f, "SaveButton"); }, ChooseFile(saved)));
         },
         Qt::Key_unknown, {}, false, true},
        {"opened",
         [&](TCodeEditorForm& f) {
           QVERIFY(InspectNextModal([&] { Click(f, "OpenButton"); }, ChooseFile(saved)));
         },
         Qt::Key_unknown, {}, false, true},
    };
    for (const auto& r : rows) {
      TCodeEditorForm form(*state, 0x0150, nullptr);
      form.show();
      QVERIFY(QTest::qWaitForWindowActive(&form));
      if (r.before) r.before(form);
      const QString text = Editor(form)->toPlainText();
      const SeenBox box = AnswerNextBox(
          [&] {
            if (r.key == Qt::Key_Escape)
              QTest::keyClick(Editor(form), Qt::Key_Escape);
            else
              form.close();
          },
          r.answer);
      QVERIFY2(box.seen == r.asked, r.what);
      if (box.seen) {
        QCOMPARE(box.title, QString("Velmora"));
        QCOMPARE(box.text, QString("Discard the code in the editor?"));
        QCOMPARE(box.buttons, (QStringList{"Yes", "No"}));
      }
      QVERIFY2(form.isVisible() != r.closed, r.what);
      QCOMPARE(Editor(form)->toPlainText(), text);
      QCOMPARE(Bytes(*state, 0x0150, 1), QByteArray(1, '\xAA'));
    }

    TCodeEditorForm form(*state, 0x0150, nullptr);
    form.show();
    Editor(form)->moveCursor(QTextCursor::End);
    QTest::keyClicks(Editor(form), "nop");
    const SeenBox none = AnswerNextBox([&] { Click(form, "OKButton"); });
    QVERIFY(!none.seen);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(Bytes(*state, 0x0150, 1), QByteArray(1, '\x00'));
  }

  // Tab indents with blanks to the next fourth column; it inserts no tab character.
  void TabIndentsWithBlanks() {
    auto state = MakeState();
    TCodeEditorForm form(*state, 0x0150, nullptr);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    THighlightedMemo* memo = Editor(form);
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Tab);
    QTest::keyClicks(memo, "ld a,b");
    QTest::keyClick(memo, Qt::Key_Tab);
    QTest::keyClicks(memo, "//x");
    QCOMPARE(memo->toPlainText(), QString("org 00:0150\n    ld a,b  //x"));
    QVERIFY(memo->hasFocus());
  }

  // The editor opens centred on the window it was opened from.
  void OpensCentredOnItsOwner() {
    auto state = MakeState();
    QWidget owner;
    for (const QRect& place : {QRect(100, 80, 545, 378), QRect(180, 140, 400, 300)}) {
      owner.setGeometry(place);
      owner.show();
      QVERIFY(QTest::qWaitForWindowExposed(&owner));
      TCodeEditorForm form(*state, 0x0150, &owner);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QCOMPARE(form.frameGeometry().center(), owner.frameGeometry().center());
    }
  }

  // A long block shows its progress by the selection, moved and painted at most every 50 ms;
  // the failing line is selected at the end whatever the last shown one was.
  void ProgressIsPaintedAtMostEvery50Ms() {
    auto state = MakeState();
    QStringList lines = {"org 01:4000"};
    for (int i = 0; i < 1500; ++i) lines << "ld a,$10";
    lines << "jp @Nowhere";
    TCodeEditorForm form(*state, 0, nullptr);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Editor(form)->setPlainText(lines.join('\n'));
    struct PaintCount : QObject {
      int paints = 0;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
      }
    } count;
    Editor(form)->viewport()->installEventFilter(&count);
    QElapsedTimer clock;
    clock.start();
    const SeenBox box = AnswerNextBox([&] { Click(form, "OKButton"); });
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(box.text, QString("Label Nowhere is not defined."));
    QCOMPARE(Editor(form)->textCursor().selectedText(), QString("jp @Nowhere"));
    // The box itself and the end of the work may paint a few times more.
    QVERIFY2(count.paints <= 4 + elapsed / 50,
             qPrintable(QString("%1 paints in %2 ms").arg(count.paints).arg(elapsed)));
  }

  void OpensAndSavesSourceFilesWithCrLf() {
    auto state = MakeState();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath("in.asm");
    {
      QFile f(in);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("org 01:4100\r\n@Loop\ndec a // \xE9\r\njr nz,@Loop\r\nret\r\n");
    }
    TCodeEditorForm form(*state, 0, nullptr);
    form.show();

    QVERIFY(InspectNextModal([&] { Click(form, "OpenButton"); }, ChooseFile(in)));
    QCOMPARE(Editor(form)->toPlainText(),
             QString("org 01:4100\n@Loop\ndec a // \u00E9\njr nz,@Loop\nret\n"));

    // No extension is added to the name typed.
    const QString out = dir.filePath("out");
    QVERIFY(InspectNextModal([&] { Click(form, "SaveButton"); }, ChooseFile(out)));
    QFile saved(out);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(),
             QByteArray("org 01:4100\r\n@Loop\r\ndec a // \xE9\r\njr nz,@Loop\r\nret\r\n"));

    // A cancelled dialog changes nothing.
    QVERIFY(InspectNextModal([&] { Click(form, "OpenButton"); }, [](QWidget*) {}));
    QCOMPARE(Editor(form)->toPlainText().count('\n'), 5);
  }

  void CommentsAreDrawnOverTheTextInItalicSilver();

  void FileErrorsGoToTheDefaultErrorBox() {
    auto state = MakeState();
    QTemporaryDir dir;
    TCodeEditorForm form(*state, 0x0150, nullptr);
    form.show();
    const QString before = Editor(form)->toPlainText();

    // The dialog takes only a file that exists: this one goes away as it is chosen.
    const QString gone = dir.filePath("gone.asm");
    {
      QFile f(gone);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    std::shared_ptr<SeenBox> openBox;
    QVERIFY(InspectNextModal([&] { Click(form, "OpenButton"); },
                             [&](QWidget* w) {
                               QObject::connect(qobject_cast<QFileDialog*>(w),
                                                &QFileDialog::fileSelected,
                                                [&] { QFile::remove(gone); });
                               openBox = AnswerBoxAfterThisOne();
                               ChooseFile(gone)(w);
                             }));
    QVERIFY(openBox && openBox->seen);
    QCOMPARE(openBox->title, QString("Velmora"));
    // The file's name on a line of its own.
    QCOMPARE(openBox->text, "File not found.\n" + gone);
    QCOMPARE(Editor(form)->toPlainText(), before);

    std::shared_ptr<SeenBox> saveBox;
    QVERIFY(InspectNextModal([&] { Click(form, "SaveButton"); },
                             [&](QWidget* w) {
                               saveBox = AnswerBoxAfterThisOne();
                               ChooseFile(dir.filePath("no-such-folder/out.asm"))(w);
                             }));
    QVERIFY(saveBox && saveBox->seen);
    QCOMPARE(saveBox->title, QString("Velmora"));
    QCOMPARE(saveBox->text, "File not found.\n" + dir.filePath("no-such-folder/out.asm"));
    QCOMPARE(Editor(form)->toPlainText(), before);
  }
};

void CodeEditorTest::CommentsAreDrawnOverTheTextInItalicSilver() {
  THighlightedMemo memo;
  memo.resize(320, 120);
  QStringList lines = {"nop //l", "ld a,b", "  // x"};
  for (int i = 3; i < 40; ++i) lines << "nop";
  lines << "dec a// end";
  memo.setPlainText(lines.join('\n'));
  memo.setReadOnly(true);  // no text cursor in the picture
  memo.show();
  QVERIFY(QTest::qWaitForWindowExposed(&memo));

  // The text of a line from a column on, in viewport pixels; columns are 8 pixels wide.
  const auto cellsOf = [&memo](int line, int column, int count) {
    QTextCursor cursor(memo.document()->findBlockByNumber(line));
    const QRect start = memo.cursorRect(cursor);
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
    const QRect at = memo.cursorRect(cursor);
    [&] { QCOMPARE(at.left() - start.left(), column * THighlightedMemo::kCellWidth); }();
    return QRect(at.left(), at.top(), count * THighlightedMemo::kCellWidth, at.height());
  };

  struct Row {
    int line;
    int codeColumns;     // code before the comment, in green
    int commentColumns;  // the comment, in grey
  };
  const auto check = [&](const QImage& image, const QList<Row>& rows) {
    for (const Row& row : rows) {
      const Ink code = InkIn(image, cellsOf(row.line, 0, row.codeColumns));
      const Ink comment = InkIn(image, cellsOf(row.line, row.codeColumns, row.commentColumns));
      QCOMPARE(code.grey, 0);
      QCOMPARE(code.green > 0, row.codeColumns > 0 && row.line != 2);
      QCOMPARE(comment.green, 0);
      QCOMPARE(comment.grey > 0, row.commentColumns > 0);
    }
  };

  const QImage top = memo.viewport()->grab().toImage();
  check(top, {{0, 4, 3}, {1, 6, 0}, {2, 2, 4}});

  // Italic: the stem of "l" leans right. Its rows, less the top serif and the foot, are taken
  // by the centre of their ink; the upper half's centres lie right of the lower half's.
  const QRect cell = cellsOf(0, 6, 1);
  QList<double> centres;
  for (int y = cell.top(); y <= cell.bottom(); ++y) {
    double sum = 0;
    int count = 0;
    for (int x = cell.left(); x <= cell.right(); ++x) {
      const QColor c = top.pixelColor(x, y);
      if (c.red() >= 0x80 && c.red() == c.blue()) sum += x, ++count;
    }
    if (count) centres << sum / count;
  }
  QVERIFY(centres.size() >= 6);
  centres = centres.mid(1, centres.size() - 2);
  const auto mean = [](const QList<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / v.size();
  };
  const qsizetype half = centres.size() / 2;
  QVERIFY2(mean(centres.mid(0, half)) > mean(centres.mid(half)) + 0.5, "the comment is upright");

  // The comment follows the text when it scrolls.
  memo.verticalScrollBar()->setValue(memo.verticalScrollBar()->maximum());
  check(memo.viewport()->grab().toImage(), {{40, 5, 6}});
}

QTEST_MAIN(CodeEditorTest)
#include "CodeEditorTest.moc"
