#include "ui/RomDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

TRomDrop::TRomDrop(QWidget* window, std::function<void(const QString&)> open)
    : QObject(window), open_(std::move(open)) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
}

QString TRomDrop::DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

bool TRomDrop::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (DroppedFile(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        drag->acceptProposedAction();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString file = DroppedFile(drop->mimeData());
      if (file.isEmpty()) {
        drop->ignore();
        return true;
      }
      drop->acceptProposedAction();
      // Loaded once the drop has ended: a question or an error box would otherwise hold the
      // program that the file was dragged from until it is answered.
      QTimer::singleShot(0, this, [this, file] { open_(file); });
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}
