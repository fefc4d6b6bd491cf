#pragma once
// TSearchByteForm: the byte search dialog. The bytes are typed on one line, all in one base
// chosen by a prefix before the first byte.
//
// Accepted means a search ran: Outcome() holds where the listing goes (Offset, for ShowOffset)
// or, after a miss, the Info text to show. Rejected means no search ran, or one that stopped on
// a text that does not convert (its box was shown; LastSearch records it all the same).
// After Find All, AllMatches() holds the matches for the results window instead.

#include <cstdint>
#include <optional>

#include "search/Search.h"
#include "ui/GF.h"
#include "ui_ByteSearch.h"

struct AppState;
class QKeyEvent;

class TSearchByteForm : public TGoodForm {
  Q_OBJECT
 public:
  TSearchByteForm(AppState& state, uint32_t offset, QWidget* parent = nullptr);

  const SearchOutcome& Outcome() const { return outcome; }
  const std::optional<FindAllResult>& AllMatches() const { return allMatches; }

 private:
  void OKButtonClick();
  void FindAllButtonClick();
  void CancelButtonClick();
  void DataEditKeyDown(QKeyEvent* key);

  bool eventFilter(QObject* watched, QEvent* e) override;

  AppState& state;
  const uint32_t offset;
  SearchOutcome outcome;
  std::optional<FindAllResult> allMatches;
  Ui::TSearchByteForm ui;
};
