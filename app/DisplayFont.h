#pragma once
// The display font of the main window (section Font of the settings) and the height of the
// display's two lines in it.

#include <QFont>

struct AppSettings;

// Starts reading the system's font configuration (fontconfig's files and caches, a few
// milliseconds) on a thread of its own, so that matching the first display font finds it
// read. Call on the UI thread, early, after the QGuiApplication exists; MakeDisplayFont
// waits for it.
void PrepareFontMatching();

// The font the settings describe. Windows face names the system does not have are replaced by
// their counterparts ("ＭＳ ゴシック" by IPAGothic, "ＭＳ Ｐゴシック" by IPAPGothic); a negative
// height is the characters' pixel height, a positive one the cell's.
QFont MakeDisplayFont(const AppSettings& settings);

// Twice the height of the measuring text in `font`: the two lines of the display.
int DisplayLineHeight(const QFont& font);
