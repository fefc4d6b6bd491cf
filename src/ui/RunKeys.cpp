#include "ui/RunKeys.h"

#include <QKeySequence>
#include <QStringList>

#include "model/Failure.h"
#include "ui/UserSettings.h"

namespace {

constexpr const char* kKey = "RunKeys";

}  // namespace

TRunWindow::KeyMap LoadRunKeys() {
  const auto settings = UserSettings();
  if (!settings || !settings->contains(kKey)) return TRunWindow::DefaultKeys();
  try {
    return ReadRunKeys(settings->value(kKey).toString().toStdString());
  } catch (const Failure&) {
    return TRunWindow::DefaultKeys();
  }
}

void SaveRunKeys(const TRunWindow::KeyMap& keys) {
  if (const auto settings = UserSettings()) {
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
