#include "ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kPollMs = 5;
constexpr int kGiveUpMs = 10000;

QString Plain(QString caption) {
  return caption.remove('&');
}

// Calls `answer` with the first active modal dialog that `wanted` accepts. Gives up when the
// test has dropped the record (a dialog that never came must not answer a later one).
void WhenModal(const std::shared_ptr<ModalAnswer>& record,
               const std::function<bool(QDialog*)>& wanted,
               const std::function<void(QDialog*, ModalAnswer&)>& answer) {
  auto* timer = new QTimer;
  auto waited = std::make_shared<int>(0);
  std::weak_ptr<ModalAnswer> weak = record;
  QObject::connect(timer, &QTimer::timeout, [=] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    *waited += kPollMs;
    std::shared_ptr<ModalAnswer> alive = weak.lock();
    if (alive && dialog && dialog->isVisible() && wanted(dialog)) {
      timer->stop();
      timer->deleteLater();
      answer(dialog, *alive);
    } else if (!alive || *waited > kGiveUpMs) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(kPollMs);
}

QString MessageText(QDialog* dialog) {
  if (auto* message = dialog->findChild<QLabel*>("Message")) return message->text();
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) return label->text();
  }
  return QString();
}

// The button to press for a caption; a QMessageBox's standard buttons answer by their role, as
// their captions vary with the desktop.
QAbstractButton* ButtonFor(QDialog* dialog, const QString& caption) {
  if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
    const QMessageBox::StandardButton roles[] = {QMessageBox::Save, QMessageBox::Discard,
                                                 QMessageBox::Cancel};
    const char* names[] = {"Save", "Don't Save", "Cancel"};
    for (int i = 0; i < 3; ++i) {
      if (caption == names[i] && box->button(roles[i])) return box->button(roles[i]);
    }
  }
  for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
    if (Plain(button->text()) == caption) return button;
  }
  return nullptr;
}

}  // namespace

std::shared_ptr<ModalAnswer> AnswerNextBox(const QString& button) {
  auto record = std::make_shared<ModalAnswer>();
  WhenModal(
      record, [](QDialog* d) { return !qobject_cast<QFileDialog*>(d); },
      [=](QDialog* dialog, ModalAnswer& answer) {
        answer.title = dialog->windowTitle();
        answer.text = MessageText(dialog);
        answer.seen = true;
        QAbstractButton* press = nullptr;
        if (!button.isEmpty()) {
          press = ButtonFor(dialog, button);
        } else if (!(press = dialog->findChild<QAbstractButton*>("OK"))) {
          for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
            if (b->isDefault()) press = b;
          }
        }
        if (press) {
          press->click();
        } else {
          dialog->accept();
        }
      });
  return record;
}

std::shared_ptr<ModalAnswer> AnswerNextFileDialog(const QString& fileName) {
  auto record = std::make_shared<ModalAnswer>();
  WhenModal(
      record, [](QDialog* d) { return qobject_cast<QFileDialog*>(d) != nullptr; },
      [=](QDialog* dialog, ModalAnswer& answer) {
        auto* files = static_cast<QFileDialog*>(dialog);
        answer.title = files->windowTitle();
        auto* nameEdit = files->findChild<QLineEdit*>("fileNameEdit");
        answer.text = nameEdit ? nameEdit->text() : QString();
        answer.seen = true;
        if (fileName.isEmpty()) {
          files->reject();
          return;
        }
        // Typed into the name field as a user would, then the dialog's own accept.
        if (nameEdit) nameEdit->setText(fileName);
        QMetaObject::invokeMethod(files, "accept");
      });
  return record;
}
