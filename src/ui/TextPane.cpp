#include "ui/TextPane.h"

#include <QPlainTextEdit>

#include "model/TextRows.h"
#include "ui/AppState.h"
#include "ui/Look.h"

namespace {
// Rows beyond this are not worth a pane: a marked block of several KiB reads better elsewhere.
constexpr size_t kMaxRows = 400;
}  // namespace

TTextPane::TTextPane(const AppState& state, QWidget* parent)
    : QDockWidget("Text", parent), state_(state) {
  setObjectName("TextPane");
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  view_ = new QPlainTextEdit(this);
  view_->setObjectName("TextView");
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(CodeFont());
  // The listing's colours: green text on black.
  QPalette palette = view_->palette();
  palette.setColor(QPalette::Base, Qt::black);
  palette.setColor(QPalette::Text, QColor(0x00, 0xFF, 0x00));
  view_->setPalette(palette);
  // Room for a bank address and a row of 32 characters in quotes.
  view_->setMinimumWidth(QFontMetrics(CodeFont()).horizontalAdvance(QString(44, 'M')));
  setWidget(view_);
}

void TTextPane::ShowRegion(uint32_t offset) {
  if (isHidden()) return;
  if (state_.TableFileName.empty() || state_.table.Empty()) {
    view_->setPlainText("No table is loaded: File > Load Table... reads one.");
    return;
  }
  uint32_t from = offset;
  uint32_t to = offset + kRegionBytes;
  if (const MarkBlock* block = state_.marks.BlockAt(offset)) {
    from = block->Offset;
    to = block->End();
  }
  QString text;
  for (const TextRow& row : TextRows(state_.rom, state_.table, from, to, kTextRowWidth, kMaxRows)) {
    const std::string line = TextRowLine(row);
    text += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())) + '\n';
  }
  view_->setPlainText(text);
}

QString TTextPane::Text() const {
  return view_->toPlainText();
}
