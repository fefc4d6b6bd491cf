#pragma once
// The tile commands of the main window: View > Tiles (the tile pane), Edit > Mark as Image...
// and Tools > Import Image.... Their menu items are added to the main window's menus here, so
// that the main window only routes to them.

#include <QObject>
#include <functional>
#include <optional>

#include "model/SymbolEdit.h"

class QAction;
class QMenu;
class TMainForm;
class TTilePane;

class TTileCommands : public QObject {
  Q_OBJECT
 public:
  struct Menus {
    QMenu* Edit;
    QAction* EditAfter;  // Mark as Image... goes after this item
    QMenu* View;
    QMenu* Tools;
  };
  // `push` puts a mark step on the undo stack.
  TTileCommands(TMainForm* main, const Menus& menus,
                std::function<void(const std::optional<SymbolStep>&)> push);

  // The items that need a loaded ROM (the View and Tools menus follow their menus).
  void Enable(bool enabled);
  // The selected line moved, or the bytes or marks under it changed: the pane follows.
  void SelectionChanged(uint32_t offset);

  TTilePane* Pane() const { return pane_; }

  QAction* TilesView1 = nullptr;   // View > Tiles
  QAction* MarkImage1 = nullptr;   // Edit > Mark as Image...
  QAction* ImportImage1 = nullptr;  // Tools > Import Image...

 private:
  void MarkImage1Click();
  void ImportImage1Click();

  TMainForm* main_;
  std::function<void(const std::optional<SymbolStep>&)> push_;
  TTilePane* pane_ = nullptr;
};
