#pragma once
// The game-text commands of the main window: File > Load Table..., the table beside the ROM read
// at load, Search > Text..., View > Text (the text pane) and Change Text, which Change
// Instruction becomes on a text line. Their menu items are added to the main window's menus
// here, so that the main window only routes to them.

#include <QObject>
#include <QString>
#include <functional>

struct FindAllResult;
struct TableSkips;
struct WorkspaceLoad;
struct SearchOutcome;
class QAction;
class QMenu;
class TCommandHost;
class TTextPane;

class TTextCommands : public QObject {
  Q_OBJECT
 public:
  // What the main window does for these commands.
  struct Hooks {
    std::function<void(const QString&)> Report;  // a line in the status bar
    std::function<void(FindAllResult)> ShowFindAll;
    std::function<void(const SearchOutcome&)> ShowSearchOutcome;
  };
  struct Menus {
    QMenu* File;
    QAction* FileBefore;  // Load Table... goes before this item
    QMenu* Search;
    QAction* SearchBefore;
    QMenu* View;
    // The Change Instruction items, captioned Change Text on a text line.
    QAction* ChangeInstruction1;
    QAction* ChangeInstruction2;
  };

  TTextCommands(TCommandHost* host, const Menus& menus, Hooks hooks);

  // After a ROM load, which read the table beside it (game.tbl for game.gbc) when there is one:
  // its skipped lines are reported once, or the box of a file that could not be read shows.
  void RomLoaded(const WorkspaceLoad& load);
  // Reads a table file or charmap as the loaded table; on failure the table before stays.
  // Returns whether it was read.
  bool LoadTableNamed(const QString& fileName);
  // The selected line moved (or the bytes under it changed): the text pane and the Change
  // Instruction items follow.
  void SelectionChanged(uint32_t offset);
  // Whether the line at the offset is a text line: in a text block, with a table loaded.
  bool IsTextLine(uint32_t offset) const;
  // Change Instruction on a text line: the string from the offset, retyped in the Change Text
  // dialog, is written as one undo step. Returns false (doing nothing) on any other line.
  bool ChangeText(uint32_t offset);

  TTextPane* Pane() const { return pane_; }

  QAction* LoadTable1 = nullptr;
  QAction* Text1 = nullptr;      // Search > Text...
  QAction* TextView1 = nullptr;  // View > Text

 private:
  void LoadTable1Click();
  void Text1Click();
  // A table was read as the loaded one: the status bar says so, the listing follows.
  void TableRead(const TableSkips& skips);

  TCommandHost* main_;  // the main window, as its commands see it
  Hooks hooks_;
  TTextPane* pane_ = nullptr;
  QAction* changeInstruction_[2];
};
