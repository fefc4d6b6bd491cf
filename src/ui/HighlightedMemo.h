#pragma once
// THighlightedMemo: the code editor's text area. A plain-text editor in green on black that,
// after painting itself, draws every visible comment ("//" to the end of its line) again in
// italic silver, so comments stand apart from the code. Tab indents with blanks to the next
// multiple of kTabColumns (a tab character would break the 8-pixel cells the comments are drawn
// in).

#include <QPlainTextEdit>

class THighlightedMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  // Width of one character cell of the code font, in pixels.
  static constexpr int kCellWidth = 8;
  static constexpr int kTabColumns = 4;

  explicit THighlightedMemo(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};
