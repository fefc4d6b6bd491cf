#pragma once
// TSearchTextForm: the text search dialog. The text is encoded through the loaded table and its
// bytes searched for, from the selected line on; a text the table cannot encode is refused with
// its box.

#include "ui/SearchLine.h"

class TSearchTextForm : public TSearchLineForm {
  Q_OBJECT
 public:
  TSearchTextForm(AppState& state, uint32_t offset, QWidget* parent = nullptr);

 private:
  SearchOutcome Search(const QString& text) override;
  FindAllResult FindAll(const QString& text) override;
};
