#pragma once
// TRomMapForm: View > Rom Map, a window of its own beside the main window: one bar per bank
// whose colours show where the trace found code and where the user marked data and text, with
// each class's share beside it, under a legend and headings. The tooltip names the byte under
// the mouse; a click on a bar shows that place in the listing.

#include <QWidget>
#include <cstdint>
#include <vector>

#include "analysis/RomMap.h"
#include "ui_RomMap.h"

class TRomMapBars;
class TRomMapHeadings;

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
  TRomMapHeadings* headings_ = nullptr;
  TRomMapBars* bars_ = nullptr;
};

// The line above the bars, fixed while they scroll: "bank", where in the bank each quarter of a
// bar starts, and the names of the share columns.
class TRomMapHeadings : public QWidget {
  Q_OBJECT
 public:
  // `left`: how far the bars stand in from this widget's left edge (the scroll area's frame).
  TRomMapHeadings(int left, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int left_;
};

// The bars themselves, painted row by row.
class TRomMapBars : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = 16;
  static constexpr int kBarLeft = 40;
  static constexpr int kBarWidth = 256;  // 64 bytes a pixel
  static constexpr int kSharesLeft = kBarLeft + kBarWidth + 12;

  explicit TRomMapBars(QWidget* parent);
  void SetTrace(const Trace* trace);
  int BankCount() const { return static_cast<int>(rows_.size()); }
  // The file offset a point of the map stands for, or -1 off the rows.
  int32_t OffsetAt(const QPoint& point) const;
  // The tooltip of a point: the byte's bank address and class (PlaceSummary); "" off the rows.
  QString ToolTipAt(const QPoint& point) const;

 signals:
  void Clicked(int32_t offset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct Row {
    BankCoverage cover;
    std::vector<ByteClass> strip;  // kBarWidth parts of the bank
  };
  std::vector<Row> rows_;
  const Trace* trace_ = nullptr;  // the runner's latest, replaced by the next SetTrace
};
