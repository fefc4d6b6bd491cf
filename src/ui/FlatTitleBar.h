#pragma once
// TFlatTitleBar: the flat black title bar of the borderless dialogs. It draws its caption centred,
// white while its window is active and in the accent colour while it is not, and moves its
// window when dragged with the left mouse button.

#include <QPoint>
#include <QString>
#include <QWidget>

class TFlatTitleBar : public QWidget {
  Q_OBJECT
 public:
  explicit TFlatTitleBar(QWidget* parent = nullptr);

  void SetCaption(const QString& caption);
  QString Caption() const { return caption; }
  bool Active() const { return active; }

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  void SetActive(bool on);

  QString caption;
  bool active = true;
  bool dragging = false;
  QPoint grabOffset;  // pointer's global position minus the window's position at the press
};
