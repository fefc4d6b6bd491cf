#include "ui/AskForm.h"

#include "ui/CoolMsg.h"
#include "ui/Latin1.h"
#include "ui/Look.h"

TAskForm::TAskForm(const QString& title, const std::vector<Field>& fields,
                   std::function<void(const std::vector<std::string>&)> accept, QWidget* parent)
    : TGoodForm(parent), accept_(std::move(accept)), fieldCount_(fields.size() > 1 ? 2 : 1) {
  ui.setupUi(this);
  setWindowTitle(title);
  QLabel* captions[] = {ui.Caption1, ui.Caption2};
  QLineEdit* edits[] = {ui.Edit1, ui.Edit2};
  for (int i = 0; i < 2; ++i) {
    edits[i]->setFont(CodeFont());
    if (i < fieldCount_) {
      captions[i]->setText(fields[static_cast<size_t>(i)].Caption);
      edits[i]->setText(Utf8(fields[static_cast<size_t>(i)].Text));
      edits[i]->selectAll();
    }
  }
  if (fieldCount_ == 1) {
    // The second line's room goes.
    const int rowHeight = ui.Caption2->y() - ui.Caption1->y();
    ui.Caption2->hide();
    ui.Edit2->hide();
    ui.OKButton->move(ui.OKButton->x(), ui.OKButton->y() - rowHeight);
    ui.CancelButton->move(ui.CancelButton->x(), ui.CancelButton->y() - rowHeight);
    resize(width(), height() - rowHeight);
  }
  FormCreate();
  connect(ui.OKButton, &QPushButton::clicked, this, &TAskForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TAskForm::reject);
  ui.Edit1->setFocus();
}

void TAskForm::OKButtonClick() {
  std::vector<std::string> texts{Utf8Bytes(ui.Edit1->text())};
  if (fieldCount_ == 2) texts.push_back(Utf8Bytes(ui.Edit2->text()));
  if (RunCommand([&] { accept_(texts); }, this)) accept();
}

bool Ask(const QString& title, const std::vector<TAskForm::Field>& fields,
         const std::function<void(const std::vector<std::string>&)>& accept, QWidget* parent) {
  TAskForm form(title, fields, accept, parent);
  return form.exec() == QDialog::Accepted;
}
