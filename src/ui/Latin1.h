#pragma once
// The program's texts are strings of single bytes; at the Qt edge they go through Latin-1 both
// ways, so that every byte survives the round trip.

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <string>

inline QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A message to read, which may quote a file name in the platform's file-name encoding (UTF-8):
// shown as UTF-8 when its bytes are valid UTF-8, else through Latin-1 as every other text.
inline QString MessageText(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString shown = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return utf8.hasError() ? Latin1(text) : shown;
}
