#pragma once
// TTextPane: View > Text, a dock beside the listing that shows the bytes around the selected line
// as game text through the loaded table, one row per string (or per 32 characters), whether the
// bytes are marked as text or not.

#include <QDockWidget>
#include <cstdint>

struct AppState;
class QPlainTextEdit;

class TTextPane : public QDockWidget {
  Q_OBJECT
 public:
  // Bytes shown from the selected offset when it lies in no marked block.
  static constexpr uint32_t kRegionBytes = 512;

  TTextPane(const AppState& state, QWidget* parent);

  // Shows the text of the region of `offset`: the marked block that holds it, from its start,
  // else kRegionBytes from the offset. Does nothing while the pane is hidden.
  void ShowRegion(uint32_t offset);
  QString Text() const;

 private:
  const AppState& state_;
  QPlainTextEdit* view_ = nullptr;
};
