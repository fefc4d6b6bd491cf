#pragma once
// The main window's commands about running the game and what its runs tell: Tools > Run, File >
// Import Code/Data Log... and File > Export Symbols for Debuggers..., and the log beside the ROM,
// read with it and written when it is saved.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "model/SymbolEdit.h"

class QAction;
class TCommandHost;
class TRunWindow;
struct CodeDataLog;
struct WorkspaceLoad;

class TRunCommands : public QObject {
  Q_OBJECT
 public:
  struct Items {
    QAction* Run;
    QAction* ImportLog;
    QAction* ExportDebugSymbols;
  };
  struct Calls {
    std::function<void(const QString&)> Report;  // the status bar's report
    std::function<void(const std::optional<SymbolStep>&)> Push;  // an undo step of the marks
    std::function<void()> Retrace;
  };
  TRunCommands(TCommandHost* host, const Items& items, Calls calls);

  void Enable(bool enabled);
  // A ROM was loaded with the log beside it: one that was left out (of another ROM) is said, and
  // a game still running stops.
  void RomLoaded(const WorkspaceLoad& load);
  // The image was written to a file: the log goes beside it.
  void RomSaved(const std::string& fileName);
  // The run window while a game runs, else nullptr.
  TRunWindow* RunWindow() const;

 private:
  void Run1Click();
  void ImportLog1Click();
  void ExportDebugSymbols1Click();
  // The run window stopped with what the game did: into the ROM's log, then the question.
  void Stopped(const CodeDataLog& log);

  TCommandHost* main_;
  Items items_;
  Calls calls_;
  QPointer<TRunWindow> run_;
};
