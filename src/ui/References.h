#pragma once
// TReferencesForm: Search > References, a window of its own beside the main window like Find
// All's: every place that calls, jumps to, reads or writes a place, one line each with its kind,
// bank address and instruction. Enter, a click or a double-click asks for a line in the listing.

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/References.h"
#include "ui_References.h"

struct AppState;
class QAbstractListModel;
class QModelIndex;

class TReferencesForm : public QWidget {
  Q_OBJECT
 public:
  // `place` names what the references lead to in the title ("@_memset", "01:4000").
  TReferencesForm(const AppState& state, std::string place, std::vector<Reference> refs,
                  QWidget* parent);

  // Puts the window to the right of `main`, or to its left where the screen has no room.
  void PlaceBeside(const QWidget* main);
  const std::vector<Reference>& Refs() const { return refs_; }

 signals:
  void ShowRequested(int32_t offset);

 private:
  void ResultsClick(const QModelIndex& index);
  bool eventFilter(QObject* watched, QEvent* e) override;

  Ui::TReferencesForm ui;
  std::vector<Reference> refs_;
  QAbstractListModel* model_ = nullptr;
};
