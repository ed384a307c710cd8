#pragma once
// CDibWnd: the separate, resizable window that shows a still image when still images go to a
// window of their own. The image is loaded by the player; the window is created on its first
// show, keeps its place when the user closes it, and comes back there.

#include "Dib.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

class CDibWnd
{
public:
    CDibWnd();
    ~CDibWnd();
    CDibWnd(const CDibWnd&) = delete;
    CDibWnd& operator=(const CDibWnd&) = delete;

    // Shows the window sized to the image (plus its frame), where it was last.
    void Show();
    // Destroys the window, remembering where it was.
    void Destroy();
    bool IsCreated() const { return window != nullptr; }
    QWidget* Window() const;
    // The picture the window shows; the player loads it before Show.
    CDib& Picture() { return dib; }
    const CDib& Picture() const { return dib; }

private:
    CDib dib;
    class View;
    QPointer<QWidget> window; // a View
    QPoint position{0, 0};
};
