// The change-instruction dialog: its templates, the "?" check, assembling at the offset, and
// that only OK changes the ROM.

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>
#include <memory>
#include <vector>

#include "helpers/ModalAnswer.h"
#include "ui/AppState.h"
#include "asm/Assembler.h"
#include "ui/ChnageInst.h"
#include "ui/InstSearch.h"

namespace {

// A two-bank ROM of zeros with a label in bank 0 and one in bank 2.
std::unique_ptr<AppState> TwoBankState() {
  auto state = std::make_unique<AppState>();
  state->rom.RomSize = 0xC000;
  state->rom.BankCount = 3;
  state->labels.AddRomLabel(0x0150, "Start");
  state->labels.AddRomLabel(0x8200, "Far");
  return state;
}

std::vector<uint8_t> BytesAt(const AppState& state, uint32_t offset, size_t count) {
  return {state.rom.RomImage.begin() + offset, state.rom.RomImage.begin() + offset + count};
}

void SetBytes(AppState& state, uint32_t offset, const std::vector<uint8_t>& bytes) {
  std::copy(bytes.begin(), bytes.end(), state.rom.RomImage.begin() + offset);
}

// The form's controls, found by their names as the main window's tests would.
struct Controls {
  QComboBox* combo;
  QPushButton* ok;
  QPushButton* cancel;
};

Controls ControlsOf(QWidget& form) {
  return {form.findChild<QComboBox*>("CodeCombo"), form.findChild<QPushButton*>("OKButton"),
          form.findChild<QPushButton*>("CancelButton")};
}

// Enter in CodeCombo, answering the box it may bring up.
SeenBox PressEnter(QComboBox* combo) {
  return AnswerNextBox([combo] { QTest::keyClick(combo, Qt::Key_Return); });
}

}  // namespace

class ChnageInstTest : public QObject {
  Q_OBJECT
 private slots:
  void layoutAndTemplates() {
    auto state = TwoBankState();
    TInstForm form(*state, 0x100);
    const Controls c = ControlsOf(form);
    QCOMPARE(form.size(), QSize(242, 107));
    QCOMPARE(form.Title->Caption(), QString("Change Instruction"));
    QCOMPARE(form.findChild<QLabel*>("Label1")->text(), QString("Enter New Instruction:"));
    QCOMPARE(c.combo->geometry().topLeft(), QPoint(8, 40));
    QCOMPARE(c.combo->width(), 225);
    for (QWidget* w :
         {static_cast<QWidget*>(c.combo), static_cast<QWidget*>(c.combo->lineEdit())}) {
      QCOMPARE(w->font().family(), QString("Courier New"));
      QCOMPARE(w->font().pixelSize(), 13);
    }
    QVERIFY(c.combo->isEditable());
    QCOMPARE(c.combo->currentIndex(), -1);
    QCOMPARE(c.combo->currentText(), QString());
    QCOMPARE(c.ok->geometry(), QRect(72, 72, 75, 25));
    QCOMPARE(c.cancel->geometry(), QRect(152, 72, 75, 25));

    // 244 base instructions (the 12 "-" bytes left out), then all 256 after CB, in table order.
    QCOMPARE(c.combo->count(), 500);
    QStringList items;
    for (int i = 0; i < c.combo->count(); ++i) items << c.combo->itemText(i);
    QCOMPARE(items.first(), QString("nop"));
    QCOMPARE(items[243], QString("rst $38"));
    QCOMPARE(items[244], QString("rlc b"));
    QCOMPARE(items.last(), QString("set 7,a"));
    for (const char* text : {"ld bc,????", "add sp,???", "ld b,??", "jr ????", "ld [$FF00 + ??],a"})
      QVERIFY2(items.contains(text), text);
    for (const char* text : {"rlc a", "rrc a", "rlca", "rrca"}) QCOMPARE(items.count(text), 1);
    QCOMPARE(items.filter("#").size(), 0);
    QCOMPARE(items.count("-"), 0);
  }

  void focusStartsInCodeCombo() {
    auto state = TwoBankState();
    TInstForm form(*state, 0x100);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QWidget* combo = ControlsOf(form).combo;
    QVERIFY(form.focusWidget() == combo || form.focusWidget() == combo->focusProxy() ||
            form.focusWidget()->parentWidget() == combo);
  }

  void questionMarksFirstThenTheValue() {
    auto state = TwoBankState();
    TInstForm form(*state, 0x200);
    const Controls c = ControlsOf(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    c.combo->setCurrentIndex(c.combo->findText("ld b,??"));
    const SeenBox box = PressEnter(c.combo);
    QCOMPARE(box.title, QString("Info"));
    QCOMPARE(box.text, QString("Please replace question marks with a value."));
    QVERIFY(form.isVisible());
    QCOMPARE(c.combo->currentText(), QString("ld b,??"));
    QCOMPARE(BytesAt(*state, 0x200, 2), (std::vector<uint8_t>{0x00, 0x00}));

    c.combo->setEditText("ld b,$10");
    QVERIFY(!PressEnter(c.combo).seen);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(BytesAt(*state, 0x200, 3), (std::vector<uint8_t>{0x06, 0x10, 0x00}));
  }

  // Each row: the bytes before, the text typed, the bytes after, and the box if OK refuses.
  void assemblesAtTheOffsetOrStaysOpen() {
    auto state = TwoBankState();
    const struct {
      uint32_t offset;
      std::vector<uint8_t> before;
      QString text;
      std::vector<uint8_t> after;
      QString title, message;  // empty title: accepted without a box
    } rows[] = {
        // Shorter over longer: the rest of the old instruction stays.
        {0x100, {0xC3, 0x50, 0x01}, "nop", {0x00, 0x50, 0x01}, {}, {}},
        // Longer over shorter: runs into the next instruction.
        {0x100, {0x00, 0x00, 0xAF}, "jp $1234", {0xC3, 0x34, 0x12}, {}, {}},
        {0x100, {0x00, 0x00}, "rlc a", {0xCB, 0x07}, {}, {}},
        {0x100, {0xAF, 0xAF}, "ld a,b // load", {0x78, 0xAF}, {}, {}},
        {0x100, {0xAF, 0xAF, 0xAF}, "db $12,$34", {0x12, 0x34, 0xAF}, {}, {}},
        {0x4003,
         {0xAF, 0xAF},
         "jr $5000",
         {0xAF, 0xAF},
         "Error",
         "Jump target $5000 is out of reach of jr (-128 to 127 bytes)."},
        {0x100,
         {0xAF, 0xAF},
         "ld a,$1FF",
         {0xAF, 0xAF},
         "Error",
         "Value $1FF does not fit in a byte (-128 to 255)."},
        {0x100, {0x00, 0x00}, "swap a", {0xCB, 0x37}, {}, {}},
        {0x100, {0x00, 0x00, 0x00}, "jp @Start", {0xC3, 0x50, 0x01}, {}, {}},
        {0x100,
         {0xAF},
         "",
         {0xAF},
         "Error",
         "Assembling failed, syntax error: unsupported instruction \"\"."},
        {0x100,
         {0xAF},
         "ld b, $10",
         {0xAF},
         "Error",
         "Assembling failed, syntax error: unsupported instruction \"ld b, $10\"."},
        {0x100,
         {0xAF, 0xAF},
         "ld b,$",
         {0xAF, 0xAF},
         "Error",
         "\"$\" is not valid value. Please use \"$\" prefix for hexadecimal value, \"%\" for "
         "binary value and decimal does not require prefix."},
        {0x100,
         {0xAF, 0xAF, 0xAF},
         "call @Nowhere",
         {0xAF, 0xAF, 0xAF},
         "Error",
         "Label Nowhere is not defined."},
        {0x4100,
         {0xAF, 0xAF, 0xAF},
         "call @Far",
         {0xAF, 0xAF, 0xAF},
         "Warning",
         "Far can't be accessed here because it's in bank 02."},
    };
    for (const auto& row : rows) {
      SetBytes(*state, row.offset, row.before);
      TInstForm form(*state, row.offset);
      const Controls c = ControlsOf(form);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      c.combo->setEditText(row.text);
      const SeenBox box = AnswerNextBox([&] { c.ok->click(); });
      QCOMPARE(box.title, row.title);
      QCOMPARE(box.text, row.message);
      QCOMPARE(form.isVisible(), box.seen);
      if (box.seen) QCOMPARE(c.combo->currentText(), row.text);
      QCOMPARE(BytesAt(*state, row.offset, row.after.size()), row.after);
    }
  }

  // Every text of the list, its value filled in, typed key by key and entered: the bytes stored
  // are the assembler's for exactly that text (the combo box completes nothing). The search
  // dialog takes the typed text as it is too.
  void typedTextIsTakenExactly() {
    auto state = TwoBankState();
    constexpr uint32_t kAt = 0x1200;  // a relative jump to $1234 reaches from here
    QStringList texts;
    {
      TInstForm form(*state, kAt);
      for (int i = 0; i < ControlsOf(form).combo->count(); ++i) {
        texts << ControlsOf(form).combo->itemText(i)
                     .replace("????", "$1234")
                     .replace("???", "$12")
                     .replace("??", "$12");
      }
    }
    QCOMPARE(texts.size(), 500);
    const struct {
      QString text;
      std::vector<uint8_t> bytes;  // empty: what the assembler gives for the text
    } golden[] = {{"ret", {0xC9}}, {"inc b", {0x04}}, {"inc d", {0x14}}, {"inc h", {0x24}}};
    std::vector<std::pair<QString, std::vector<uint8_t>>> rows;
    for (const auto& g : golden) rows.emplace_back(g.text, g.bytes);
    for (const QString& text : texts) rows.emplace_back(text, std::vector<uint8_t>{});
    for (auto& [text, bytes] : rows) {
      if (bytes.empty()) {
        const EncodedInstruction encoded =
            EncodeInstruction(state->labels, text.toStdString(), kAt);
        bytes = encoded.Bytes;
      }
      SetBytes(*state, kAt, {0xDD, 0xDD, 0xDD, 0xDD});
      TInstForm form(*state, kAt);
      form.show();
      QVERIFY(QTest::qWaitForWindowActive(&form));
      QLineEdit* edit = ControlsOf(form).combo->lineEdit();
      QTest::keyClicks(edit, text);
      QTest::keyClick(edit, Qt::Key_Return);
      QVERIFY2(form.result() == QDialog::Accepted, qPrintable(text));
      std::vector<uint8_t> expected = bytes;
      expected.resize(4, 0xDD);
      QVERIFY2(BytesAt(*state, kAt, 4) == expected, qPrintable(text));
    }

    for (const char* text : {"ret", "inc b", "jp $1234"}) {
      TSearchInstForm form(*state, 0);
      form.show();
      QVERIFY(QTest::qWaitForWindowActive(&form));
      QLineEdit* edit = ControlsOf(form).combo->lineEdit();
      QTest::keyClicks(edit, text);
      QTest::keyClick(edit, Qt::Key_Return);
      QCOMPARE(state->lastSearch.LastSearchText, std::string(text));
    }
  }

  void cancelAndCloseChangeNothingAfterAFailedTry() {
    auto state = TwoBankState();
    SetBytes(*state, 0x100, {0xC3, 0x50, 0x01});
    for (bool byCloseButton : {false, true}) {
      TInstForm form(*state, 0x100);
      const Controls c = ControlsOf(form);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      c.combo->setEditText("ld a,$XY");
      QCOMPARE(AnswerNextBox([&] { QTest::keyClick(c.combo, Qt::Key_Return); }).title,
               QString("Error"));
      QVERIFY(form.isVisible());
      QPushButton* leave = byCloseButton ? form.CloseButton : c.cancel;
      QVERIFY(!AnswerNextBox([&] { leave->click(); }).seen);
      QVERIFY(!form.isVisible());
      QCOMPARE(form.result(), int(QDialog::Rejected));
      QCOMPARE(BytesAt(*state, 0x100, 3), (std::vector<uint8_t>{0xC3, 0x50, 0x01}));
    }
  }
};

QTEST_MAIN(ChnageInstTest)
#include "ChnageInstTest.moc"
