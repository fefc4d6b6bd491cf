// File > Load Symbols... and Save Symbols As...: a symbol file chosen by name, read as a dropped
// one is; and every label, comment and mark written into one file of the user's choosing. The
// files the symbols were read from stay the ROM's own: Save Symbols still writes those.

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "model/FileWrite.h"
#include "model/SymbolWrite.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/Main.h"
#include "ui/StatusReport.h"

namespace {

// A chooser of symbol files, in the ROM's folder.
QString AskSymbolFile(QWidget* parent, const std::string& romFileName, bool save) {
  QFileDialog dialog(parent, save ? "Save Symbols As" : "Load Symbols");
  dialog.setObjectName(save ? "SymbolSaveDlg" : "SymbolDlg");
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters({"Symbol files (*.sym)", "All Files (*)"});
  dialog.setDefaultSuffix("sym");
  const QFileInfo rom(QFile::decodeName(romFileName.c_str()));
  dialog.setDirectory(rom.absolutePath());
  if (save) dialog.selectFile(rom.completeBaseName() + " copy.sym");
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

}  // namespace

void TMainForm::AddSymbolFileItems() {
  auto* load = new QAction("Load S&ymbols...", this);
  load->setObjectName("LoadSymbols1");
  ui.File1->insertAction(ui.Save1, load);
  connect(load, &QAction::triggered, this, &TMainForm::LoadSymbols1Click);
  auto* saveAs = new QAction("Save Symbols As...", this);
  saveAs->setObjectName("SaveSymbolsAs1");
  ui.File1->insertAction(ui.SaveAs1, saveAs);
  connect(saveAs, &QAction::triggered, this, &TMainForm::SaveSymbolsAs1Click);
}

void TMainForm::LoadSymbols1Click() {
  if (state_.rom.RomSize == 0) return ShowError("Load a ROM first: symbols are a ROM's.", this);
  const QString name = AskSymbolFile(this, state_.rom.RomFileName, false);
  if (!name.isEmpty()) OpenSymbolFile(name);
}

void TMainForm::SaveSymbolsAs1Click() {
  if (state_.rom.RomSize == 0) return ShowError("Load a ROM first: symbols are a ROM's.", this);
  const QString chosen = AskSymbolFile(this, state_.rom.RomFileName, true);
  if (chosen.isEmpty()) return;
  const std::string name = QFile::encodeName(QFileInfo(chosen).absoluteFilePath()).toStdString();
  const std::string shown = QFile::encodeName(QFileInfo(chosen).fileName()).toStdString();
  // Over a file the symbols were read from, the copy would pass by Save Symbols' care for it.
  for (const SymbolFile& file : state_.symbolFiles) {
    if (file.Name == name) {
      return ShowError(shown + " is where the ROM's symbols are kept: File > Save Symbols "
                               "(Shift+F5) writes it.",
                       this);
    }
  }
  const std::string text =
      SymbolCopyText(state_.symbolFiles, state_.labels, state_.marks, state_.comments);
  if (RunCommand([&] { SaveFileSafely(name, text.data(), text.size()); }, this)) {
    report_->Show("Symbols saved as " + QFile::decodeName(shown.c_str()) +
                  " (the ROM's own symbol files are as they were)");
  }
}
