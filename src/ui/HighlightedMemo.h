#pragma once
// THighlightedMemo: the code editor's text area. A plain-text editor in green on black that,
// after painting itself, draws every visible comment ("//" to the end of its line) again in
// italic silver, so comments stand apart from the code.

#include <QPlainTextEdit>

class THighlightedMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  // Width of one character cell of the code font, in pixels.
  static constexpr int kCellWidth = 8;

  explicit THighlightedMemo(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
