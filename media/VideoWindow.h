#pragma once
// The window the video is shown in ("VideoRenderer"): a top-level window titled with the
// application title that paints the newest frame of the graph, scaled to fit with its aspect
// kept on black. Closing it by hand asks the engine to end the item.

#include <QImage>
#include <QWidget>

#include <functional>

class VideoWindow : public QWidget
{
    Q_OBJECT
public:
    explicit VideoWindow(QSize videoSize);

    // Shows `frame` from now on.
    void SetFrame(const QImage& frame);
    const QImage& Frame() const { return frame; }
    QSize VideoSize() const { return videoSize; }
    // Where the picture is drawn in the window: scaled to fit, aspect kept, centred.
    QRect PictureRect() const;

    // Called when the user closes the window; the window hides itself.
    std::function<void()> onUserClose;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QImage frame;
    QSize videoSize;
};
