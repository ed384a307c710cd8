#pragma once
// A picture read by Qt (a PNG of a classic skin, or a loaded bitmap of another depth) as the
// packed bitmap CDib takes: a 40-byte header, no colour table, 24-bit rows stored bottom-up.

#include <QByteArray>

class QImage;

// The packed bitmap of `image`; empty for a null image or one too large for a block.
QByteArray DibFromImage(const QImage& image);
