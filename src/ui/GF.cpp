#include "ui/GF.h"

#include <QLabel>
#include <QPushButton>

// Placeholder frame; the flat look replaces it.
TGoodForm::TGoodForm(QWidget* parent) : QDialog(parent) {
  Title = new QLabel(this);
  CloseButton = new QPushButton("X", Title);
  connect(CloseButton, &QPushButton::clicked, this, &TGoodForm::CloseButtonClick);
}

void TGoodForm::FormCreate() {
  static_cast<QLabel*>(Title)->setText(windowTitle());
  Title->setGeometry(2, 2, width() - 4, 20);
  CloseButton->setGeometry(Title->width() - 20, 0, 20, 20);
}

void TGoodForm::CloseButtonClick() { reject(); }
