#include "ui/RomInfo.h"

#include <QTreeWidget>

#include "ui/CoolMsg.h"
#include "ui/Latin1.h"

namespace {

}  // namespace

TRomInfoForm::TRomInfoForm(const std::vector<HeaderField>& fields, QWidget* parent)
    : TGoodForm(parent) {
  ui.setupUi(this);
  FormCreate();
  for (const HeaderField& field : fields) {
    auto* item = new QTreeWidgetItem(ui.FieldList, {Latin1(field.Name), Latin1(field.Value)});
    if (field.Wrong) item->setForeground(1, QColor(Qt::red));
  }
  ui.FieldList->resizeColumnToContents(0);
  ui.FieldList->setColumnWidth(0, ui.FieldList->columnWidth(0) + 12);
  connect(ui.OKButton, &QPushButton::clicked, this, &QDialog::accept);
  ui.OKButton->setFocus();
}

void ShowRomInfo(const Rom& rom, QWidget* parent) {
  std::vector<HeaderField> fields;
  if (!RunCommand([&] { fields = DescribeHeader(ReadHeader(rom)); }, parent)) return;
  TRomInfoForm form(fields, parent);
  form.exec();
}

TRomExtenderForm::TRomExtenderForm(const Rom& rom, QWidget* parent) : TGoodForm(parent), rom_(rom) {
  ui.setupUi(this);
  FormCreate();
  ui.SizeLabel->setText(Latin1(SizeText(rom.RomSize)));
  for (uint32_t size : ExtenderSizes(rom.RomSize))
    ui.SizeCombo->addItem(Latin1(SizeText(size)), size);
  ui.SizeCombo->setEnabled(ui.SizeCombo->count() > 0);
  connect(ui.OKButton, &QPushButton::clicked, this, &TRomExtenderForm::OKButtonClick);
  connect(ui.CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  ui.SizeCombo->setFocus();
}

void TRomExtenderForm::OKButtonClick() {
  const uint32_t size = ui.SizeCombo->currentData().toUInt();
  if (RunCommand([&] { change_ = ExtendRom(rom_, size); }, this)) accept();
}
