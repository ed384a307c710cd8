// Pictures: a packed bitmap attached from memory (as the skin and the clipboard give them) and a
// BMP file loaded from a path, each drawn as the window draws them: at its own size, stretched,
// with its aspect kept (smoothed), and read pixel by pixel.

#include "FuzzSupport.h"
#include "skin/Dib.h"

#include <QImage>
#include <QPainter>

namespace {

void DrawEveryWay(const CDib& dib)
{
    QImage canvas(64, 48, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    dib.Draw(painter, dib.SourceRect(), false);
    dib.Draw(painter, QRect(0, 0, 64, 48), false);
    dib.Draw(painter, QRect(3, 2, 57, 31), true);
    dib.Draw(painter, QRect(0, 0, 1, 48), true);
    painter.end();
    const QRect area = dib.SourceRect();
    for (const QPoint p : {QPoint(0, 0), area.bottomRight(), QPoint(area.width() / 2, area.height() / 2)})
        dib.PixelColor(p.x(), p.y());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CDib packed;
    if (packed.Attach(fuzz::Bytes(data, size)))
        DrawEveryWay(packed);
    CDib file;
    if (file.Load(fuzz::WriteInput(data, size, QStringLiteral("picture.bmp")), 0, true))
        DrawEveryWay(file);
    return 0;
}
