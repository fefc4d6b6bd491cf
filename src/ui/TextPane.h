#pragma once
// TTextPane: View > Text, a dock beside the listing that shows the bytes around the selected line
// as game text through the loaded table, one row per string (or per 32 characters), whether the
// bytes are marked as text or not. A click on a row shows its place in the listing.

#include <QDockWidget>
#include <cstdint>
#include <vector>

struct AppState;
class QPlainTextEdit;

class TTextPane : public QDockWidget {
  Q_OBJECT
 public:
  // Bytes shown from the selected offset when it lies in no marked block.
  static constexpr uint32_t kRegionBytes = 512;
  // In a marked block: the rows shown before and after the selected line's row.
  static constexpr size_t kRowsBefore = 40;
  static constexpr size_t kRowsAfter = 160;

  TTextPane(AppState& state, QWidget* parent);

  // Shows the text around `offset`: in a marked block the rows around the row that holds it (the
  // rows as counted from the block's start), else kRegionBytes from the offset; the row of the
  // offset is highlighted. While the offset stays among the rows shown and their bytes are as
  // they were, only the highlight moves. Does nothing while the pane is hidden.
  void ShowRegion(uint32_t offset);
  // The table changed: the next ShowRegion decodes anew.
  void Invalidate() { shownTo_ = shownFrom_; }
  QString Text() const;
  // The row that the offset's highlight is on; -1 for none.
  int HighlightedRow() const { return highlighted_; }

 signals:
  // A row was clicked: the offset where it starts.
  void RowClicked(uint32_t offset);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Highlight(uint32_t offset);

  AppState& state_;
  QPlainTextEdit* view_ = nullptr;
  // The rows shown: their bytes [shownFrom_, shownTo_) as they were decoded, and each row's start.
  uint32_t shownFrom_ = 0;
  uint32_t shownTo_ = 0;
  std::vector<uint8_t> shownBytes_;
  std::vector<uint32_t> rowStarts_;
  int highlighted_ = -1;
};
