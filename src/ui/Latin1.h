#pragma once
// The program's texts are strings of single bytes. Texts of the ROM's world (instructions, search
// texts, a file's bytes) go through Latin-1 at the Qt edge both ways, so that every byte survives
// the round trip; what a person writes for a person (comments, label names, table text, file
// names) is UTF-8, as the symbol and table files hold it, and goes through UTF-8 both ways.

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <string>

inline QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string Utf8Bytes(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A message to read, which may quote a file name in the platform's file-name encoding (UTF-8):
// shown as UTF-8 when its bytes are valid UTF-8, else through Latin-1 as every other text.
inline QString MessageText(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString shown = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return utf8.hasError() ? Latin1(text) : shown;
}
