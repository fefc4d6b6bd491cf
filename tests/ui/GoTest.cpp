// The goto dialog: the mode that follows the text, the conversions of the two radio buttons,
// and where OK goes.

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "helpers/ModalAnswer.h"
#include "ui/AppState.h"
#include "ui/Go.h"

namespace {

// A ROM of two whole banks.
std::unique_ptr<AppState> TwoBankState() {
  auto state = std::make_unique<AppState>();
  state->rom.RomSize = 0x8000;
  state->rom.BankCount = 2;
  return state;
}

const QString kBankFiveError =
    "Address conversion error. This rom has $02 banks, please use \"Tool->Rom Extender\" to make "
    "rom bigger so you can access bank $05.";

struct Controls {
  QLineEdit* edit;
  QRadioButton* gb;
  QRadioButton* file;
  QPushButton* ok;
};

Controls ControlsOf(QWidget& form) {
  return {form.findChild<QLineEdit*>("AddrEdit"), form.findChild<QRadioButton*>("GBCheck"),
          form.findChild<QRadioButton*>("FileAddrCheck"), form.findChild<QPushButton*>("OKButton")};
}

// A goto dialog on a two-bank ROM, shown.
struct ShownGoto {
  std::unique_ptr<AppState> state = TwoBankState();
  TGotoForm form{*state};
  Controls c = ControlsOf(form);
  ShownGoto() { form.show(); }
};

// Types over the whole text, as a user who selected it all.
SeenBox TypeOver(QLineEdit* edit, const QString& text) {
  return AnswerNextBox([&] {
    edit->selectAll();
    QTest::keyClicks(edit, text);
  });
}

}  // namespace

class GoTest : public QObject {
  Q_OBJECT
 private slots:
  void startsAsABankAddress() {
    auto state = TwoBankState();
    TGotoForm form(*state);
    const Controls c = ControlsOf(form);
    QCOMPARE(form.size(), QSize(170, 145));
    QCOMPARE(form.Title->Caption(), QString("Goto"));
    QCOMPARE(c.edit->text(), QString("00:0000"));
    QCOMPARE(c.edit->font().family(), QString("Courier New"));
    QVERIFY(c.gb->isChecked());
    QVERIFY(!c.file->isChecked());
    QCOMPARE(c.gb->text(), QString("GameBoy Address"));
    QCOMPARE(c.file->text(), QString("Address in Rom File"));
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.focusWidget(), c.edit);
  }

  // Typing an address character by character: the mode follows the ":" and the text stays as
  // typed, since a half-written address does not convert yet.
  void modeFollowsTheTypedText() {
    ShownGoto shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.form));
    const Controls& c = shown.c;
    c.edit->selectAll();
    const struct {
      char key;
      QString text;
      bool gb;
    } rows[] = {{'0', "0", false},     {'1', "01", false},   {':', "01:", true},
                {'4', "01:4", true},   {'1', "01:41", true}, {'5', "01:415", true},
                {'0', "01:4150", true}};
    for (const auto& row : rows) {
      QVERIFY(!AnswerNextBox([&] { QTest::keyClick(c.edit, row.key); }).seen);
      QCOMPARE(c.edit->text(), row.text);
      QCOMPARE(c.gb->isChecked(), row.gb);
      QCOMPARE(c.file->isChecked(), !row.gb);
    }

    // Deleting the ":" of a whole address converts it to the file offset form at once.
    c.edit->setCursorPosition(3);
    QVERIFY(!AnswerNextBox([&] { QTest::keyClick(c.edit, Qt::Key_Backspace); }).seen);
    QCOMPARE(c.edit->text(), QString("$004150"));
    QVERIFY(c.file->isChecked());

    // A decimal offset typed over it stays as typed.
    QVERIFY(!TypeOver(c.edit, "16720").seen);
    QCOMPARE(c.edit->text(), QString("16720"));
    QVERIFY(c.file->isChecked());
  }

  // The bank check's own box is shown even while typing: once, at the first key, where "5"
  // reads as bank 5 of a two-bank ROM.
  void bankErrorAtTheFirstKeystroke() {
    ShownGoto shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.form));
    const Controls& c = shown.c;
    c.edit->selectAll();
    const SeenBox box = AnswerNextBox([&] { QTest::keyClick(c.edit, '5'); });
    QCOMPARE(box.title, QString("Error"));
    QCOMPARE(box.text, kBankFiveError);
    QCOMPARE(c.edit->text(), QString("5"));
    QVERIFY(c.file->isChecked());
    QVERIFY(!AnswerNextBox([&] { QTest::keyClicks(c.edit, "0000"); }).seen);
    QCOMPARE(c.edit->text(), QString("50000"));
  }

  // Clicking a radio button that was not selected rewrites the text in its form; a failure is
  // shown then, and the text stays. Clicking the selected one does nothing.
  void clickedModesConvert() {
    ShownGoto shown;
    QVERIFY(QTest::qWaitForWindowExposed(&shown.form));
    const Controls& c = shown.c;
    const struct {
      QString typed;  // empty: keep the text of the row before
      bool clickGb;
      QString text, title, message;
      bool gbAfter;
    } rows[] = {
        {"01:4150", false, "$004150", {}, {}, false},
        {{}, true, "01:4150", {}, {}, true},
        {{}, true, "01:4150", {}, {}, true},  // already selected
        {"$000150", true, "00:0150", {}, {}, true},
        {"16720", true, "01:4150", {}, {}, true},
        {"$7FFF", true, "01:7FFF", {}, {}, true},
        {"x1", true, "x1", "Velmora", "'x1' is not a valid integer value.", true},
        {"05:4000", false, "05:4000", "Error", kBankFiveError, false},
        {"00:9000", false, "00:9000", "Error",
         "Address conversion error. Address space $0000 - $7FFF is used to access rom. $9000 is "
         "in ram area.",
         false},
    };
    for (const auto& row : rows) {
      if (!row.typed.isEmpty()) QVERIFY(!TypeOver(c.edit, row.typed).seen);
      const SeenBox box = AnswerNextBox([&] { (row.clickGb ? c.gb : c.file)->click(); });
      QCOMPARE(box.title, row.title);
      QCOMPARE(box.text, row.message);
      QCOMPARE(c.edit->text(), row.text);
      QCOMPARE(c.gb->isChecked(), row.gbAfter);
      QCOMPARE(c.file->isChecked(), !row.gbAfter);
    }
  }

  // Each row types over the text in a new dialog, optionally clicks a mode, and presses Enter.
  void okGoesAndRecords() {
    auto state = TwoBankState();
    const LastSearch before{SearchKind::Bytes, "$C3 50"};
    const struct {
      QString typed;
      int32_t target;
      std::string recorded;
      QString title, message;  // a box: the goto failed
    } rows[] = {
        {"00:0150", 0x150, "336", {}, {}},
        {"01:4150", 0x4150, "16720", {}, {}},
        {"$4150", 0x4150, "$4150", {}, {}},
        {"16720", 0x4150, "16720", {}, {}},
        {"05:4000", 0, {}, "Error", kBankFiveError},
        {"0g:0000", 0, {}, "Velmora", "'$0g' is not a valid integer value."},
        {"$41x0", 0, {}, "Velmora", "'$41x0' is not a valid integer value."},
    };
    for (const auto& row : rows) {
      state->lastSearch = before;
      TGotoForm form(*state);
      const Controls c = ControlsOf(form);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QVERIFY(!TypeOver(c.edit, row.typed).seen);
      QCOMPARE(c.edit->text(), row.typed);
      const SeenBox box = AnswerNextBox([&] { QTest::keyClick(c.edit, Qt::Key_Return); });
      QCOMPARE(box.title, row.title);
      QCOMPARE(box.text, row.message);
      if (box.seen) {
        QVERIFY(form.isVisible());
        QCOMPARE(state->lastSearch.LastSearchKind, before.LastSearchKind);
        QCOMPARE(state->lastSearch.LastSearchText, before.LastSearchText);
        QVERIFY(
            !AnswerNextBox([&] { form.findChild<QPushButton*>("CancelButton")->click(); }).seen);
        QCOMPARE(form.result(), int(QDialog::Rejected));
      } else {
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Target(), row.target);
        QCOMPARE(state->lastSearch.LastSearchKind, SearchKind::Goto);
        QCOMPARE(state->lastSearch.LastSearchText, row.recorded);
      }
    }
  }
};

QTEST_MAIN(GoTest)
#include "GoTest.moc"
