#include "ui/RecentRoms.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr const char* kKey = "RecentRoms";

// The user's settings file, or nothing when something other than a regular file stands at its
// path: a FIFO there would hold the program at its start for good, and a device would be read
// without end. The list then lives for the run only, and the odd file is left alone.
std::unique_ptr<QSettings> Settings() {
  const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       "/Velmora/Velmora.conf";
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return nullptr;
  }
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace

TRecentRoms::TRecentRoms(QMenu* fileMenu, QAction* before,
                         std::function<void(const QString&)> open)
    : QObject(fileMenu), menu_(new QMenu("Recent &ROMs", fileMenu)), open_(std::move(open)) {
  menu_->setObjectName("RecentRoms1");
  fileMenu->insertMenu(before, menu_);
  if (const auto settings = Settings()) files_ = settings->value(kKey).toStringList();
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
  if (const auto settings = Settings()) settings->setValue(kKey, files_);
  FillMenu();
}

void TRecentRoms::Remove(const QString& fileName) {
  if (files_.removeAll(fileName) == 0) return;
  if (const auto settings = Settings()) settings->setValue(kKey, files_);
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
