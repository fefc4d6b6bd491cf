#pragma once
// ROM and symbol files that the UI tests write into their own temporary folders.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

// A ROM image of `size` bytes (zeros) with a header title and the given bytes in place.
QByteArray MakeRomBytes(
    uint32_t size, const QByteArray& title,
    std::initializer_list<std::pair<uint32_t, std::vector<uint8_t>>> bytes = {});

// Writes a file and returns its full name.
QString WriteFile(const QString& folder, const QString& name, const QByteArray& contents);
// A file's bytes, or "<missing>" when it cannot be read.
QByteArray ReadFile(const QString& path);
