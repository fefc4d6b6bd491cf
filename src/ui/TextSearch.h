#pragma once
// TSearchTextForm: the text search dialog. The text is encoded through the loaded table and its
// bytes searched for, from the selected line on.
//
// Accepted means a search ran: Outcome() holds where the listing goes (Offset) or, after a miss,
// the Info text to show. After Find All, AllMatches() holds the matches instead. Rejected means
// no search ran (a text the table cannot encode was refused with its box).

#include <cstdint>
#include <optional>

#include "search/Search.h"
#include "ui/GF.h"
#include "ui_TextSearch.h"

struct AppState;
class QKeyEvent;

class TSearchTextForm : public TGoodForm {
  Q_OBJECT
 public:
  TSearchTextForm(AppState& state, uint32_t offset, QWidget* parent = nullptr);

  const SearchOutcome& Outcome() const { return outcome; }
  const std::optional<FindAllResult>& AllMatches() const { return allMatches; }

 private:
  void OKButtonClick();
  void FindAllButtonClick();
  bool eventFilter(QObject* watched, QEvent* e) override;

  AppState& state;
  const uint32_t offset;
  SearchOutcome outcome;
  std::optional<FindAllResult> allMatches;
  Ui::TSearchTextForm ui;
};
