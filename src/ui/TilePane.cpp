#include "ui/TilePane.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "gfx/ImageBlock.h"
#include "model/Failure.h"
#include "ui/AppState.h"

// The drawing area: the pane's tiles, zoomed, filling it from the top left.
class TTileView : public QWidget {
 public:
  explicit TTileView(TTilePane* pane) : QWidget(pane), pane_(pane) {
    setObjectName("TileView");
    setMinimumSize(8 * 16, 8 * 8);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x40, 0x40, 0x40));
    const int zoom = pane_->Zoom();
    const QImage image = pane_->Render(size() / zoom);
    painter.drawImage(QRect(QPoint(0, 0), image.size() * zoom), image);
  }
  void resizeEvent(QResizeEvent*) override { pane_->Refresh(); }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    if (const auto offset = pane_->OffsetAt(event->position().toPoint())) {
      emit pane_->TileClicked(*offset);
    }
  }
  void wheelEvent(QWheelEvent* event) override {
    wheel_ += event->angleDelta().y();
    const int notches = wheel_ / 120;
    wheel_ -= notches * 120;
    if (notches != 0) emit pane_->RowsScrolled(-notches);
  }

 private:
  TTilePane* pane_;
  int wheel_ = 0;
};

namespace {

// The mark of a bank's first byte.
const QRgb kBankEnd = qRgb(0xFF, 0x30, 0x30);

}  // namespace

TTilePane::TTilePane(const AppState& state, QWidget* parent)
    : QDockWidget("Tiles", parent), state_(state) {
  setObjectName("TilePane");
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(4, 4, 4, 4);
  auto* controls = new QHBoxLayout;
  const auto spin = [&](const char* name, const QString& caption, int low, int high, int value) {
    auto* box = new QSpinBox(body);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setValue(value);
    controls->addWidget(new QLabel(caption, body));
    controls->addWidget(box);
    connect(box, &QSpinBox::valueChanged, this, &TTilePane::Refresh);
    return box;
  };
  const auto check = [&](const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, body);
    box->setObjectName(name);
    controls->addWidget(box);
    connect(box, &QCheckBox::toggled, this, &TTilePane::Refresh);
    return box;
  };
  width_ = spin("TileWidth", "Width", 1, 32, 16);
  oneBit_ = check("OneBit", "1bpp");
  tall_ = check("Tall", "8x16");
  controls->addWidget(new QLabel("Palette", body));
  palette_ = new QLineEdit(PaletteText(kDefaultPalette).c_str(), body);
  palette_->setObjectName("Palette");
  palette_->setMaxLength(4);
  palette_->setFixedWidth(QFontMetrics(palette_->font()).horizontalAdvance("$E4MM"));
  controls->addWidget(palette_);
  connect(palette_, &QLineEdit::textChanged, this, &TTilePane::Refresh);
  greys_ = check("Greys", "Greys");
  zoom_ = spin("Zoom", "Zoom", 1, 8, 2);
  controls->addStretch();
  column->addLayout(controls);
  view_ = new TTileView(this);
  column->addWidget(view_, 1);
  setWidget(body);
}

uint8_t TTilePane::Palette() const {
  if (greys_->isChecked()) return kDefaultPalette;
  try {
    return ParsePalette(palette_->text().toStdString());
  } catch (const Failure&) {
    return kDefaultPalette;  // while a palette is being typed
  }
}

int TTilePane::Zoom() const { return zoom_->value(); }

QWidget* TTilePane::View() const { return view_; }

uint32_t TTilePane::RowBytes() const {
  return layout_.WidthTiles * layout_.TileBytes() * (layout_.Tall ? 2 : 1);
}

void TTilePane::ShowFrom(uint32_t offset) {
  selected_ = offset;
  Refresh();
}

void TTilePane::Refresh() {
  if (isHidden()) return;
  layout_ = {static_cast<uint32_t>(width_->value()), oneBit_->isChecked() ? uint8_t{1} : uint8_t{2},
             tall_->isChecked()};
  start_ = selected_;
  // In an image block, its own rows: the block's width and bits, from the selected line's row.
  if (const MarkBlock* block = state_.marks.BlockAt(selected_);
      block != nullptr && block->Kind == MarkKind::Image) {
    const QSignalBlocker b1(width_), b2(oneBit_);
    layout_.WidthTiles = LayoutOf(block->Image).WidthTiles;
    layout_.Bits = block->Image.Bits;
    width_->setValue(static_cast<int>(layout_.WidthTiles));
    oneBit_->setChecked(layout_.Bits == 1);
    start_ = block->Offset + (selected_ - block->Offset) / RowBytes() * RowBytes();
  }
  const QSize fit = view_->size() / Zoom();
  const uint32_t rows = static_cast<uint32_t>(std::max(fit.height(), 0) + 7) / 8;
  const uint32_t room = state_.rom.RomSize > start_ ? state_.rom.RomSize - start_ : 0;
  tiles_ = std::min(rows * layout_.WidthTiles, room / layout_.TileBytes());
  if (layout_.Tall) tiles_ = std::min(tiles_, (rows + 1) / 2 * 2 * layout_.WidthTiles);
  view_->update();
}

std::optional<uint32_t> TTilePane::OffsetAt(QPoint point) const {
  const int cell = 8 * Zoom();
  if (point.x() < 0 || point.y() < 0) return std::nullopt;
  const auto column = static_cast<uint32_t>(point.x() / cell);
  const auto row = static_cast<uint32_t>(point.y() / cell);
  if (column >= layout_.WidthTiles) return std::nullopt;
  const uint32_t tile = layout_.TileAt(column, row);
  if (tile >= tiles_) return std::nullopt;
  return start_ + tile * layout_.TileBytes();
}

QImage TTilePane::Render(QSize size) const {
  const uint32_t width = layout_.WidthTiles * 8;
  const int height = std::max(size.height(), 8);
  QImage image(static_cast<int>(width), height, QImage::Format_RGB32);
  image.fill(qRgb(0x40, 0x40, 0x40));
  if (tiles_ == 0) return image;
  const TilePicture picture = DecodeTiles(state_.rom.RomImage.data() + start_,
                                          size_t{tiles_} * layout_.TileBytes(), layout_);
  QRgb shade[4];
  for (uint8_t c = 0; c < 4; ++c) {
    const int grey = GreyOfShade(ShadeOf(Palette(), c));
    shade[c] = qRgb(grey, grey, grey);
  }
  // Places of the last row that no tile fills keep the view's grey.
  const auto rows = static_cast<int>(std::min<uint32_t>(picture.Height, static_cast<uint32_t>(height)));
  for (int y = 0; y < rows; ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const uint8_t* in = picture.Pixels.data() + size_t(y) * picture.Width;
    for (uint32_t x = 0; x < width; ++x) out[x] = shade[in[x]];
  }
  const uint32_t tileBytes = layout_.TileBytes();
  for (uint32_t t = 0; t < tiles_; ++t) {
    uint32_t column = 0, row = 0;
    layout_.TilePlace(t, column, row);
    const uint32_t first = start_ + t * tileBytes;
    const uint32_t last = first + tileBytes - 1;
    if (row * 8 >= static_cast<uint32_t>(height)) continue;
    // A tile that holds a bank's first byte: a mark along its top and left edges.
    if ((first & (kBankSize - 1)) == 0 || first / kBankSize != last / kBankSize) {
      for (uint32_t i = 0; i < 8; ++i) {
        image.setPixel(static_cast<int>(column * 8 + i), static_cast<int>(row * 8), kBankEnd);
        if (row * 8 + i < static_cast<uint32_t>(height)) {
          image.setPixel(static_cast<int>(column * 8), static_cast<int>(row * 8 + i), kBankEnd);
        }
      }
    }
  }
  return image;
}
