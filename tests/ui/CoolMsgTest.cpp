// The message boxes, the default error box, the unsaved-changes question and RunCommand.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <cerrno>
#include <new>
#include <stdexcept>

#include "helpers/ModalAnswer.h"
#include "model/Failure.h"
#include "ui/CoolMsg.h"
#include "ui/Resources.h"

namespace {

using Show = void (*)(const std::string&, QWidget*);

// Geometry of the next box, read while it is open; the box is then closed.
struct BoxGeometry {
  QRect frame, outer, image, message, button;  // frame: the client area; outer: with decorations
  QImage grab;
  QColor face;
  int messageNeeds = 0;  // the height the label needs for its text at its width
};

BoxGeometry Measure(const std::function<void()>& trigger) {
  BoxGeometry g;
  InspectNextModal(trigger, [&g](QWidget* box) {
    g.frame = box->geometry();
    g.outer = box->frameGeometry();
    g.image = box->findChild<QLabel*>("Image")->geometry();
    auto* message = box->findChild<QLabel*>("Message");
    g.message = message->geometry();
    g.messageNeeds = message->heightForWidth(message->width());
    g.button = box->findChild<QPushButton*>("OK")->geometry();
    g.grab = box->grab().toImage();
    g.face = box->palette().color(QPalette::Window);
  });
  return g;
}

}  // namespace

class CoolMsgTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { InitVelmoraResources(); }

  void picturesAsStored() {
    const struct {
      Picture picture;
      QSize size;
      bool magentaCorners;
    } rows[] = {{Picture::Logo, {320, 240}, false},
                {Picture::Info, {48, 48}, true},
                {Picture::Err, {48, 48}, true},
                {Picture::Warn, {48, 48}, true}};
    for (const auto& row : rows) {
      const QImage image = LoadPicture(row.picture);
      QCOMPARE(image.size(), row.size);
      QVERIFY(!image.hasAlphaChannel());
      if (row.magentaCorners) {
        QCOMPARE(image.pixel(0, 47), qRgb(255, 0, 255));
        QCOMPARE(image.pixel(47, 0), qRgb(255, 0, 255));
        QVERIFY(image.pixel(24, 24) != qRgb(255, 0, 255));
      }
    }
  }

  void titlesAndTexts() {
    const struct {
      Show show;
      std::string text;
      QString title, shown;
    } rows[] = {
        {ShowInfo, "Nothing found", "Info", "Nothing found"},
        {ShowError, "Empty ROM file", "Error", "Empty ROM file"},
        {ShowWarning, "No org line\r\nfound", "Warning", "No org line\r\nfound"},
        {ShowInfo, "Caf\xE9 & \xFF", "Info", QString::fromUtf8("Caf\u00E9 & \u00FF")},
        // A file name of the platform's encoding, UTF-8, as a message quotes it.
        {ShowError, "Cannot read \xC3\xA9t\xC3\xA9.gb", "Error",
         QString::fromUtf8("Cannot read \u00E9t\u00E9.gb")},
        // The default error box: a "." after any last character that sorts after ".".
        {ShowDefaultError, "File not found", "Velmora", "File not found."},
        {ShowDefaultError, "I/O error 5", "Velmora", "I/O error 5."},
        {ShowDefaultError, "Disk full.", "Velmora", "Disk full."},
        {ShowDefaultError, "Done!", "Velmora", "Done!"},
        {ShowDefaultError, "", "Velmora", ""},
    };
    for (const auto& row : rows) {
      const SeenBox box = AnswerNextBox([&] { row.show(row.text, nullptr); });
      QVERIFY(box.seen);
      QCOMPARE(box.title, row.title);
      QCOMPARE(box.text, row.shown);
      QCOMPARE(box.buttons, QStringList{"Okay"});
    }
  }

  void keysAndCloseButtonCloseTheBox() {
    const struct {
      const char* how;
      std::function<void(QWidget*)> act;
    } rows[] = {
        {"Return", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }},
        {"Enter", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Enter); }},
        {"Escape", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }},
        {"close button", [](QWidget* w) { w->close(); }},
    };
    for (const auto& row : rows) {
      bool closed = false;
      const bool seen = InspectNextModal([] { ShowWarning("Careful", nullptr); },
                                         [&](QWidget* w) {
                                           row.act(w);
                                           closed = !w->isVisible();
                                         });
      QVERIFY2(seen && closed, row.how);
    }
  }

  void pictureIsDrawnWithoutItsBackground() {
    const Show shows[] = {ShowInfo, ShowError, ShowWarning, ShowDefaultError};
    for (Show show : shows) {
      const BoxGeometry g = Measure([show] { show("Look at the picture", nullptr); });
      QCOMPARE(g.image.size(), QSize(48, 48));
      // The pictures' corners are magenta: the face shows through there, the disc does not.
      QCOMPARE(g.grab.pixelColor(g.image.topLeft()), g.face);
      QCOMPARE(g.grab.pixelColor(g.image.bottomRight()), g.face);
      const QColor middle = g.grab.pixelColor(g.image.center());
      QVERIFY(middle != g.face);
      for (int y = g.image.top(); y <= g.image.bottom(); ++y)
        for (int x = g.image.left(); x <= g.image.right(); ++x)
          QVERIFY(g.grab.pixel(x, y) != qRgb(255, 0, 255));
    }
  }

  void oneLineBoxIsAsHighAsTheIconPlace() {
    const BoxGeometry shortLine = Measure([] { ShowInfo("Hi", nullptr); });
    const BoxGeometry longLine =
        Measure([] { ShowInfo("One line of text, a good deal longer than the other", nullptr); });
    const BoxGeometry threeLines = Measure([] { ShowInfo("One\nTwo\nThree", nullptr); });

    QVERIFY(shortLine.message.height() < 32);
    QCOMPARE(longLine.frame.height(), shortLine.frame.height());
    QVERIFY(longLine.frame.width() > shortLine.frame.width());
    // Text and picture start at the top margin; the picture, laid out as 32 high, reaches 16
    // pixels into the space above the button.
    QCOMPARE(shortLine.image.top(), shortLine.message.top());
    QCOMPARE(shortLine.image.bottom() + 1 - 16, shortLine.message.top() + 32);
    QVERIFY(shortLine.button.top() > shortLine.image.top() + 32);
    // Taller text makes the box taller by what it needs beyond the icon place.
    QVERIFY(threeLines.message.height() > 32);
    QCOMPARE(threeLines.frame.height() - shortLine.frame.height(),
             threeLines.message.height() - 32);
    QCOMPARE(threeLines.button.top() - threeLines.message.bottom(),
             shortLine.button.top() - (shortLine.message.top() + 32 - 1));
  }

  void boxIsWiderAndStandsRightOfTheCentre() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const BoxGeometry g =
        Measure([] { ShowError("A message wider than the button below it", nullptr); });
    // The text moved 16 right and the box grew 16: the right margin equals the left one.
    QCOMPARE(g.frame.width() - g.message.right() - 1, g.image.left());
    QVERIFY(g.message.left() - g.image.left() - 16 > 32);
    QVERIFY(qAbs(g.button.center().x() - g.frame.width() / 2) <= 1);
    // The box was centred (its window's top left corner placed) before it grew.
    QVERIFY(qAbs(g.outer.left() + (g.frame.width() - 16) / 2 - screen.center().x()) <= 1);
    QVERIFY(qAbs(g.outer.top() + g.frame.height() / 2 - screen.center().y()) <= 1);
  }

  // Long texts wrap, at word boundaries where there are any and anywhere in an unbroken run (a
  // long path), so that the whole box stays within half the screen's width and on the screen.
  void longMessagesWrapWithinHalfTheScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int lineHeight = QFontMetrics(QApplication::font("QMessageBox")).height();
    std::string words;
    for (int i = 0; i < 80; ++i) words += "word" + std::to_string(i) + " ";
    words += "end";
    std::string path = "/home";
    while (path.size() < 300) path += "/folder" + std::to_string(path.size());
    const struct {
      const char* what;
      std::string text;
      int minLines;
    } rows[] = {
        {"words", words, 4},
        {"path", path, 3},
        {"path after words", "File not found:\n" + path + "\nTry again.", 5},
    };
    for (const auto& r : rows) {
      const BoxGeometry g = Measure([&] { ShowWarning(r.text, nullptr); });
      const SeenBox box = AnswerNextBox([&] { ShowWarning(r.text, nullptr); });
      QCOMPARE(box.text, QString::fromStdString(r.text));
      QVERIFY2(g.frame.width() <= screen.width() / 2, r.what);
      QVERIFY2(screen.contains(g.outer), r.what);
      QVERIFY2(g.message.width() > screen.width() / 4, r.what);
      QVERIFY2(g.message.height() >= r.minLines * lineHeight, r.what);
      QVERIFY2(g.messageNeeds <= g.message.height(), r.what);
      QVERIFY2(g.message.right() < g.frame.width(), r.what);
      QVERIFY2(g.button.top() > g.message.bottom(), r.what);
      // Ink on the last line of the text block: the end of the text is drawn, not cut off.
      const QImage last = g.grab.copy(g.message.left(), g.message.bottom() - lineHeight + 1,
                                      g.message.width(), lineHeight);
      bool ink = false;
      for (int y = 0; y < last.height() && !ink; ++y)
        for (int x = 0; x < last.width() && !ink; ++x) ink = last.pixelColor(x, y) != g.face;
      QVERIFY2(ink, r.what);
    }
  }

  void runCommandShowsTheBoxOfItsFailure() {
    const struct {
      std::function<void()> command;
      bool ranToEnd;
      QString title, text;
    } rows[] = {
        {[] {}, true, "", ""},
        {[] { throw InfoFailure("Nothing found"); }, false, "Info", "Nothing found"},
        {[] { throw ErrorFailure("Bad operand"); }, false, "Error", "Bad operand"},
        {[] { throw WarningFailure("No org line"); }, false, "Warning", "No org line"},
        {[] { throw ConversionError("12x"); }, false, "Velmora",
         "'12x' is not a valid integer value."},
        {[] { ThrowFileError(ENOENT); }, false, "Velmora", "File not found."},
        // Every byte of a quoted text, a NUL included.
        {[] { throw ConversionError(std::string("$1\0x", 4)); }, false, "Velmora",
         QString::fromLatin1("'$1\0x' is not a valid integer value.", 36)},
        // Any other exception ends the command with a box, not the program.
        {[] { throw std::bad_alloc(); }, false, "Velmora", "Out of memory."},
        {[] { throw std::logic_error("Broken"); }, false, "Velmora", "Broken."},
    };
    for (const auto& row : rows) {
      bool result = !row.ranToEnd;
      const SeenBox box = AnswerNextBox([&] { result = RunCommand(row.command, nullptr); });
      QCOMPARE(result, row.ranToEnd);
      QCOMPARE(box.seen, !row.ranToEnd);
      QCOMPARE(box.title, row.title);
      QCOMPARE(box.text, row.text);
    }
  }

  void askSaveChangesAnswers() {
    const struct {
      QString button;  // pressed by caption, or empty for the key or close below
      std::function<void(QWidget*)> act;
      SaveAnswer answer;
    } rows[] = {
        {"Save", nullptr, SaveAnswer::Save},
        {"Don't Save", nullptr, SaveAnswer::DontSave},
        {"Cancel", nullptr, SaveAnswer::Cancel},
        {"", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, SaveAnswer::Cancel},
        {"", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }, SaveAnswer::Save},
        {"", [](QWidget* w) { w->close(); }, SaveAnswer::Cancel},
    };
    for (const auto& row : rows) {
      SaveAnswer answer = SaveAnswer::Cancel;
      if (row.act) {
        bool closed = false;
        QVERIFY(InspectNextModal([&] { answer = AskSaveChanges("game.asm", nullptr); },
                                 [&](QWidget* w) {
                                   row.act(w);
                                   closed = !w->isVisible();
                                 }));
        QVERIFY(closed);
      } else {
        const SeenBox box =
            AnswerNextBox([&] { answer = AskSaveChanges("game.asm", nullptr); }, row.button);
        QCOMPARE(box.title, QString("Velmora"));
        QCOMPARE(box.text, QString("Save changes to game.asm?"));
        QCOMPARE(box.buttons, (QStringList{"Save", "Don't Save", "Cancel"}));
      }
      QCOMPARE(answer, row.answer);
    }
  }

  void askYesNoKeepsThingsByDefault() {
    const struct {
      QString button;
      Qt::Key key;  // pressed instead of a button when the caption is empty
      bool yes;
    } rows[] = {{"Yes", Qt::Key_unknown, true},
                {"No", Qt::Key_unknown, false},
                {"", Qt::Key_Return, false},
                {"", Qt::Key_Escape, false}};
    for (const auto& row : rows) {
      bool yes = !row.yes;
      if (row.button.isEmpty()) {
        bool closed = false;
        QVERIFY(InspectNextModal([&] { yes = AskYesNo("Go on?", nullptr); },
                                 [&](QWidget* w) {
                                   QTest::keyClick(w, row.key);
                                   closed = !w->isVisible();
                                 }));
        QVERIFY(closed);
      } else {
        const SeenBox box = AnswerNextBox([&] { yes = AskYesNo("Go on?", nullptr); }, row.button);
        QCOMPARE(box.title, QString("Velmora"));
        QCOMPARE(box.text, QString("Go on?"));
        QCOMPARE(box.buttons, (QStringList{"Yes", "No"}));
      }
      QCOMPARE(yes, row.yes);
    }
  }

  void helperLeavesAnOpenModalWindowAlone() {
    // A box raised from inside a modal window is the one answered, not the window itself.
    QDialog outer;
    SeenBox inner;
    QTimer::singleShot(0, &outer, [&] {
      inner = AnswerNextBox([&] { ShowInfo("Inner", &outer); });
      outer.accept();
    });
    QCOMPARE(outer.exec(), int(QDialog::Accepted));
    QCOMPARE(inner.title, QString("Info"));
    QCOMPARE(inner.text, QString("Inner"));
  }
};

QTEST_MAIN(CoolMsgTest)
#include "CoolMsgTest.moc"
