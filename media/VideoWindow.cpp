#include "VideoWindow.h"

#include "res/Icons.h"
#include "res/StringTable.h"

#include <QCloseEvent>
#include <QPainter>
#include <QRegion>

VideoWindow::VideoWindow(QSize size) : QWidget(nullptr, Qt::Window), videoSize(size)
{
    setObjectName(QStringLiteral("VideoRenderer"));
    setWindowTitle(res::LoadString(res::kStrAppTitle));
    setWindowIcon(res::ProgramIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(size.isEmpty() ? QSize(320, 240) : size);
}

void VideoWindow::SetFrame(const QImage& image)
{
    frame = image;
    update();
}

void VideoWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const QRect target = PictureRect();
    // Only the bars around the picture are filled: a full fill under every frame cost a
    // tenth of the playing time.
    for (const QRect& bar : QRegion(rect()) - QRegion(target))
        painter.fillRect(bar, Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame);
}

QRect VideoWindow::PictureRect() const
{
    // Frames may carry non-square pixels: the picture takes the shape of the video size.
    const QSize shape = videoSize.isEmpty() ? frame.size() : videoSize;
    if (shape.isEmpty())
        return rect();
    const QSize fitted = shape.scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void VideoWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
    if (onUserClose)
        onUserClose();
}
