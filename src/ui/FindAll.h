#pragma once
// TFindAllForm: the results of Find All, a window of its own beside the main window that stays
// open while the user works on. One line per match, its bank address and the instruction the
// listing shows there; Enter, a click or a double-click on a line asks for it in the listing.

#include <QWidget>
#include <cstdint>

#include "search/FindAll.h"
#include "ui_FindAll.h"

struct AppState;
class QAbstractListModel;
class QModelIndex;

class TFindAllForm : public QWidget {
  Q_OBJECT
 public:
  // The lines are decoded from the state whenever they are drawn.
  TFindAllForm(const AppState& state, FindAllResult result, QWidget* parent);

  // Puts the window to the right of `main`, or to its left where the screen has no room.
  void PlaceBeside(const QWidget* main);
  const FindAllResult& Result() const { return result_; }
  // After a change of the ROM: the search runs again and the list follows, the selected offset
  // staying selected while it is still a match.
  void SearchAgain();

 signals:
  void ShowRequested(int32_t offset);

 private:
  void ResultsClick(const QModelIndex& index);
  void ShowCount();
  bool eventFilter(QObject* watched, QEvent* e) override;

  Ui::TFindAllForm ui;
  const AppState& state_;
  FindAllResult result_;
  QAbstractListModel* model_ = nullptr;
};
