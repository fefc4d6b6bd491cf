#include "ui/RecentRoms.h"

#include <QDir>
#include <QMenu>

#include "ui/UserSettings.h"

namespace {

constexpr const char* kKey = "RecentRoms";

}  // namespace

TRecentRoms::TRecentRoms(QMenu* fileMenu, QAction* before,
                         std::function<void(const QString&)> open)
    : QObject(fileMenu), menu_(new QMenu("Recent &ROMs", fileMenu)), open_(std::move(open)) {
  menu_->setObjectName("RecentRoms1");
  fileMenu->insertMenu(before, menu_);
  if (const auto settings = UserSettings()) files_ = settings->value(kKey).toStringList();
  files_.removeAll(QString());
  files_ = files_.mid(0, kMaxFiles);
  // Eight items made once and relabelled, so that none is deleted while it is being triggered.
  for (int i = 0; i < kMaxFiles; ++i) {
    QAction* item = menu_->addAction(QString());
    connect(item, &QAction::triggered, this, [this, item] { open_(item->data().toString()); });
  }
  FillMenu();
}

QStringList TRecentRoms::Files() const {
  return files_;
}

void TRecentRoms::Add(const QString& fileName) {
  files_.removeAll(fileName);
  files_.prepend(fileName);
  files_ = files_.mid(0, kMaxFiles);
  if (const auto settings = UserSettings()) settings->setValue(kKey, files_);
  FillMenu();
}

void TRecentRoms::Remove(const QString& fileName) {
  if (files_.removeAll(fileName) == 0) return;
  if (const auto settings = UserSettings()) settings->setValue(kKey, files_);
  FillMenu();
}

void TRecentRoms::FillMenu() {
  const QStringList& files = files_;
  const QList<QAction*> items = menu_->actions();
  for (int i = 0; i < items.size(); ++i) {
    const bool used = i < files.size();
    items[i]->setVisible(used);
    items[i]->setData(used ? files[i] : QString());
    // "&1 /path/game.gb": the digit picks the item from the keyboard; a "&" in a name shows.
    items[i]->setText(used ? QString("&%1 %2").arg(i + 1).arg(
                                 QDir::toNativeSeparators(files[i]).replace("&", "&&"))
                           : QString());
  }
  menu_->menuAction()->setEnabled(!files.isEmpty());
}
