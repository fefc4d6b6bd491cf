// The instruction search and byte search dialogs: what OK searches for, what they hand back,
// and what stays open.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <memory>
#include <optional>

#include "helpers/ModalAnswer.h"
#include "ui/AppState.h"
#include "ui/ByteSearch.h"
#include "ui/InstSearch.h"
#include "ui/Look.h"

namespace {

// One bank of zeros with a high-page store at 0x200, a call to the labelled 0x150 at 0x210 and
// the bytes C3 50 01 at 0x300.
std::unique_ptr<AppState> SearchState() {
  auto state = std::make_unique<AppState>();
  state->rom.RomSize = 0x4000;
  state->rom.BankCount = 1;
  auto& image = state->rom.RomImage;
  image[0x200] = 0xE0;  // ld [$FF00 + $80],a
  image[0x201] = 0x80;
  image[0x210] = 0xCD;  // call $0150
  image[0x211] = 0x50;
  image[0x212] = 0x01;
  image[0x300] = 0xC3;
  image[0x301] = 0x50;
  image[0x302] = 0x01;
  state->labels.AddRomLabel(0x0150, "Start");
  return state;
}

}  // namespace

class SearchDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void instructionSearchIsTheChangeDialogRetitled() {
    auto state = SearchState();
    TSearchInstForm form(*state, 0);
    QCOMPARE(form.Title->Caption(), QString("Search Instruction"));
    QCOMPARE(form.findChild<QLabel*>("Label1")->text(), QString("Enter Instruction To Search:"));
    QCOMPARE(form.size(), QSize(242, 107));
    auto* combo = form.findChild<QComboBox*>("CodeCombo");
    QCOMPARE(combo->count(), 500);
    QCOMPARE(combo->currentText(), QString());
  }

  // Each row runs OK on a new dialog over the same state; the value format the user chose
  // (Bin here) is never touched, whatever format the text selects.
  void instructionSearchOutcomes() {
    auto state = SearchState();
    state->format = ValueFormat::Bin;
    const struct {
      uint32_t start;
      QString text;
      std::optional<int32_t> offset;
    } rows[] = {
        {0x100, "ld [$FF00 + $80],a", 0x200},
        {0x100, "ld [$FF00 + 128],a", 0x200},
        {0x100, "ld [$FF00 + %10000000],a", 0x200},
        {0x200, "ld [$FF00 + $80],a", 0x200},  // the start offset itself counts
        {0x201, "ld [$FF00 + $80],a", {}},     // no wrap-around
        {0x100, "ld [$FF00 + $81],a", {}},
        {0x100, "LD [$FF00 + $80],A", {}},  // letter case counts
        {0x100, "call @Start", 0x210},      // the decoder prints the label
        {0x100, "call $0150", {}},
    };
    for (const auto& row : rows) {
      TSearchInstForm form(*state, row.start);
      auto* combo = form.findChild<QComboBox*>("CodeCombo");
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      combo->setEditText(row.text);
      QVERIFY(!AnswerNextBox([&] { QTest::keyClick(combo, Qt::Key_Return); }).seen);
      QCOMPARE(form.result(), int(QDialog::Accepted));
      QVERIFY2(form.Outcome().Offset == row.offset, qPrintable(row.text));
      const QString info =
          row.offset ? QString() : "Sorry, \"" + row.text + "\" could not been found.";
      QCOMPARE(QString::fromStdString(form.Outcome().Info), info);
      QCOMPARE(state->lastSearch.LastSearchKind, SearchKind::Instruction);
      QCOMPARE(QString::fromStdString(state->lastSearch.LastSearchText), row.text);
      QCOMPARE(state->format, ValueFormat::Bin);
    }
  }

  void instructionSearchRefusesQuestionMarks() {
    auto state = SearchState();
    state->lastSearch = {SearchKind::Bytes, "$C3"};
    TSearchInstForm form(*state, 0);
    auto* combo = form.findChild<QComboBox*>("CodeCombo");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    combo->setCurrentIndex(combo->findText("ld b,??"));
    const SeenBox box = AnswerNextBox([&] { QTest::keyClick(combo, Qt::Key_Return); });
    QCOMPARE(box.title, QString("Info"));
    QCOMPARE(box.text, QString("Please replace question marks with a value."));
    QVERIFY(form.isVisible());
    QCOMPARE(state->lastSearch.LastSearchKind, SearchKind::Bytes);
    QCOMPARE(state->lastSearch.LastSearchText, std::string("$C3"));

    QVERIFY(!AnswerNextBox([&] { form.findChild<QPushButton*>("CancelButton")->click(); }).seen);
    QCOMPARE(form.result(), int(QDialog::Rejected));
  }

  void byteSearchLayout() {
    auto state = SearchState();
    TSearchByteForm form(*state, 0);
    QCOMPARE(form.size(), QSize(282, 140));
    QCOMPARE(form.Title->Caption(), QString("Search Bytes"));
    auto* edit = form.findChild<QLineEdit*>("DataEdit");
    QCOMPARE(edit->text(), QString("$00 00 00"));
    QCOMPARE(edit->font().family(), QString("Courier New"));
    bool prompt = false;
    QLabel* hint = nullptr;
    for (QLabel* label : form.findChildren<QLabel*>()) {
      prompt |= label->text() == "Enter Bytes To Search:";
      if (label->text().startsWith("Hint:")) hint = label;
    }
    QVERIFY(prompt);
    QVERIFY(hint);
    QCOMPARE(hint->text(),
             QString("Hint: You can enter multiple bytes by separating them with space. Add prefix "
                     "before first byte: $ Hex, % Bin and no prefix for Dec."));
    QVERIFY(hint->wordWrap());
    // The whole text fits, and the hint is painted on the information colour.
    QVERIFY2(hint->heightForWidth(hint->width()) <= hint->height(),
             qPrintable(QString::number(hint->heightForWidth(hint->width()))));
    QVERIFY(hint->geometry().bottom() < form.findChild<QPushButton*>("OKButton")->y());
    const QImage image = form.grab().toImage();
    QCOMPARE(image.pixel(hint->geometry().bottomRight() - QPoint(1, 1)), kInfoBack);
  }

  void byteSearchOutcomes() {
    auto state = SearchState();
    const struct {
      uint32_t start;
      QString text;
      std::optional<int32_t> offset;
    } rows[] = {
        {0x100, "$C3 50 01", 0x300}, {0x300, "$c3 50 01", 0x300},  // the start offset itself counts
        {0x100, "195 80 1", 0x300},  {0x100, "%11000011 1010000", 0x300},
        {0x301, "$C3 50 01", {}},                             // no wrap-around
        {0x100, "$C3 50 02", {}},    {0x3FFF, "$00 00", {}},  // would run past the end of the ROM
        {0x123, "", 0x123},                                   // an empty pattern matches at once
    };
    for (const auto& row : rows) {
      TSearchByteForm form(*state, row.start);
      auto* edit = form.findChild<QLineEdit*>("DataEdit");
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      edit->setText(row.text);
      QVERIFY(!AnswerNextBox([&] { QTest::keyClick(edit, Qt::Key_Return); }).seen);
      QCOMPARE(form.result(), int(QDialog::Accepted));
      QCOMPARE(form.Outcome().Offset, row.offset);
      QCOMPARE(form.Outcome().Info, row.offset ? std::string() : "Sorry, bytes did not found.");
      QCOMPARE(state->lastSearch.LastSearchKind, SearchKind::Bytes);
      QCOMPARE(QString::fromStdString(state->lastSearch.LastSearchText), row.text);
    }
  }

  // A text that does not convert stops the search in the default error box; the dialog stays
  // open, and LastSearch has recorded it so that Search > Again repeats it.
  void byteSearchConversionErrorKeepsTheDialog() {
    auto state = SearchState();
    const struct {
      QString text, message;
    } rows[] = {
        {"$00  01", "'$' is not a valid integer value."},
        {"00 $01", "'$$01' is not a valid integer value."},
        {"12 x", "'x' is not a valid integer value."},
    };
    for (const auto& row : rows) {
      TSearchByteForm form(*state, 0x100);
      auto* edit = form.findChild<QLineEdit*>("DataEdit");
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      edit->setText(row.text);
      const SeenBox box = AnswerNextBox([&] { QTest::keyClick(edit, Qt::Key_Return); });
      QCOMPARE(box.title, QString("Velmora"));
      QCOMPARE(box.text, row.message);
      QVERIFY(form.isVisible());
      QCOMPARE(edit->text(), row.text);
      QCOMPARE(state->lastSearch.LastSearchKind, SearchKind::Bytes);
      QCOMPARE(QString::fromStdString(state->lastSearch.LastSearchText), row.text);

      QVERIFY(!AnswerNextBox([&] { form.CloseButton->click(); }).seen);
      QCOMPARE(form.result(), int(QDialog::Rejected));
    }
  }
};

QTEST_MAIN(SearchDialogsTest)
#include "SearchDialogsTest.moc"
