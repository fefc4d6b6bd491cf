#include "ui/HighlightedMemo.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace {
const QColor kBackground(0x00, 0x00, 0x00);
const QColor kCodeColour(0x00, 0xFF, 0x00);
const QColor kCommentColour(0xC0, 0xC0, 0xC0);

// Courier New at 13 pixels: 8-pixel cells. Liberation Mono has the same metrics; full hinting
// rounds its advance to whole pixels so the columns land where the comment overlay expects them.
QFont CodeFont() {
  QFont font;
  font.setFamilies({"Courier New", "Liberation Mono"});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(13);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}
}  // namespace

THighlightedMemo::THighlightedMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setFrameShape(QFrame::NoFrame);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFont(CodeFont());

  QPalette pal = palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::Base, kBackground);
    pal.setColor(group, QPalette::Text, kCodeColour);
    // The line being assembled is shown by the selection while the focus is on a button.
    pal.setColor(group, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(group, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
  }
  setPalette(pal);

  // The overlay follows the text: repaint it whole after an edit or a scroll.
  connect(this, &QPlainTextEdit::textChanged, viewport(), qOverload<>(&QWidget::update));
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
          qOverload<>(&QWidget::update));
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
          qOverload<>(&QWidget::update));
}

void THighlightedMemo::paintEvent(QPaintEvent* event) {
  QPlainTextEdit::paintEvent(event);

  QPainter painter(viewport());
  QFont italic = font();
  italic.setItalic(true);
  painter.setFont(italic);
  const QFontMetrics metrics(italic);
  const QPointF offset = contentOffset();
  const int bottom = viewport()->height();

  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(offset);
    if (box.top() > bottom) break;
    const QString text = block.text();
    const qsizetype column = text.indexOf(QLatin1String("//"));
    if (column < 0 || !block.isVisible()) continue;
    // Without wrapping a block is one line; its origin carries the document margin.
    const QTextLine line = block.layout()->lineAt(0);
    const QString comment = text.mid(column);
    const qreal x = box.left() + line.x() + column * kCellWidth;
    const qreal top = box.top() + line.y();
    painter.fillRect(QRectF(x, top, metrics.horizontalAdvance(comment), line.height()),
                     kBackground);
    painter.setPen(kCommentColour);
    painter.drawText(QPointF(x, top + line.ascent()), comment);
  }
}

void THighlightedMemo::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::NoModifier && !isReadOnly()) {
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int column = start - document()->findBlock(start).position();
    cursor.insertText(QString(kTabColumns - column % kTabColumns, QLatin1Char(' ')));
    setTextCursor(cursor);
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}
