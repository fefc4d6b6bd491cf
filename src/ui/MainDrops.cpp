// What a file dropped on the main window does, by its kind: symbol files and patches belong to
// the ROM that is loaded; anything else is a ROM.

#include <QFile>
#include <QFileInfo>

#include "model/Labels.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/FindAll.h"
#include "ui/Main.h"

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
  // The dropped file stays this ROM's symbol file, read again when it changes, until another
  // ROM is loaded.
  droppedSym_ = name;
  RunCommand([this] { ReadSymbols(); }, this);
  Retrace();
  WatchFiles();
  UpdateList();
  if (findAll_) findAll_->SearchAgain();
}
