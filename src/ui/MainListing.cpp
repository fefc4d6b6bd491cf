// TMainForm's listing: the start offset and selection, the rebuild, jumps, keys, the wheel and
// the painting of a line.
#include <QLabel>
#include <QMenu>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QSignalBlocker>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <memory>

#include "analysis/Align.h"
#include "analysis/RomMap.h"
#include "model/NumberText.h"
#include "ui/AppState.h"
#include "ui/Latin1.h"
#include "ui/Main.h"
#include "ui/TextCommands.h"
#include "ui/TileCommands.h"
#include "ui/TraceRunner.h"

namespace {

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kCyan(0x00, 0xFF, 0xFF);
const QColor kMagenta(0xFF, 0x00, 0xFF);
const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kGrey(0xA0, 0xA0, 0xA0);
// The user's comments after the instruction.
const QColor kYellow(0xFF, 0xFF, 0x60);

constexpr int kCharWidth = 8;
// Lines that one notch of the mouse wheel scrolls.
constexpr int kWheelLines = 3;

// The bytes of the well-formed UTF-8 character at `at`; 1 for a lone byte.
size_t Utf8CharLength(const std::string& text, size_t at) {
  const auto lead = static_cast<uint8_t>(text[at]);
  const size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                        : lead >= 0xE0 && lead < 0xF0 ? 3
                        : lead >= 0xC2 && lead < 0xE0 ? 2
                                                      : 1;
  if (length == 1 || at + length > text.size()) return 1;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<uint8_t>(text[at + i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// The glyphs of the Latin-1 characters in a font, looked up once: the listing places them cell
// by cell instead of laying out every character as a text of its own. 0 where the font has no
// glyph of its own.
class CellGlyphs {
 public:
  static const CellGlyphs& Of(const QFont& font) {
    static std::unique_ptr<CellGlyphs> cached;
    // QFont's == compares what was asked for, without composing key() texts for every line.
    if (!cached || cached->font_ != font) cached.reset(new CellGlyphs(font));
    return *cached;
  }
  quint32 Glyph(uint8_t byte) const { return glyphs_[byte]; }
  const QRawFont& Font() const { return raw_; }

 private:
  explicit CellGlyphs(const QFont& font) : font_(font), raw_(QRawFont::fromFont(font)) {
    QString latin1(256, QChar());
    for (int i = 0; i < 256; ++i) latin1[i] = QChar::fromLatin1(static_cast<char>(i));
    const QList<quint32> ids = raw_.glyphIndexesForString(latin1);
    for (int i = 0; i < 256 && i < ids.size(); ++i) {
      // Control characters go the way of text, like any character the font lacks.
      glyphs_[static_cast<size_t>(i)] = i >= 0x20 && i != 0x7F ? ids[i] : 0;
    }
  }
  QFont font_;
  QRawFont raw_;
  std::array<quint32, 256> glyphs_{};
};

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
                          static_cast<uint32_t>(StartOffset()), visibleLines_,
                          {&state_.marks, &state_.comments, &state_.table, &state_.textRows});
  CountLabelReferences();
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
  // A place left before the trace came in may lie inside an instruction.
  const Trace* trace = trace_->Latest();
  const auto start = static_cast<uint32_t>(std::max(place.StartOffset, 0));
  SetStartOffset(trace ? AlignBack(*trace, start) : start);
  UpdateList();
  ui.List->SetItemIndex(place.SelectedLine);
}

void TMainForm::FormResize() {
  visibleLines_ = ui.List->height() / TListingBox::kLineHeight;
  UpdateList();
}

void TMainForm::ScrollerScroll() {
  // Inside traced code the scroll bar's steps land on instruction starts too.
  if (const Trace* trace = trace_->Latest(); trace && !listing_.LineOffsets.empty()) {
    const auto pos = static_cast<uint32_t>(StartOffset());
    const uint32_t aligned = pos > static_cast<uint32_t>(listing_.LineOffsets[0])
                                 ? AlignForward(*trace, pos)
                                 : AlignBack(*trace, pos);
    if (aligned != pos) SetStartOffset(aligned);
  }
  if (listing_.LineOffsets.empty() || StartOffset() != listing_.LineOffsets[0]) UpdateList();
}

void TMainForm::ShowSelectedOffset() {
  const int index = ui.List->ItemIndex();
  if (index < 0 || static_cast<size_t>(index) >= listing_.LineOffsets.size()) return;
  Panel0->setText(Latin1(IntToHex(static_cast<uint32_t>(listing_.LineOffsets[index]), 6)));
  const Trace* trace = trace_ ? trace_->Latest() : nullptr;
  const auto offset = static_cast<uint32_t>(listing_.LineOffsets[index]);
  PanelWhy->setText(trace ? Latin1(ClassAndReason(*trace, offset)) : QString());
  if (text_) text_->SelectionChanged(static_cast<uint32_t>(listing_.LineOffsets[index]));
  if (tiles_) tiles_->SelectionChanged(static_cast<uint32_t>(listing_.LineOffsets[index]));
}

void TMainForm::ListClick() {
  ShowSelectedOffset();
}

void TMainForm::ListKeyDown(int key) {
  const int index = ui.List->ItemIndex();
  // At the top and bottom edges the arrows move the listing by one byte.
  // Inside traced code they move by an instruction.
  const Trace* trace = trace_->Latest();
  const auto start = static_cast<uint32_t>(StartOffset());
  if (key == Qt::Key_Down && (index < 0 || index == visibleLines_ - 1)) {
    SetStartOffset(trace ? AlignForward(*trace, start + 1) : int64_t{start} + 1);
    UpdateList();
    ui.List->SetItemIndex(visibleLines_ - 1);
  } else if (key == Qt::Key_Up && index <= 0) {
    SetStartOffset(trace && start > 0 ? int64_t{AlignBack(*trace, start - 1)} : int64_t{start} - 1);
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
    painter.drawText(QPoint(rect.left(), baseline), Utf8(line.Text));
    // How many traced instructions refer to the place, after the name.
    // Calls whose bank is unknown count apart, with a "?": "2 + 1? references".
    const LabelRefCount count = LabelReferenceCount(index);
    if (count.Sure + count.Maybe > 0) {
      QString number = count.Sure > 0 ? QString::number(count.Sure) : QString();
      if (count.Maybe > 0) {
        number += (number.isEmpty() ? "" : " + ") + QString::number(count.Maybe) + '?';
      }
      painter.setPen(selected ? palette.highlightedText().color() : kGrey);
      painter.drawText(
          QPoint(rect.left() + static_cast<int>(line.Text.size() + 2) * kCharWidth, baseline),
          number + (count.Sure + count.Maybe == 1 ? " reference" : " references"));
    }
    return;
  }
  const size_t commentAt = line.CommentAt != 0 ? line.CommentAt : line.Text.size();
  // Each character in its cell; the cells of one colour go out as one run of glyphs.
  const CellGlyphs& glyphs = CellGlyphs::Of(codeFont_);
  QVarLengthArray<quint32, 64> run;
  QVarLengthArray<QPointF, 64> at;
  const QColor* runColour = nullptr;
  const auto drawRun = [&] {
    if (run.isEmpty()) return;
    QGlyphRun glyphRun;
    glyphRun.setRawFont(glyphs.Font());
    glyphRun.setGlyphIndexes(QList<quint32>(run.begin(), run.end()));
    glyphRun.setPositions(QList<QPointF>(at.begin(), at.end()));
    painter.setPen(*runColour);
    painter.drawGlyphRun(QPointF(), glyphRun);
    run.clear();
    at.clear();
  };
  int column = 0;
  for (size_t i = 0; i < line.Text.size(); ++column) {
    // Game text is UTF-8: a character of several bytes takes one cell; any other byte is one.
    const size_t length = Utf8CharLength(line.Text, i);
    const QColor& colour = i >= commentAt ? kYellow : ColumnColour(column + 1);
    const auto byte = static_cast<uint8_t>(line.Text[i]);
    const QPoint cell(rect.left() + column * kCharWidth, baseline);
    const quint32 glyph = length == 1 ? glyphs.Glyph(byte) : 0;
    if (&colour != runColour) drawRun();
    runColour = &colour;
    if (glyph != 0) {
      if (byte != ' ') {
        run.append(glyph);
        at.append(cell);
      }
    } else {
      // A character beyond the font's own glyphs: as text, so that another font may show it.
      drawRun();
      painter.setPen(colour);
      painter.drawText(cell, length > 1 ? QString::fromUtf8(line.Text.data() + i,
                                                            static_cast<qsizetype>(length))
                                        : QString(QChar::fromLatin1(line.Text[i])));
    }
    i += length;
  }
  drawRun();
}

void TMainForm::ListContextPopup(const QPoint& pos) {
  Pop->exec(ui.List->mapToGlobal(pos));
}

void TMainForm::ListWheel(int notches) {
  if (state_.rom.RomSize == 0) return;
  const Trace* trace = trace_->Latest();
  // A line at a time: an instruction as the trace or the decoder steps over it, a row where the
  // bytes are a marked data or text block.
  const ListingNotes notes{&state_.marks, &state_.comments, &state_.table, &state_.textRows};
  for (; notches > 0; --notches) {
    for (int line = 0; line < kWheelLines; ++line) {
      const auto start = static_cast<uint32_t>(StartOffset());
      const uint32_t step = trace ? InstructionsDown(*trace, state_.rom, start, 1)
                                  : OffsetAfterInstructions(state_.rom, start, 1);
      SetStartOffset(LineDown(state_.rom, state_.labels, start, step, notes));
    }
  }
  for (; notches < 0; ++notches) {
    // Three instructions back are found together, each placing the others, where no block is.
    const auto from = static_cast<uint32_t>(StartOffset());
    const uint32_t back = trace ? InstructionsUp(*trace, state_.rom, from, kWheelLines)
                                : OffsetBeforeInstructions(state_.rom, from, kWheelLines);
    if (!HasBlockRows(notes, back, from)) {
      SetStartOffset(back);
      continue;
    }
    for (int line = 0; line < kWheelLines; ++line) {
      const auto start = static_cast<uint32_t>(StartOffset());
      const uint32_t step = trace ? InstructionsUp(*trace, state_.rom, start, 1)
                                  : OffsetBeforeInstructions(state_.rom, start, 1);
      SetStartOffset(LineUp(state_.rom, state_.labels, start, step, notes));
    }
  }
  UpdateList();
}
