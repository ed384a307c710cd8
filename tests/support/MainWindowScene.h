#pragma once
// MainWindowScene: the main window's insides, for the tests and benchmarks that set up a scene
// through them (a list in the player, a running stopwatch, a setting) instead of through the
// window's menus and dialogs. The program itself only reads them.

#include "app/SorlinDlg.h"

struct MainWindowScene
{
    static CMediaPlayer& Player(CSorlinDlg& window) { return window.player; }
    static AppSettings& Settings(CSorlinDlg& window) { return window.settings; }
    static Stopwatch& GetStopwatch(CSorlinDlg& window) { return window.stopwatch; }
};
