#include "FileDialogAnswer.h"

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
    // Answered once it is the active window, as a user would see it, so that its name field
    // can take the focus.
    if (!dialog || !dialog->isVisible() || QApplication::activeWindow() != dialog) return;
    timer->stop();
    timer->deleteLater();
    auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
    alive->seen = true;
    alive->offeredName = nameEdit ? nameEdit->text() : QString();
    if (fileName.isEmpty()) {
      dialog->reject();
      return;
    }
    // Typed into the focused name field as a user would, then the dialog's own accept. Typing
    // into the focused field drops the list's selection: the dialog is reused, and a file
    // selected there the last time would otherwise be the one chosen.
    if (nameEdit) {
      nameEdit->setFocus();
      nameEdit->setText(fileName);
    }
    QMetaObject::invokeMethod(dialog, "accept");
  });
  timer->start(kPollMs);
  return record;
}
