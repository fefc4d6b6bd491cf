#include "ui/RunKeys.h"

#include <QFile>
#include <QKeySequence>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <sys/stat.h>

#include "model/Failure.h"

namespace {

constexpr const char* kKey = "RunKeys";

// The settings file of the recent ROMs; nothing kept when something other than a file is there.
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

TRunWindow::KeyMap LoadRunKeys() {
  const auto settings = Settings();
  if (!settings || !settings->contains(kKey)) return TRunWindow::DefaultKeys();
  try {
    return ReadRunKeys(settings->value(kKey).toString().toStdString());
  } catch (const Failure&) {
    return TRunWindow::DefaultKeys();
  }
}

void SaveRunKeys(const TRunWindow::KeyMap& keys) {
  if (const auto settings = Settings()) {
    settings->setValue(kKey, QString::fromStdString(RunKeysText(keys)));
  }
}

std::string RunKeysText(const TRunWindow::KeyMap& keys) {
  QStringList names;
  for (int key : keys) names << QKeySequence(key).toString(QKeySequence::PortableText);
  return names.join(' ').toStdString();
}

TRunWindow::KeyMap ReadRunKeys(const std::string& text) {
  const QStringList names = QString::fromStdString(text).split(' ', Qt::SkipEmptyParts);
  if (names.size() != TRunWindow::kButtons) {
    throw ErrorFailure("Name eight keys: Up, Down, Left, Right, A, B, Start and Select.");
  }
  TRunWindow::KeyMap keys{};
  for (int i = 0; i < TRunWindow::kButtons; ++i) {
    const QKeySequence sequence = QKeySequence::fromString(names[i], QKeySequence::PortableText);
    if (sequence.count() != 1 || sequence[0].keyboardModifiers() != Qt::NoModifier ||
        sequence[0].key() == Qt::Key_unknown) {
      throw ErrorFailure("'" + names[i].toStdString() + "' is no key.");
    }
    keys[i] = sequence[0].key();
  }
  return keys;
}
