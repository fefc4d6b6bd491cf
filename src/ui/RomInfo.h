#pragma once
// The cartridge header windows: TRomInfoForm lists the header's fields with both checksums (a
// wrong value in red), TRomExtenderForm picks the bigger standard size a ROM is to grow to.
// Both only show and gather: the header is read, and the growth worked out, by the core.

#include <vector>

#include "model/Header.h"
#include "ui/GF.h"
#include "ui_RomExtender.h"
#include "ui_RomInfo.h"

class TRomInfoForm : public TGoodForm {
  Q_OBJECT
 public:
  explicit TRomInfoForm(const std::vector<HeaderField>& fields, QWidget* parent = nullptr);

 private:
  Ui::TRomInfoForm ui;
};

// Tools > Rom Info...: the loaded ROM's header in a TRomInfoForm, or the box of why it has none.
void ShowRomInfo(const Rom& rom, QWidget* parent);

class TRomExtenderForm : public TGoodForm {
  Q_OBJECT
 public:
  // Offers ExtenderSizes of the ROM; a ROM already at the biggest size is offered none, and OK
  // then shows why.
  explicit TRomExtenderForm(const Rom& rom, QWidget* parent = nullptr);

  // After exec() gives Accepted: the growth to the picked size, not yet applied.
  RomChange TakeChange() { return std::move(change_); }

 private:
  void OKButtonClick();

  Ui::TRomExtenderForm ui;
  const Rom& rom_;
  RomChange change_;
};
