#include "ui/ChangeText.h"

#include <QLineEdit>

#include "model/NumberText.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"

namespace {

QString FromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TChangeTextForm::TChangeTextForm(AppState& state, const GameString& old, QWidget* parent)
    : TInstForm(state, old.Offset, QStringLiteral("Change Text"), QStringLiteral("Enter New Text:"),
                parent),
      old_(old) {
  // No instructions to offer: the edit holds the string as it stands, ready to be retyped.
  ui.CodeCombo->clear();
  ui.CodeCombo->setEditText(FromUtf8(old.Text));
  ui.CodeCombo->lineEdit()->selectAll();
}

void TChangeTextForm::OKButtonClick() {
  // A table's text is UTF-8, unlike an instruction's.
  const QByteArray typed = ui.CodeCombo->currentText().toUtf8();
  const std::string text(typed.constData(), static_cast<size_t>(typed.size()));
  if (!RunCommand([&] { change_ = PlanStringChange(state.rom, state.table, old_, text); }, this)) {
    return;
  }
  if (change_.RunsOver()) {
    const std::string bytes = ByteCountText(change_.Bytes.size() - change_.OldLength);
    const std::string question =
        change_.HasEndCode
            ? "The new text is " + bytes +
                  " longer than the old one: it runs over the old end code into the bytes "
                  "after it. Write it anyway?"
            : "The new text is " + bytes +
                  " longer than the old one: it runs past the end of the text block. Write it "
                  "anyway?";
    if (!AskYesNo(question, this)) return;
  }
  accept();
}
