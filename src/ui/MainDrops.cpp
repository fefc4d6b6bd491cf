// What a file dropped on the main window does, by its kind: symbol files and patches belong to
// the ROM that is loaded; anything else is a ROM.

#include <QFile>
#include <QFileInfo>

#include "model/Labels.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/FindAll.h"
#include "ui/Main.h"
#include "ui/StatusReport.h"

void TMainForm::OpenDropped(const QString& fileName) {
  const QFileInfo info(fileName);
  const QString kind = info.suffix().toLower();
  const bool symbols = kind == "sym";
  const bool patch = kind == "ips" || kind == "bps";
  if (!symbols && !patch) {
    LoadRomNamed(fileName);
    return;
  }
  const std::string name = QFile::encodeName(info.absoluteFilePath()).toStdString();
  const std::string shown = QFile::encodeName(info.fileName()).toStdString();
  if (state_.rom.RomSize == 0) {
    ShowError("Load a ROM first: " + shown + (symbols ? " holds labels for a ROM." :
                                                        " is a patch for a ROM."), this);
    return;
  }
  if (patch) {
    if (AskYesNo("Apply the patch " + shown + " to the ROM?", this)) ApplyPatchFile(name);
    return;
  }
  OpenSymbolFile(fileName);
}

void TMainForm::OpenSymbolFile(const QString& fileName) {
  const QFileInfo info(fileName);
  const std::string name = QFile::encodeName(info.absoluteFilePath()).toStdString();
  const std::string shown = QFile::encodeName(info.fileName()).toStdString();
  // Unsaved changes to the labels, comments and marks would go with the symbols read before,
  // and their undo steps could be redone onto the new ones: asked first, and the steps go.
  if (SymbolsModified() &&
      !AskYesNo("Read the symbols of " + shown +
                    " and lose your changes to the labels, comments and marks?",
                this)) {
    return;
  }
  // The dropped file stays this ROM's symbol file, read again when it changes, until another
  // ROM is loaded.
  droppedSym_ = name;
  const bool read = RunCommand([this] { ReadSymbols(); }, this);
  DropSymbolSteps();
  ShowFileState();
  Retrace();
  WatchFiles();
  UpdateList();
  if (findAll_) findAll_->SearchAgain();
  // The status bar names the file now used, and the lines of it that were skipped.
  const QString skipped = report_->text();
  report_->Show((read ? "Symbols read from " : "Symbols partly read from ") +
                QFile::decodeName(shown.c_str()) + (skipped.isEmpty() ? "" : "; " + skipped));
}
