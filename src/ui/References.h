#pragma once
// TReferencesForm: Search > References, a window of its own beside the main window like Find
// All's: every place that calls, jumps to, reads or writes a place, one line each with its kind,
// bank address and instruction. Enter, a click or a double-click asks for a line in the listing.
// Like Find All it is filled again from every new trace, so that it shows the ROM as it is.

#include <QWidget>
#include <cstdint>
#include <vector>

#include "analysis/References.h"
#include "analysis/Trace.h"
#include "ui_References.h"

struct AppState;
class QAbstractListModel;
class QModelIndex;

class TReferencesForm : public QWidget {
  Q_OBJECT
 public:
  // Empty until the first Refresh.
  TReferencesForm(const AppState& state, RefPlace place, QWidget* parent);

  // The references to the place in this trace; the title names the place by its label now.
  void Refresh(const Trace& trace);
  RefPlace Place() const { return place_; }

  // Puts the window to the right of `main`, or to its left where the screen has no room.
  void PlaceBeside(const QWidget* main);
  const std::vector<Reference>& Refs() const { return refs_; }

 signals:
  void ShowRequested(int32_t offset);

 private:
  void ResultsClick(const QModelIndex& index);
  bool eventFilter(QObject* watched, QEvent* e) override;

  Ui::TReferencesForm ui;
  const AppState& state_;
  RefPlace place_;
  std::vector<Reference> refs_;
  QAbstractListModel* model_ = nullptr;
};
