#pragma once
// Drag and drop of a ROM file onto a window: one local file is taken and handed to `open`;
// anything else (several files, a web address, text) is refused while it is being dragged.

#include <QObject>
#include <QString>
#include <functional>

class QMimeData;
class QWidget;

class TRomDrop : public QObject {
  Q_OBJECT
 public:
  TRomDrop(QWidget* window, std::function<void(const QString&)> open);

  // The one local file that the dragged data names, or "" when it is not exactly one.
  static QString DroppedFile(const QMimeData* data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QString&)> open_;
};
