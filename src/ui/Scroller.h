#pragma once
// TScroller: the listing's vertical scroll bar in the flat look: 17-pixel arrow buttons and a
// 17-pixel thumb. The arrows repeat every 10 ms while held; clicks on the track do nothing.

#include <QScrollBar>

class TScroller : public QScrollBar {
  Q_OBJECT
 public:
  static constexpr int kExtent = 17;
  static constexpr int kRepeatMs = 10;

  explicit TScroller(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};
