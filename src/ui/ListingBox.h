#pragma once
// TListingBox: an owner-drawn list of fixed 16-pixel lines with a single selection. It always
// shows its lines from the top and never scrolls itself; the window that owns it draws the
// lines and moves the listing.

#include <QWidget>
#include <functional>

class TListingBox : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kLineHeight = 16;

  explicit TListingBox(QWidget* parent = nullptr);

  // Draws line `index` into `rect`; set by the owner.
  std::function<void(QPainter& painter, int index, const QRect& rect, bool selected)> DrawItem;

  int Count() const { return count_; }
  void SetCount(int count);
  // The selected line, or -1 for none.
  int ItemIndex() const { return itemIndex_; }
  // Selects a line; an index outside the lines selects none.
  void SetItemIndex(int index);

 signals:
  // A key, before the list's own handling of it.
  void KeyDown(int key);
  // The user selected a line with the mouse (either button) or moved the selection with a key.
  void Clicked();
  void Resized();
  // The selection was set, by the user or by the program (a rebuild sets it again).
  void ItemIndexSet();
  // Whole wheel notches turned: positive towards the end of the ROM.
  void WheelNotches(int notches);
  // After Clicked, for a left click with Ctrl held.
  void CtrlClicked();
  // A line was double-clicked, after Clicked when that selected it.
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int count_ = 0;
  int itemIndex_ = -1;
  // Wheel units not yet making a whole notch (smooth-scrolling devices send small steps).
  int wheelDelta_ = 0;
};
