#include "ui/TextPane.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <algorithm>
#include <cstring>

#include "model/TextRows.h"
#include "ui/AppState.h"
#include "ui/Look.h"

TTextPane::TTextPane(AppState& state, QWidget* parent)
    : QDockWidget("Text", parent), state_(state) {
  setObjectName("TextPane");
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  view_ = new QPlainTextEdit(this);
  view_->setObjectName("TextView");
  view_->setReadOnly(true);
  // A row wider than the pane goes on below rather than out of sight.
  view_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  view_->setWordWrapMode(QTextOption::WrapAnywhere);
  view_->setFont(CodeFont());
  // The listing's colours: green text on black.
  QPalette palette = view_->palette();
  palette.setColor(QPalette::Base, Qt::black);
  palette.setColor(QPalette::Text, QColor(0x00, 0xFF, 0x00));
  view_->setPalette(palette);
  // Room for a bank address and a row of 32 characters in quotes.
  view_->setMinimumWidth(QFontMetrics(CodeFont()).horizontalAdvance(QString(44, 'M')));
  view_->viewport()->installEventFilter(this);
  setWidget(view_);
}

void TTextPane::ShowRegion(uint32_t offset) {
  if (isHidden()) return;
  if (state_.TableFileName.empty() || state_.table.Empty()) {
    Invalidate();
    rowStarts_.clear();
    highlighted_ = -1;
    view_->setPlainText("No table is loaded: File > Load Table... reads one.");
    return;
  }
  const Rom& rom = state_.rom;
  const MarkBlock* block = state_.marks.BlockAt(offset);
  // The rows shown still hold the offset, and their bytes are as decoded: only the highlight
  // moves (an 8 MiB block is not decoded again for every line the selection passes).
  const bool same =
      block != nullptr && offset >= shownFrom_ && offset < shownTo_ &&
      shownFrom_ >= block->Offset && shownTo_ <= block->End() &&
      std::memcmp(rom.RomImage.data() + shownFrom_, shownBytes_.data(), shownBytes_.size()) == 0;
  if (same) return Highlight(offset);

  uint32_t from = offset;
  uint32_t to = std::min<uint32_t>(offset + kRegionBytes, static_cast<uint32_t>(rom.RomImage.size()));
  size_t maxRows = SIZE_MAX;
  if (block != nullptr) {
    // Back from the offset's row to the row kRowsBefore above it; the kept row starts of the
    // block find each without decoding from the block's start.
    const uint32_t blockEnd = std::min<uint32_t>(block->End(), static_cast<uint32_t>(rom.RomImage.size()));
    from = state_.textRows.RowAt(rom, state_.table, block->Offset, blockEnd, offset).first;
    for (size_t i = 0; i < kRowsBefore && from > block->Offset; ++i) {
      from = state_.textRows.RowAt(rom, state_.table, block->Offset, blockEnd, from - 1).first;
    }
    to = blockEnd;
    maxRows = kRowsBefore + 1 + kRowsAfter;
  }
  QString text;
  rowStarts_.clear();
  uint32_t end = from;
  for (const TextRow& row : TextRows(rom, state_.table, from, to, kTextRowWidth, maxRows)) {
    const std::string line = TextRowLine(row);
    text += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())) + '\n';
    rowStarts_.push_back(row.Offset);
    end = row.Offset + row.Length;
  }
  view_->setPlainText(text);
  shownFrom_ = from;
  shownTo_ = block != nullptr ? end : from;  // a region from the line is decoded at every move
  shownBytes_.assign(rom.RomImage.begin() + shownFrom_, rom.RomImage.begin() + shownTo_);
  Highlight(offset);
}

void TTextPane::Highlight(uint32_t offset) {
  const auto after = std::upper_bound(rowStarts_.begin(), rowStarts_.end(), offset);
  highlighted_ = after == rowStarts_.begin() ? -1 : static_cast<int>(after - rowStarts_.begin()) - 1;
  QList<QTextEdit::ExtraSelection> marks;
  if (highlighted_ >= 0) {
    QTextEdit::ExtraSelection row;
    row.cursor = QTextCursor(view_->document()->findBlockByNumber(highlighted_));
    row.format.setBackground(QColor(0x30, 0x30, 0x30));
    row.format.setProperty(QTextFormat::FullWidthSelection, true);
    marks << row;
    // The row in sight, with rows around it.
    view_->setTextCursor(row.cursor);
    view_->centerCursor();
  }
  view_->setExtraSelections(marks);
}

bool TTextPane::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_->viewport() && event->type() == QEvent::MouseButtonRelease) {
    const auto* click = static_cast<QMouseEvent*>(event);
    const int row = view_->cursorForPosition(click->position().toPoint()).blockNumber();
    if (click->button() == Qt::LeftButton && row >= 0 &&
        static_cast<size_t>(row) < rowStarts_.size()) {
      emit RowClicked(rowStarts_[static_cast<size_t>(row)]);
    }
  }
  return QDockWidget::eventFilter(watched, event);
}

QString TTextPane::Text() const {
  return view_->toPlainText();
}
