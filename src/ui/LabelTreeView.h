#pragma once
// LabelTreeView: a tree view over a LabelTreeModel that draws the core's lines (the shown nodes
// that no closed branch hides) straight from the model's LabelTree. A filter keystroke that hides
// or brings back thousands of rows costs the core's one pass and a repaint of the rows in sight:
// the view keeps no row of its own. Rows are 20 pixels high; each has the branch arrow, the
// node's picture and its text, indented by its depth.

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QString>

class LabelTreeModel;

class LabelTreeView : public QAbstractItemView {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = 20;

  explicit LabelTreeView(QWidget* parent = nullptr);

  // Takes a LabelTreeModel; any other model shows nothing.
  void setModel(QAbstractItemModel* model) override;
  // The indent of one level, the width of the arrows' column.
  int indentation() const { return indentation_; }

  bool isExpanded(const QModelIndex& index) const;
  void expand(const QModelIndex& index);
  void collapse(const QModelIndex& index);
  void expandAll();

  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;
  // Typing the start of a text moves to the next line that begins with it; the empty text
  // makes the next letter start anew.
  void keyboardSearch(const QString& search) override;

 signals:
  void expanded(const QModelIndex& index);
  void collapsed(const QModelIndex& index);

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex& index) const override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void scrollContentsBy(int dx, int dy) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void SetOpen(const QModelIndex& index, bool open);
  // The line of a node, or of its nearest ancestor that has one; -1 when there are no lines.
  int LineOrAncestor(int32_t node) const;
  int LineAt(int y) const;
  QModelIndex IndexOfLine(int line) const;
  // Lines wholly in sight.
  int PageLines() const;
  // Left edge of a node's arrow column and of its picture and text, in the viewport.
  int ArrowX(int32_t node) const;
  int ItemX(int32_t node) const;
  // Whether a point of the viewport is on the arrow of a branch with shown children.
  bool OnArrow(const QPoint& point) const;
  bool HasShownChildren(int32_t node) const;

  LabelTreeModel* labels_ = nullptr;
  int indentation_;
  QString search_;
  QElapsedTimer searchTime_;
};
