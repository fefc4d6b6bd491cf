#include "ui/LabelTreeView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>
#include <QStyleOptionViewItem>
#include <algorithm>

#include "model/LabelTree.h"
#include "ui/LabelTreeModel.h"
#include "ui/Latin1.h"

namespace {

// From the left edge of an item: its picture, then its text.
constexpr int kPictureLeft = 2;
constexpr int kTextGap = 6;

int PictureSize(const QWidget* view) {
  return view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
}

// A scroll bar that is drawn anew only when it would look different from its last picture: a
// filter keystroke that takes 50,000 lines to 18,000 leaves the slider as long as it was, at the
// top. The style's scroll bar is a costly picture.
class LineScrollBar : public QScrollBar {
 public:
  LineScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

 protected:
  void sliderChange(SliderChange change) override {
    if (change != SliderOrientationChange && Now() == drawn_) return;
    QScrollBar::sliderChange(change);
  }
  void paintEvent(QPaintEvent* event) override {
    drawn_ = Now();
    QScrollBar::paintEvent(event);
  }

 private:
  struct Look {
    QRect slider;
    bool atStart = false;
    bool atEnd = false;
    bool empty = false;
    bool operator==(const Look&) const = default;
  };
  Look Now() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        value() == minimum(), value() == maximum(), minimum() == maximum()};
  }
  Look drawn_;  // none before the first picture
};

}  // namespace

LabelTreeView::LabelTreeView(QWidget* parent)
    : QAbstractItemView(parent),
      indentation_(style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this)) {
  setSelectionMode(SingleSelection);
  setSelectionBehavior(SelectRows);
  setHorizontalScrollMode(ScrollPerPixel);
  setVerticalScrollMode(ScrollPerItem);
  setVerticalScrollBar(new LineScrollBar(Qt::Vertical, this));
  setHorizontalScrollBar(new LineScrollBar(Qt::Horizontal, this));
}

void LabelTreeView::setModel(QAbstractItemModel* model) {
  labels_ = qobject_cast<LabelTreeModel*>(model);
  QAbstractItemView::setModel(model);
  // The lines are ready when the model says so: laid out at once, the view is drawn in the same
  // pass as whatever changed the model, not in one of its own after a delay.
  if (labels_ != nullptr) {
    connect(labels_, &QAbstractItemModel::layoutChanged, this,
            &LabelTreeView::executeDelayedItemsLayout);
  }
}

bool LabelTreeView::HasShownChildren(int32_t node) const {
  return !labels_->Tree().ShownChildren(node).empty();
}

bool LabelTreeView::isExpanded(const QModelIndex& index) const {
  if (labels_ == nullptr || !index.isValid()) return false;
  const int32_t node = labels_->Node(index);
  return !labels_->Tree().Children(node).empty() && labels_->Tree().IsOpen(node);
}

void LabelTreeView::expand(const QModelIndex& index) {
  SetOpen(index, true);
}

void LabelTreeView::collapse(const QModelIndex& index) {
  SetOpen(index, false);
}

void LabelTreeView::SetOpen(const QModelIndex& index, bool open) {
  if (labels_ == nullptr || !labels_->SetOpen(index, open)) return;
  updateGeometries();
  viewport()->update();
  if (open) {
    emit expanded(index);
  } else {
    emit collapsed(index);
  }
}

void LabelTreeView::expandAll() {
  if (labels_ == nullptr || !labels_->OpenAll()) return;
  updateGeometries();
  viewport()->update();
}

int LabelTreeView::PageLines() const {
  return std::max(1, viewport()->height() / kRowHeight);
}

int LabelTreeView::ArrowX(int32_t node) const {
  return labels_->Tree().Depth(node) * indentation_ - horizontalOffset();
}

int LabelTreeView::ItemX(int32_t node) const {
  return ArrowX(node) + indentation_;
}

int LabelTreeView::LineAt(int y) const {
  if (labels_ == nullptr || y < 0) return -1;
  const int line = verticalScrollBar()->value() + y / kRowHeight;
  return line < static_cast<int>(labels_->Tree().Lines().size()) ? line : -1;
}

QModelIndex LabelTreeView::IndexOfLine(int line) const {
  if (line < 0) return {};
  return labels_->IndexOf(labels_->Tree().Lines()[static_cast<size_t>(line)]);
}

int LabelTreeView::LineOrAncestor(int32_t node) const {
  for (; node != LabelTree::kRoot; node = labels_->Tree().Parent(node)) {
    const int line = labels_->Tree().LineOf(node);
    if (line >= 0) return line;
  }
  return -1;
}

bool LabelTreeView::OnArrow(const QPoint& point) const {
  const int line = LineAt(point.y());
  if (line < 0) return false;
  const int32_t node = labels_->Tree().Lines()[static_cast<size_t>(line)];
  const int left = ArrowX(node);
  return HasShownChildren(node) && point.x() >= left && point.x() < left + indentation_;
}

QRect LabelTreeView::visualRect(const QModelIndex& index) const {
  if (labels_ == nullptr || !index.isValid()) return {};
  const int32_t node = labels_->Node(index);
  const int line = labels_->Tree().LineOf(node);
  if (line < 0) return {};
  const int left = ItemX(node);
  const int right = std::max(viewport()->width(), horizontalScrollBar()->maximum() +
                                                      viewport()->width() - horizontalOffset());
  return {left, (line - verticalScrollBar()->value()) * kRowHeight, std::max(0, right - left),
          kRowHeight};
}

void LabelTreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (labels_ == nullptr || !index.isValid()) return;
  const LabelTree& tree = labels_->Tree();
  const int32_t node = labels_->Node(index);
  // A node under a closed branch comes into sight with its branches opened.
  for (int32_t up = tree.Parent(node); up != LabelTree::kRoot; up = tree.Parent(up)) {
    if (!tree.IsOpen(up)) SetOpen(labels_->IndexOf(up), true);
  }
  const int line = tree.LineOf(node);
  if (line < 0) return;
  // The scroll bars may not know yet of a change of the lines.
  updateGeometries();
  const int top = verticalScrollBar()->value();
  const int page = PageLines();
  switch (hint) {
    case PositionAtTop:
      verticalScrollBar()->setValue(line);
      break;
    case PositionAtBottom:
      verticalScrollBar()->setValue(line - page + 1);
      break;
    case PositionAtCenter:
      verticalScrollBar()->setValue(line - page / 2);
      break;
    case EnsureVisible:
      if (line < top) {
        verticalScrollBar()->setValue(line);
      } else if (line >= top + page) {
        verticalScrollBar()->setValue(line - page + 1);
      }
      break;
  }
  // Sideways, the item's picture and the start of its text in sight.
  const int left = tree.Depth(node) * indentation_;
  const int offset = horizontalOffset();
  if (left < offset || left + 2 * indentation_ > offset + viewport()->width()) {
    horizontalScrollBar()->setValue(left);
  }
}

QModelIndex LabelTreeView::indexAt(const QPoint& point) const {
  return IndexOfLine(LineAt(point.y()));
}

void LabelTreeView::keyboardSearch(const QString& search) {
  if (search.isEmpty()) {
    // The next letter starts a new search.
    searchTime_.invalidate();
    return;
  }
  if (labels_ == nullptr) return;
  const LabelTree& tree = labels_->Tree();
  const auto lines = tree.Lines();
  if (lines.empty()) return;
  const bool goesOn =
      searchTime_.isValid() && searchTime_.elapsed() < QApplication::keyboardInputInterval();
  search_ = goesOn ? search_ + search : search;
  searchTime_.start();
  // The same letter again goes to the next line that starts with it.
  const bool oneLetter = search_.count(search_.front()) == search_.size();
  const QByteArray text = (oneLetter ? search_.left(1) : search_).toUtf8();
  const QModelIndex current = currentIndex();
  int from = current.isValid() ? std::max(0, LineOrAncestor(labels_->Node(current))) : 0;
  if (!goesOn || oneLetter) ++from;
  const auto count = static_cast<int>(lines.size());
  for (int i = 0; i < count; ++i) {
    const int line = (from + i) % count;
    const std::string& name = tree.Text(lines[static_cast<size_t>(line)]);
    if (name.size() >= static_cast<size_t>(text.size()) &&
        qstrnicmp(name.data(), text.constData(), static_cast<size_t>(text.size())) == 0) {
      const QModelIndex found = IndexOfLine(line);
      selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
      scrollTo(found);
      return;
    }
  }
}

QModelIndex LabelTreeView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  if (labels_ == nullptr) return {};
  const LabelTree& tree = labels_->Tree();
  const auto count = static_cast<int>(tree.Lines().size());
  if (count == 0) return {};
  const QModelIndex current = currentIndex();
  const int line = current.isValid() ? LineOrAncestor(labels_->Node(current)) : -1;
  if (line < 0) {
    // Nothing current (a filter hid it): from the first line in sight.
    if (action == MoveHome) return IndexOfLine(0);
    if (action == MoveEnd) return IndexOfLine(count - 1);
    return IndexOfLine(std::min(count - 1, verticalScrollBar()->value()));
  }
  const int32_t node = tree.Lines()[static_cast<size_t>(line)];
  const bool branch = HasShownChildren(node);
  int to = line;
  switch (action) {
    case MoveUp:
    case MovePrevious:
      to = std::max(0, line - 1);
      break;
    case MoveDown:
    case MoveNext:
      to = std::min(count - 1, line + 1);
      break;
    case MovePageUp:
      to = std::max(0, line - PageLines());
      break;
    case MovePageDown:
      to = std::min(count - 1, line + PageLines());
      break;
    case MoveHome:
      to = 0;
      break;
    case MoveEnd:
      to = count - 1;
      break;
    case MoveLeft:
      // Closes an open branch, else goes up to the parent; at the top level it scrolls.
      if (branch && tree.IsOpen(node)) {
        collapse(IndexOfLine(line));
      } else if (tree.Parent(node) != LabelTree::kRoot) {
        return labels_->IndexOf(tree.Parent(node));
      } else {
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
      }
      return IndexOfLine(line);
    case MoveRight:
      // Opens a closed branch, else goes down to its first child; on a leaf it scrolls.
      if (branch && !tree.IsOpen(node)) {
        expand(IndexOfLine(line));
      } else if (branch) {
        return IndexOfLine(line + 1);
      } else {
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      }
      return IndexOfLine(line);
  }
  // A move that stays (Home on the first line) still brings the line into sight.
  if (to == line) scrollTo(IndexOfLine(to));
  return IndexOfLine(to);
}

int LabelTreeView::horizontalOffset() const {
  return horizontalScrollBar()->value();
}

int LabelTreeView::verticalOffset() const {
  return verticalScrollBar()->value() * kRowHeight;
}

bool LabelTreeView::isIndexHidden(const QModelIndex&) const {
  return false;
}

void LabelTreeView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
  if (labels_ == nullptr) return;
  const QRect r = rect.normalized();
  const int top = verticalScrollBar()->value();
  const int count = static_cast<int>(labels_->Tree().Lines().size());
  const int first = top + std::max(0, r.top()) / kRowHeight;
  const int last = std::min(count - 1, top + std::max(0, r.bottom()) / kRowHeight);
  QItemSelection selection;
  for (int line = first; line <= last; ++line) {
    const QModelIndex index = IndexOfLine(line);
    selection.select(index, index);
  }
  selectionModel()->select(selection, command);
}

QRegion LabelTreeView::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  if (labels_ == nullptr) return region;
  const int top = verticalScrollBar()->value();
  for (const QItemSelectionRange& range : selection) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      const int line =
          labels_->Tree().LineOf(labels_->Node(range.model()->index(row, 0, range.parent())));
      if (line >= top && line <= top + PageLines()) {
        region += QRect(0, (line - top) * kRowHeight, viewport()->width(), kRowHeight);
      }
    }
  }
  return region;
}

void LabelTreeView::updateGeometries() {
  if (labels_ != nullptr) {
    const LabelTree& tree = labels_->Tree();
    const int page = PageLines();
    verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(tree.Lines().size()) - page));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    // Every line's arrow, picture and text, and a character's room after the longest.
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const int width = tree.WidestLine(indentation_, charWidth) + indentation_ + kPictureLeft +
                      PictureSize(this) + kTextGap + charWidth;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(indentation_);
  }
  QAbstractItemView::updateGeometries();
}

void LabelTreeView::scrollContentsBy(int, int) {
  // The vertical bar counts lines: the whole view is drawn anew, only the lines in sight.
  viewport()->update();
}

void LabelTreeView::paintEvent(QPaintEvent* event) {
  if (labels_ == nullptr) return;
  const LabelTree& tree = labels_->Tree();
  const auto lines = tree.Lines();
  QPainter painter(viewport());
  const int top = verticalScrollBar()->value();
  const QRect exposed = event->rect();
  const int first = top + std::max(0, exposed.top()) / kRowHeight;
  const int last =
      std::min(static_cast<int>(lines.size()), top + exposed.bottom() / kRowHeight + 1);
  const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                     : isActiveWindow() ? QPalette::Active
                                                        : QPalette::Inactive;
  const int picture = PictureSize(this);
  const int width = viewport()->width();
  const QModelIndex current = currentIndex();
  const int32_t currentNode = current.isValid() ? labels_->Node(current) : LabelTree::kRoot;
  for (int line = first; line < last; ++line) {
    const int32_t node = lines[static_cast<size_t>(line)];
    const int y = (line - top) * kRowHeight;
    const QModelIndex index = labels_->IndexOf(node);
    const bool selected = selectionModel() != nullptr && selectionModel()->isSelected(index);
    if (selected) {
      painter.fillRect(QRect(0, y, width, kRowHeight), palette().brush(group, QPalette::Highlight));
    }
    if (HasShownChildren(node)) {
      // The style sheet's style draws arrows only for the options of an item view.
      QStyleOptionViewItem arrow;
      arrow.initFrom(this);
      arrow.rect = QRect(ArrowX(node), y, indentation_, kRowHeight);
      arrow.state |= QStyle::State_Item | QStyle::State_Children;
      if (tree.IsOpen(node)) arrow.state |= QStyle::State_Open;
      if (selected) arrow.state |= QStyle::State_Selected;
      style()->drawPrimitive(QStyle::PE_IndicatorBranch, &arrow, &painter, this);
    }
    const int x = ItemX(node);
    labels_->Picture(node).paint(
        &painter, QRect(x + kPictureLeft, y + (kRowHeight - picture) / 2, picture, picture));
    painter.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const int textLeft = x + kPictureLeft + picture + kTextGap;
    painter.drawText(
        QRect(textLeft, y, std::max(width - textLeft, 0) + horizontalScrollBar()->maximum(),
              kRowHeight),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Utf8(tree.Text(node)));
    if (node == currentNode && hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = QRect(x, y, width - x, kRowHeight);
      focus.backgroundColor =
          palette().color(group, selected ? QPalette::Highlight : QPalette::Base);
      if (window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        focus.state |= QStyle::State_KeyboardFocusChange;
      }
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

void LabelTreeView::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::LeftButton && OnArrow(point)) {
    // A click on the arrow opens or closes the branch and picks nothing.
    const QModelIndex index = indexAt(point);
    SetOpen(index, !isExpanded(index));
    return;
  }
  QAbstractItemView::mousePressEvent(event);
}

void LabelTreeView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnArrow(event->position().toPoint())) return;
  QAbstractItemView::mouseReleaseEvent(event);
}

void LabelTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::LeftButton && OnArrow(point)) {
    mousePressEvent(event);
    return;
  }
  const QPersistentModelIndex index = indexAt(point);
  QAbstractItemView::mouseDoubleClickEvent(event);
  // A double-click on a branch opens or closes it too.
  if (event->button() == Qt::LeftButton && index.isValid() &&
      HasShownChildren(labels_->Node(index))) {
    SetOpen(index, !isExpanded(index));
  }
}
