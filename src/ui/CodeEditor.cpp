#include "ui/CodeEditor.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QTextBlock>
#include <algorithm>

#include "asm/BlockAssembler.h"
#include "model/BankAddress.h"
#include "model/SourceFile.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/Look.h"

namespace {

const QString kFileFilter = QStringLiteral("Any Files [*.*] (*)");

// The program's texts are single bytes; Latin-1 keeps every byte through the editor.
QString Latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

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
  ui.Editor->setFocus();
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
  const QString fileName = QFileDialog::getOpenFileName(this, QString(), QString(), kFileFilter,
                                                        nullptr, QFileDialog::DontUseNativeDialog);
  if (fileName.isEmpty()) return;
  RunCommand(
      [&] {
        QStringList lines;
        for (const std::string& line : LoadSourceLines(QFile::encodeName(fileName).toStdString())) {
          lines << Latin1(line) + '\n';
        }
        ui.Editor->setPlainText(lines.join(QString()));
      },
      this);
}

void TCodeEditorForm::SaveButtonClick() {
  // The name is taken as typed: no extension is added, and an existing file is replaced.
  const QString fileName = QFileDialog::getSaveFileName(
      this, QString(), QString(), kFileFilter, nullptr,
      QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  if (fileName.isEmpty()) return;
  RunCommand([&] { SaveSourceLines(QFile::encodeName(fileName).toStdString(), EditorLines()); },
             this);
}

void TCodeEditorForm::ClearButtonClick() {
  ui.Editor->clear();
}

void TCodeEditorForm::OKButtonClick() {
  if (assembling_) return;
  assembling_ = true;
  // Pending events run between the lines; the text must hold still and OK must not re-enter.
  ui.Editor->setReadOnly(true);
  ui.BottomPanel->setEnabled(false);
  const std::vector<std::string> lines = EditorLines();
  const bool assembled = RunCommand(
      [&] {
        step_ = RecordEdit(state_.rom, [&] {
          stored_ = AssembleBlock(state_.rom, state_.labels, lines, [this](size_t index) {
            SelectEditorLine(index);
            QCoreApplication::processEvents();
          });
        });
      },
      this);
  ui.BottomPanel->setEnabled(true);
  ui.Editor->setReadOnly(false);
  assembling_ = false;
  // On a failure the window stays open with the failing line selected.
  if (assembled) accept();
}

void TCodeEditorForm::reject() {
  if (!assembling_) QDialog::reject();
}
