#pragma once
// TSearchLineForm: the search dialogs of one line of input, bytes or text
// (resources/ByteSearch.ui). OK searches from the selected line, Find All lists every match; Enter
// in the line is OK.
//
// Accepted means a search ran: Outcome() holds where the listing goes (Offset, for ShowOffset)
// or, after a miss, the Info text to show. After Find All, AllMatches() holds the matches for the
// results window instead. Rejected means no search ran, or one whose input was refused (its box
// was shown).

#include <QString>
#include <cstdint>
#include <optional>

#include "search/Search.h"
#include "ui/GF.h"
#include "ui_ByteSearch.h"

struct AppState;

class TSearchLineForm : public TGoodForm {
  Q_OBJECT
 public:
  const SearchOutcome& Outcome() const { return outcome; }
  const std::optional<FindAllResult>& AllMatches() const { return allMatches; }

  // What a dialog says in place of the byte search's words; its line starts empty.
  struct Words {
    QString title, prompt, hint;
  };

 protected:
  TSearchLineForm(AppState& state, uint32_t offset, QWidget* parent, const Words* words = nullptr);

  // The searches themselves, from the typed line; they throw Failure as RunCommand expects.
  virtual SearchOutcome Search(const QString& text) = 0;
  virtual FindAllResult FindAll(const QString& text) = 0;

  void OKButtonClick();
  void FindAllButtonClick();
  void CancelButtonClick();

  AppState& state;
  const uint32_t offset;
  Ui::TSearchByteForm ui;

 private:
  bool eventFilter(QObject* watched, QEvent* e) override;

  SearchOutcome outcome;
  std::optional<FindAllResult> allMatches;
};
