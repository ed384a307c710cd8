#pragma once
// Picture files made by the image plug-in tests: encoded by Qt where it can write the format,
// put together byte by byte where it cannot (GIF) or where the header must lie (PNG size).

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <vector>

namespace testpictures {

// `image` encoded by Qt as `format` ("png", "jpg", "bmp", ...); empty when Qt cannot write it.
QByteArray Encoded(const QImage& image, const char* format);

// An uncompressed-style GIF of `width` × `height` pixels whose indices (row by row, top first)
// pick colours from a four-entry palette.
QByteArray Gif(int width, int height, const std::vector<QRgb>& palette, const std::vector<int>& indices);

// `png` with the size its IHDR chunk claims changed to `width` × `height` (checksum kept valid).
QByteArray PngClaimingSize(QByteArray png, quint32 width, quint32 height);

// A picture whose pixels all differ, so that a cut file cannot be decoded from what is left.
QImage Noise(int width, int height);

} // namespace testpictures
