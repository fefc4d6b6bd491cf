#pragma once
// TSearchByteForm: the byte search dialog. The bytes are typed on one line, all in one base
// chosen by a prefix before the first byte. A text that does not convert is refused with its box
// (LastSearch records it all the same).

#include "ui/SearchLine.h"

class TSearchByteForm : public TSearchLineForm {
  Q_OBJECT
 public:
  TSearchByteForm(AppState& state, uint32_t offset, QWidget* parent = nullptr);

 private:
  SearchOutcome Search(const QString& text) override;
  FindAllResult FindAll(const QString& text) override;
};
