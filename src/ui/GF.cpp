#include "ui/GF.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

#include "ui/Look.h"

TGoodForm::TGoodForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  ApplyFlatLook(this);
  resize(690, 424);

  Title = new TFlatTitleBar(this);
  Title->setObjectName("Title");
  Title->setGeometry(2, 2, width() - 4, 20);

  CloseButton = new QPushButton(QStringLiteral("X"), Title);
  CloseButton->setObjectName("CloseButton");
  CloseButton->setFont(DialogFont());
  CloseButton->setFlat(true);
  CloseButton->setAutoDefault(false);
  CloseButton->setFocusPolicy(Qt::NoFocus);
  CloseButton->setGeometry(Title->width() - 20, 0, 20, 20);
  connect(CloseButton, &QPushButton::clicked, this, &TGoodForm::CloseButtonClick);
}

void TGoodForm::FormCreate() {
  Title->SetCaption(windowTitle());
  Title->resize(width() - 4, Title->height());
  CloseButton->move(Title->width() - 20, 0);
  setFixedSize(size());
}

void TGoodForm::CloseButtonClick() {
  reject();
}

void TGoodForm::paintEvent(QPaintEvent*) {
  // A bump edge two pixels wide: a raised outer line and a sunken inner one.
  QPainter painter(this);
  const QPalette& pal = palette();
  const auto frame = [&painter](QRect r, const QColor& topLeft, const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(r.left(), r.bottom(), r.left(), r.top());
    painter.drawLine(r.left(), r.top(), r.right(), r.top());
    painter.setPen(bottomRight);
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
    painter.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
  };
  frame(rect(), pal.color(QPalette::Midlight), pal.color(QPalette::Shadow));
  frame(rect().adjusted(1, 1, -1, -1), pal.color(QPalette::Dark), pal.color(QPalette::Light));
}

bool IsEnterKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
