#include "ui/References.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <algorithm>
#include <optional>

#include "ui/AppState.h"
#include "ui/GF.h"
#include "ui/Latin1.h"
#include "ui/Look.h"

namespace {

// The lines are decoded when the view asks for them, from the ROM as it is then.
class ReferenceModel : public QAbstractListModel {
 public:
  ReferenceModel(const AppState& state, const std::vector<Reference>& refs, QObject* parent)
      : QAbstractListModel(parent), state_(state), refs_(refs) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(refs_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return MessageText(ReferenceLine(state_.rom, state_.labels, state_.format,
                                     refs_[static_cast<size_t>(index.row())], &state_.marks));
  }

  // The list changes under the view.
  template <typename F>
  void Replace(F change) {
    beginResetModel();
    change();
    endResetModel();
  }

 private:
  const AppState& state_;
  const std::vector<Reference>& refs_;
};

}  // namespace

TReferencesForm::TReferencesForm(const AppState& state, RefPlace place, QWidget* parent)
    : QWidget(parent, Qt::Tool), state_(state), place_(place) {
  ui.setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(DialogFont());
  ui.Results->setFont(CodeFont());
  model_ = new ReferenceModel(state, refs_, this);
  ui.Results->setModel(model_);
  connect(ui.Results, &QListView::clicked, this, &TReferencesForm::ResultsClick);
  connect(ui.Results, &QListView::doubleClicked, this, &TReferencesForm::ResultsClick);
  ui.Results->installEventFilter(this);
}

void TReferencesForm::Refresh(const Trace& trace) {
  const QModelIndex current = ui.Results->currentIndex();
  // The line picked before stays picked while its instruction still refers here.
  const std::optional<Reference> picked =
      current.isValid() ? std::optional(refs_[static_cast<size_t>(current.row())]) : std::nullopt;
  static_cast<ReferenceModel*>(model_)->Replace(
      [&] { refs_ = ReferencesTo(trace.Refs, place_.Where, place_.Space); });

  const QString place = Latin1(RefPlaceName(state_.labels, place_));
  const size_t count = refs_.size();
  const auto maybe = static_cast<size_t>(std::count_if(
      refs_.begin(), refs_.end(), [](const Reference& r) { return r.Space == RefSpace::UnknownBank; }));
  setWindowTitle(QStringLiteral("References: %1 %2 %3 %4")
                     .arg(place)
                     .arg(QChar(0x2014))
                     .arg(count)
                     .arg(count == 1 ? "place" : "places"));
  QString note;
  if (count == 0) {
    note = QStringLiteral("No traced code refers to %1.").arg(place);
  } else if (maybe > 0) {
    note = QStringLiteral("Lines marked ? come from bank 0 with no bank known: they lead here "
                          "only when this bank is switched in.");
  }
  ui.NoteLabel->setText(note);
  ui.NoteLabel->setVisible(!note.isEmpty());

  const auto at = picked ? std::find(refs_.begin(), refs_.end(), *picked) : refs_.end();
  if (at != refs_.end()) {
    ui.Results->setCurrentIndex(model_->index(static_cast<int>(at - refs_.begin())));
  } else if (!picked && count > 0) {
    ui.Results->setCurrentIndex(model_->index(0));
  }
}

void TReferencesForm::PlaceBeside(const QWidget* main) {
  PlaceBesideMain(this, main);
}

void TReferencesForm::ResultsClick(const QModelIndex& index) {
  if (!index.isValid()) return;
  emit ShowRequested(static_cast<int32_t>(refs_[static_cast<size_t>(index.row())].Source));
}

bool TReferencesForm::eventFilter(QObject* watched, QEvent* e) {
  // The window belongs to the main window, whose shortcuts work here too; Enter is the list's.
  if (watched == ui.Results && e->type() == QEvent::ShortcutOverride &&
      IsEnterKey(static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  if (watched == ui.Results && e->type() == QEvent::KeyPress &&
      IsEnterKey(static_cast<QKeyEvent*>(e))) {
    ResultsClick(ui.Results->currentIndex());
    return true;
  }
  return QWidget::eventFilter(watched, e);
}
