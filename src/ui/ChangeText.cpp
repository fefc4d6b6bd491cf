#include "ui/ChangeText.h"

#include <QLineEdit>

#include "model/BankAddress.h"
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
  // Where the string is and how many bytes it has to itself.
  const std::string room = ByteCountText(old.Length);
  ui.Label1->setText(QString::fromStdString(
      "Text at " + OffsetToBankAddress(old.Offset) + ", " + room +
      (old.EndCode.empty() ? " (no end code):" : " with its end code:")));
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
  if (change_.LeavesOldTail()) {
    // Without an end code nothing ends the new string: the old one's last bytes would read on.
    const uint8_t padding = PaddingByte(state_.table);
    const std::string left = ByteCountText(change_.OldLength - change_.Bytes.size());
    if (AskYesNo("The new text is " + left + " shorter than the old one, which has no end "
                 "code: fill the " + left + " left with $" + IntToHex(padding, 2) +
                 "? (No leaves the old bytes there.)",
                 this)) {
      PadToOldLength(change_, padding);
    }
  }
  accept();
}
