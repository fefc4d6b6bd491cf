#include "ui/FindAll.h"

#include <QAbstractListModel>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "ui/AppState.h"
#include "ui/GF.h"
#include "ui/Look.h"

namespace {

// The result lines, decoded only when the view asks for them: a hundred thousand matches cost
// nothing until they are scrolled to.
class ResultModel : public QAbstractListModel {
 public:
  ResultModel(const AppState& state, const std::vector<int32_t>& offsets, QObject* parent)
      : QAbstractListModel(parent), state_(state), offsets_(offsets) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(offsets_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const std::string line = FindAllLine(state_.rom, state_.labels, state_.format,
                                         offsets_[static_cast<size_t>(index.row())]);
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
  }

 private:
  const AppState& state_;
  const std::vector<int32_t>& offsets_;
};

}  // namespace

TFindAllForm::TFindAllForm(const AppState& state, FindAllResult result, QWidget* parent)
    : QWidget(parent, Qt::Tool), result_(std::move(result)) {
  ui.setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(DialogFont());
  ui.Results->setFont(CodeFont());
  model_ = new ResultModel(state, result_.Offsets, this);
  ui.Results->setModel(model_);

  const size_t count = result_.Offsets.size();
  setWindowTitle(QStringLiteral("Find All: %1 %2 %3 %4")
                     .arg(QString::fromLatin1(result_.Text.data(),
                                              static_cast<qsizetype>(result_.Text.size())))
                     .arg(QChar(0x2014))
                     .arg(count)
                     .arg(count == 1 ? "match" : "matches"));
  ui.StopLabel->setText(result_.Stopped ? QStringLiteral("Stopped at %1 matches: the rest of the "
                                                         "ROM was not searched.")
                                              .arg(count)
                                        : QString());
  ui.StopLabel->setVisible(result_.Stopped);

  connect(ui.Results, &QListView::clicked, this, &TFindAllForm::ResultsClick);
  connect(ui.Results, &QListView::doubleClicked, this, &TFindAllForm::ResultsClick);
  ui.Results->installEventFilter(this);
  if (count > 0) ui.Results->setCurrentIndex(model_->index(0));
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
