#pragma once
// The game-text commands of the main window: File > Load Table..., the table beside the ROM read
// at load, Search > Text... and View > Text (the text pane). Their menu items are added to the
// main window's menus here, so that the main window only routes to them.

#include <QObject>
#include <QString>
#include <functional>

struct FindAllResult;
struct SearchOutcome;
class QAction;
class QMenu;
class TMainForm;
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
  };

  TTextCommands(TMainForm* main, const Menus& menus, Hooks hooks);

  // After a ROM load: the table beside it (game.tbl for game.gbc) is read when there is one; a
  // table read from beside the ROM before goes otherwise, one the user loaded stays. Skipped
  // lines are reported once; a file that cannot be read shows its box.
  void RomLoaded();
  // Reads a table file or charmap as the loaded table; on failure the table before stays.
  // Returns whether it was read.
  bool LoadTableNamed(const QString& fileName);
  // The selected line moved (or the bytes under it changed): the text pane follows.
  void SelectionChanged(uint32_t offset);

  TTextPane* Pane() const { return pane_; }

  QAction* LoadTable1 = nullptr;
  QAction* Text1 = nullptr;      // Search > Text...
  QAction* TextView1 = nullptr;  // View > Text

 private:
  void LoadTable1Click();
  void Text1Click();

  TMainForm* main_;
  Hooks hooks_;
  TTextPane* pane_ = nullptr;
  // The table came from beside the loaded ROM (and goes with it).
  bool tableBeside_ = false;
};
