// TMainForm's listing: the start offset and selection, the rebuild, jumps, keys, the wheel and
// the painting of a line.
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>

#include "model/NumberText.h"
#include "ui/AppState.h"
#include "ui/Latin1.h"
#include "ui/Main.h"
#include "ui/TextCommands.h"

namespace {

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kCyan(0x00, 0xFF, 0xFF);
const QColor kMagenta(0xFF, 0x00, 0xFF);
const QColor kGreen(0x00, 0xFF, 0x00);

constexpr int kCharWidth = 8;
// Lines that one notch of the mouse wheel scrolls.
constexpr int kWheelLines = 3;

// Colours go by column, not by field: a three-digit bank shifts its text one column right under
// the same colours.
const QColor& ColumnColour(int column) {
  if (column == 3) return kCyan;
  if (column >= 9 && column <= 16) return kMagenta;
  if (column >= 18) return kGreen;
  return kWhite;
}

}  // namespace

int TMainForm::StartOffset() const {
  return ui.Scroller->value();
}

int32_t TMainForm::SelectedOffset() const {
  if (listing_.LineOffsets.empty()) return StartOffset();
  const int index = ui.List->ItemIndex();
  return listing_.LineOffsets[index >= 0 ? static_cast<size_t>(index) : 0];
}

void TMainForm::SetStartOffset(int64_t offset) {
  // The scroll bar keeps the position in range: first raised to 0, then lowered to the maximum.
  offset = std::min<int64_t>(std::max<int64_t>(offset, 0), ui.Scroller->maximum());
  const QSignalBlocker quiet(ui.Scroller);
  ui.Scroller->setValue(static_cast<int>(offset));
}

void TMainForm::UpdateList() {
  const int index = ui.List->ItemIndex();
  listing_ = BuildListing(state_.rom, state_.labels, state_.format,
                          static_cast<uint32_t>(StartOffset()), visibleLines_);
  ui.List->SetCount(static_cast<int>(listing_.Lines.size()));
  ui.List->SetItemIndex(index);
}

void TMainForm::ShowOffset(int32_t offset) {
  SetStartOffset(offset);
  UpdateList();
  ui.List->SetItemIndex(0);
}

void TMainForm::JumpTo(int32_t offset) {
  // A jump to the place already shown (a second click on the same result) leaves nothing.
  const Place left = CurrentPlace();
  ShowOffset(offset);
  if (CurrentPlace() != left) history_.Record(left);
}

Place TMainForm::CurrentPlace() const {
  return {StartOffset(), ui.List->ItemIndex()};
}

void TMainForm::ShowPlace(const Place& place) {
  SetStartOffset(place.StartOffset);
  UpdateList();
  ui.List->SetItemIndex(place.SelectedLine);
}

void TMainForm::FormResize() {
  visibleLines_ = ui.List->height() / TListingBox::kLineHeight;
  UpdateList();
}

void TMainForm::ScrollerScroll() {
  if (listing_.LineOffsets.empty() || StartOffset() != listing_.LineOffsets[0]) UpdateList();
}

void TMainForm::ShowSelectedOffset() {
  const int index = ui.List->ItemIndex();
  if (index < 0 || static_cast<size_t>(index) >= listing_.LineOffsets.size()) return;
  Panel0->setText(Latin1(IntToHex(static_cast<uint32_t>(listing_.LineOffsets[index]), 6)));
  if (text_) text_->SelectionChanged(static_cast<uint32_t>(listing_.LineOffsets[index]));
}

void TMainForm::ListClick() {
  ShowSelectedOffset();
}

void TMainForm::ListKeyDown(int key) {
  const int index = ui.List->ItemIndex();
  // At the top and bottom edges the arrows move the listing by one byte.
  if (key == Qt::Key_Down && (index < 0 || index == visibleLines_ - 1)) {
    SetStartOffset(int64_t{StartOffset()} + 1);
    UpdateList();
    ui.List->SetItemIndex(visibleLines_ - 1);
  } else if (key == Qt::Key_Up && index <= 0) {
    SetStartOffset(int64_t{StartOffset()} - 1);
    UpdateList();
    ui.List->SetItemIndex(0);
  }
  ShowSelectedOffset();
}

void TMainForm::ListDrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
  const QPalette& palette = ui.List->palette();
  painter.fillRect(rect, selected ? palette.highlight().color() : QColor(Qt::black));
  painter.setFont(codeFont_);
  const int baseline = rect.top() + QFontMetrics(codeFont_).ascent();
  const ListingLine& line = listing_.Lines[static_cast<size_t>(index)];
  if (line.IsLabel) {
    painter.setPen(selected ? palette.highlightedText().color() : kWhite);
    painter.drawText(QPoint(rect.left(), baseline), Latin1(line.Text));
    return;
  }
  for (size_t i = 0; i < line.Text.size(); ++i) {
    painter.setPen(ColumnColour(static_cast<int>(i) + 1));
    painter.drawText(QPoint(rect.left() + static_cast<int>(i) * kCharWidth, baseline),
                     QString(QChar::fromLatin1(line.Text[i])));
  }
}

void TMainForm::ListContextPopup(const QPoint& pos) {
  Pop->exec(ui.List->mapToGlobal(pos));
}

void TMainForm::ListWheel(int notches) {
  if (state_.rom.RomSize == 0) return;
  for (; notches > 0; --notches) {
    SetStartOffset(OffsetAfterInstructions(state_.rom, StartOffset(), kWheelLines));
  }
  for (; notches < 0; ++notches) {
    SetStartOffset(OffsetBeforeInstructions(state_.rom, StartOffset(), kWheelLines));
  }
  UpdateList();
}
