#pragma once
// Qt's own file dialog as the program uses it.

#include <QFileDialog>

// Keeps the name field's completion list with its dialog. The list is filled while the folder is
// read in the background, so it can come up after the dialog has been accepted with a typed name;
// it would then sit over the main window and take its keys. While the dialog is hidden the list
// is kept hidden too.
void KeepCompletionInDialog(QFileDialog* dialog);

// A file dialog of Qt's own kind (the same on every desktop) that keeps its completion list.
// Returns the chosen file, or an empty name when the user cancelled.
QString AskFileName(QWidget* parent, QFileDialog::AcceptMode mode, const QString& filter,
                    QFileDialog::Options options = {});

// The Load Rom and Save As dialogs: GameBoy ROMs or all files, "gb" added to a typed name without
// extension, no question before replacing a file (the save itself is safe).
QFileDialog* MakeRomFileDialog(QWidget* parent, QFileDialog::AcceptMode mode);

// One of those two dialogs, made each time it is asked for and gone when it closes: a dialog
// kept hidden between uses would watch its folder for the whole session. What the user left in
// it is remembered for the next time: the file chosen, the folder, the name filter and the
// folders visited.
class TRomFileAsk {
 public:
  TRomFileAsk(QWidget* parent, QFileDialog::AcceptMode mode, const QString& objectName)
      : parent_(parent), mode_(mode), objectName_(objectName) {}

  // Shows the dialog; the chosen file, or an empty name when the user cancelled.
  QString Ask();
  // The file that the next dialog offers, in its folder (a ROM loaded another way).
  void Offer(const QString& fileName);

 private:
  QWidget* parent_;
  QFileDialog::AcceptMode mode_;
  QString objectName_;
  QString file_;
  QString folder_;  // where the user went after it, when that is elsewhere
  QString filter_;
  QStringList history_;
};
