#include "ui/ChnageInst.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "asm/Assembler.h"
#include "isa/InstructionTable.h"
#include "model/Failure.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/Look.h"

namespace {

// The table writes operands as "##", "###" or "####"; the user sees "?" in their place.
QString ReplaceChar(std::string_view text, char from, char to) {
  QString out = QString::fromLatin1(text);
  out.replace(QLatin1Char(from), QLatin1Char(to));
  return out;
}

}  // namespace

TInstForm::TInstForm(AppState& state, uint32_t offset, QWidget* parent)
    : TInstForm(state, offset, QStringLiteral("Change Instruction"),
                QStringLiteral("Enter New Instruction:"), parent) {}

TInstForm::TInstForm(AppState& state, uint32_t offset, const QString& caption,
                     const QString& prompt, QWidget* parent)
    : TGoodForm(parent), state(state), offset(offset) {
  ui.setupUi(this);
  setWindowTitle(caption);
  ui.Label1->setText(prompt);
  // The style sheet keeps the combo box's own edit from inheriting its font: set both.
  ui.CodeCombo->setFont(CodeFont());
  ui.CodeCombo->lineEdit()->setFont(CodeFont());
  // The text is taken exactly as typed or picked: an editable combo box would otherwise complete
  // "ret" to the first item that begins with it, "ret nz".
  ui.CodeCombo->setCompleter(nullptr);
  FormCreate();

  connect(ui.OKButton, &QPushButton::clicked, this, &TInstForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TInstForm::CancelButtonClick);
  // Keys typed into an editable combo box reach its line edit; watch both.
  ui.CodeCombo->installEventFilter(this);
  ui.CodeCombo->lineEdit()->installEventFilter(this);
}

void TInstForm::FormCreate() {
  TGoodForm::FormCreate();
  QStringList items;
  items.reserve(500);
  for (size_t op = 0; op < kCbBase; ++op) {
    // "-" marks a byte that is no instruction: nothing to offer.
    if (AsmTable[op].Template != "-") items << ReplaceChar(AsmTable[op].Template, '#', '?');
  }
  for (size_t op = kCbBase; op < AsmTable.size(); ++op) {
    items << ReplaceChar(AsmTable[op].Template, '#', '?');
  }
  ui.CodeCombo->addItems(items);
  ui.CodeCombo->setCurrentIndex(-1);
  ui.CodeCombo->setEditText(QString());
  ui.CodeCombo->setFocus();
}

std::string TInstForm::CodeText() const {
  return ui.CodeCombo->currentText().toLatin1().toStdString();
}

void TInstForm::OKButtonClick() {
  const std::string text = CodeText();
  const bool done = RunCommand(
      [&] {
        if (text.find('?') != std::string::npos) {
          throw InfoFailure("Please replace question marks with a value.");
        }
        // The assembler needs at least one character; an empty line is refused as the
        // assembler refuses any text it cannot match.
        if (text.empty()) {
          throw ErrorFailure("Assembling failed, syntax error: unsupported instruction \"\".");
        }
        step_ = RecordEdit(state.rom, [&] {
          AssembleInstruction(state.rom, state.labels, text, offset);
        });
      },
      this);
  if (done) accept();
}

void TInstForm::CancelButtonClick() {
  reject();
}

void TInstForm::CodeComboKeyDown(QKeyEvent* key) {
  if (IsEnterKey(key)) ui.OKButton->click();
}

void TInstForm::FormActivate() {
  ui.CodeCombo->setFocus();
}

bool TInstForm::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return TGoodForm::event(e);
}

bool TInstForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress &&
      (watched == ui.CodeCombo || watched == ui.CodeCombo->lineEdit())) {
    auto* key = static_cast<QKeyEvent*>(e);
    CodeComboKeyDown(key);
    // Enter is taken here, so that neither the combo box nor the dialog's default button
    // acts on it a second time.
    if (IsEnterKey(key)) return true;
  }
  return TGoodForm::eventFilter(watched, e);
}
