#include "ui/ChangeText.h"

#include <QLineEdit>

#include "model/NumberText.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/Look.h"

namespace {

QString FromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TChangeTextForm::TChangeTextForm(AppState& state, const GameString& old, QWidget* parent)
    : TGoodForm(parent), state_(state), old_(old) {
  ui.setupUi(this);
  // The string as it stands, ready to be retyped.
  ui.TextEdit->setFont(CodeFont());
  ui.TextEdit->setText(FromUtf8(old.Text));
  ui.TextEdit->selectAll();
  FormCreate();
  connect(ui.OKButton, &QPushButton::clicked, this, &TChangeTextForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TChangeTextForm::reject);
  ui.TextEdit->setFocus();
}

void TChangeTextForm::OKButtonClick() {
  // A table's text is UTF-8, unlike an instruction's.
  const QByteArray typed = ui.TextEdit->text().toUtf8();
  const std::string text(typed.constData(), static_cast<size_t>(typed.size()));
  const auto plan = [&] { change_ = PlanStringChange(state_.rom, state_.table, old_, text); };
  if (!RunCommand(plan, this)) return;
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
