#pragma once
// COleDropTargetFile: what is dropped on the main window. Dropped files (or one dropped
// text) replace the list, and WM_OPEN_PATHS with lParam 0 tells the window to open it.

#include <QObject>
#include <QStringList>

class QWidget;

class COleDropTargetFile : public QObject
{
    Q_OBJECT
public:
    // Accepts drops on `owner` from now on.
    bool Register(QWidget* owner);
    const QStringList& Paths() const { return paths; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner = nullptr;
    QStringList paths;
};
