#include "TestRoms.h"

#include <QFile>

QByteArray MakeRomBytes(uint32_t size, const QByteArray& title,
                        std::initializer_list<std::pair<uint32_t, std::vector<uint8_t>>> bytes) {
  QByteArray rom(static_cast<qsizetype>(size), '\0');
  for (qsizetype i = 0; i < title.size() && 0x134 + i < rom.size(); ++i) rom[0x134 + i] = title[i];
  for (const auto& [offset, data] : bytes) {
    for (size_t i = 0; i < data.size(); ++i)
      rom[static_cast<qsizetype>(offset + i)] = static_cast<char>(data[i]);
  }
  return rom;
}

QString WriteFile(const QString& folder, const QString& name, const QByteArray& contents) {
  const QString path = folder + "/" + name;
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(contents);
  return path;
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
