#include "FileDialogAnswer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

namespace {
constexpr int kPollMs = 5;
constexpr int kGiveUpMs = 10000;
}  // namespace

std::shared_ptr<SeenFileDialog> AnswerNextFileDialog(const QString& fileName) {
  auto record = std::make_shared<SeenFileDialog>();
  std::weak_ptr<SeenFileDialog> weak = record;
  auto* timer = new QTimer;
  auto waited = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [=] {
    *waited += kPollMs;
    std::shared_ptr<SeenFileDialog> alive = weak.lock();
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!alive || *waited > kGiveUpMs) {
      timer->stop();
      timer->deleteLater();
      return;
    }
    // Answered only once it is the active window, as a user would: answered before, it would
    // take the activation after it has closed, away from the window the test goes on with.
    if (!dialog || !dialog->isVisible() || !dialog->isActiveWindow()) return;
    timer->stop();
    timer->deleteLater();
    auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
    alive->seen = true;
    alive->offeredName = nameEdit ? nameEdit->text() : QString();
    if (fileName.isEmpty()) {
      dialog->reject();
      return;
    }
    // Typed into the name field as a user would, then the dialog's own accept. A user's typing
    // deselects the name the dialog opened with; without that, a file still selected in its
    // list would win over the typed name (the list learns of new files only after a while).
    for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>()) view->clearSelection();
    if (nameEdit) nameEdit->setText(fileName);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  timer->start(kPollMs);
  return record;
}
