// The skin file and the window it shapes: the definition read from the file, and the window's
// outline, buttons and text area built from it at the skin's own size and at two others.

#include "FuzzSupport.h"
#include "skin/WindowSkin.h"

#include <QImage>
#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WindowSkin skin;
    skin.Read(fuzz::WriteInput(data, size, QStringLiteral("Sorlin.ini")));
    for (const QRect window : {QRect(0, 0, 180, 180), QRect(0, 0, 37, 23), QRect(0, 0, 1, 1)}) {
        skin.Rebuild(window, nullptr);
        skin.HitTest(QPoint(window.width() / 2, window.height() / 2));
        QImage canvas(window.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&canvas);
        WindowSkin::PaintOptions options;
        options.showButtons = true;
        options.text = QStringLiteral("12:34\nTitle");
        skin.Paint(painter, window, options);
    }
    return 0;
}
