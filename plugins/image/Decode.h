#pragma once
// Decoding a whole picture held in memory into the blocks GetPicture hands back.

#include "plugins/common/Progress.h"

#include <QByteArray>

namespace ifqtimage {

// Decodes `data` with Qt's image readers into *info and *pixels (see DibOutput.h). Returns an
// SPI_ code; on failure both pointers stay null.
int DecodePicture(const QByteArray& data, const spi::Progress& progress, void** info, void** pixels);

} // namespace ifqtimage
