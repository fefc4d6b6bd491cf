#pragma once
// TSearchInstForm: the instruction search dialog. It is the change-instruction dialog with its
// own caption and prompt; OK searches for the text instead of assembling it.
//
// Accepted means a search ran: Outcome() holds where the listing goes (Offset, for ShowOffset)
// or, after a miss, the Info text to show. LastSearch then records the search. Rejected means
// no search ran. After Find All, AllMatches() holds the matches for the results window instead.

#include <optional>

#include "search/Search.h"
#include "ui/ChnageInst.h"

class TSearchInstForm : public TInstForm {
  Q_OBJECT
 public:
  TSearchInstForm(AppState& state, uint32_t offset, QWidget* parent = nullptr);

  const SearchOutcome& Outcome() const { return outcome; }
  const std::optional<FindAllResult>& AllMatches() const { return allMatches; }

 protected:
  void OKButtonClick() override;

 private:
  void FindAllButtonClick();

  SearchOutcome outcome;
  std::optional<FindAllResult> allMatches;
};
