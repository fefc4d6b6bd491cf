#include "ui/RunCommands.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>

#include "analysis/Trace.h"
#include "export/DebuggerSymbols.h"
#include "model/FileRead.h"
#include "model/FileWrite.h"
#include "run/LogFile.h"
#include "run/LogMarks.h"
#include "ui/AppState.h"
#include "ui/CommandHost.h"
#include "ui/CoolMsg.h"
#include "ui/FileDialogs.h"
#include "ui/Latin1.h"
#include "ui/RunWindow.h"
#include "workspace/Workspace.h"

TRunCommands::TRunCommands(TCommandHost* host, const Items& items, Calls calls)
    : QObject(host->Window()), main_(host), items_(items), calls_(std::move(calls)) {
  connect(items.Run, &QAction::triggered, this, &TRunCommands::Run1Click);
  connect(items.ImportLog, &QAction::triggered, this, &TRunCommands::ImportLog1Click);
  connect(items.ExportDebugSymbols, &QAction::triggered, this,
          &TRunCommands::ExportDebugSymbols1Click);
#ifndef VELMORA_HAVE_EMULATOR
  // Built without mGBA's core library: there is nothing to run the game with.
  items.Run->setVisible(false);
#endif
}

TRunWindow* TRunCommands::RunWindow() const { return run_; }

void TRunCommands::Enable(bool enabled) {
  for (QAction* item : {items_.Run, items_.ImportLog, items_.ExportDebugSymbols}) {
    item->setEnabled(enabled);
  }
}

void TRunCommands::RomLoaded(const WorkspaceLoad& load) {
  // What the game did says nothing about another ROM.
  if (run_) run_->Abandon();
  const WorkspaceFile* log = load.Find(WorkspacePart::Log);
  if (log != nullptr && log->Outcome == FileOutcome::Failed) {
    calls_.Report("Code/data log not used: " + MessageText(*FailureText([&] { log->Rethrow(); })));
  }
}

void TRunCommands::RomSaved(const std::string& fileName) {
  const AppState& state = main_->State();
  if (state.log.Empty()) return;
  if (const auto failure = FailureText([&] { SaveRomLog(state.rom, fileName, state.log); })) {
    calls_.Report("Code/data log not saved: " + MessageText(*failure));
  }
}

void TRunCommands::Run1Click() {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  // F9 again pauses and resumes the game that runs.
  if (run_) {
    run_->SetPaused(!run_->Paused());
    run_->raise();
    run_->activateWindow();
    return;
  }
  RunCommand(
      [&] {
        run_ = new TRunWindow(main_, [this](const CodeDataLog& log) { Stopped(log); },
                              main_->Window());
        run_->show();
        run_->activateWindow();
      },
      main_->Window());
}

void TRunCommands::Stopped(const CodeDataLog& log) {
  AppState& state = main_->State();
  MergeLog(state.log, log);
  calls_.Retrace();
  const ExecutedMarks marks = MarkExecutedStep(state.marks, log, state.rom.RomSize);
  if (!marks.Step) return;
  const std::string question = "The game executed " + std::to_string(marks.Bytes) +
                               " bytes that are not marked as code; mark them?";
  if (AskYesNo(question, main_->Window())) calls_.Push(marks.Step);
}

void TRunCommands::ImportLog1Click() {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  const QString name =
      AskFileName(main_->Window(), QFileDialog::AcceptOpen,
                  "Code/data logs (*.cdl *.sym);;All files (*)");
  if (name.isEmpty()) return;
  RunCommand(
      [&] {
        const std::string file = QFile::encodeName(name).toStdString();
        const LogFileRead read = ReadLogFile(
            ReadRegularFile(file, size_t{64} << 20, "The code/data log is larger than 64 MiB."),
            state.rom.RomSize, RomCrc32(state.rom.RomImage.data(), state.rom.RomSize));
        MergeLog(state.log, read.Log);
        calls_.Retrace();
        calls_.Report(QString("Code/data log imported: %1 bytes executed, %2 read as data")
                          .arg(CountFlag(state.log, kLogCode))
                          .arg(CountFlag(state.log, kLogData)));
      },
      main_->Window());
}

void TRunCommands::ExportDebugSymbols1Click() {
  AppState& state = main_->State();
  if (state.rom.RomSize == 0) return;
  const QString name =
      AskFileName(main_->Window(), QFileDialog::AcceptSave, "Symbol files (*.sym);;All files (*)");
  if (name.isEmpty()) return;
  RunCommand(
      [&] {
        const std::string sym = QFile::encodeName(name).toStdString();
        const std::string text = DebuggerSymText(state.labels);
        const std::string log = WriteMesenLog(
            KnownCodeData(TraceRom(state.rom, state.labels, state.marks, &state.log), state.log),
            RomCrc32(state.rom.RomImage.data(), state.rom.RomSize));
        SaveFileSafely(sym, text.data(), text.size());
        const std::string cdl = LogFileName(sym);
        SaveFileSafely(cdl, log.data(), log.size());
        calls_.Report("Symbols for debuggers written to " + Latin1(BaseName(sym)) + " and " +
                      Latin1(BaseName(cdl)));
      },
      main_->Window());
}
