#pragma once
// TTilePane: View > Tiles, a dock beside the listing that draws the bytes from the selected
// line as GameBoy tiles: 2 or 1 bits a pixel, 1-32 tiles a row, optionally 8x16, in the shades
// of a palette byte (or plain greys), zoomed x1-x8. Inside an image block it takes the block's
// row width and bits and starts at the row of the selected line. A click on a tile and the
// wheel move the listing; the listing moving moves the pane. Bank ends are marked; nothing is
// drawn past the ROM's end.

#include <QDockWidget>
#include <QImage>
#include <cstdint>
#include <optional>

#include "gfx/Tiles.h"

struct AppState;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class TTileView;

class TTilePane : public QDockWidget {
  Q_OBJECT
 public:
  TTilePane(const AppState& state, QWidget* parent);

  // Draws the tiles from the offset (from its row, in an image block). Does nothing while the
  // pane is hidden.
  void ShowFrom(uint32_t offset);

  // What is drawn: the first tile's offset, the layout, the tiles (all whole and in the ROM).
  uint32_t Start() const { return start_; }
  TileLayout Layout() const { return layout_; }
  uint32_t TileCount() const { return tiles_; }
  // The palette the shades come from: the typed byte, or $E4 for greys (colour n as shade n).
  uint8_t Palette() const;
  int Zoom() const;
  // The offset of the tile drawn at a point of the view, if a tile is drawn there.
  std::optional<uint32_t> OffsetAt(QPoint point) const;
  // The bytes of a row of tiles as drawn (two rows of tiles for 8x16).
  uint32_t RowBytes() const;
  // The tiles that fit a view of this size, drawn at zoom 1 with the bank-end marks.
  QImage Render(QSize size) const;
  QWidget* View() const;

 signals:
  // A tile was clicked: the listing goes to its first byte.
  void TileClicked(uint32_t offset);
  // The wheel turned over the view: rows of tiles, positive downwards.
  void RowsScrolled(int rows);

 private:
  friend class TTileView;
  // The layout and start for the selection, then a repaint.
  void Refresh();

  const AppState& state_;
  uint32_t selected_ = 0;
  uint32_t start_ = 0;
  uint32_t tiles_ = 0;
  TileLayout layout_;
  QSpinBox* width_ = nullptr;
  QCheckBox* oneBit_ = nullptr;
  QCheckBox* tall_ = nullptr;
  QLineEdit* palette_ = nullptr;
  QCheckBox* greys_ = nullptr;
  QSpinBox* zoom_ = nullptr;
  TTileView* view_ = nullptr;
};
