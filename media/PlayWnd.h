#pragma once
// CPlayWnd: routes the pointer and keys of the video window while it is shown full screen.
// Pointer moves and left clicks go to the attached engine (DVD menus); keys go to the main
// window as WM_KEYDOWN / WM_KEYUP when a media-file engine is attached; a right click asks
// the main window for its context menu.

#include <QObject>
#include <QPointer>

class CMedia;
class QWidget;

class CPlayWnd : public QObject
{
public:
    enum class Attached : int
    {
        kNothing,
        kDvdEngine,
        kMediaFileEngine, // keys go on to the main window
    };
    // Pointer input goes to `engine`; what else is routed follows `attached`.
    void Attach(CMedia* engine, Attached attached)
    {
        target = engine;
        mode = attached;
    }
    Attached Mode() const { return mode; }
    const CMedia* Target() const { return target; }

    // Routes the input of `window` to `mainWindow` and the target while `active`.
    void Route(QWidget* window, QObject* mainWindow);
    void SetActive(bool on) { active = on; }
    bool IsActive() const { return active; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Attached mode = Attached::kNothing;
    CMedia* target = nullptr;
    QPointer<QWidget> window;
    QPointer<QObject> mainWindow;
    bool active = false;
};
