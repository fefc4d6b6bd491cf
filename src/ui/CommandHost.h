#pragma once
// TCommandHost: what the main window offers its command modules (TAnnotateCommands,
// TTextCommands, ...): the loaded ROM's workspace, the place the user is at, and the one way to
// change the ROM's bytes. The modules see nothing else of the window, and the window includes
// them, never the other way round.

#include <QString>
#include <cstdint>
#include <functional>

#include "isa/Listing.h"
#include "model/Edit.h"
#include "search/History.h"

class QMainWindow;
struct AppState;

class TCommandHost {
 public:
  virtual ~TCommandHost() = default;

  // The workspace (the ROM, its labels, marks, comments and table) and the program's state
  // around it.
  virtual AppState& State() = 0;
  // The window that the commands' dialogs and panes belong to.
  virtual QMainWindow* Window() = 0;

  // The file offset of the selected line; line 0 when no line is selected.
  virtual int32_t SelectedOffset() const = 0;
  // The start offset and selected line shown now.
  virtual Place CurrentPlace() const = 0;
  // The listing as it stands.
  virtual const Listing& CurrentListing() const = 0;
  // Shows the listing from an offset, the place it leaves recorded for Back.
  virtual void JumpTo(int32_t offset) = 0;
  // Rebuilds the listing where it stands.
  virtual void UpdateList() = 0;

  // Runs a command that changes the ROM's bytes as one undo step (see TMainForm::RunEdit);
  // returns whether it succeeded.
  virtual bool RunEdit(const QString& caption, const std::function<void()>& command,
                       const std::function<void(const EditStep&)>& made) = 0;
  bool RunEdit(const QString& caption, const std::function<void()>& command) {
    return RunEdit(caption, command, {});
  }
};
