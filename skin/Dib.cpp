#include "Dib.h"

#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "platform/susie/SusiePlugin.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <malloc.h>
#include <memory>

namespace {

constexpr qint64 kMemoryModeLimit = 1024 * 1024;
constexpr int kMacHeader = 128;
// Image plug-ins look at the first 2 KiB of a file.
constexpr qint64 kProbeBytes = 2048;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
using PluginMemory = std::unique_ptr<void, FreeDeleter>;

// A plug-in for `path`, chosen by its answer for `probe`; null when none takes it.
std::unique_ptr<platform::SusiePlugin> FindImagePlugin(const QString& folder, const QString& path,
                                                       intptr_t probe)
{
    const QByteArray name = QFile::encodeName(path);
    for (const QString& file : platform::SusiePluginFiles(folder)) {
        auto plugin = std::make_unique<platform::SusiePlugin>(file);
        if (!plugin->IsLoaded() || !plugin->getPluginInfo || !plugin->isSupported ||
            plugin->IsArchivePlugin())
            continue;
        if (plugin->isSupported(name.constData(), probe)) {
            qCDebug(lcSkin) << "Hit";
            return plugin;
        }
        // A buffer may start with a Macintosh file's 128-byte header.
        if (probe >= 0x10000 && plugin->isSupported(name.constData(), probe + kMacHeader)) {
            qCDebug(lcSkin) << "Hit(Mac)";
            return plugin;
        }
    }
    return nullptr;
}

// The plug-in's two blocks as one packed bitmap. Sizes the plug-in's header claims are held
// to what it really allocated.
QByteArray JoinPluginOutput(void* info, void* pixels)
{
    const size_t infoSize = malloc_usable_size(info);
    QByteArray head(static_cast<const char*>(info),
                    static_cast<qsizetype>(std::min<size_t>(infoSize, 40 + 256 * 4)));
    DibHeader header = ReadDibHeader(head);
    if (!header.valid || header.core)
        return QByteArray();
    qint64 imageBytes = 0;
    if (header.compression == 1 || header.compression == 2)
        imageBytes = header.imageSizeField;
    else
        imageBytes = header.RowBytes() * header.AbsHeight();
    const size_t pixelSize = malloc_usable_size(pixels);
    if (imageBytes <= 0 || static_cast<size_t>(imageBytes) > pixelSize || imageBytes > 512LL * 1024 * 1024)
        return QByteArray();
    QByteArray block = head.left(header.PixelOffset());
    if (header.compression != 1 && header.compression != 2)
        WriteLe32(block.data() + 20, static_cast<quint32>(imageBytes));
    block.append(static_cast<const char*>(pixels), static_cast<qsizetype>(imageBytes));
    return block;
}

} // namespace

CDib::CDib() : pluginFolder(platform::ProgramFolder()) {}

CDib::~CDib()
{
    Clear();
}

void CDib::Clear()
{
    block.clear();
    header = DibHeader();
    topDown = false;
    source = QRect();
    palette.clear();
    image = QImage();
    imageMade = false;
    scaled = QImage();
    scaledFrom = QRect();
}

bool CDib::Attach(QByteArray newBlock)
{
    if (newBlock.isEmpty())
        return false;
    const DibHeader read = ReadDibHeader(newBlock);
    if (!read.valid)
        return false;
    // A 70-byte file may claim 60000 × 60000 pixels: it is refused before it is decoded.
    if (read.width > kMaxPictureSide || read.AbsHeight() > kMaxPictureSide ||
        qint64(read.width) * read.AbsHeight() * 4 > kMaxPictureBytes) {
        qCWarning(lcSkin) << "a picture of" << read.width << "x" << read.AbsHeight() << "pixels is refused";
        return false;
    }
    Clear();
    block = std::move(newBlock);
    header = read;
    topDown = header.TopDown();
    source = QRect(0, 0, header.width, header.AbsHeight());
    palette = header.ColourTable(block);
    return true;
}

bool CDib::Load(const QString& path, qint64 offset, bool forceBmp)
{
    QFile file;
    if (!platform::OpenRegularFile(file, path))
        return false;
    const QString extension = QStringLiteral(".") + QFileInfo(path).suffix().toUpper();
    if (offset != 0 && !file.seek(offset))
        return false;
    if (extension == u".BMP" || forceBmp)
        return LoadBmp(file, offset);
    if (extension == u".M3U")
        return false;
    if (LoadThroughPlugins(file, path, offset))
        return true;
    return file.seek(offset) && LoadBmp(file, offset);
}

bool CDib::LoadBmp(QFile& file, qint64 offset)
{
    const QByteArray fileHeader = file.read(14);
    if (fileHeader.size() != 14 || !fileHeader.startsWith("BM"))
        return false;
    const qint64 declared = static_cast<qint64>(ReadLe32(fileHeader.constData() + 2)) - 14;
    // A size beyond the file is a short read: nothing is allocated for it.
    if (declared <= 0 || declared > file.size() - offset - 14)
        return false;
    QByteArray rest = file.read(declared);
    if (rest.size() != declared)
        return false;
    return Attach(std::move(rest));
}

bool CDib::LoadThroughPlugins(QFile& file, const QString& path, qint64 offset)
{
    const QByteArray name = QFile::encodeName(path);
    // One request to the plug-in; the picture is taken when it hands one back.
    const auto picture = [this](const platform::SusiePlugin& plugin, const char* buffer, intptr_t length,
                                unsigned int flag) {
        void* info = nullptr;
        void* pixels = nullptr;
        const int result = plugin.getPicture(buffer, length, flag, &info, &pixels, nullptr, 0);
        PluginMemory infoBlock(info);
        PluginMemory pixelBlock(pixels);
        return result == SPI_SUCCESS && info && pixels && Attach(JoinPluginOutput(info, pixels));
    };

    // File mode: the plug-in reads the file itself, from its start or after a 128-byte header.
    if (auto plugin = FindImagePlugin(pluginFolder, path, file.handle()); plugin && plugin->getPicture) {
        if (picture(*plugin, name.constData(), 0, SPI_INPUT_FILE) ||
            picture(*plugin, name.constData(), kMacHeader, SPI_INPUT_FILE))
            return true;
    }

    // Memory mode: the start of the file, at most 1 MiB, with room for a plug-in's 2 KiB look
    // and a 128-byte prefix.
    const qint64 n = std::min(file.size() - offset, kMemoryModeLimit);
    if (n <= 0 || !file.seek(offset))
        return false;
    QByteArray buffer(static_cast<qsizetype>(std::max(n, kProbeBytes) + kMacHeader), '\0');
    if (file.read(buffer.data(), n) != n)
        return false;
    auto plugin = FindImagePlugin(pluginFolder, path, reinterpret_cast<intptr_t>(buffer.constData()));
    if (!plugin || !plugin->getPicture)
        return false;
    return picture(*plugin, buffer.constData(), n, SPI_INPUT_MEMORY) ||
           (n > kMacHeader &&
            picture(*plugin, buffer.constData() + kMacHeader, n - kMacHeader, SPI_INPUT_MEMORY));
}

const QImage& CDib::Image() const
{
    if (imageMade)
        return image;
    imageMade = true;
    if (block.isEmpty() || !header.valid)
        return image;
    // Plain 24- and 32-bit rows (what the image plug-ins hand back) are read directly.
    const qint64 rowBytes = header.RowBytes();
    if (!header.core && header.compression == 0 && (header.bitCount == 24 || header.bitCount == 32) &&
        header.width > 0 && header.AbsHeight() > 0 && header.width <= 32768 && header.AbsHeight() <= 32768 &&
        header.PixelOffset() + rowBytes * header.AbsHeight() <= block.size()) {
        const auto* rows = reinterpret_cast<const uchar*>(block.constData() + header.PixelOffset());
        const QImage view(rows, header.width, header.AbsHeight(), static_cast<qsizetype>(rowBytes),
                          header.bitCount == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32);
        // One converted copy, turned the right way up in place when its rows are bottom-up (the
        // usual order).
        image = header.bitCount == 24 ? view.convertToFormat(QImage::Format_RGB32) : view.copy();
        if (!header.TopDown())
            image = std::move(image).mirrored(false, true);
        return image;
    }
    // A file header in front makes the block a BMP file, which Qt's reader checks thoroughly.
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    WriteLe32(file.data() + 2, static_cast<quint32>(14 + block.size()));
    WriteLe32(file.data() + 10, static_cast<quint32>(14 + header.PixelOffset()));
    file += block;
    image = QImage::fromData(file, "BMP");
    return image;
}

QRect CDib::CoverSource(const QSize& picture, const QSize& dest)
{
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    const qint64 dw = dest.width();
    const qint64 dh = dest.height();
    if (w <= 0 || h <= 0 || dw <= 0 || dh <= 0)
        return QRect();
    // Every product stays within 62 bits, and each part within the picture.
    if (w * dh > h * dw) {
        const qint64 width = std::clamp<qint64>(h * dw / dh, 1, w);
        return QRect(static_cast<int>((w - width) / 2), 0, static_cast<int>(width), static_cast<int>(h));
    }
    const qint64 height = std::clamp<qint64>(w * dh / dw, 1, h);
    return QRect(0, static_cast<int>((h - height) / 2), static_cast<int>(w), static_cast<int>(height));
}

bool CDib::Draw(QPainter& painter, const QRect& dest, bool keepAspect) const
{
    if (source.isEmpty() || dest.isEmpty())
        return false;
    // With the aspect kept, only the part of the picture that covers `dest` is drawn, into it:
    // no rectangle ever grows past the picture or the target, however long and thin the picture.
    const QRect from = keepAspect ? CoverSource(source.size(), dest.size()) : source;
    // A picture drawn at another size is smoothed, so a skin drawn for high-density screens
    // stays clean on ordinary ones. The smoothed picture is made once per size: the clock
    // repaints its text over it twice a second. Meanwhile the full-size image is let go (it is
    // made again from the bitmap when another size asks for it): the background is drawn at
    // the window's size at every paint, and the copy at the picture's own size would only
    // take memory.
    constexpr qint64 kMostCachedPixels = 4'000'000;
    const bool fits = static_cast<qint64>(dest.width()) * dest.height() <= kMostCachedPixels;
    if (fits && from.size() != dest.size() && scaled.size() == dest.size() && scaledFrom == from) {
        painter.drawImage(dest.topLeft(), scaled);
        return true;
    }
    // Decoded at the size its header gives (source).
    const QImage& picture = Image();
    if (picture.isNull())
        return false;
    if (from.size() == dest.size()) {
        painter.drawImage(dest.topLeft(), picture, from);
        return true;
    }
    if (fits) {
        const QImage part = from == picture.rect() ? picture : picture.copy(from);
        scaled = part.scaled(dest.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaledFrom = from;
        image = QImage();
        imageMade = false;
        painter.drawImage(dest.topLeft(), scaled);
        return true;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(dest, picture, from);
    painter.restore();
    return true;
}

COLORREF CDib::PixelColor(int x, int y) const
{
    if (!header.valid || header.core || header.headerSize != 40 || header.compression != 0 ||
        header.bitCount != 24 || header.height <= 0)
        return 0;
    if (x < 0 || y < 0 || x >= header.width || y >= header.height)
        return 0;
    const qint64 row = header.RowBytes();
    const qint64 at = header.PixelOffset() + (static_cast<qint64>(header.height) - 1 - y) * row + x * 3LL;
    if (at + 3 > block.size())
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(block.constData() + at);
    return RGB(p[2], p[1], p[0]);
}
