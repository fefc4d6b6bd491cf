#include "ModalAnswer.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>

namespace {

struct Watch {
  QPointer<QWidget> before;
  bool finished = false;
  QElapsedTimer clock;
  std::function<void(QWidget*)> handle;
  // A file dialog is never a message box; AnswerNextFileDialog answers those.
  bool skipFileDialogs = false;
};

// Looks for the new modal window every few milliseconds until it appears, trigger has returned,
// or ten seconds have gone by.
void Poll(const std::shared_ptr<Watch>& watch) {
  if (watch->finished) return;
  QWidget* modal = QApplication::activeModalWidget();
  // Only once it is the active window (see AnswerNextFileDialog).
  if (modal && modal != watch->before.data() && modal->isVisible() && modal->isActiveWindow() &&
      !(watch->skipFileDialogs && qobject_cast<QFileDialog*>(modal))) {
    watch->finished = true;
    watch->handle(modal);
    return;
  }
  if (watch->clock.elapsed() > 10000) return;
  QTimer::singleShot(5, [watch] { Poll(watch); });
}

void WhenNextModal(const std::function<void()>& trigger,
                   const std::function<void(QWidget*)>& handle, bool skipFileDialogs = false) {
  auto watch = std::make_shared<Watch>();
  watch->skipFileDialogs = skipFileDialogs;
  watch->before = QApplication::activeModalWidget();
  watch->handle = handle;
  watch->clock.start();
  QTimer::singleShot(0, [watch] { Poll(watch); });
  trigger();
  watch->finished = true;
}

QString Plain(QString caption) {
  return caption.remove(QLatin1Char('&'));
}

// Reads the box into `seen` and presses the button as AnswerNextBox describes.
void AnswerBox(QWidget* modal, SeenBox& seen, const QString& buttonText) {
  seen.seen = true;
  seen.title = modal->windowTitle();
  auto* message = modal->findChild<QLabel*>("Message");
  if (!message) {
    for (QLabel* label : modal->findChildren<QLabel*>())
      if (!label->text().isEmpty()) {
        message = label;
        break;
      }
  }
  if (message) seen.text = message->text();
  const QList<QPushButton*> buttons = modal->findChildren<QPushButton*>();
  QPushButton* press = nullptr;
  for (QPushButton* button : buttons) {
    seen.buttons << Plain(button->text());
    if (!buttonText.isEmpty() && Plain(button->text()) == Plain(buttonText)) press = button;
  }
  if (buttonText.isEmpty()) {
    press = modal->findChild<QPushButton*>("OK");
    for (QPushButton* button : buttons)
      if (!press && button->isDefault()) press = button;
  }
  if (press) {
    press->click();
  } else if (buttonText.isEmpty()) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->accept();
  } else {
    // The asked-for button is not there: leave the box by Escape's road and let the test see
    // the missing caption in seen.buttons.
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  }
}

// Closes a window that an inspection left open, as its Cancel would.
void CloseIfOpen(const QPointer<QWidget>& modal) {
  if (!modal || !modal->isVisible()) return;
  if (auto* dialog = qobject_cast<QDialog*>(modal.data()))
    dialog->reject();
  else
    modal->close();
}

}  // namespace

SeenBox AnswerNextBox(const std::function<void()>& trigger, const QString& buttonText) {
  SeenBox seen;
  WhenNextModal(
      trigger, [&seen, buttonText](QWidget* modal) { AnswerBox(modal, seen, buttonText); },
      /*skipFileDialogs=*/true);
  return seen;
}

SeenBox AnswerBoxAfterModal(const std::function<void()>& trigger,
                            const std::function<void(QWidget*)>& inspect,
                            const QString& buttonText) {
  SeenBox seen;
  auto next = std::make_shared<Watch>();
  next->skipFileDialogs = true;
  next->handle = [&seen, buttonText](QWidget* modal) { AnswerBox(modal, seen, buttonText); };
  WhenNextModal(trigger, [next, inspect](QWidget* modal) {
    QPointer<QWidget> guard(modal);
    inspect(modal);
    CloseIfOpen(guard);
    // The box comes only after the first window has left its exec(), so the watch for it starts
    // now and runs from the event loop.
    next->before = modal;
    next->clock.start();
    QTimer::singleShot(0, [next] { Poll(next); });
  });
  next->finished = true;
  return seen;
}

bool InspectNextModal(const std::function<void()>& trigger,
                      const std::function<void(QWidget*)>& inspect) {
  bool seen = false;
  WhenNextModal(trigger, [&seen, inspect](QWidget* modal) {
    seen = true;
    QPointer<QWidget> guard(modal);
    inspect(modal);
    CloseIfOpen(guard);
  });
  return seen;
}
