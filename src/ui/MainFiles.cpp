// TMainForm's file commands: Load Rom, Save, Save As, the question about unsaved changes, and
// what follows a change of the loaded files on disk (the ROM and its symbol files).
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QUndoStack>
#include <cerrno>
#include <algorithm>
#include <exception>
#include <optional>

#include "model/Failure.h"
#include "model/FileRead.h"
#include "model/Header.h"
#include "model/SymbolFile.h"
#include "ui/AppState.h"
#include "ui/CoolMsg.h"
#include "ui/FileDialogs.h"
#include "ui/FileWatch.h"
#include "ui/FindAll.h"
#include "ui/Latin1.h"
#include "ui/Main.h"
#include "ui/RecentRoms.h"
#include "ui/RunCommands.h"
#include "ui/StatusReport.h"
#include "ui/SymbolSave.h"
#include "ui/TextCommands.h"
#include "ui/UndoSteps.h"

namespace {

std::string FileNameBytes(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

}  // namespace

void TMainForm::ClearUndo() {
  undoStack_->clear();
  // clear() leaves an empty stack as it was, unclean after a MarkModified.
  undoStack_->setClean();
  ShowFileState();
}

void TMainForm::ShowFileState() {
  Panel1->setText(Modified() ? "Modified" : "");
  Panel2->setText(state_.rom.RomSize != 0 && state_.rom.ReadOnly ? "Read-only" : "");
}

void TMainForm::MarkModified() {
  // No state on the stack matches the file any more.
  undoStack_->resetClean();
}

bool TMainForm::Modified() const {
  return RomModified() || SymbolsModified();
}

bool TMainForm::RomModified() const {
  const int clean = undoStack_->cleanIndex();
  if (clean < 0) return true;
  const int index = undoStack_->index();
  for (int i = std::min(clean, index); i < std::max(clean, index); ++i) {
    if (dynamic_cast<const TEditCommand*>(undoStack_->command(i)) != nullptr) return true;
  }
  return false;
}

bool TMainForm::SymbolsModified() const {
  return SymbolsChanged(state_.symbolFiles, state_.labels, state_.marks, state_.comments);
}

void TMainForm::DropSymbolSteps() {
  for (int i = 0; i < undoStack_->count(); ++i) {
    if (dynamic_cast<const TEditCommand*>(undoStack_->command(i)) == nullptr) {
      const bool romModified = RomModified();
      ClearUndo();
      if (romModified) MarkModified();
      return;
    }
  }
}

void TMainForm::LoadRom1Click() {
  if (!SaveChangesFirst()) return;
  const QString name = OpenDlg.Ask();
  if (!name.isEmpty()) OpenRom(name);
}

bool TMainForm::LoadRomNamed(const QString& fileName) {
  if (!SaveChangesFirst()) return false;
  if (!OpenRom(fileName)) return false;
  OpenDlg.Offer(fileName);
  return true;
}

std::string TMainForm::SymFileToRead() const {
  const Rom& rom = state_.rom;
  if (!droppedSym_.empty()) return droppedSym_;
  return FindSymFile(rom.RomFileName, state_.ProgramFolder, rom.RomTitle);
}

WorkspaceSources TMainForm::Sources() const {
  WorkspaceSources sources;
  sources.ProgramFolder = state_.ProgramFolder;
  sources.SymFile = droppedSym_;
  return sources;
}

void TMainForm::ReadSymbols() {
  report_->clear();
  const std::vector<WorkspaceFile> files = ReadWorkspaceSymbols(state_, Sources());
  NoteSymbolsRead(files);
  ReportSkippedSymbols();
  for (const WorkspaceFile& file : files) file.Rethrow();
}

void TMainForm::NoteSymbolsRead(const std::vector<WorkspaceFile>& files) {
  state_.SymbolsNotRead.clear();
  for (const WorkspaceFile& file : files) {
    if (!file.IsSymbols() || file.Outcome != FileOutcome::Failed) continue;
    // What was read before the failure stays shown, and is never saved over the files.
    std::string why = FailureText([&] { file.Rethrow(); }).value_or("");
    std::replace(why.begin(), why.end(), '\n', ' ');
    state_.SymbolsNotRead = why;
  }
}

void TMainForm::ReportSkippedSymbols() {
  // A set not read whole says its failure instead.
  if (!state_.SymbolsNotRead.empty()) return;
  // Lines that could not be read are skipped, and said once.
  QStringList skipped;
  for (const SymbolFile& file : state_.symbolFiles) {
    if (file.SkippedCount != 0) skipped << MessageText(SkippedLinesText(file));
  }
  if (!skipped.isEmpty()) report_->Show(skipped.join("  "));
}

void TMainForm::WatchFiles() {
  const Rom& rom = state_.rom;
  std::vector<std::string> syms = SymFileCandidates(rom.RomFileName, state_.ProgramFolder,
                                                    rom.RomTitle);
  if (!droppedSym_.empty()) syms.push_back(droppedSym_);
  syms.push_back(OverlaySymFileName(rom.RomFileName));
  watch_->Watch(QFile::decodeName(rom.RomFileName.c_str()), syms);
}

bool TMainForm::OpenRom(const QString& fileName, bool watched) {
  const QString name = QFileInfo(fileName).absoluteFilePath();
  const std::string file = FileNameBytes(name);
  Rom& rom = state_.rom;
  // A symbol file dropped on the window belongs to the ROM it was dropped on.
  WorkspaceSources sources = Sources();
  if (file != loadedName_) sources.SymFile.clear();
  // The ROM and the files that belong to it; the failure of one of those waits until the ROM
  // is shown, so that what is shown is what is loaded.
  WorkspaceLoad loaded;
  const auto load = [&] { loaded = LoadWorkspace(state_, file, sources); };
  // A reload started by a change on disk that keeps failing says so in a box once, then only
  // in the status bar, until a load succeeds.
  if (watched && reloadFailed_) {
    if (const auto failure = FailureText(load)) {
      report_->Show("Not loaded again: " + MessageText(*failure));
      return false;
    }
  } else if (!RunCommand(load, this)) {
    reloadFailed_ = watched;
    return false;
  }
  reloadFailed_ = false;
  if (rom.RomFileName != loadedName_) droppedSym_.clear();
  loadedName_ = rom.RomFileName;
  state_.LoadedRom.assign(RomBytes(rom).begin(), RomBytes(rom).end());
  state_.textRows.Drop();
  ClearUndo();
  CloseAnalysisWindows();
  NoteSymbolsRead(loaded.Files);
  report_->clear();
  ReportSkippedSymbols();
  run_->RomLoaded(loaded);
  Retrace();
  setWindowTitle("Velmora - " + Latin1(rom.RomTitle));
  SetScrollRange();
  SetStartOffset(0);
  ui.List->show();
  FormResize();
  ui.List->SetItemIndex(0);
  ui.List->setFocus();
  EnableMenus(true);
  // The places and matches of the ROM before mean nothing in this one.
  history_.Clear();
  if (findAll_) findAll_->close();
  recent_->Add(name);
  WatchFiles();
  for (const WorkspaceFile& symbols : loaded.Files) {
    if (!symbols.IsSymbols() || symbols.Outcome != FileOutcome::Failed) continue;
    const auto rethrow = [&] { symbols.Rethrow(); };
    if (watched) {
      report_->Show("Symbols not read: " + MessageText(*FailureText(rethrow)));
    } else {
      RunCommand(rethrow, this);
    }
  }
  text_->RomLoaded(loaded);
  return true;
}

void TMainForm::RomFileChanged() {
  if (Modified() &&
      !AskYesNo("The ROM file has changed on disk. Load it again and lose your changes?", this)) {
    return;
  }
  // Where the user was: a rebuilt ROM is mostly the same program.
  const int32_t start = StartOffset();
  const int index = ui.List->ItemIndex();
  if (!OpenRom(QFile::decodeName(state_.rom.RomFileName.c_str()), true)) return;
  SetStartOffset(start);
  UpdateList();
  ui.List->SetItemIndex(index);
}

void TMainForm::SymFileChanged() {
  if (SymbolsModified() &&
      !AskYesNo("The symbol file has changed on disk. Load it again and lose your changes to "
                "the labels, comments and marks?",
                this)) {
    return;
  }
  // A symbol file that a build is still writing may not read yet: the labels read last stay,
  // and the next change is waited for, without a box.
  WorkspaceSymbols read;
  const auto failure = FailureText([&] { read = ReadSymbolsAgain(state_, Sources()); });
  if (failure) {
    report_->Show("Symbols not read again: " + MessageText(*failure) +
                  " Waiting for the next change.");
    return;
  }
  state_.labels = std::move(read.labels);
  state_.marks = std::move(read.marks);
  state_.comments = std::move(read.comments);
  state_.symbolFiles = std::move(read.files);
  state_.SymFileName = std::move(read.SymFileName);
  state_.SymbolsNotRead.clear();
  DropSymbolSteps();
  ShowFileState();
  Retrace();
  UpdateList();
  if (findAll_) findAll_->SearchAgain();
}

bool TMainForm::SaveTo(const QString& fileName) {
  const bool saved = RunCommand(
      [&] {
        SaveRomFile(state_.rom, FileNameBytes(fileName));
        undoStack_->setClean();
      },
      this);
  if (saved) run_->RomSaved(FileNameBytes(fileName));
  // What the program wrote itself is no change made by others (Save As may name the loaded file).
  watch_->TakeRomAsUnchanged();
  return saved;
}

bool TMainForm::SaveLoaded() {
  Rom& rom = state_.rom;
  if (rom.RomFileName.empty()) return false;
  std::optional<SymbolWrite> symbols;
  if (SymbolsModified()) {
    symbols = PlanSymbolSave(state_, this);
    if (!symbols) return false;
    // A ROM that may not be written must not keep the labels from being saved.
    if (!RomModified()) {
      // The bytes on disk are the image's: the log of the game's runs goes beside them.
      run_->RomSaved(rom.RomFileName);
      return WriteSymbols(std::move(*symbols));
    }
  }
  const bool saved = RunCommand(
      [&] {
        try {
          SaveRomFile(rom, rom.RomFileName);
        } catch (FileError& e) {
          if (FileErrorText(e.errorNumber) == FileErrorText(EACCES)) {
            e.note = "Use File > Save As... (F6) to save the ROM under another name.";
          }
          throw;
        }
        undoStack_->setClean();
      },
      this);
  watch_->TakeRomAsUnchanged();
  if (saved) run_->RomSaved(rom.RomFileName);
  // It could be written after all (made writable since the load, or root's).
  if (saved) rom.ReadOnly = false;
  ShowFileState();
  // The symbols are saved even where the ROM could not be.
  if (symbols) return WriteSymbols(std::move(*symbols)) && saved;
  return saved;
}

bool TMainForm::SaveSymbols() {
  std::optional<SymbolWrite> save = PlanSymbolSave(state_, this);
  return save && WriteSymbols(std::move(*save));
}

bool TMainForm::WriteSymbols(SymbolWrite save) {
  std::vector<std::string> written;
  const bool saved = RunCommand(
      [&] {
        WriteSymbolFiles(std::move(save), state_.symbolFiles, state_.rom.BankCount, written);
      },
      this);
  // What the program wrote itself is no change made by others; a file now beside the ROM is the
  // one read from now on.
  watch_->TakeSymsAsUnchanged(written);
  if (!state_.symbolFiles.empty()) state_.SymFileName = SymFileToRead();
  ShowFileState();
  QStringList names;
  for (const std::string& name : written) names << QFile::decodeName(BaseName(name).c_str());
  if (saved) {
    QString report = names.isEmpty() ? QString("The symbol files hold every change already")
                                     : "Symbols saved to " + names.join(", ");
    // The linker's file left as it is still names what was renamed or deleted since.
    if (SymbolsModified()) report += "; renames and deletions in the linker's file stay unsaved";
    report_->Show(report);
  }
  return saved;
}

bool TMainForm::SaveRomAs(const QString& fileName) {
  const std::string name = FileNameBytes(QFileInfo(fileName).absoluteFilePath());
  Rom& rom = state_.rom;
  if (name == rom.RomFileName) return SaveLoaded();
  // The symbols go beside the new name; the questions come before anything is written.
  std::optional<SymbolWrite> symbols = PlanSymbolSaveAs(state_, name, this);
  if (!symbols) return false;
  if (!SaveTo(fileName)) return false;
  // The ROM is the new file from now on: Save writes there, and its files are the ones watched.
  rom.RomFileName = name;
  rom.ReadOnly = false;
  loadedName_ = name;
  droppedSym_.clear();
  recent_->Add(QFile::decodeName(name.c_str()));
  std::vector<std::string> written;
  const bool saved = RunCommand(
      [&] {
        WriteSymbolFiles(std::move(*symbols), state_.symbolFiles, rom.BankCount, written);
      },
      this);
  // The new files hold what the tables hold: saving over them loses nothing.
  if (saved) state_.SymbolsNotRead.clear();
  state_.SymFileName = state_.symbolFiles.empty() ? std::string() : SymFileToRead();
  WatchFiles();
  ShowFileState();
  QStringList names{QFile::decodeName(BaseName(name).c_str())};
  for (const std::string& file : written) names << QFile::decodeName(BaseName(file).c_str());
  report_->Show("Saved as " + names.join(", "));
  return saved;
}

void TMainForm::Save1Click() {
  if (state_.rom.RomSize == 0) return;
  SaveLoaded();
}

void TMainForm::SaveSymbols1Click() {
  if (state_.rom.RomSize == 0) return;
  SaveSymbols();
}

void TMainForm::SaveAs1Click() {
  if (state_.rom.RomSize == 0) return;
  const QString name = SaveDlg.Ask();
  if (!name.isEmpty()) SaveRomAs(name);
}

bool TMainForm::SaveChangesFirst() {
  if (!Modified()) return true;
  // The file that Save would write: the ROM, or its symbol file when only the symbols changed.
  std::string name = BaseName(state_.rom.RomFileName);
  if (!RomModified()) {
    name = BaseName(state_.symbolFiles.empty()
                        ? SymFileCandidates(state_.rom.RomFileName, state_.ProgramFolder,
                                            state_.rom.RomTitle).front()
                        : state_.symbolFiles.front().Name);
  }
  switch (AskSaveChanges(name, this)) {
    case SaveAnswer::Save:
      return SaveLoaded();
    case SaveAnswer::DontSave:
      return true;
    case SaveAnswer::Cancel:
      return false;
  }
  return false;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (SaveChangesFirst()) {
    event->accept();
  } else {
    event->ignore();
  }
}
