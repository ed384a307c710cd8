// The skin's costs on a size change and on a clock tick: rebuilding every region from a
// 400 × 400 24-bit mask with 50 buttons and a text area, and repainting the text area alone.
// Prints the median of many runs.
//   bench_skin [--runs N]

#include "BenchSupport.h"
#include "skin/WindowSkin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// A mask with button k in cell k of a 10 × 5 grid (the upper half) and the text area below.
QByteArray MaskBitmap(int size)
{
    const int rowBytes = (24 * size + 31) / 32 * 4;
    QByteArray file(14 + 40 + rowBytes * size, '\0');
    auto put32 = [&file](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<quint32>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<quint32>(size));
    put32(22, static_cast<quint32>(size));
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < size; ++y) {
        char* row = file.data() + 54 + (size - 1 - y) * rowBytes;
        for (int x = 0; x < size; ++x) {
            int green = 255;
            const int cell = size / 10;
            const int cx = x / cell, cy = y / cell;
            const int dx = x % cell - cell / 2, dy = y % cell - cell / 2;
            if (cy < 5 && dx * dx + dy * dy < cell * cell / 5)
                green = cy * 10 + cx + 1;
            else if (y > size * 3 / 5 && y < size * 9 / 10 && x > size / 10 && x < size * 9 / 10)
                green = 99;
            row[3 * x] = static_cast<char>(255);
            row[3 * x + 1] = static_cast<char>(green);
            row[3 * x + 2] = static_cast<char>(255);
        }
    }
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int runs = 200;
    const QStringList arguments = QApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == u"--runs")
            runs = std::max(1, arguments[i + 1].toInt());
    }

    QTemporaryDir folder;
    const QString maskPath = folder.filePath(QStringLiteral("mask.bmp"));
    QFile file(maskPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(MaskBitmap(400)) <= 0)
        return 1;
    file.close();

    WindowSkin skin;
    skin.Read(folder.filePath(QStringLiteral("none.ini")));
    if (!skin.LoadMask(maskPath)) {
        std::fprintf(stderr, "the mask did not load\n");
        return 1;
    }
    std::vector<double> rebuild;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        skin.Rebuild(QRect(0, 0, 400, 400), nullptr);
        rebuild.push_back(clock.nsecsElapsed() / 1e6);
    }
    int buttons = 0;
    for (const auto& region : skin.ButtonRegions())
        buttons += region && !region->isEmpty();
    std::printf("region rebuild, 400 x 400 mask, %d buttons with area: median %.3f ms of %d (goal < 5 ms)\n",
                buttons, bench::Median(rebuild), runs);

    std::vector<double> scaled;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        skin.Rebuild(QRect(0, 0, 523, 517), nullptr);
        scaled.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("region rebuild, same mask scaled to 523 x 517: median %.3f ms of %d\n",
                bench::Median(scaled), runs);

    // The text area repainted as a clock tick repaints it: a background picture, the buttons,
    // the two lines of text, all clipped to the text area.
    skin.Rebuild(QRect(0, 0, 400, 400), nullptr);
    QImage background(800, 800, QImage::Format_RGB32);
    background.fill(qRgb(40, 60, 90));
    QImage canvas(400, 400, QImage::Format_ARGB32_Premultiplied);
    WindowSkin::PaintOptions options;
    options.showButtons = true;
    options.textColour = QColor(0x66, 0xff, 0x99);
    options.font.setPixelSize(16);
    options.text = QStringLiteral("2026年12月07日\n12:34:56");
    options.drawBackground = [&background](QPainter& painter, const QRect& rect) {
        painter.drawImage(rect, background);
        return true;
    };
    std::vector<double> repaint;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        QPainter painter(&canvas);
        painter.setClipRegion(skin.TextArea());
        skin.Paint(painter, canvas.rect(), options);
        painter.end();
        repaint.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("text-area repaint: median %.3f ms of %d (goal < 1 ms)\n", bench::Median(repaint), runs);

    // The same with the default skin: buttons drawn along their outlines, its own picture.
    WindowSkin face;
    face.Read(QStringLiteral(SORLIN_DEFAULT_SKIN_DIR "/Sorlin.ini"));
    face.SetLineHeight(40);
    face.Rebuild(QRect(0, 0, 240, 150), nullptr);
    const QImage picture(QStringLiteral(SORLIN_DEFAULT_SKIN_DIR "/Sorlin.png"));
    options.drawBackground = [&picture](QPainter& painter, const QRect& rect) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, picture);
        return true;
    };
    QImage small(240, 150, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> faceRepaint;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        QPainter painter(&small);
        painter.setClipRegion(face.TextArea());
        face.Paint(painter, small.rect(), options);
        painter.end();
        faceRepaint.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("text-area repaint, default skin: median %.3f ms of %d (goal < 1 ms)\n",
                bench::Median(faceRepaint), runs);
    return 0;
}
