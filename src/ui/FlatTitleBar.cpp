#include "ui/FlatTitleBar.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/Look.h"

TFlatTitleBar::TFlatTitleBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TFlatTitleBar::SetCaption(const QString& text) {
  caption = text;
  update();
}

void TFlatTitleBar::SetActive(bool on) {
  if (active == on) return;
  active = on;
  update();
}

bool TFlatTitleBar::event(QEvent* e) {
  // The window forwards its own activation events to its children; ActivationChange reaches
  // every widget of the window when the system's active window changes.
  switch (e->type()) {
    case QEvent::WindowActivate:
      SetActive(true);
      break;
    case QEvent::WindowDeactivate:
      SetActive(false);
      break;
    case QEvent::ActivationChange:
      SetActive(window()->isActiveWindow());
      break;
    case QEvent::Show:
      active = window()->isActiveWindow();
      break;
    default:
      break;
  }
  return QWidget::event(e);
}

void TFlatTitleBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(kTitleBack));
  painter.setPen(QColor(active ? kTitleActiveText : kTitleInactiveText));
  painter.setFont(font());
  painter.drawText(rect(), Qt::AlignCenter, caption);
}

void TFlatTitleBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // Remembering the offset in global terms keeps the grabbed point under the pointer even when
  // the window system delivers moves from before the window's last move.
  dragging = true;
  grabOffset = e->globalPosition().toPoint() - window()->pos();
}

void TFlatTitleBar::mouseMoveEvent(QMouseEvent* e) {
  if (dragging) window()->move(e->globalPosition().toPoint() - grabOffset);
}

void TFlatTitleBar::mouseReleaseEvent(QMouseEvent*) {
  dragging = false;
}
