#include "ui/ListingBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

TListingBox::TListingBox(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Keep the list's place in the layout while it is hidden, so that its height (and with it the
  // number of lines that fit) is right from the first load on.
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
}

void TListingBox::SetCount(int count) {
  count_ = count;
  update();
}

void TListingBox::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < count_ ? index : -1;
  update();
  emit ItemIndexSet();
}

void TListingBox::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::black);
  for (int i = 0; i < count_; ++i) {
    QRect rect(0, i * kLineHeight, width(), kLineHeight);
    if (!rect.intersects(event->rect())) continue;
    const bool selected = i == itemIndex_;
    painter.save();
    if (DrawItem) DrawItem(painter, i, rect, selected);
    painter.restore();
    if (selected && hasFocus()) {
      QStyleOptionFocusRect option;
      option.initFrom(this);
      option.rect = rect;
      option.backgroundColor = palette().highlight().color();
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
  }
}

void TListingBox::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  emit KeyDown(key);
  // The list's own keys move the selection within the lines shown.
  int index = itemIndex_;
  switch (key) {
    case Qt::Key_Up:
      index = index < 0 ? 0 : std::max(0, index - 1);
      break;
    case Qt::Key_Down:
      index = std::min(count_ - 1, index + 1);
      break;
    case Qt::Key_Home:
    case Qt::Key_PageUp:
      index = 0;
      break;
    case Qt::Key_End:
    case Qt::Key_PageDown:
      index = count_ - 1;
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (count_ > 0 && index != itemIndex_) {
    SetItemIndex(index);
    emit Clicked();
  }
}

void TListingBox::mousePressEvent(QMouseEvent* event) {
  // A right press selects its line too, so that the popup menu that follows acts on it.
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
    return QWidget::mousePressEvent(event);
  }
  const int index = static_cast<int>(event->position().y()) / kLineHeight;
  if (index < count_) {
    SetItemIndex(index);
    emit Clicked();
    if (event->modifiers() & Qt::ControlModifier) emit CtrlClicked();
  }
}

void TListingBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  const int index = static_cast<int>(event->position().y()) / kLineHeight;
  if (index >= count_) return;
  if (index != itemIndex_) {
    SetItemIndex(index);
    emit Clicked();
  }
  emit DoubleClicked();
}

void TListingBox::wheelEvent(QWheelEvent* event) {
  // 120 units make one notch; turning the wheel away from the user scrolls up.
  constexpr int kNotch = 120;
  wheelDelta_ += event->angleDelta().y();
  const int notches = wheelDelta_ / kNotch;
  wheelDelta_ -= notches * kNotch;
  if (notches != 0) emit WheelNotches(-notches);
  event->accept();
}

void TListingBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized();
}
