#pragma once
// Answering modal windows from a test.
//
//   #include "helpers/ModalAnswer.h"
//
//   SeenBox box = AnswerNextBox([&] { ShowError("Disk full", nullptr); });
//   QCOMPARE(box.title, "Error");
//   QCOMPARE(box.text, "Disk full");
//
//   SaveAnswer answer;
//   SeenBox box = AnswerNextBox([&] { answer = AskSaveChanges("a.asm"); }, "Don't Save");
//
// trigger runs at once and is expected to open a modal window (and block in its exec()). The
// first modal window that becomes active after the call (one already open when the call was
// made is left alone) is read and answered; trigger then returns and so does AnswerNextBox.
// Only one window is answered: a trigger that opens two modal windows in turn needs a nested
// AnswerNextBox, or InspectNextModal, inside an outer trigger.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

struct SeenBox {
  bool seen = false;    // a modal window appeared and was answered
  QString title;        // its windowTitle()
  QString text;         // the QLabel named "Message", else the first QLabel with text
  QStringList buttons;  // captions of its push buttons, in creation order
};

// Reads the next modal window (file dialogs are left to AnswerNextFileDialog) and presses the push
// button captioned buttonText ("&" ignored); with no buttonText, the button named "OK", else the
// default button, else accept().
SeenBox AnswerNextBox(const std::function<void()>& trigger, const QString& buttonText = {});

// For a dialog whose command shows a box after the dialog has closed (a search that found
// nothing): hands the dialog to inspect, as InspectNextModal does, then reads and answers the
// next modal window as AnswerNextBox does. Boxes shown while the dialog is still open (its own
// failures) are not seen here; answer them inside inspect.
SeenBox AnswerBoxAfterModal(const std::function<void()>& trigger,
                            const std::function<void(QWidget*)>& inspect,
                            const QString& buttonText = {});

// Hands the next modal window to inspect, which may answer it (a key press, a click); if the
// window is still open afterwards, it is closed with reject(). Returns whether one was seen.
bool InspectNextModal(const std::function<void()>& trigger,
                      const std::function<void(QWidget*)>& inspect);
