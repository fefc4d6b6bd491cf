#include "ui/FindAll.h"

#include <QAbstractListModel>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>
#include <functional>

#include "model/NumberText.h"
#include "ui/AppState.h"
#include "ui/GF.h"
#include "ui/Latin1.h"
#include "ui/Look.h"

namespace {

// The result lines, decoded only when the view asks for them: a hundred thousand matches cost
// nothing until they are scrolled to.
class ResultModel : public QAbstractListModel {
 public:
  ResultModel(const AppState& state, const FindAllResult& result, QObject* parent)
      : QAbstractListModel(parent), state_(state), result_(result) {}

  // The offsets change under the model, as a whole.
  void Replace(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(result_.Offsets.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const int32_t offset = result_.Offsets[static_cast<size_t>(index.row())];
    const std::string line = result_.Line
                                 ? result_.Line(state_.rom, offset)
                                 : FindAllLine(state_.rom, state_.labels, state_.format, offset);
    // An instruction's bytes with label names (UTF-8) in it, or game text (UTF-8).
    return MessageText(line);
  }

 private:
  const AppState& state_;
  const FindAllResult& result_;
};

}  // namespace

TFindAllForm::TFindAllForm(const AppState& state, FindAllResult result, QWidget* parent)
    : QWidget(parent, Qt::Tool), state_(state), result_(std::move(result)) {
  ui.setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(DialogFont());
  ui.Results->setFont(CodeFont());
  model_ = new ResultModel(state, result_, this);
  ui.Results->setModel(model_);

  ShowCount();

  connect(ui.Results, &QListView::clicked, this, &TFindAllForm::ResultsClick);
  connect(ui.Results, &QListView::doubleClicked, this, &TFindAllForm::ResultsClick);
  ui.Results->installEventFilter(this);
  if (!result_.Offsets.empty()) ui.Results->setCurrentIndex(model_->index(0));
}

void TFindAllForm::ShowCount() {
  setWindowTitle(QStringLiteral("Find All: %1 %2 %3")
                     .arg(MessageText(result_.Text))
                     .arg(QChar(0x2014))
                     .arg(Latin1(MatchCountText(result_))));
  ui.StopLabel->setText(result_.Stopped
                            ? QStringLiteral("Stopped at %1 matches: the rest of the ROM was not "
                                             "searched.")
                                  .arg(Latin1(GroupedDecimal(result_.Offsets.size())))
                            : QString());
  ui.StopLabel->setVisible(result_.Stopped);
}

void TFindAllForm::SearchAgain() {
  if (!result_.Repeat) return;
  FindAllResult fresh;
  try {
    fresh = result_.Repeat(state_.rom, state_.labels);
  } catch (const std::exception&) {
    // The text was read once already; should it fail now, the old list is better than none.
    return;
  }
  const QModelIndex current = ui.Results->currentIndex();
  // No offset is negative: -1 for no selection.
  const int32_t selected =
      current.isValid() ? result_.Offsets[static_cast<size_t>(current.row())] : -1;
  static_cast<ResultModel*>(model_)->Replace([&] { result_ = std::move(fresh); });
  ShowCount();
  const auto& offsets = result_.Offsets;
  const auto at = std::lower_bound(offsets.begin(), offsets.end(), selected);
  if (at != offsets.end() && *at == selected) {
    ui.Results->setCurrentIndex(model_->index(static_cast<int>(at - offsets.begin())));
  }
}

void TFindAllForm::PlaceBeside(const QWidget* main) {
  const QRect frame = main->frameGeometry();
  resize(width(), main->height());
  const QScreen* screen = main->screen();
  const QRect room = screen ? screen->availableGeometry() : QRect();
  const int outer = frameGeometry().width();
  int x = frame.right() + 1;
  if (!room.isEmpty() && x + outer > room.right() + 1 && frame.left() - outer >= room.left()) {
    x = frame.left() - outer;
  }
  move(x, frame.top());
}

void TFindAllForm::ResultsClick(const QModelIndex& index) {
  if (!index.isValid()) return;
  emit ShowRequested(result_.Offsets[static_cast<size_t>(index.row())]);
}

bool TFindAllForm::eventFilter(QObject* watched, QEvent* e) {
  // The window belongs to the main window, whose shortcuts work here too; Enter is the list's.
  if (watched == ui.Results && e->type() == QEvent::ShortcutOverride &&
      IsEnterKey(static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  if (watched == ui.Results && e->type() == QEvent::KeyPress) {
    if (IsEnterKey(static_cast<QKeyEvent*>(e))) {
      ResultsClick(ui.Results->currentIndex());
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}
