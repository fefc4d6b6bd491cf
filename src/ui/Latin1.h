#pragma once
// The program's texts are strings of single bytes; at the Qt edge they go through Latin-1 both
// ways, so that every byte survives the round trip.

#include <QString>
#include <string>

inline QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
