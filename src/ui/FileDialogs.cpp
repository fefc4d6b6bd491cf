#include "ui/FileDialogs.h"

#include <QCompleter>
#include <QEvent>
#include <QLineEdit>
#include <QListView>
#include <memory>

namespace {

// The completion list, shown only while the field it completes is visible. The list is filled
// while the folder is read in the background and may be asked to come up after its dialog has
// closed.
class TFieldCompletionList : public QListView {
 public:
  explicit TFieldCompletionList(QCompleter* completer) : completer_(completer) {
    // What the completer's own list is.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
  }

  void setVisible(bool visible) override {
    const QWidget* field = completer_->widget();
    if (visible && !(field && field->isVisible())) return;
    QListView::setVisible(visible);
  }

 private:
  QCompleter* completer_;
};

class CompletionGuard : public QObject {
 public:
  explicit CompletionGuard(QFileDialog* dialog) : QObject(dialog), dialog_(dialog) {
    TakeLists();
    dialog->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == dialog_) {
      // The dialog may make its widgets, the completer among them, only when it is first shown.
      if (event->type() == QEvent::Show) TakeLists();
      // A list open when the dialog is accepted would otherwise stay where it was.
      if (event->type() == QEvent::Hide) {
        for (QCompleter* completer : dialog_->findChildren<QCompleter*>()) {
          completer->popup()->hide();
        }
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void TakeLists() {
    for (QCompleter* completer : dialog_->findChildren<QCompleter*>()) {
      if (!dynamic_cast<TFieldCompletionList*>(completer->popup())) {
        completer->setPopup(new TFieldCompletionList(completer));
      }
    }
    // The name typed is the one taken. While a path is typed the dialog's list picks the entries
    // it passes ("t" on the way to "title.ips") and may keep them picked, and a picked folder
    // wins over the name at Open: the dialog went into it instead of opening the file.
    auto* name = dialog_->findChild<QLineEdit*>("fileNameEdit");
    if (name && !typingWatched_) {
      typingWatched_ = true;
      connect(name, &QLineEdit::textEdited, this, [this] {
        for (const char* list : {"listView", "treeView"}) {
          if (auto* view = dialog_->findChild<QAbstractItemView*>(list)) view->clearSelection();
        }
      });
    }
  }

  QFileDialog* dialog_;
  bool typingWatched_ = false;
};

}  // namespace

void KeepCompletionInDialog(QFileDialog* dialog) {
  new CompletionGuard(dialog);
}

QString AskFileName(QWidget* parent, QFileDialog::AcceptMode mode, const QString& filter,
                    QFileDialog::Options options) {
  QFileDialog dialog(parent);
  dialog.setOptions(options | QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  KeepCompletionInDialog(&dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

QFileDialog* MakeRomFileDialog(QWidget* parent, QFileDialog::AcceptMode mode) {
  auto* dialog = new QFileDialog(parent);
  dialog->setAcceptMode(mode);
  // Qt's own dialog, the same on every desktop; a typed name need not exist yet (a missing file
  // is reported by the load itself).
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  if (mode == QFileDialog::AcceptSave) dialog->setOption(QFileDialog::DontConfirmOverwrite);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters({"GameBoy roms [*.gb; *.gbc] (*.gb *.gbc)", "All Files [*.*] (*)"});
  dialog->setDefaultSuffix("gb");
  KeepCompletionInDialog(dialog);
  return dialog;
}

QString TRomFileAsk::Ask() {
  const std::unique_ptr<QFileDialog> dialog(MakeRomFileDialog(parent_, mode_));
  dialog->setObjectName(objectName_);
  if (!history_.isEmpty()) dialog->setHistory(history_);
  if (!filter_.isEmpty()) dialog->selectNameFilter(filter_);
  if (!file_.isEmpty()) dialog->selectFile(file_);
  if (!folder_.isEmpty()) dialog->setDirectory(folder_);
  const bool accepted = dialog->exec() == QDialog::Accepted;
  history_ = dialog->history();
  // Shown without its details ("(*.gb *.gbc)"), the filter is told back without them too; it is
  // picked again by its whole text.
  for (const QString& filter : dialog->nameFilters()) {
    if (filter.startsWith(dialog->selectedNameFilter())) {
      filter_ = filter;
      break;
    }
  }
  if (!accepted) {
    folder_ = dialog->directory().absolutePath();
    return {};
  }
  Offer(dialog->selectedFiles().value(0));
  return file_;
}

void TRomFileAsk::Offer(const QString& fileName) {
  file_ = fileName;
  folder_.clear();
}
