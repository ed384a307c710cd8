#pragma once
// CDib: one picture held as a packed device-independent bitmap (header, colour table and rows
// in one block, kept exactly as read), loaded from a BMP file or through the image plug-ins
// (*.spi) of the plug-in folder, and drawn into a rectangle. It serves the skin's mask and
// background, classic skins and still images. UI thread only.

#include "DibHeader.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>

#include <cstdint>

class QPainter;

// A colour as skins and settings write it: red in the lowest byte, then green, then blue.
using COLORREF = std::uint32_t;
constexpr COLORREF RGB(int r, int g, int b)
{
    return static_cast<COLORREF>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}

// The largest picture taken, from a file or a plug-in: a side, and its pixels decoded at 32 bits.
// A header may claim anything; past these nothing is allocated for it.
constexpr int kMaxPictureSide = 16384;
constexpr qint64 kMaxPictureBytes = qint64(256) << 20;

class CDib
{
public:
    CDib();
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    void SetPluginFolder(const QString& folder) { pluginFolder = folder; }
    const QString& PluginFolder() const { return pluginFolder; }

    // Loads `path` from byte `offset`: a .BMP (or any file with `forceBmp`) as BMP, a .M3U
    // never, anything else through the plug-ins, then as BMP. False leaves the image as it was.
    bool Load(const QString& path, qint64 offset = 0, bool forceBmp = false);
    // Takes `block` as the image. False for an empty block or one that is no bitmap.
    bool Attach(QByteArray block);
    void Clear();
    bool IsEmpty() const { return block.isEmpty(); }

    // (0, 0, width, height) of the image; all 0 when empty.
    QRect SourceRect() const { return source; }
    bool IsTopDown() const { return topDown; }
    const QByteArray& Block() const { return block; }
    const DibHeader& Header() const { return header; }
    // The colours of the colour table; empty for pictures without one.
    const QVector<QRgb>& Palette() const { return palette; }

    // Draws the image into `dest`. With `keepAspect` it covers the whole of `dest`, centred: the
    // part of it that falls outside is not drawn. False when nothing was drawn.
    bool Draw(QPainter& painter, const QRect& dest, bool keepAspect) const;
    // The part of a `picture` that covers a `dest` sized target with its aspect kept: centred,
    // never larger than the picture, at least a pixel a side; null for an empty picture or target.
    static QRect CoverSource(const QSize& picture, const QSize& dest);

    // The colour of pixel (x, y), y counted from the top row, for 24-bit uncompressed
    // bottom-up images with a 40-byte header; 0 for anything else or outside the picture.
    COLORREF PixelColor(int x, int y) const;

    // The picture as an image, or a null image when it cannot be decoded.
    const QImage& Image() const;

private:
    bool LoadBmp(class QFile& file, qint64 offset);
    bool LoadThroughPlugins(class QFile& file, const QString& path, qint64 offset);

    QString pluginFolder;
    QByteArray block;
    DibHeader header;
    bool topDown = false;
    QRect source;
    QVector<QRgb> palette;
    mutable QImage image;
    mutable bool imageMade = false;
    // The part of the picture last drawn at another size, smoothed to that size.
    mutable QImage scaled;
    mutable QRect scaledFrom;
};
