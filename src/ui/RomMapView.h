#pragma once
// TRomMapForm: View > Rom Map, a window of its own beside the main window: one bar per bank
// whose colours show where the trace found code and where the user marked data and text, with
// each class's share beside it. A click on a bar shows that place in the listing.

#include <QWidget>
#include <cstdint>
#include <vector>

#include "analysis/RomMap.h"
#include "ui_RomMap.h"

class TRomMapBars;

class TRomMapForm : public QWidget {
  Q_OBJECT
 public:
  explicit TRomMapForm(QWidget* parent);

  // Draws the bars of a trace again (nothing while there is none).
  void Refresh(const Trace* trace);
  void PlaceBeside(const QWidget* main);
  TRomMapBars* Bars() const { return bars_; }

 signals:
  void ShowRequested(int32_t offset);

 private:
  Ui::TRomMapForm ui;
  TRomMapBars* bars_ = nullptr;
};

// The bars themselves, painted row by row.
class TRomMapBars : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = 16;
  static constexpr int kBarLeft = 40;
  static constexpr int kBarWidth = 256;  // 64 bytes a pixel

  explicit TRomMapBars(QWidget* parent);
  void SetTrace(const Trace* trace);
  int BankCount() const { return static_cast<int>(rows_.size()); }
  // The file offset a point of the map stands for, or -1 off the rows.
  int32_t OffsetAt(const QPoint& point) const;

 signals:
  void Clicked(int32_t offset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  struct Row {
    BankCoverage cover;
    std::vector<ByteClass> strip;  // kBarWidth parts of the bank
  };
  std::vector<Row> rows_;
};
