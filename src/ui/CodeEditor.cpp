#include "ui/CodeEditor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "asm/BlockAssembler.h"
#include "model/BankAddress.h"
#include "model/SourceFile.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/FileDialogs.h"
#include "ui/Latin1.h"
#include "ui/Look.h"

namespace {

const QString kFileFilter = QStringLiteral("Any Files [*.*] (*)");

// While a block is assembled the selection shows the line being worked on; it is moved and
// painted at most this often, so that a long block is not slowed down by its own progress.
constexpr qint64 kProgressMs = 50;
constexpr size_t kLinesPerClockRead = 64;

}  // namespace

TCodeEditorForm::TCodeEditorForm(AppState& state, uint32_t startOffset, QWidget* parent)
    : QDialog(parent), state_(state) {
  ui.setupUi(this);
  // The window's own texts in the dialogs' font; the editor keeps its code font.
  setFont(DialogFont());
  // Where the dialog font is wider than MS Sans Serif, "Language:" keeps its room.
  ui.Label1->resize(std::max(ui.Label1->width(), ui.Label1->sizeHint().width()),
                    ui.Label1->height());
  ui.LangCombo->move(std::max(ui.LangCombo->x(), ui.Label1->geometry().right() + 4),
                     ui.LangCombo->y());
  connect(ui.OpenButton, &QPushButton::clicked, this, &TCodeEditorForm::OpenButtonClick);
  connect(ui.SaveButton, &QPushButton::clicked, this, &TCodeEditorForm::SaveButtonClick);
  connect(ui.ClearButton, &QPushButton::clicked, this, &TCodeEditorForm::ClearButtonClick);
  connect(ui.OKButton, &QPushButton::clicked, this, &TCodeEditorForm::OKButtonClick);
  ui.Editor->setPlainText("org " + Latin1(OffsetToBankAddress(startOffset)) + "\n");
  keptText_ = ui.Editor->toPlainText();
  ui.Editor->setFocus();
}

void TCodeEditorForm::showEvent(QShowEvent* event) {
  // Centred on the main window, where the work is, and kept on its screen.
  if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
    QRect place(QPoint(), frameGeometry().size());
    place.moveCenter(owner->frameGeometry().center());
    if (const QScreen* screen = owner->screen()) {
      const QRect room = screen->availableGeometry();
      place.moveLeft(std::clamp(place.left(), room.left(),
                                std::max(room.left(), room.right() - place.width() + 1)));
      place.moveTop(std::clamp(place.top(), room.top(),
                               std::max(room.top(), room.bottom() - place.height() + 1)));
    }
    move(place.topLeft());
  }
  QDialog::showEvent(event);
}

std::vector<std::string> TCodeEditorForm::EditorLines() const {
  const QByteArray text = ui.Editor->toPlainText().toLatin1();
  return SplitLines(std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

void TCodeEditorForm::SelectEditorLine(size_t index) {
  const QTextBlock block = ui.Editor->document()->findBlockByNumber(static_cast<int>(index));
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  ui.Editor->setTextCursor(cursor);
}

void TCodeEditorForm::OpenButtonClick() {
  const QString fileName = AskFileName(this, QFileDialog::AcceptOpen, kFileFilter);
  if (fileName.isEmpty()) return;
  RunCommand(
      [&] {
        QStringList lines;
        for (const std::string& line : LoadSourceLines(QFile::encodeName(fileName).toStdString())) {
          lines << Latin1(line) + '\n';
        }
        ui.Editor->setPlainText(lines.join(QString()));
        keptText_ = ui.Editor->toPlainText();
      },
      this);
}

void TCodeEditorForm::SaveButtonClick() {
  // The name is taken as typed: no extension is added, and an existing file is replaced.
  const QString fileName =
      AskFileName(this, QFileDialog::AcceptSave, kFileFilter, QFileDialog::DontConfirmOverwrite);
  if (fileName.isEmpty()) return;
  const QString text = ui.Editor->toPlainText();
  if (RunCommand(
          [&] { SaveSourceLines(QFile::encodeName(fileName).toStdString(), EditorLines()); },
          this)) {
    keptText_ = text;
  }
}

void TCodeEditorForm::ClearButtonClick() {
  // Removed as an edit of the text, not by clear(), which would also forget the undo history:
  // Ctrl+Z in the text brings the block back.
  QTextCursor all(ui.Editor->document());
  all.select(QTextCursor::Document);
  all.removeSelectedText();
}

void TCodeEditorForm::OKButtonClick() {
  if (assembling_) return;
  assembling_ = true;
  // Pending events run between the lines; the text must hold still and OK must not re-enter.
  ui.Editor->setReadOnly(true);
  ui.BottomPanel->setEnabled(false);
  const std::vector<std::string> lines = EditorLines();
  size_t current = 0;
  QElapsedTimer sinceShown;
  sinceShown.start();
  const bool assembled = RunCommand(
      [&] {
        try {
          step_ = RecordEdit(state_.rom, [&] {
            stored_ = AssembleBlock(state_.rom, state_.labels, lines, [&](size_t index) {
              current = index;
              // The clock is read every few lines: a line takes far less time than reading it.
              if (index % kLinesPerClockRead != 0 || sinceShown.elapsed() < kProgressMs) return;
              SelectEditorLine(index);
              QCoreApplication::processEvents();
              sinceShown.restart();
            });
          });
        } catch (...) {
          // The failing line is the one announced last; it is selected before its message shows.
          SelectEditorLine(current);
          throw;
        }
      },
      this);
  ui.BottomPanel->setEnabled(true);
  ui.Editor->setReadOnly(false);
  assembling_ = false;
  // On a failure the window stays open with the failing line selected.
  if (assembled) accept();
}

void TCodeEditorForm::reject() {
  if (assembling_) return;
  if (ui.Editor->toPlainText() != keptText_ &&
      !AskYesNo("Discard the code in the editor?", this)) {
    return;
  }
  QDialog::reject();
}

void TCodeEditorForm::keyPressEvent(QKeyEvent* event) {
  // A stray Escape must not throw the block away; the window closes by its close button.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
