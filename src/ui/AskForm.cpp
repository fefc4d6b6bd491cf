#include "ui/AskForm.h"

#include <algorithm>

#include "ui/CoolMsg.h"
#include "ui/Latin1.h"
#include "ui/Look.h"

TAskForm::TAskForm(const QString& title, const std::vector<Field>& fields,
                   std::function<void(const std::vector<std::string>&)> accept, QWidget* parent,
                   Preview preview)
    : TGoodForm(parent),
      accept_(std::move(accept)),
      preview_(std::move(preview)),
      fieldCount_(fields.size() > 1 ? 2 : 1) {
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
  // A long caption (a long label name) widens the dialog rather than being cut off.
  int wider = 0;
  for (int i = 0; i < fieldCount_; ++i)
    wider = std::max(wider, captions[i]->sizeHint().width() - captions[i]->width());
  wider = std::min(wider, 600);
  if (wider > 0) {
    for (QWidget* w : {static_cast<QWidget*>(ui.Caption1), static_cast<QWidget*>(ui.Caption2),
                       static_cast<QWidget*>(ui.Edit1), static_cast<QWidget*>(ui.Edit2),
                       static_cast<QWidget*>(ui.PreviewLabel)})
      w->resize(w->width() + wider, w->height());
    for (QWidget* w : {ui.OKButton, ui.CancelButton}) w->move(w->x() + wider, w->y());
    resize(width() + wider, height());
  }
  ui.PreviewLabel->setVisible(preview_ && fieldCount_ == 1);
  if (fieldCount_ == 1) {
    // The second line's room goes; the preview keeps the room of its caption.
    const int rowHeight =
        preview_ ? ui.Edit2->y() - ui.Caption2->y() : ui.Caption2->y() - ui.Caption1->y();
    ui.Caption2->hide();
    ui.Edit2->hide();
    ui.OKButton->move(ui.OKButton->x(), ui.OKButton->y() - rowHeight);
    ui.CancelButton->move(ui.CancelButton->x(), ui.CancelButton->y() - rowHeight);
    resize(width(), height() - rowHeight);
  }
  FormCreate();
  connect(ui.OKButton, &QPushButton::clicked, this, &TAskForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &TAskForm::reject);
  if (preview_) {
    connect(ui.Edit1, &QLineEdit::textChanged, this, &TAskForm::ShowPreview);
    ShowPreview();
  }
  ui.Edit1->setFocus();
}

std::vector<std::string> TAskForm::Texts() const {
  std::vector<std::string> texts{Utf8Bytes(ui.Edit1->text())};
  if (fieldCount_ == 2) texts.push_back(Utf8Bytes(ui.Edit2->text()));
  return texts;
}

void TAskForm::ShowPreview() {
  std::string shown;
  try {
    shown = preview_(Texts());
  } catch (const std::exception&) {
    // Half-typed text: nothing to show yet.
  }
  ui.PreviewLabel->setText(Utf8(shown));
}

void TAskForm::OKButtonClick() {
  const std::vector<std::string> texts = Texts();
  if (RunCommand([&] { accept_(texts); }, this)) accept();
}

bool Ask(const QString& title, const std::vector<TAskForm::Field>& fields,
         const std::function<void(const std::vector<std::string>&)>& accept, QWidget* parent,
         const TAskForm::Preview& preview) {
  TAskForm form(title, fields, accept, parent, preview);
  return form.exec() == QDialog::Accepted;
}
