#pragma once
// The main window as screen readers see it (over the desktop's accessibility bus, through Qt's
// accessibility interfaces). The skin draws its buttons and its display into one window, so
// Qt alone would show a blank pane: here each skin button is a push button named by its tool
// tip with a press action, and the display is a text whose changes are announced. UI thread
// only.

#include <QString>

class CSorlinDlg;
class QWidget;

// Makes Qt describe every main window this way; once per process is enough, more do no harm.
void InstallMainWindowAccessibility();

// The name a skin button goes by: its tool tip, or without one the menu's text for what it
// does ("次のﾄﾗｯｸ"), or "ﾎﾞﾀﾝ n".
QString SkinButtonName(const CSorlinDlg& window, int index);

// Tells screen readers what the display shows, at most once a second: the tick hands it the
// display on every tick, and a change that comes within a second of the last one told goes out
// with the first tick after that second.
class DisplayAnnouncer
{
public:
    // `window` is the one whose display this is, described as InstallMainWindowAccessibility
    // describes main windows.
    explicit DisplayAnnouncer(QWidget& window) : window(window) {}
    // `text` is the display now; `nowMs` a monotonic millisecond count. True when told.
    bool Update(const QString& text, quint64 nowMs);

    static constexpr quint64 kIntervalMs = 1000;

private:
    QWidget& window;
    QString told;
    quint64 toldAt = 0;
    bool everTold = false;
};
