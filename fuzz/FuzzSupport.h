#pragma once
// What the fuzz targets share: a Qt application of the offscreen platform, made once, and the
// input written to a file of a private folder, for the readers that take a path.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// The application object the readers need (QImage, QPainter, fonts), on the offscreen platform.
void EnsureApplication();

// `data` as a file named `name` in a folder of this process's own, rewritten on every call.
QString WriteInput(const uint8_t* data, size_t size, const QString& name);

// A folder of this process's own, emptied on every call.
QString FreshFolder(const QString& name);

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace fuzz
