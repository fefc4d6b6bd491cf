#include "ui/UserSettings.h"

#include <QFile>
#include <QStandardPaths>
#include <sys/stat.h>

std::unique_ptr<QSettings> UserSettings() {
  const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       "/Velmora/Velmora.conf";
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return nullptr;
  }
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}
